#!/usr/bin/env bash
# Start-up time of Dremlor to a painted main window with the update check, which
# runs before the first paint:
#   (a) against an update server that cannot be reached (a loopback port nobody
#       listens on, so the connection is refused);
#   (b) against a feed on the loopback host that offers no newer version.
#   bench/app/startup_update.sh [path to Dremlor] [runs]
# Each case runs bench/app/startup.sh and prints its runs and median.
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

echo "== (a) update server unreachable (connection refused)"
DREMLOR_UPDATE_URL="http://127.0.0.1:1" bash "$root/bench/app/startup.sh" "$app" "$runs"

echo "== (b) loopback feed offering 2.0.2 (no update)"
DREMLOR_UPDATE_URL="http://127.0.0.1:$port" bash "$root/bench/app/startup.sh" "$app" "$runs"

fetched="$(grep -c 'GET /rss/qwzmplorktbvna/Dremlor/dremlor.xml HTTP/1.1" 200' "$feed_root/server.log" || true)"
echo "feed fetched $fetched times"
