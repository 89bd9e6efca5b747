#!/usr/bin/env python3
"""Writes names.txt, the names the window tests type into both text boxes,
one UTF-8 name per line after a mark: "+" for a name both jobs must pass to
vok.exe exactly, "-" for one both jobs must refuse.

Run once and commit the output; rerun after changing this script:
  python3 tests/window/make_names.py tests/fuzz/corpus
Inputs from libFuzzer corpus folders (first byte the job, the rest the name)
are added too, so that names the fuzzer found interesting are also run
through the real cmd.exe. Names with control characters (line breaks among
them) are not listed here, so that the file stays text; the jobs' own tests
refuse those.
"""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
COMMAND_WIDTH = 14  # "vok.exe c" padded
MAX_LINE = 8191
SUFFIX = ".vok"

SPECIALS = [" ", "%", "%%", "!", "^", "&", "|", "<", ">", "(", ")", ",", ";", "=",
            "\\", "\\\\", "/", "-", "@", ":", "'", "`", "~", "#", "$", "[", "]", "{", "}",
            "+", ".", "*", "?", "\u00e9", "\u00a0"]
# Alone, inside a plain name, and at the end of a quoted one before a
# trailing backslash (which quoting must double).
TEMPLATES = ["{s}", "a{s}b", "a b{s}\\"]

HANDPICKED = [
    # blanks
    "   ", " a", "a ", "a  b", " both ends ",
    # percent signs and expansions
    "%PATH%", "%%PATH%%", "%~dp0", "%1", "%*", "100%done", "a%b%c", "%%%", "50% off",
    "%USERNAME% & %TEMP%",
    # delayed expansion stays off
    "!x!", "!PATH!", "a!b!c", "!%PATH%!",
    # carets and operators
    "a^", "^a", "a^ b", "^&", "^%PATH^%", "x & del /q *", "a&&b", "a||b", ">>", "2>&1",
    "a>nul", "<nul", "a|more", "x&calc&", "|&<>^",
    # brackets and cmd's delimiters
    "(x)", ")x(", "(a b)", "a,b;c=d", "=a", ",a", ";a", "= =",
    # backslashes
    "a\\", "a\\\\", "a b\\", "a b\\\\\\", "\\a b", "a\\ b", "c:\\x y\\", "c:\\",
    "c:\\x y\\\\z\\", "\\\\server\\share", "\\\\server\\my share\\", "\\\\?\\c:\\x y",
    # names that look like switches or other commands
    "/?", "-x", "--help", "/c calc", "-o out", "@echo off", ":label", "rem x", "goto :eof",
    "cmd /c calc", "exit", "con", "nul", "..", "a.", "save.vok",
    # characters code pages 437 and 1252 both hold
    "caf\u00e9", "na\u00efve", "M\u00fcller", "a\u00f1o", "\u00a35", "\u00bd & \u00bc",
    "\u00c7a", "stra\u00dfe", "\u00b5s", "\u00b1 1", "20\u00b0", "x\u00b2", "\u00ac",
    "\u00f1%", "\u00a0", "\u00bfqu\u00e9?", "\u00c5ngstr\u00f6m dir\\", "\u00ff",
    "\u00e9%PATH%\u00e9", "\u00d1and\u00fa data", "\u00e5r \u00bd",
    # long names
    "a" * 255, "a b" * 100, ("%" * 100) + " & " + ("^" * 100), "\\" * 300,
    "x" * 1000 + " " + "\\" * 10,
    # at the length limit: the longest lines cmd.exe reads whole
    "a" * (MAX_LINE - COMMAND_WIDTH - len(SUFFIX)),           # unpack line 8191
    "a b" + "%" * 4084,                                        # unpack line 8191
    "%" * 4085 + "ab",                                         # unpack line 8190
    "a b" + "\\" * 4086,                                       # pack line 8191
]

REFUSED = [
    '"', 'a"b', 'say "hi"', '"a b"', 'a\\"', '"&calc"', 'a b\\"',
    "\u20ac5", "\u65e5\u672c", "a\uff02 & calc", "\U0001f600", "\u015dipo", "\u2122",
    "\u00a6", "\u201cquoted\u201d",
    # in code page 437 but not 1252: an ANSI vok.exe would get a look-alike
    "\u03b1", "\u03a3 data", "x \u2502 y", "\u221e", "\u2500\u2502\u253c", "\u2248",
    "\u2591\u2592\u2593",
    "a" * (MAX_LINE - COMMAND_WIDTH + 1),  # pack line 8192
    "a" * 20000,
    "a b" + "%" * 4087,                    # short, but its %% make the line 8193
]


def is_refused(name):
    """Whether the product must refuse `name` for both jobs (short names only)."""
    if '"' in name or any(ord(c) < 0x20 or ord(c) == 0x7F for c in name):
        return True
    # The console's code page (437) holds the script; an ANSI vok.exe gets the
    # name in the system's (1252) with best fit, so both must hold it.
    try:
        name.encode("cp437")
        name.encode("cp1252")
    except UnicodeEncodeError:
        return True
    return False


def fuzz_inputs(folders):
    """Short, printable names from libFuzzer corpus folders, in a stable order."""
    names = set()
    for folder in folders:
        for path in pathlib.Path(folder).iterdir():
            try:
                name = path.read_bytes()[1:].decode("utf-8")
            except UnicodeDecodeError:
                continue
            # Control characters are listed by hand: keep the files readable text.
            if 0 < len(name) <= 40 and not any(ord(c) < 0x20 or ord(c) == 0x7F for c in name):
                names.add(name)
    return sorted(names)


def spread(names, count):
    """About `count` names picked evenly through the sorted list."""
    return names[::max(1, len(names) // count)][:count]


def unique(names):
    seen = set()
    return [n for n in names if not (n in seen or seen.add(n))]


def main():
    generated = [t.format(s=s) for s in SPECIALS for t in TEMPLATES]
    from_fuzzer = fuzz_inputs(sys.argv[1:])
    accepted = unique(generated + HANDPICKED +
                      spread([n for n in from_fuzzer if not is_refused(n)], 20))
    refused = unique(REFUSED + spread([n for n in from_fuzzer if is_refused(n)], 10))
    for name in accepted:
        assert name and not is_refused(name), repr(name)
    assert not set(accepted) & set(refused)
    lines = ["+" + n for n in accepted] + ["-" + n for n in refused]
    (HERE / "names.txt").write_text("".join(n + "\n" for n in lines), encoding="utf-8")
    print(f"{len(accepted)} accepted names, {len(refused)} refused names")


if __name__ == "__main__":
    main()
