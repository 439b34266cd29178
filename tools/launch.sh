#!/usr/bin/env bash
# Starts the built program:  tools/launch.sh <path to Dremlor> [arguments]
# On a machine without a MIDI system (no ALSA sequencer device) it has no ports to
# offer, so the program is started with emulated units instead, and says so. A
# DREMLOR_VIRTUAL_MIDI set by the caller is always kept, even an empty one.
# DREMLOR_ALSA_SEQUENCER names the sequencer device to look for (default
# /dev/snd/seq).
set -euo pipefail

app="${1:?usage: $0 <path to Dremlor> [arguments]}"
shift

sequencer="${DREMLOR_ALSA_SEQUENCER:-/dev/snd/seq}"
defaultUnits="korrina-grand,stompra-neo"

if [ -z "${DREMLOR_VIRTUAL_MIDI+set}" ] && ! { [ -e "$sequencer" ] && [ -r "$sequencer" ] && [ -w "$sequencer" ]; }; then
    export DREMLOR_VIRTUAL_MIDI="$defaultUnits"
    echo "No MIDI system found ($sequencer is missing): starting with the virtual units $defaultUnits; set DREMLOR_VIRTUAL_MIDI to choose others (e.g. DREMLOR_VIRTUAL_MIDI=korrina bash tools/run.sh)."
fi

exec "$app" "$@"
