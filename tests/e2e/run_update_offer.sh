#!/usr/bin/env bash
# Start-up with a newer version on the update feed (served on the loopback host):
# the "Software Update" dialog shows the offer and its release notes; Escape declines
# it, and the program goes on with its main window.
source "$(dirname "$0")/e2e_common.sh"

feed_root="$scratch/feed"
mkdir -p "$feed_root/rss/qwzmplorktbvna/Dremlor"
printf 'Dremlor 2.1.0\n\n- Faster bank transfers.\n' > "$feed_root/notes.txt"

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$feed_root" > "$scratch/feed.log" 2>&1 &
started_pids+=($!)

wait_until "$guardSeconds" grep -q 'port [0-9]' "$scratch/feed.log" || fail "the feed server did not start"
port="$(sed -n 's/.*port \([0-9][0-9]*\).*/\1/p' "$scratch/feed.log" | head -1)"

cat > "$feed_root/rss/qwzmplorktbvna/Dremlor/dremlor.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<rss>
  <VERSION major="2" minor="1" revision="0" compatibility="true">
    <win URL="http://127.0.0.1:$port/files/setup"/>
  </VERSION>
  <RELEASENOTES url="http://127.0.0.1:$port/notes.txt"/>
</rss>
XML

export DREMLOR_UPDATE_URL="http://127.0.0.1:$port"
start_app update
offer="$(wait_for_window '^Software Update$')" || fail "no update was offered"
wait_until "$guardSeconds" offer_painted "$offer" || fail "the offer shows no release notes"
screenshot update-offer

grep -q 'GET /notes.txt' "$scratch/feed.log" || fail "the release notes were not fetched"
[ "$(dark_pixels "$artifacts/update-offer.png" 0 0 "$screenWidth" "$screenHeight")" -gt 500 ] \
    || fail "the offer shows no text"

xdotool windowactivate --sync "$offer" key Escape 2>/dev/null || xdotool key Escape
wait_until_gone "$offer" || fail "the offer is still open"
wait_for_window "^$appTitle\$" > /dev/null || fail "no main window after the offer was declined"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the offer was declined"
grep -q 'GET /files/setup' "$scratch/feed.log" && fail "a declined update was downloaded"
screenshot update-declined
echo "PASS"
