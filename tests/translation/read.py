#!/usr/bin/python3
"""What the readers of translation files read, for tests/translation-judge.sh.

  read.py kinds        < NUL-separated paths: prints "KIND<TAB>PATH" for each
                         one that is a translation file: xliff (*.xlf,
                         *.xliff), qt (*.ts whose root is TS), android
                         (strings*.xml or values*/*.xml whose root is
                         resources)
  read.py compare      < lines "KIND<TAB>INPUT<TAB>OUTPUT": has each reader of
                         KIND read both and prints, tab-separated, one line
                         per verdict:
                           judged  INPUT READER UNITS
                           unread  INPUT READER WHY      (the input: not judged)
                           finding INPUT MESSAGE

The readers, each dumping every unit as it gives it, to the character:
  translate-toolkit  Translate Toolkit's store for the format (xliff.xlifffile,
                     aresource.AndroidResourceFile, ts2.tsfile): id, context,
                     source and target (their text, every plural form, and the
                     rich form with its placeholders), notes, locations, state
  angular            @angular/localize's XLIFF 1.2 and 2.0 parsers
                     (angular.mjs): locale, id, text, message parts,
                     placeholder names, errors and warnings
  lconvert           Qt's lconvert writing the .ts it read anew, as Qt writes
                     it: the header and every message, as Qt writes it
A reader that reads no unit of the input (or fails on it) cannot read it:
that is counted, not judged. Units are paired by id in their order; a
finding names the reader, the unit and the field, with both values.
"""

import contextlib
import difflib
import io
import json
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SHOWN = 400  # characters of a value a finding shows


def root_name(path):
    """The name of the root element, found by looking, not parsing: a file
    that is no well-formed XML still goes to quillen, which is to refuse it."""
    try:
        with open(path, "rb") as f:
            head = f.read(65536).decode("utf-8", "replace")
    except OSError:
        return None
    head = re.sub(r"<\?.*?\?>|<!--.*?-->", "", head, flags=re.S)
    head = re.sub(r"<!DOCTYPE[^\[>]*(\[.*?\])?\s*>", "", head, flags=re.S)
    m = re.search(r"<([A-Za-z_][\w.:-]*)", head)
    return m.group(1).split(":")[-1] if m else None


def kind_of(path):
    name = os.path.basename(path)
    stem, dot, ext = name.rpartition(".")
    if not dot or stem.endswith("_for"):
        return None
    ext = ext.lower()
    if ext in ("xlf", "xliff"):
        return "xliff"
    if ext == "ts":
        return "qt" if root_name(path) == "TS" else None
    if ext == "xml" and (
        name.startswith("strings")
        or os.path.basename(os.path.dirname(os.path.abspath(path))).startswith("values")
    ):
        return "android" if root_name(path) == "resources" else None
    return None


# The Translate Toolkit ----------------------------------------------------


def rich(tree):
    """A rich string with its placeholders written out, so that one that
    moves, goes or changes shows."""
    from translate.storage.placeables import StringElem

    if isinstance(tree, str):
        return tree
    inner = "".join(rich(s) for s in getattr(tree, "sub", []))
    if type(tree) is StringElem:
        return inner
    attrs = "".join(
        f' {a}="{getattr(tree, a)}"' for a in ("id", "rid", "xid") if getattr(tree, a, None) is not None
    )
    return f"<{type(tree).__name__}{attrs}>{inner}</{type(tree).__name__}>"


def strings(value):
    if value is None:
        return None
    return list(value.strings) if hasattr(value, "strings") else str(value)


def toolkit_units(kind, path):
    from translate.storage import aresource, ts2, xliff

    store_class = {
        "xliff": xliff.xlifffile,
        "android": aresource.AndroidResourceFile,
        "qt": ts2.tsfile,
    }[kind]
    with open(path, "rb") as f:
        store = store_class.parsefile(f)
    units = []
    for unit in store.units:
        if kind == "xliff" and unit.isheader():
            continue
        fields = {}
        for field, get in (
            ("source", lambda u: strings(u.source)),
            ("target", lambda u: strings(u.target)),
            ("rich source", lambda u: [rich(t) for t in u.rich_source]),
            ("rich target", lambda u: [rich(t) for t in u.rich_target]),
            ("context", lambda u: u.getcontext()),
            ("notes", lambda u: u.getnotes()),
            ("locations", lambda u: u.getlocations()),
            ("fuzzy", lambda u: u.isfuzzy()),
            ("obsolete", lambda u: u.isobsolete()),
            ("translatable", lambda u: u.istranslatable()),
        ):
            try:
                fields[field] = get(unit)
            except Exception as e:  # the reader's own failure is what it gives
                fields[field] = f"(fails: {type(e).__name__}: {e})"
        units.append((str(unit.getid()), fields))
    header = {}
    if kind != "android":
        header = {"source language": store.getsourcelanguage(), "target language": store.gettargetlanguage()}
    return header, units


def toolkit(kind, path):
    # Some of its stores print as they read: that is no part of the dump.
    with contextlib.redirect_stdout(io.StringIO()):
        return toolkit_units(kind, path)


# Angular ------------------------------------------------------------------


