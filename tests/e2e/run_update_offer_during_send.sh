#!/usr/bin/env bash
# An update answer that arrives while a Korrina Grand bank is being sent: the feed
# server holds its answer (the feed, then the notes) back until the send has begun.
# "Software Update" must not open during the send nor over its completion box; once
# the box is closed, the offer opens. Escape declines it and the program goes on.
#
# Everything up to the send must happen within about 9 s of start-up, while the
# answer can still be held back. A machine too busy for that proves nothing either
# way: such a run ends with code 75 and is made again, up to three runs in all.
if [ -z "${DREMLOR_E2E_RUN:-}" ]; then
    for run in 1 2 3; do
        status=0
        DREMLOR_E2E_RUN="$run" bash "$0" "$@" || status=$?
        [ "$status" -eq 75 ] || exit "$status"
        echo "run $run: the answer went out before the send began; running again"
    done
    echo "FAIL: three runs could not begin the send before the answer had to go out" >&2
    exit 1
fi

export DREMLOR_VIRTUAL_MIDI=korrina-grand
source "$(dirname "$0")/e2e_common.sh"

# A failure after the server had to let an answer go unreleased is no verdict.
fail ()
{
    grep -q 'released=False' "$scratch/feed.log" 2>/dev/null && exit 75
    echo "FAIL: $*" >&2
    exit 1
}

files="$scratch/files"
mkdir -p "$files"
bank="$files/grand-bank.syx"
release="$scratch/release-answer"

# 128 Korrina Grand presets of 4096 random words.
python3 "$(dirname "$0")/make_presets.py" 6 128 4096 0 11 "$bank"

# The feed and then the notes each wait until the release file exists, at most 4.6 s
# (inside the program's 5 s limit for a text fetch), so the answer can be held for
# about 9 s after start-up. The log says whether the notes were released.
cat > "$scratch/feed_server.py" <<'PY'
import http.server, os, sys, time

release, port_file = sys.argv[1], sys.argv[2]

def hold():
    deadline = time.time() + 4.6
    while not os.path.exists(release) and time.time() < deadline:
        time.sleep(0.05)
    return os.path.exists(release)

class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        port = self.server.server_address[1]
        if self.path == "/rss/qwzmplorktbvna/Dremlor/dremlor.xml":
            print("feed released=%s" % hold(), flush=True)
            body = ('<?xml version="1.0" encoding="UTF-8"?>\n<rss>\n'
                    '  <VERSION major="2" minor="1" revision="0" compatibility="true">'
                    '<win URL="http://127.0.0.1:%d/files/setup"/></VERSION>\n'
                    '  <RELEASENOTES url="http://127.0.0.1:%d/notes.txt"/>\n</rss>\n' % (port, port))
        elif self.path == "/notes.txt":
            print("notes released=%s" % hold(), flush=True)
            body = "Dremlor 2.1.0\n\n- Faster bank transfers.\n"
        else:
            self.send_error(404)
            return
        data = body.encode()
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)
        print("answered %s" % self.path, flush=True)

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
open(port_file, "w").write(str(server.server_address[1]))
server.serve_forever()
PY
python3 -u "$scratch/feed_server.py" "$release" "$scratch/port" > "$scratch/feed.log" 2>&1 &
started_pids+=($!)
for _ in $(seq 1 100); do
    [ -s "$scratch/port" ] && break
    sleep 0.05
done
[ -s "$scratch/port" ] || fail "the feed server did not start"
export DREMLOR_UPDATE_URL="http://127.0.0.1:$(cat "$scratch/port")"

# no_offer <when>: fails when "Software Update" is on the screen.
no_offer ()
{
    if xdotool search --onlyvisible --name '^Software Update$' > /dev/null 2>&1; then
        screenshot "offer-during-send-$1"
        fail "\"Software Update\" opened $1"
    fi
}

# changed_from <reference png> <x> <y> <w> <h>: waits up to 3 s until that part of
# the screen differs from the reference (a button the watchdog enables on its tick).
changed_from ()
{
    local i
    for i in $(seq 1 30); do
        import -display "$DISPLAY" -window root "$scratch/now.png"
        region_differs "$1" "$scratch/now.png" "$2" "$3" "$4" "$5" && return 0
        sleep 0.1
    done
    return 1
}

