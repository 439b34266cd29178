#!/usr/bin/env bash
# An update answer that arrives while a Korrina Grand bank is about to be sent: the
# feed server holds its answer (the feed, then the notes) back until the bank dialog
# is open, so the answer arrives while that dialog or the send it starts keeps the user
# busy. "Software Update" must not open during the send nor over its completion box;
# once the box is closed, the offer opens. Escape declines it and the program goes on.
#
# The program gives each fetch 5 s, so the answer can be held for about 9 s after
# start-up, no longer. Everything up to the bank dialog waits for the program's own
# events (a window, a menu, a button drawn usable), never for a set time, and the bank
# file is chosen with two clicks in the chooser, which opens in its folder: the dialog
# is open a few seconds after start-up also on a busy machine. When it is not open
# before the answer had to go, the run fails and says so.

export DREMLOR_VIRTUAL_MIDI=korrina-grand
source "$(dirname "$0")/e2e_common.sh"

files="$scratch/files"
mkdir -p "$files"
bank="$files/grand-bank.syx"
release="$scratch/release-answer"

# 128 Korrina Grand presets of 4096 random words.
python3 "$(dirname "$0")/make_presets.py" 6 128 4096 0 11 "$bank"

# The feed and then the notes each wait until the release file exists, at most 4.5 s
# (inside the program's 5 s limit for a text fetch). The log says whether each was
# released or had to go.
cat > "$scratch/feed_server.py" <<'PY'
import http.server, os, sys, time

release, port_file = sys.argv[1], sys.argv[2]

def hold():
    deadline = time.time() + 4.5
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
wait_until "$guardSeconds" test -s "$scratch/port" || fail "the feed server did not start"
export DREMLOR_UPDATE_URL="http://127.0.0.1:$(cat "$scratch/port")"

# no_offer <when>: fails when "Software Update" is on the screen.
no_offer ()
{
    if xdotool search --onlyvisible --name '^Software Update$' > /dev/null 2>&1; then
        screenshot "offer-during-send-$1"
        fail "\"Software Update\" opened $1"
    fi
}

# The bank's folder is where the chooser opens; the bank is its only entry.
remember_send_folder "$files"

startMs=$(( $(date +%s%N) / 1000000 ))
start_app update_during_send
find_main_window

# Device: the second item of the device menu is "Korrina Grand". Then Browse, the
# bank chosen in the chooser, and "Transmit" (BEGIN) once the file fits.
choose_device 2
wait_for_browse
click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
chooser="$(wait_for_window '^Select a file\.\.\.$')" || fail "the file chooser did not open"
choose_in_chooser "$chooser" 1
wait_for_begin
click_dialog $(( 268 + 76 )) $(( 429 + 21 ))

# The bank dialog keeps the user busy from now until the send it starts has ended:
# let the answer through.
sendDialog="$(wait_for_window '^Transmit Bank File$')" || fail "the bank dialog did not open"
touch "$release"
echo "answer released $(( $(date +%s%N) / 1000000 - startMs )) ms after start-up"
wait_until "$guardSeconds" grep -q 'answered /notes.txt' "$scratch/feed.log" || fail "the notes were never fetched"
grep -q 'notes released=True' "$scratch/feed.log" \
    || fail "the answer had to go before the bank dialog was open (the program gives each fetch 5 s): $(tr '\n' ' ' < "$scratch/feed.log")"

# The bank box's menu, bank B, then "Send" once it is drawn usable.
read -r sx sy sw sh < <(window_geometry "$sendDialog")
dialogTitleBar=$(( sh - 257 ))
wait_until "$guardSeconds" painted_text $(( sx + 22 )) $(( sy + dialogTitleBar + 20 )) 300 60 \
    || fail "the bank dialog was not painted"
no_offer "over the bank dialog"
xdotool mousemove $(( sx + 22 + 100 )) $(( sy + dialogTitleBar + 155 + 13 )) click 1
choose_menu_item 2
wait_until "$guardSeconds" dark_at_least 500 $(( sx + 110 )) $(( sy + dialogTitleBar + 217 )) 78 30 \
    || fail "\"Send\" was not enabled"
xdotool mousemove $(( sx + 110 + 39 )) $(( sy + dialogTitleBar + 217 + 15 )) click 1
wait_until_gone "$sendDialog" || fail "the send did not start"
screenshot offer-held-during-send
no_offer "during the send"

# The completion box: the offer still waits while it is open. The offer is looked for
# all through the send, and for a second once the box is painted (a waiting offer asks
# again every 250 ms).
box_or_offer ()
{
    no_offer "during the send"
    visible_window '^Dremlor$' > /dev/null
}
wait_until 300 box_or_offer || fail "no box after the send"
box="$(visible_window '^Dremlor$')"
wait_until "$guardSeconds" box_painted "$box" || fail "the completion box was not painted"
boxShownMs=$(( $(date +%s%N) / 1000000 ))
sleep 1
screenshot offer-held-over-completion-box
no_offer "over the completion box"
echo "completion box checked $(( $(date +%s%N) / 1000000 - boxShownMs )) ms after it was painted"
xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return

# Now it opens.
offer="$(wait_for_window '^Software Update$')" || fail "no offer after the completion box was closed"
if window_shown "$box"; then
    screenshot offer-over-completion-box
    fail "the completion box is still open under the offer"
fi
wait_until "$guardSeconds" offer_painted "$offer" || fail "the offer was not painted"
screenshot offer-after-send
xdotool windowactivate --sync "$offer" key Escape 2>/dev/null || xdotool key Escape
wait_until_gone "$offer" || fail "Escape did not decline the offer"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the offer was declined"
echo "PASS"
