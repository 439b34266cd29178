#!/usr/bin/env bash
# Runs a command on a private virtual X server:  tools/xvfb-session.sh <command> [args...]
# Xvfb has no window manager, so the window-manager atoms that JUCE looks up but does not
# create are missing and the first window fails with BadAtom. They are created here first;
# -noreset keeps them after that short-lived client disconnects.
set -euo pipefail

exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
    for atom in WM_PROTOCOLS WM_TAKE_FOCUS WM_DELETE_WINDOW _NET_WM_PING WM_CHANGE_STATE \
                WM_STATE _NET_WM_WINDOW_TYPE _NET_WM_STATE _NET_WM_STATE_HIDDEN; do
        xprop -root -f "$atom" 32c -set "$atom" 0
    done
    exec "$@"' bash "$@"
