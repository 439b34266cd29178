#!/usr/bin/env python3
"""Fails when product code makes text of raw bytes anywhere but in Utf8Text.

Bytes from outside the program (a skin, the network, a device, a file, the
environment) become a juce::String only through skin/Utf8Text, which refuses or
repairs what is not well-formed UTF-8. The framework's own conversions keep a
damaged sequence as it is, and its string functions then count it one way and copy
it another, past the end of their buffer.

Flagged in devicelink/, skin/, app/ and update/ (comments and the contents of string
literals are not looked at):
  - the framework's byte-to-text calls (fromUTF8, the CharPointer_ types,
    createStringFromData, loadFileAsString, readEntireStreamAsString,
    readEntireTextStream, InputStream::readString and readNextLine, File::readLines),
    unless their argument is a string literal: the program's own text;
  - toString or toUTF8 of a MemoryBlock or MemoryOutputStream declared in the file;
  - a juce::String made of a pointer cast to char, or of getData(), data() or
    c_str();
  - a C string from outside (from getenv, argv or filled in by a curl_ call) made a
    juce::String directly, or appended to one with << or +.

Prints each offending line as path:line: text and exits 1; prints nothing and exits
0 when there is none.  Usage: tools/check_text_from_bytes.py [source root]
"""

import pathlib
import re
import sys

FOLDERS = ("devicelink", "skin", "app", "update")
GATE = {"skin/Utf8Text.h", "skin/Utf8Text.cpp"}

DECODER = re.compile(
    r"\b(?:fromUTF8|createStringFromData|CharPointer_(?:UTF8|UTF16|UTF32|ASCII)|loadFileAsString"
    r"|readEntireStreamAsString|readEntireTextStream|readString|readNextLine|readLines)\b(?!\s*\(\s*\")")

BLOCK_DECLARATION = re.compile(r"\b(?:MemoryBlock|MemoryOutputStream)\b\s*[&*]?\s*(\w+)\s*[;({=,)]")
BLOCK_AS_TEXT = r"\b{}\s*(?:\.|->)\s*(?:toString|toUTF8)\s*\("
RAW_STRING = re.compile(r"\bString\s*\(\s*(?:(?:static_cast|reinterpret_cast)\s*<\s*(?:const\s+)?char\s*\*"
                        r"|\(\s*(?:const\s+)?char\s*\*\s*\)|[^()]*\b(?:getData|data|c_str)\s*\(\s*\))")

OUTSIDE_C_STRING = re.compile(r"\b(\w+)\s*=\s*(?:std::)?(?:secure_)?getenv\s*\("
                              r"|\bcurl_\w+\s*\([^;]*?&\s*(\w+)"
                              r"|\b(argv)\b")
C_STRING_AS_TEXT = r"(?:\bString\s*\(|<<|\+)\s*{}\s*(?:[),;+]|<<|$)"

# Comments and literals, for blanking: a comment becomes spaces (its line breaks
# stay, so line numbers hold), a string or character literal an empty one.
LEXEMES = re.compile(r"//[^\n]*|/\*.*?\*/|\"(?:\\.|[^\"\\\n])*\"|'(?:\\.|[^'\\\n])*'", re.S)


def blank(match):
    text = match.group(0)

    if text.startswith('"'):
        return '""'

    if text.startswith("'"):
        return "' '"

    return re.sub(r"[^\n]", " ", text)


def offences(code):
    """Line numbers (from 1) of the lines that make text of raw bytes."""
    blocks = set(BLOCK_DECLARATION.findall(code))
    outside = {name for groups in OUTSIDE_C_STRING.findall(code) for name in groups if name}

    patterns = [DECODER, RAW_STRING]
    patterns += [re.compile(BLOCK_AS_TEXT.format(re.escape(name))) for name in sorted(blocks)]
    patterns += [re.compile(C_STRING_AS_TEXT.format(re.escape(name))) for name in sorted(outside)]

    return [number for number, line in enumerate(code.split("\n"), 1)
            if any(p.search(line) for p in patterns)]


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    found = 0

    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            relative = path.relative_to(root).as_posix()

            if path.suffix not in (".cpp", ".h") or relative in GATE:
                continue

            source = path.read_text(encoding="utf-8", errors="replace")
            lines = source.split("\n")

            for number in offences(LEXEMES.sub(blank, source)):
                print(f"{relative}:{number}: {lines[number - 1].strip()}")
                found += 1

    if found:
        print(f"{found} line(s) make text of raw bytes outside Utf8Text (skin/Utf8Text.h).")

    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