# Everything up to the send is done without idle waits: the answer must stay held
# until the send has begun, which leaves about 9 s after start-up.
startMs=$(( $(date +%s%N) / 1000000 ))
start_app update_during_send
window="$(wait_for_window "^$appTitle\$")"
sleep 0.3
read -r wx wy _ _ < <(window_geometry "$window")

# Device: the second item of the device menu is "Korrina Grand".
click_dialog 380 124
sleep 0.4
xdotool key Down Down Return
sleep 0.4
screenshot offer-before-file

# Browse, then the path typed into the chooser's file box; "Transmit" (the BEGIN
# button at 268,429, 152 x 42) is enabled on the watchdog's next tick.
click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
chooser="$(wait_for_window '^Select a file\.\.\.$' 10)" || fail "the file chooser did not open"
sleep 0.3
type_into_chooser "$chooser" "$bank"
# Return chooses the file; pressed again when the chooser was not ready for it.
for _ in 1 2 3; do
    sleep 0.3
    xdotool windowactivate --sync "$chooser" key Return 2>/dev/null || xdotool key Return
    for _ in $(seq 1 10); do
        xdotool search --onlyvisible --name '^Select a file\.\.\.$' > /dev/null 2>&1 || break 2
        sleep 0.1
    done
done
xdotool search --onlyvisible --name '^Select a file\.\.\.$' > /dev/null 2>&1 && fail "the file chooser stayed open"
changed_from "$artifacts/offer-before-file.png" $(( wx + 268 )) $(( wy + titleBar + 429 )) 152 42 \
    || fail "\"Transmit\" was not enabled"
click_dialog $(( 268 + 76 )) $(( 429 + 21 ))

# The bank box's menu, bank B, then "Send" (enabled on the watchdog's next tick).
sendDialog="$(wait_for_window '^Transmit Bank File$' 10)" || fail "the bank dialog did not open"
sleep 0.3
read -r sx sy sw sh < <(window_geometry "$sendDialog")
dialogTitleBar=$(( sh - 257 ))
screenshot offer-before-bank
xdotool mousemove $(( sx + 22 + 100 )) $(( sy + dialogTitleBar + 155 + 13 )) click 1
sleep 0.4
xdotool key Down Down Return
changed_from "$artifacts/offer-before-bank.png" $(( sx + 110 )) $(( sy + dialogTitleBar + 217 )) 78 30 \
    || fail "\"Send\" was not enabled"
xdotool mousemove $(( sx + 110 + 39 )) $(( sy + dialogTitleBar + 217 + 15 )) click 1

# The send has begun once its dialog has gone: let the answer through.
for _ in $(seq 1 20); do
    xdotool search --onlyvisible --name '^Transmit Bank File$' > /dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^Transmit Bank File$' > /dev/null 2>&1 && fail "the send did not start"
touch "$release"
echo "answer released $(( $(date +%s%N) / 1000000 - startMs )) ms after start-up"
for _ in $(seq 1 100); do
    grep -q 'answered /notes.txt' "$scratch/feed.log" && break
    sleep 0.05
done
grep -q 'notes released=True' "$scratch/feed.log" || fail "the answer went out before the send began"
sleep 1
screenshot offer-held-during-send
no_offer "during the send"

# The completion box: the offer still waits while it is open.
box=""
for _ in $(seq 1 600); do
    no_offer "during the send"
    box="$(xdotool search --onlyvisible --name '^Dremlor$' 2>/dev/null | head -1 || true)"
    [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || fail "no box after the send"
sleep 1.5
screenshot offer-held-over-completion-box
no_offer "over the completion box"
xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return

# Now it opens.
offer="$(wait_for_window '^Software Update$' 5)" || fail "no offer after the completion box was closed"
sleep 0.5
screenshot offer-after-send
xdotool search --onlyvisible --name '^Dremlor$' > /dev/null 2>&1 && fail "the completion box is still open under the offer"
xdotool windowactivate --sync "$offer" key Escape 2>/dev/null || xdotool key Escape
sleep 0.5
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the offer was declined"
echo "PASS"
