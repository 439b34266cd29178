#!/usr/bin/env bash
# With the emulated Korrina: entries of a preset folder that look like ".syx" files
# but are not regular files (a link to /dev/zero, a link to /dev/urandom, a named
# pipe with no writer, a sparse file of 8 GiB) are chosen in turn through Browse.
# Each is refused with a message box, and once the box is closed Browse opens the
# chooser again: the program neither reads a device for ever nor waits on the pipe.
# It ends cleanly, with no sanitizer report in the sanitizer build.
source "$(dirname "$0")/e2e_common.sh"

# A single-instance socket of its own, so that this run may go beside others.
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The chooser lists them by name: huge, pipe, random, zero.
files="$scratch/files"
mkdir -p "$files"
truncate -s 8G "$files/huge.syx"
mkfifo "$files/pipe.syx"
ln -s /dev/urandom "$files/random.syx"
ln -s /dev/zero "$files/zero.syx"
remember_send_folder "$files"

log="$artifacts/app-refuse_entries.log"
start_app refuse_entries
find_main_window

# alive <what>: fails the run when the program has ended.
alive ()
{
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended ($1): $(tail -20 "$log")"
}

# open_chooser: Browse (268,289, 152 x 42); prints the chooser's id once it is painted.
open_chooser ()
{
    local chooser
    click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
    chooser="$(wait_for_window '^Select a file\.\.\.$')" || return 1
    wait_until "$guardSeconds" chooser_painted "$chooser" || return 1
    echo "$chooser"
}

choose_device 1
wait_for_browse

row=4
for entry in zero random pipe huge; do
    chooser="$(open_chooser)" || { alive "before $entry.syx"; fail "Browse did not open the chooser before $entry.syx"; }
    choose_in_chooser "$chooser" "$row"
    box="$(wait_for_box)" || { alive "$entry.syx"; fail "no message box for $entry.syx"; }
    alive "$entry.syx"
    screenshot "refuse-$entry"
    xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
    wait_until_gone "$box" || fail "the box for $entry.syx did not close"
    row=$(( row - 1 ))
done

# Browse answers after the last refusal too; the chooser is then cancelled.
chooser="$(open_chooser)" || { alive "the last chooser"; fail "Browse did not open the chooser after the refusals"; }
xdotool windowactivate --sync "$chooser" key Escape 2>/dev/null || xdotool key Escape
wait_until_gone "$chooser" || fail "the chooser did not close"

# The close button at the right end of the title bar ends the program.
xdotool mousemove $(( wx + 780 )) $(( wy + 14 )) click 1
wait_until "$guardSeconds" eval '! kill -0 "$app_pid" 2>/dev/null' || fail "the program still runs after its window was closed"

status=0
wait "$app_pid" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(head -20 "$log")"
grep -qE "Sanitizer|runtime error" "$log" && fail "a sanitizer reported: $(head -20 "$log")"
echo "PASS"
