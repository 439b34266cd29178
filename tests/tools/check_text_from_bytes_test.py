#!/usr/bin/env python3
"""tools/check_text_from_bytes.py on the fixture beside this file must report exactly
the lines marked "// flagged" and pass every other one."""

import pathlib, re, subprocess, sys

here = pathlib.Path(__file__).resolve().parent
fixture = here / "text_from_bytes"
expected = {f"{p.relative_to(fixture).as_posix()}:{n}" for p in fixture.rglob("*.cpp")
            for n, line in enumerate(p.read_text().split("\n"), 1) if line.rstrip().endswith("// flagged")}

result = subprocess.run([sys.executable, str(here.parents[1] / "tools" / "check_text_from_bytes.py"), str(fixture)],
                        capture_output=True, text=True)
reported = set(re.findall(r"^(\S+:\d+): ", result.stdout, re.M))

if result.returncode != 1 or reported != expected or "does not parse" in result.stdout:
    print(result.stdout + result.stderr)
    sys.exit(f"not flagged: {sorted(expected - reported)}; flagged wrongly: {sorted(reported - expected)}")

print(f"The text-from-bytes check flags the {len(expected)} marked lines of its fixture and passes the rest.")
