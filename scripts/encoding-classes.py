#!/usr/bin/env python3
"""Writes src/encodings.inc: the class of every encoding name that glibc's
iconv, ICU or the WHATWG Encoding Standard (the labels browsers read) know,
derived from the bytes each converter reads and writes, not from a list
kept by hand.

    scripts/encoding-classes.py LABELS_JSON [OUTPUT]   (default: src/encodings.inc)

LABELS_JSON is the WHATWG label table as npm's whatwg-encoding package ships
it (lib/labels-to-names.json); scripts/setup.sh tables installs it and the
rest of what this script needs, and `make tables` runs it.

tinyxml2 takes every byte below 0x80 for its ASCII character and passes the
others through. For each name:

- refused: the characters < & ] a are not written as, or not read from,
  their ASCII bytes (UTF-16, UTF-32, EBCDIC, most ISO 646 national
  variants, UTF-7, HZ); or a character beyond ASCII is written with a byte
  that tinyxml2 or quillen's scans take for markup or a line end (ISO-2022-*,
  JOHAB);
- double-byte: characters beyond ASCII are written as a lead byte of 0x80 or
  above and a second byte that may be '[' or ']', over which quillen's own
  scans and tinyxml2's name scan step. The family says which bytes may
  follow a lead byte (src/encoding.cpp), and is told by the bytes written:
  "shiftJis" when the lead bytes are among 0x81 to 0x9F and 0xE0 to 0xFC
  (0xA1 to 0xDF being characters of their own); else among 0x81 to 0xFE,
  "gb18030" when a second byte is a digit (its characters of four bytes),
  "gbk" when one is among 0x80 to 0xA0, and "big5" otherwise. Every second
  byte written must lie in its family's ranges;
- utf8: every character written as UTF-8 writes it (UTF-8 and its other
  names): the only encoding in which tinyxml2 writes what a character
  reference means, and in which CR followed by C2 85 is XML 1.1's CR NEL;
- asciiNel: the byte 0x85 is NEL, U+0085, both ways (ISO-8859-*, and the
  others that the converters map so): there CR followed by 0x85 is XML
  1.1's CR NEL;
- ascii: every other name that one of them knows.

A WHATWG label has the class of the encoding a browser reads it as
("gb2312" is GBK there, "x-x-big5" is Big5), classed by glibc or ICU under
that encoding's name. A name that no source knows is not in the table, and
quillen refuses it: it cannot be checked.

Only a character that reads back as itself counts: glibc writes some
characters with the byte of another one (IBM856 writes U+25D9 as a line
feed, which reads back as a line feed), and a document holds what its bytes
read as. A name that several sources know is classed by each, and the
stricter class wins. Names are stored as quillen compares them
(src/encoding.cpp, normalisedName).

Needs Python 3, glibc and ICU's common library (libicu); run it again when
one of them changes."""

import ctypes
import ctypes.util
import glob
import json
import re
import sys

MARKUP = "<&]a"
# Bytes below 0x80 that tinyxml2 or quillen's scans read as markup or a line
# end, wherever they stand ('#' and ';' only after '&', whose references
# are kept in such an encoding; a space only where it cannot stand inside a
# character); '[' and ']' only quillen's own scans, which step over the
# second byte of a double-byte character.
SIGNIFICANT = set(b"\n\r!\"&'-/<=>?")
BRACKETS = set(b"[]")
# Every character beyond ASCII in the Basic Multilingual Plane, and a few
# beyond it.
SAMPLE = [chr(c) for c in range(0x80, 0xFFFE) if not 0xD800 <= c <= 0xDFFF] + ["\U0001F600", "\U00020000"]
SHIFT_JIS_LEADS = set(range(0x81, 0xA0)) | set(range(0xE0, 0xFD))
# The bytes that may follow a lead byte in each family, as src/encoding.cpp
# has them.
SECOND_BYTES = {
    "shiftJis": set(range(0x40, 0x7F)) | set(range(0x80, 0xFD)),
    "big5": set(range(0x40, 0x7F)) | set(range(0xA1, 0xFF)),
    "gbk": set(range(0x40, 0x7F)) | set(range(0x80, 0xFF)),
    "gb18030": set(range(0x30, 0x3A)) | set(range(0x40, 0x7F)) | set(range(0x80, 0xFF)),
}
# Where two sources class a name differently, the class that keeps more as
# written or refuses more wins: ascii keeps every reference that utf8 would
# decode, asciiNel refuses a CR NEL that ascii passes, and among the
# double-byte families the one that allows fewer second bytes.
STRICTNESS = {"utf8": 0, "ascii": 1, "asciiNel": 2, "gb18030": 3, "gbk": 4, "big5": 5, "shiftJis": 5,
              "refused": 6}


