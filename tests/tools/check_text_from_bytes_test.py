#!/usr/bin/env python3
"""Runs tools/check_text_from_bytes.py on the fixture tree beside this file: it must
report exactly the lines marked "// flagged" (each way of making text of raw bytes)
and pass every other line (literals, the program's constants, Utf8Text calls)."""

import pathlib
import re
import subprocess
import sys

here = pathlib.Path(__file__).resolve().parent
fixture = here / "text_from_bytes"
check = here.parent.parent / "tools" / "check_text_from_bytes.py"

expected = {f"{path.relative_to(fixture).as_posix()}:{number}"
            for path in sorted(fixture.rglob("*.cpp"))
            for number, line in enumerate(path.read_text().split("\n"), 1) if line.rstrip().endswith("// flagged")}

result = subprocess.run([sys.executable, str(check), str(fixture)], capture_output=True, text=True)
reported = set(re.findall(r"^(\S+:\d+): ", result.stdout, re.M))

missed, wrong = sorted(expected - reported), sorted(reported - expected)

for line in missed:
    print(f"not flagged: {line}")

for line in wrong:
    print(f"flagged wrongly: {line}")

if result.returncode != 1 or missed or wrong or "does not parse" in result.stdout:
    print(result.stdout + result.stderr)
    sys.exit(1)

print(f"The text-from-bytes check flags the {len(expected)} marked lines of its fixture and passes the rest.")
