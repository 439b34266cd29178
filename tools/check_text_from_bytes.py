#!/usr/bin/env python3
"""Fails when product code makes text of raw bytes anywhere but in Utf8Text.

Bytes from outside the program (a skin, the network, a device, a file, the
environment) become a juce::String only through text/Utf8Text, which refuses or
repairs what is not well-formed UTF-8. The framework's own conversions keep a
damaged sequence as it is (memory-safe with the project's patch, but not text the
program can show or store as it was read).

The code is read as the compiler reads it: clang-query parses every source of
text/, devicelink/, skin/, app/ and update/ with the project's own compile flags (a
compile database configured for the purpose) and matches on the syntax tree, so a
form is caught however it is spelled, named, split over lines or converted
implicitly:
  - any call of the framework (a String constructor, named or not, an assignment,
    +=, <<, +, a StringRef or Identifier made on the way, fromUTF8 ...) that takes a
    char or wchar_t pointer, or a std::string, and is handed anything but a string
    literal;
  - a CharPointer_ made of any pointer but a literal;
  - the framework's calls that read bytes as text: createStringFromData,
    loadFileAsString, readLines, the streams' readString, readNextLine and
    readEntireStreamAsString, MemoryBlock's and MemoryOutputStream's toString and
    toUTF8, URL::readEntireTextStream, and the XML and JSON parsers given a file or
    a stream.
Sources named ...Windows.cpp are parsed for Windows (MinGW-w64's headers), the
others for this machine. A source that does not parse fails the check too: what is
not parsed is not checked.

Prints each offending line as path:line: text and exits 1; prints nothing and exits
0 when there is none.  Usage: tools/check_text_from_bytes.py [source root]
(by default the project's own; the compile flags always come from the project's
configuration, in $DREMLOR_BUILD_DIR/text-check, by default build/text-check).
"""

import concurrent.futures
import glob
import json
import os
import pathlib
import re
import shlex
import subprocess
import sys

PROJECT = pathlib.Path(__file__).resolve().parent.parent
FOLDERS = ("text", "devicelink", "skin", "app", "update")
GATE = ("text/Utf8Text.h", "text/Utf8Text.cpp")

# What the framework defines only for this machine's build; a Windows parse leaves it out.
LINUX_ONLY = re.compile(r"^-D(?:LINUX|JUCE_ALSA|JUCE_JACK|JUCE_USE_CURL|JUCE_LOAD_CURL_SYMBOLS_LAZILY"
                        r"|JUCE_USE_XRANDR|JUCE_USE_XINERAMA)(?:=|$)|^-I/usr/include/|^-fPIE$|^-fPIC$")