def normalised(name):
    """The name as quillen compares it (src/encoding.cpp, normalisedName)."""
    upper = "".join(c.upper() for c in name if c not in "-_.: ")
    if len(name) > 2 and name[1] in "-_" and upper.startswith("X"):
        upper = upper[1:]
    m = re.search(r"[0-9]", upper)
    if m:
        first = m.start()
        while first < len(upper) and upper[first] == "0":
            first += 1
        if first > m.start() and first < len(upper) and upper[first].isdigit():
            upper = upper[:m.start()] + upper[first:]
    return upper


class Glibc:
    """glibc's iconv, in process."""
    tool = "iconv"

    def __init__(self):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.libc.iconv.restype = ctypes.c_size_t
        pointer = ctypes.POINTER(ctypes.c_char_p)
        size = ctypes.POINTER(ctypes.c_size_t)
        self.libc.iconv.argtypes = [ctypes.c_void_p, pointer, size, pointer, size]
        self.libc.iconv_close.argtypes = [ctypes.c_void_p]

    def names(self):
        # The names of glibc's modules and aliases, as iconv -l lists them.
        import subprocess
        out = subprocess.run(["iconv", "-l"], capture_output=True, text=True, check=True).stdout
        return [n.rstrip("/") for n in out.split() if n.rstrip("/")]

    def _open(self, to, frm):
        cd = self.libc.iconv_open(to.encode(), frm.encode())
        return None if cd in (None, ctypes.c_void_p(-1).value, 2**64 - 1) else cd

    def _convert(self, cd, data, partial=False):
        inbuf = ctypes.c_char_p(data)
        inleft = ctypes.c_size_t(len(data))
        out = ctypes.create_string_buffer(len(data) * 8 + 32)
        outp = ctypes.c_char_p(ctypes.addressof(out))
        outleft = ctypes.c_size_t(len(out))
        failed = self.libc.iconv(cd, ctypes.byref(inbuf), ctypes.byref(inleft), ctypes.byref(outp),
                                 ctypes.byref(outleft)) == 2**64 - 1
        self.libc.iconv(cd, None, None, ctypes.byref(outp), ctypes.byref(outleft))
        self.libc.iconv(cd, None, None, None, None)
        return None if failed and not partial else out.raw[:len(out) - outleft.value]

    def converter(self, name):
        to = self._open(name, "UTF-8")
        back = self._open("UTF-8", name)
        skipping = self._open(name + "//IGNORE", "UTF-8")
        if not (to and back and skipping):
            return None
        return (lambda text: self._convert(to, text.encode()),
                lambda data: (self._convert(back, data) or b"").decode("utf-8", "replace"),
                lambda text: self._convert(skipping, text.encode(), partial=True) or b"")


