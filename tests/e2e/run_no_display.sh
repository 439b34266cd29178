#!/usr/bin/env bash
# Without a display the program ends at once with one line on stderr saying why
# and a non-zero code, instead of crashing: DISPLAY unset, empty, or naming a
# server that is not there.
set -euo pipefail

app="${1:?usage: $0 <path to Dremlor> <artifact folder>}"
artifacts="${2:?usage: $0 <path to Dremlor> <artifact folder>}"
mkdir -p "$artifacts"

scratch="$(mktemp -d /tmp/dremlor-e2e.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home"
mkdir -p "$HOME"

# A display number no server listens on.
absent=$(( 500 + RANDOM % 400 ))
while [ -e "/tmp/.X11-unix/X$absent" ] || [ -e "/tmp/.X$absent-lock" ]; do
    absent=$(( absent + 1 ))
done

fail ()
{
    echo "FAIL: $*" >&2
    exit 1
}

# case name | how DISPLAY is set | what the line must say
while IFS='|' read -r name setting expected; do
    code=0
    if [ "$setting" = "unset" ]; then
        env -u DISPLAY timeout 30 "$app" > "$artifacts/no-display-$name.out" 2> "$artifacts/no-display-$name.err" || code=$?
    else
        env DISPLAY="$setting" timeout 30 "$app" > "$artifacts/no-display-$name.out" 2> "$artifacts/no-display-$name.err" || code=$?
    fi

    [ "$code" -ne 0 ] || fail "$name: the program ended with code 0"
    [ "$code" -lt 124 ] || fail "$name: the program crashed or hung (code $code)"
    [ "$(wc -l < "$artifacts/no-display-$name.err")" -eq 1 ] \
        || fail "$name: expected one line on stderr, got: $(cat "$artifacts/no-display-$name.err")"
    grep -qF "$expected" "$artifacts/no-display-$name.err" \
        || fail "$name: the line does not say '$expected': $(cat "$artifacts/no-display-$name.err")"
    [ ! -s "$artifacts/no-display-$name.out" ] || fail "$name: unexpected output on stdout"
    echo "$name: code $code, $(cat "$artifacts/no-display-$name.err")"
done <<TABLE
unset|unset|DISPLAY is not set
empty||DISPLAY is not set
unreachable|:$absent|cannot open the display ":$absent"
TABLE
echo "PASS"