QUERIES = r"""
set output diag
set bind-root false
let product isExpansionInFileMatching("{product}")
let gate isExpansionInFileMatching("/text/Utf8Text[.](h|cpp)$")
let literalOrChoice anyOf(stringLiteral(), conditionalOperator(hasTrueExpression(ignoringParenImpCasts(stringLiteral())), hasFalseExpression(ignoringParenImpCasts(stringLiteral()))))
let literalText ignoringParenImpCasts(anyOf(literalOrChoice, conditionalOperator(hasTrueExpression(ignoringParenImpCasts(literalOrChoice)), hasFalseExpression(ignoringParenImpCasts(literalOrChoice)))))
let literalTable initListExpr(unless(has(expr(unless(ignoringParenImpCasts(literalOrChoice))))))
let constantText varDecl(hasType(isConstQualified()), hasInitializer(literalText))
let constantTable varDecl(hasType(arrayType(hasElementType(isConstQualified()))), hasInitializer(literalTable))
let literal ignoringParenImpCasts(anyOf(literalText, declRefExpr(to(constantText)), arraySubscriptExpr(hasBase(ignoringParenImpCasts(declRefExpr(to(constantTable)))))))
let textUnit hasCanonicalType(anyOf(asString("char"), asString("const char"), asString("wchar_t"), asString("const wchar_t")))
let textPointer hasType(pointerType(pointee(textUnit)))
let textPointers hasType(pointerType(pointee(pointerType(pointee(textUnit)))))
let byteUnit hasType(hasCanonicalType(asString("char")))
let stdStringType hasUnqualifiedDesugaredType(recordType(hasDeclaration(cxxRecordDecl(hasName("::std::basic_string")))))
let stdString hasType(hasCanonicalType(references(stdStringType)))
let forwardedText anyOf(hasType(hasCanonicalType(references(pointerType(pointee(textUnit))))), hasType(hasCanonicalType(references(arrayType(hasElementType(textUnit))))), hasType(hasCanonicalType(references(stdStringType))))
let fileOrStream hasType(references(qualType(hasDeclaration(cxxRecordDecl(anyOf(hasName("::juce::File"), isSameOrDerivedFrom("::juce::InputStream")))))))
m invocation(hasDeclaration(functionDecl(matchesName("^::juce::"))), forEachArgumentWithParam(expr(product, unless(gate), unless(literal)).bind("bytes"), parmVarDecl(anyOf(textPointer, textPointers, stdString))))
m invocation(hasDeclaration(functionDecl(matchesName("^::juce::"))), forEachArgumentWithParam(expr(product, unless(gate), unless(ignoringParenImpCasts(characterLiteral()))).bind("bytes"), parmVarDecl(byteUnit)))
m invocation(hasDeclaration(functionDecl(isTemplateInstantiation(), hasAnyName("make_unique", "make_shared", "allocate_shared", "construct_at", "construct", "emplace", "emplace_back", "emplace_front", "emplace_hint", "try_emplace"))), forEachArgumentWithParam(expr(product, unless(gate), unless(literal)).bind("bytes"), parmVarDecl(forwardedText)))
m cxxConstructExpr(hasDeclaration(cxxConstructorDecl(ofClass(matchesName("^::juce::CharPointer_")))), hasArgument(0, expr(product, unless(gate), hasType(pointerType()), unless(literal)).bind("bytes")))
m callExpr(product, unless(gate), callee(functionDecl(anyOf(hasAnyName("::juce::String::createStringFromData", "::juce::File::loadFileAsString", "::juce::File::readLines", "::juce::MemoryBlock::toString", "::juce::MemoryOutputStream::toString", "::juce::MemoryOutputStream::toUTF8", "::juce::URL::readEntireTextStream", "::juce::SystemStats::getEnvironmentVariable"), cxxMethodDecl(hasAnyName("readString", "readNextLine", "readEntireStreamAsString"), ofClass(isSameOrDerivedFrom("::juce::InputStream"))))))).bind("bytes")
m invocation(product, unless(gate), hasDeclaration(functionDecl(hasAnyName("::juce::parseXML", "::juce::XmlDocument::parse", "::juce::XmlDocument::XmlDocument", "::juce::JSON::parse"), hasParameter(0, fileOrStream)))).bind("bytes")
"""

FINDING = re.compile(r'^(.+?):(\d+):\d+: note: "bytes" binds here$')
PROBLEM = re.compile(r"^(.+?):(\d+):\d+: (?:fatal )?error: (.*)$")


def compile_database():
    """The project's compile commands, configured afresh (a few seconds) so they follow the tree."""
    folder = pathlib.Path(os.environ.get("DREMLOR_BUILD_DIR", PROJECT / "build")) / "text-check"
    configure = ["cmake", "-S", str(PROJECT), "-B", str(folder), "-G", "Ninja", "-Wno-dev",
                 "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON", "-DCMAKE_C_COMPILER=clang", "-DCMAKE_CXX_COMPILER=clang++",
                 "-DDREMLOR_PRECOMPILE_HEADERS=OFF", "-DDREMLOR_BUILD_TESTS=OFF", "-DDREMLOR_BUILD_BENCHMARKS=OFF",
                 "-DDREMLOR_BUILD_FUZZERS=OFF"]
    result = subprocess.run(configure, capture_output=True, text=True)

    if result.returncode != 0:
        sys.exit("The compile flags could not be configured:\n" + result.stdout + result.stderr)

    database = {}

    for entry in json.loads((folder / "compile_commands.json").read_text()):
        words = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
        arguments, skip = [], False

        for word in words[1:]:
            if skip:
                skip = False
            elif word in ("-o", "-c"):
                skip = True
            else:
                arguments.append(word)

        database[str(pathlib.Path(entry["directory"], entry["file"]).resolve())] = arguments

    return database


