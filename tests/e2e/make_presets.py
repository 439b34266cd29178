"""Writes a .syx file of Korrina presets framed by hand, for the end-to-end runs:
each preset is PATCH_START, PATCH_DATA messages of 64 random words (three 7-bit
groups each) and PATCH_END with the words' XOR; with an expected-words path it also
writes the words as the unit stores them (16-bit, low byte first).

    python3 make_presets.py <model> <presets> <words> <first slot> <seed> <out.syx>
                            [expected words] [--unpacked]

--unpacked clears word 1 of every preset (the flag that marks it packed)."""
import random, struct, sys

args = [a for a in sys.argv[1:] if not a.startswith("--")]
model, presets, count, first, seed = (int(a) for a in args[:5])
out_path = args[5]
expected_path = args[6] if len(args) > 6 else None
random.seed(seed)

def septets(value, groups):
    return [(value >> (7 * i)) & 0x7F for i in range(groups)]

def frame(function, payload):
    body = [0xF0, 0x00, 0x6B, 0x2E, model, function] + payload
    check = 0
    for b in body:
        check ^= b
    return bytes(body + [check & 0x7F, 0xF7])

out, words_out = bytearray(), bytearray()
for preset in range(presets):
    words = [random.randrange(0x10000) for _ in range(count)]
    if "--unpacked" in sys.argv:
        words[1] = 0
    out += frame(0x77, septets(0, 1) + septets(first + preset, 1) + septets(count, 2))
    for start in range(0, count, 64):
        out += frame(0x78, septets(64, 2) + [g for w in words[start:start + 64] for g in septets(w, 3)])
    check = 0
    for w in words:
        check ^= w
    out += frame(0x79, septets(check, 3))
    words_out += struct.pack("<%dH" % count, *words)

open(out_path, "wb").write(out)
if expected_path:
    open(expected_path, "wb").write(words_out)