def angular_all(paths):
    """Runs angular.mjs once for all files: its start is most of its time."""
    if not paths:
        return {}
    run = subprocess.run(
        ["node", os.path.join(HERE, "angular.mjs"), *paths], capture_output=True, text=True, timeout=1800
    )
    if run.returncode != 0:
        sys.exit(f"read.py: angular.mjs failed: {run.stderr.strip()[:600]}")
    read = {}
    for line in run.stdout.splitlines():
        record = json.loads(line)
        read[record["file"]] = record
    return read


def angular(record):
    if not record.get("readable"):
        raise ValueError(record.get("reason", "not readable"))
    header = {"parser": record["parser"], "locale": record["locale"], "diagnostics": record["diagnostics"]}
    units = [(u["id"], {k: v for k, v in u.items() if k != "id"}) for u in record["units"]]
    return header, units


# Qt's lconvert ------------------------------------------------------------


def lconvert_command():
    found = shutil.which("lconvert")
    for path in (found, "/usr/lib/qt6/bin/lconvert", "/usr/lib/qt5/bin/lconvert"):
        if path and os.access(path, os.X_OK):
            return path
    return None


def lconvert(path):
    run = subprocess.run(
        [lconvert_command(), "-i", path, "-of", "ts", "-o", "-"], capture_output=True, timeout=300
    )
    if run.returncode != 0:
        raise ValueError(run.stderr.decode("utf-8", "replace").strip()[:300])
    text = run.stdout.decode("utf-8", "replace")
    start = text.find("<context>")
    header = {"header": text[:start] if start >= 0 else text}
    units = []
    for context in re.finditer(r"<context>(.*?)</context>", text, flags=re.S):
        m = re.search(r"<name>(.*?)</name>", context.group(1), flags=re.S)
        name = m.group(1) if m else ""
        for n, message in enumerate(re.finditer(r"<message\b.*?</message>", context.group(1), flags=re.S), 1):
            source = re.search(r"<source>(.*?)</source>", message.group(0), flags=re.S)
            units.append((f"{name} #{n}", {"source": source.group(1) if source else None, "as Qt writes it": message.group(0)}))
    return header, units


# Comparing ----------------------------------------------------------------

READERS = {
    "xliff": ["translate-toolkit", "angular"],
    "android": ["translate-toolkit"],
    "qt": ["translate-toolkit", "lconvert"],
}


def shown(value):
    text = json.dumps(value, ensure_ascii=False)
    return text if len(text) <= SHOWN else text[:SHOWN] + "..."


def differences(before, after):
    """Messages for each difference of AFTER's dump from BEFORE's."""
    header_in, units_in = before
    header_out, units_out = after
    found = []
    for field in sorted(set(header_in) | set(header_out)):
        if header_in.get(field) != header_out.get(field):
            found.append(f"the file's {field}: input {shown(header_in.get(field))}, output {shown(header_out.get(field))}")
    ids_in = [i for i, _ in units_in]
    ids_out = [i for i, _ in units_out]
    matcher = difflib.SequenceMatcher(None, ids_in, ids_out, autojunk=False)
    for op, i1, i2, j1, j2 in matcher.get_opcodes():
        if op == "equal":
            for (uid, a), (_, b) in zip(units_in[i1:i2], units_out[j1:j2]):
                for field in a:
                    if a[field] != b.get(field):
                        found.append(f"unit {shown(uid)}: {field}: input {shown(a[field])}, output {shown(b.get(field))}")
            continue
        for uid, a in units_in[i1:i2]:
            found.append(f"unit {shown(uid)} is gone: {shown(a)}")
        for uid, b in units_out[j1:j2]:
            found.append(f"unit {shown(uid)} is new: {shown(b)}")
    return found


def compare(lines):
    pairs = [line.rstrip("\n").split("\t") for line in lines if line.strip()]
    xliffs = [p for kind, i, o in pairs if kind == "xliff" for p in (i, o)]
    angular_read = angular_all(xliffs) if shutil.which("node") else {}
    for kind, source, output in pairs:
        for reader in READERS[kind]:

            def read(path, reader=reader, kind=kind):
                if reader == "translate-toolkit":
                    return toolkit(kind, path)
                if reader == "angular":
                    return angular(angular_read[path])
                return lconvert(path)

            try:
                before = read(source)
                if not before[1]:
                    raise ValueError("no units")
            except Exception as e:
                print("unread", source, reader, f"{type(e).__name__}: {e}"[:300].replace("\n", " "), sep="\t")
                continue
            try:
                after = read(output)
            except Exception as e:
                print("finding", source, f"{reader} reads the input but not the output: {e}"[:600].replace("\n", " "), sep="\t")
                continue
            print("judged", source, reader, len(before[1]), sep="\t")
            for message in differences(before, after):
                print("finding", source, f"{reader}: {message}".replace("\n", "\\n"), sep="\t")
        sys.stdout.flush()


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in ("kinds", "compare"):
        sys.exit(__doc__)
    if sys.argv[1] == "kinds":
        for path in sys.stdin.buffer.read().decode("utf-8", "surrogateescape").split("\0"):
            if path and kind_of(path):
                print(kind_of(path), path, sep="\t")
    else:
        compare(sys.stdin.readlines())


if __name__ == "__main__":
    main()
