#!/usr/bin/env bash
# Runs a command in a network of its own, made on this machine only, where name
# look-ups and servers misbehave as they do behind a captive portal or a dead VPN:
#   tools/hostile-network.sh COMMAND [ARGS...]
# The command gets a network namespace whose only device is the loopback device (no
# address off this machine can be reached) and a mount namespace whose
# /etc/resolv.conf names 127.0.0.1 as the only name server. tools/hostile_network.py
# serves, on 127.0.0.1: a name server that never answers (port 53, UDP and TCP), a
# host that accepts TCP and never speaks (7701) and an HTTP server that trickles a
# byte a second (7702); a second silent name server listens on 127.0.0.2. With
# DREMLOR_HOSTILE_RESOLV set, its text (printf escapes) is the resolv.conf instead.
# DREMLOR_HOSTILE_NETWORK=1 tells the command where it runs.
# Needs root (unshare) and iproute2 (ip); without them it fails, saying why.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"

if [ "${1:-}" != "--inside" ]; then
    [ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
    [ "$(id -u)" -eq 0 ] || { echo "hostile-network: needs root for unshare --net --mount (uid $(id -u))" >&2; exit 2; }

    for tool in unshare ip mount python3; do
        command -v "$tool" > /dev/null || { echo "hostile-network: '$tool' is not installed (tools/setup.sh)" >&2; exit 2; }
    done

    exec unshare --net --mount -- bash "$0" --inside "$@"
fi
shift

scratch="$(mktemp -d /tmp/dremlor-hostile.XXXXXX)"
server_pid=""

cleanup ()
{
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2> /dev/null || true
        wait "$server_pid" 2> /dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

ip link set lo up || { echo "hostile-network: cannot bring the loopback device up" >&2; exit 2; }

printf '%b\n' "${DREMLOR_HOSTILE_RESOLV:-nameserver 127.0.0.1}" > "$scratch/resolv.conf"
mount --bind "$scratch/resolv.conf" /etc/resolv.conf \
    || { echo "hostile-network: cannot bind-mount /etc/resolv.conf" >&2; exit 2; }

python3 "$here/hostile_network.py" "$scratch/ready" > "$scratch/services.log" 2>&1 &
server_pid=$!

for _ in $(seq 1 100); do
    [ -e "$scratch/ready" ] && break
    kill -0 "$server_pid" 2> /dev/null || break
    sleep 0.05
done
[ -e "$scratch/ready" ] || { cat "$scratch/services.log" >&2; echo "hostile-network: the services did not start" >&2; exit 2; }

export DREMLOR_HOSTILE_NETWORK=1
set +e
"$@"
status=$?
set -e
exit "$status"
