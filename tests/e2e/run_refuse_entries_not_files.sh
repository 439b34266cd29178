#!/usr/bin/env bash
# With the emulated Korrina: entries of a preset folder that look like ".syx" files
# but are not regular files (a link to /dev/zero, a link to /dev/urandom, a named
# pipe with no writer, a sparse file of 8 GiB) are chosen in turn through Browse. Each is refused with a
# message box, and once the box is closed Browse opens the chooser again: the
# program neither reads a device for ever nor waits on the pipe. It ends cleanly,
# with no sanitizer report in the sanitizer build.
source "$(dirname "$0")/e2e_common.sh"

# A single-instance socket of its own, so that this run may go beside others.
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

files="$scratch/files"
mkdir -p "$files"
ln -s /dev/zero "$files/zero.syx"
ln -s /dev/urandom "$files/random.syx"
mkfifo "$files/pipe.syx"
truncate -s 8G "$files/huge.syx"

start_app refuse_entries
find_main_window

# alive: fails the run when the program has ended.
alive ()
{
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended ($1): $(tail -20 "$artifacts/app-refuse_entries.log")"
}

# Device box, then "Korrina": Browse is usable from then on.
click_dialog $(( 280 + 100 )) $(( 111 + 13 ))
sleep 0.8
xdotool key Down Return

# open_chooser: presses Browse (at 268,289, 152 x 42) until the chooser opens; prints its id.
open_chooser ()
{
    local attempt id
    for attempt in 1 2 3 4 5; do
        click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
        if id="$(wait_for_window '^Select a file\.\.\.$' 10)"; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# close_with_key <window id> <key>: presses the key until the window has gone (a key
# pressed before the window takes the focus is lost); false after 30 s.
close_with_key ()
{
    local deadline=$(( SECONDS + 30 ))
    while xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        xdotool key "$2"
        sleep 0.3
    done
}

for entry in zero random pipe huge; do
    chooser="$(open_chooser)" || fail "Browse did not open the chooser before $entry.syx"
    sleep 1
    # A whole path first takes the chooser to its folder; a second Return opens.
    type_into_chooser "$chooser" "$files/$entry.syx"
    sleep 0.5
    xdotool key Return

    box="$(wait_for_window '^Dremlor$' 60)" || { alive "$entry.syx"; fail "no message box for $entry.syx"; }
    alive "$entry.syx"
    sleep 0.5
    screenshot "refuse-$entry"
    read -r bx by bw bh < <(window_geometry "$box")
    [ "$(dark_pixels "$artifacts/refuse-$entry.png" "$bx" "$by" "$bw" "$bh")" -gt 100 ] || fail "the box for $entry.syx shows no text"
    close_with_key "$box" Return || fail "the box for $entry.syx did not close"
done

# Browse answers after the last refusal too; the chooser is then cancelled.
chooser="$(open_chooser)" || fail "Browse did not open the chooser after the refusals"
alive "the last chooser"
close_with_key "$chooser" Escape || fail "the chooser did not close"

# The close button at the right end of the title bar ends the program.
xdotool mousemove $(( wx + 780 )) $(( wy + 14 )) click 1
for _ in $(seq 1 300); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program still runs 30 s after its window was closed"

status=0
wait "$app_pid" || status=$?
log="$artifacts/app-refuse_entries.log"
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(head -20 "$log")"
grep -qE "Sanitizer|runtime error" "$log" && fail "a sanitizer reported: $(head -20 "$log")"
echo "PASS"