def windows_arguments(arguments):
    """This machine's flags turned into a parse for Windows with MinGW-w64's headers."""
    runtime = sorted(glob.glob("/usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++"))

    if not runtime:
        sys.exit("MinGW-w64's C++ headers are missing (g++-mingw-w64-x86-64-posix): Windows sources cannot be parsed.")

    headers = runtime[-1]
    return (["--target=x86_64-w64-mingw32", "-nostdinc++", "-isystem", headers,
             "-isystem", headers + "/x86_64-w64-mingw32", "-isystem", headers + "/backward"]
            + [a for a in arguments if not LINUX_ONLY.search(a)])


def sources(root):
    """The sources to parse: every .cpp, and each header no parsed source includes."""
    files = [p for folder in FOLDERS for p in sorted((root / folder).rglob("*")) if p.suffix in (".cpp", ".h")]
    files = [p for p in files if p.relative_to(root).as_posix() not in GATE]
    cpps = [p for p in files if p.suffix == ".cpp"]

    included, pending = set(), list(cpps)

    while pending:
        text = pending.pop().read_text(encoding="utf-8", errors="replace")

        for name in re.findall(r'^\s*#\s*include\s*"([^"]+)"', text, re.M):
            header = (root / name).resolve()

            if header.is_file() and header not in included:
                included.add(header)
                pending.append(header)

    return cpps + [p for p in files if p.suffix == ".h" and p.resolve() not in included]


def arguments_for(path, root, database):
    """The file's own compile flags, or those of a source in the same subsystem."""
    key = str(path.resolve())
    folder = path.relative_to(root).parts[0]
    arguments = database.get(key)

    if arguments is None:
        for other, flags in database.items():
            if pathlib.Path(other).is_relative_to(PROJECT / folder):
                arguments = flags + ["-I" + str(root)]
                break

    if arguments is None:
        sys.exit(f"No compile flags for {folder}/ in the project's configuration.")

    if path.suffix == ".h":
        arguments = ["-x", "c++"] + arguments

    return windows_arguments(arguments) if path.stem.endswith("Windows") else arguments


def parse(path, arguments, queries):
    result = subprocess.run(["clang-query", "-f", str(queries), str(path), "--"] + arguments,
                            capture_output=True, text=True, errors="replace")
    return result.returncode, result.stdout + result.stderr


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else PROJECT).resolve()
    database = compile_database()
    # clang-query's strings take no escapes: a special character of the path is spelled as a class.
    product = "^" + re.sub(r"[^\w/ -]", lambda m: "[" + m.group(0) + "]", str(root)) + "/(" + "|".join(FOLDERS) + ")/"

    queries = pathlib.Path(os.environ.get("DREMLOR_BUILD_DIR", PROJECT / "build")) / "text-check" / "queries.txt"
    queries.write_text(QUERIES.replace("{product}", product))

    findings, problems = set(), []

    with concurrent.futures.ThreadPoolExecutor(max_workers=len(os.sched_getaffinity(0))) as pool:
        jobs = {pool.submit(parse, path, arguments_for(path, root, database), queries): path for path in sources(root)}

        for job in concurrent.futures.as_completed(jobs):
            status, output = job.result()
            errors = [line for line in output.splitlines() if PROBLEM.match(line)]

            if status != 0 or errors:
                problems.append(f"{jobs[job].relative_to(root)} does not parse:\n  " + "\n  ".join(errors or output.splitlines()[-5:]))

            for line in output.splitlines():
                match = FINDING.match(line)

                if match:
                    findings.add((pathlib.Path(match.group(1)).resolve(), int(match.group(2))))

    for problem in sorted(problems):
        print(problem)

    for path, number in sorted(findings):
        lines = path.read_text(encoding="utf-8", errors="replace").split("\n")
        print(f"{path.relative_to(root).as_posix()}:{number}: {lines[number - 1].strip()}")

    if findings:
        print(f"{len(findings)} line(s) make text of raw bytes outside Utf8Text (text/Utf8Text.h).")

    return 1 if findings or problems else 0


if __name__ == "__main__":
    sys.exit(main())
