#!/usr/bin/env bash
# Prints, for every test that failed in the given ctest logs (Testing/Temporary/
# LastTest*.log), its name and the end of its output, GoogleTest's frame lines left
# out:  tools/failed-tests.sh <log>...
# The test command prints this last, where a reader of a long run looks first; ctest's
# own report of a failure is buried among the other tests' lines.
set -uo pipefail

lines="${DREMLOR_FAILED_TEST_LINES:-15}"

for log in "$@"; do
    [ -f "$log" ] || continue
    awk -v keep="$lines" '
        /^[0-9]+\/[0-9]+ Test: / { name = $3; count = 0; inOutput = 0; next }
        /^Output:$/              { inOutput = 1; getline; next }
        /^<end of output>$/      { inOutput = 0; next }
        # GoogleTest'"'"'s frame lines say nothing of the failure itself.
        inOutput && (/^$/ || /^\[(==|--|  PASSED|  FAILED  \] [0-9]+ tests?,| RUN)/ || /^ *[0-9]+ FAILED TESTS?$/ \
                     || /^Running main\(\)/ || /^Note: Google Test filter/) { next }
        inOutput                 { tail[count++ % keep] = $0; next }
        /^Test Failed/ {
            print "== " name " failed; the end of its output:"
            for (i = (count > keep ? count - keep : 0); i < count; ++i)
                print "   " tail[i % keep]
        }' "$log"
done