class Icu:
    """ICU's converters, in process."""
    tool = "icu"

    def __init__(self):
        path = sorted(glob.glob("/usr/lib/*/libicuuc.so.[0-9]*") + glob.glob("/usr/lib/libicuuc.so.[0-9]*"))[0]
        self.lib = ctypes.CDLL(path)
        self.suffix = "_" + re.search(r"\.so\.(\d+)", path).group(1)
        self.error = ctypes.c_int

    def f(self, name):
        return getattr(self.lib, name + self.suffix)

    def names(self):
        count = self.f("ucnv_countAvailable")()
        get = self.f("ucnv_getAvailableName")
        get.restype = ctypes.c_char_p
        aliases = self.f("ucnv_countAliases")
        alias = self.f("ucnv_getAlias")
        alias.restype = ctypes.c_char_p
        result = []
        for i in range(count):
            name = get(i)
            err = self.error(0)
            n = aliases(name, ctypes.byref(err))
            result.append(name.decode())
            for k in range(n):
                err = self.error(0)
                a = alias(name, k, ctypes.byref(err))
                if a:
                    result.append(a.decode())
        return result

    def converter(self, name):
        err = self.error(0)
        open_ = self.f("ucnv_open")
        open_.restype = ctypes.c_void_p
        cnv = open_(name.encode(), ctypes.byref(err))
        if not cnv or err.value > 0:
            return None
        stop = self.f("UCNV_FROM_U_CALLBACK_STOP")
        skip = self.f("UCNV_FROM_U_CALLBACK_SKIP")
        set_from = self.f("ucnv_setFromUCallBack")
        set_from.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p,
                             ctypes.c_void_p]
        set_to = self.f("ucnv_setToUCallBack")
        set_to.argtypes = set_from.argtypes
        set_to(cnv, ctypes.cast(self.f("UCNV_TO_U_CALLBACK_STOP"), ctypes.c_void_p), None, None, None,
               ctypes.byref(err))
        from_u = self.f("ucnv_fromUChars")
        from_u.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int32, ctypes.c_void_p, ctypes.c_int32,
                           ctypes.c_void_p]
        to_u = self.f("ucnv_toUChars")
        to_u.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int32, ctypes.c_char_p, ctypes.c_int32,
                         ctypes.c_void_p]
        reset = self.f("ucnv_reset")
        reset.argtypes = [ctypes.c_void_p]

        def write(text, callback):
            set_from(cnv, ctypes.cast(callback, ctypes.c_void_p), None, None, None, ctypes.byref(self.error(0)))
            units = text.encode("utf-16-le")
            src = ctypes.create_string_buffer(units, len(units))
            out = ctypes.create_string_buffer(len(units) * 4 + 32)
            e = self.error(0)
            reset(cnv)
            n = from_u(cnv, out, len(out), src, len(units) // 2, ctypes.byref(e))
            return None if e.value > 0 else out.raw[:n]

        def read(data):
            out = ctypes.create_string_buffer(len(data) * 4 + 32)
            e = self.error(0)
            reset(cnv)
            n = to_u(cnv, out, len(out) // 2, data, len(data), ctypes.byref(e))
            return "" if e.value > 0 else out.raw[:n * 2].decode("utf-16-le", "replace")

        return (lambda text: write(text, stop), read, lambda text: write(text, skip) or b"")


def classify(backend, name):
    converter = backend.converter(name)
    if converter is None:
        return None
    write, read, write_skipping = converter
    if write(MARKUP) != MARKUP.encode() or read(MARKUP.encode()) != MARKUP:
        return "refused"
    # Only characters written with bytes below 0x80 are looked at one by
    # one, and only those that read back as themselves count.
    if not {b for b in write_skipping("".join(SAMPLE)) if b < 0x80}:
        return ascii_based(write, read)
    low = set()
    leads = set()
    seconds = set()
    for c in SAMPLE:
        data = write(c)
        if not data or read(data) != c:
            continue
        if len(data) >= 2 and data[0] >= 0x80:
            seconds.add(data[1])
        if all(b >= 0x80 for b in data):
            continue
        # A character that starts with a byte below 0x80 is a letter and a
        # combining mark (Windows-1258, TCVN), or a shift sequence.
        shift = len(data) >= 2 and data[0] < 0x80 and not (chr(data[0]).isalpha() and min(data[1:]) >= 0x80)
        if shift or any(b in SIGNIFICANT for b in data):
            return "refused"
        if len(data) >= 2:
            low |= {b for b in data if b < 0x80}
            leads.add(data[0])
    # A byte below 0x80 that is a character of its own (ISO 646 national
    # letters) is no markup.
    if not low & BRACKETS:
        return ascii_based(write, read)
    if leads <= SHIFT_JIS_LEADS:
        family = "shiftJis"
    elif min(leads) >= 0x81 and max(leads) <= 0xFE:
        family = "gb18030" if min(seconds) < 0x40 else "gbk" if seconds & set(range(0x80, 0xA1)) else "big5"
    else:
        raise SystemExit(f"encodings: {backend.tool}:{name}: lead bytes {sorted(leads)} are neither Shift_JIS's "
                         "nor among 0x81 to 0xFE")
    outside = seconds - SECOND_BYTES[family]
    if outside:
        raise SystemExit(f"encodings: {backend.tool}:{name}: second bytes {sorted(outside)} outside the "
                         f"{family} family's")
    return family


def ascii_based(write, read):
    """The class of an encoding in which every byte below 0x80 is its ASCII
    character."""
    sample = "".join(SAMPLE)
    if write(sample) == sample.encode("utf-8"):
        return "utf8"
    if write("\x85") == b"\x85" and read(b"\x85") == "\x85":
        return "asciiNel"
    return "ascii"


# The encodings of the WHATWG table by the names glibc knows them under,
# where those differ; x-user-defined (the bytes 0x80 to 0xFF as private-use
# characters) is ASCII-based and known to neither.
WHATWG_CONVERTERS = {"Big5": "BIG5-HKSCS", "Shift_JIS": "CP932", "macintosh": "MACINTOSH"}
WHATWG_ASCII = {"x-user-defined"}


class Whatwg:
    """The WHATWG label table: each label with the class of its encoding."""
    tool = "whatwg"

    def __init__(self, path, backends):
        with open(path) as f:
            self.labels = json.load(f)
        self.backends = backends
        self.classes = {}

    def names(self):
        return list(self.labels)

    def classify(self, label):
        encoding = self.labels[label]
        if encoding in WHATWG_ASCII:
            return "ascii"
        if encoding not in self.classes:
            found = (classify(b, WHATWG_CONVERTERS.get(encoding, encoding)) for b in self.backends)
            self.classes[encoding] = next((cls for cls in found if cls is not None), None)
        if self.classes[encoding] is None:
            raise SystemExit(f"encodings: whatwg:{label}: neither iconv nor ICU knows {encoding}")
        return self.classes[encoding]


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    output = sys.argv[2] if len(sys.argv) > 2 else "src/encodings.inc"
    backends = (Glibc(), Icu())
    whatwg = Whatwg(sys.argv[1], backends)
    classes = {}
    sources = {}
    for backend in (*backends, whatwg):
        for name in backend.names():
            cls = whatwg.classify(name) if backend is whatwg else classify(backend, name)
            if cls is None:
                continue
            key = normalised(name)
            sources.setdefault(key, set()).add(f"{backend.tool}:{name}={cls}")
            if key not in classes or STRICTNESS[cls] > STRICTNESS[classes[key]]:
                classes[key] = cls
    for key, seen in sorted(sources.items()):
        if len({s.split("=")[-1] for s in seen}) > 1:
            print(f"encodings: {key}: {', '.join(sorted(seen))}; taken as {classes[key]}", file=sys.stderr)
    with open(output, "w") as f:
        f.write("// Generated by scripts/encoding-classes.py from the names that glibc's iconv,\n"
                "// ICU and the WHATWG Encoding Standard know and the bytes each reads and\n"
                "// writes; do not edit. A name as normalisedName gives it, and its class;\n"
                "// a name that is not here is known to none of them.\n")
        for key, cls in sorted(classes.items()):
            f.write(f'{{"{key}", EncodingClass::{cls}}},\n')
    counts = ", ".join(f"{sum(1 for v in classes.values() if v == c)} {c}" for c in STRICTNESS)
    print(f"encodings: {len(classes)} names: {counts}", file=sys.stderr)


if __name__ == "__main__":
    main()
