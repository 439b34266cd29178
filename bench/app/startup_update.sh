#!/usr/bin/env bash
# Start-up time of Dremlor to a painted main window while the update check runs:
#   (0) without a fetch: a plain-http update address off the loopback host is
#       refused before any request (the reference for the cases below);
#   (a) against an update server that cannot be reached (a loopback port nobody
#       listens on, so the connection is refused);
#   (b) against a feed on the loopback host that offers no newer version;
# and, as root, in a network of its own (tools/hostile-network.sh), first to a
# painted window, then clicking the close button 1.5 s after the launch, while the
# fetch is stuck, and timing the quit:
#   (n0) without a fetch, in that network (the reference);
#   (c) the update host's name is looked up at a name server that never answers;
#   (d) the update host accepts the connection and never speaks (TLS);
#   (e) the update host trickles its answer, a byte a second;
#   (f) two name servers that never answer, and a search domain.
#   bench/app/startup_update.sh [path to Dremlor] [runs]
# Each case runs bench/app/startup.sh and prints its runs and medians.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
app="${1:-$root/build/main/bin/Dremlor}"
runs="${2:-5}"

feed_root="$(mktemp -d /tmp/dremlor-feed.XXXXXX)"
server_pid=""

cleanup ()
{
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$feed_root"
}
trap cleanup EXIT

mkdir -p "$feed_root/rss/qwzmplorktbvna/Dremlor"
cat > "$feed_root/rss/qwzmplorktbvna/Dremlor/dremlor.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<rss>
  <VERSION major="2" minor="0" revision="2" compatibility="true">
    <win URL="http://127.0.0.1/files/setup"/>
  </VERSION>
  <RELEASENOTES url="http://127.0.0.1/notes.txt"/>
</rss>
XML

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$feed_root" > "$feed_root/server.log" 2>&1 &
server_pid=$!

port=""
for _ in $(seq 1 100); do
    port="$(sed -n 's/.*port \([0-9][0-9]*\).*/\1/p' "$feed_root/server.log" | head -1)"
    [ -n "$port" ] && break
    sleep 0.05
done
[ -n "$port" ] || { echo "the feed server did not start" >&2; exit 1; }

echo "== (0) no fetch (plain http off the loopback host is refused before any request)"
DREMLOR_UPDATE_URL="http://update.invalid" bash "$root/bench/app/startup.sh" "$app" "$runs"

echo "== (a) update server unreachable (connection refused)"
DREMLOR_UPDATE_URL="http://127.0.0.1:1" bash "$root/bench/app/startup.sh" "$app" "$runs"

echo "== (b) loopback feed offering 2.0.2 (no update)"
DREMLOR_UPDATE_URL="http://127.0.0.1:$port" bash "$root/bench/app/startup.sh" "$app" "$runs"

fetched="$(grep -c 'GET /rss/qwzmplorktbvna/Dremlor/dremlor.xml HTTP/1.1" 200' "$feed_root/server.log" || true)"
echo "feed fetched $fetched times"

if [ "$(id -u)" -ne 0 ]; then
    echo "the hostile-network cases need root (unshare); skipped" >&2
    exit 0
fi

hostile ()
{
    echo "== $1"
    DREMLOR_UPDATE_URL="$2" bash "$root/tools/hostile-network.sh" bash "$root/bench/app/startup.sh" "$app" "$runs"
    DREMLOR_UPDATE_URL="$2" DREMLOR_BENCH_QUIT_AT_MS=1500 \
        bash "$root/tools/hostile-network.sh" bash "$root/bench/app/startup.sh" "$app" "$runs" | grep quit
}

hostile "(n0) no fetch, in the hostile network"            "http://update.invalid"
hostile "(c) a name server that never answers"             "https://update.dremlor.example"
hostile "(d) a host that accepts and never speaks (TLS)"   "https://127.0.0.1:7701"
hostile "(e) a host that trickles a byte a second"         "http://127.0.0.1:7702"
DREMLOR_HOSTILE_RESOLV='nameserver 127.0.0.1\nnameserver 127.0.0.2\nsearch corp.example' \
    hostile "(f) two name servers that never answer, and a search domain" "https://update.dremlor.example"
