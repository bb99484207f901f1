#!/usr/bin/env python3
"""A model of what a XAML reader makes of a document's text: no XAML reader
runs here, so this applies XAML's documented white-space rules, as WPF, UWP,
WinUI, Avalonia, MAUI and Xamarin.Forms share them, to the document as
Python's XML parser reads it (comments and processing instructions dropped,
the text around them one text).

    model.py FILE             the lines "PATH<TAB>TEXT" of FILE
    model.py --compare IN OUT the containers whose text differs, one a line;
                              exit 0 same, 1 different, 2 IN unreadable,
                              3 OUT unreadable

The rules modelled:
  - text: a line feed between two East Asian characters is removed; line
    feeds and tabs become spaces; a run of spaces becomes one; the space
    right after an element's start tag and right before its end tag is
    removed;
  - white-space significant collections, the inlines of TextBlock,
    SelectableTextBlock, Paragraph, Span, Bold, Italic, Underline,
    Hyperlink and of a *.Inlines property element (WPF/UWP/WinUI and
    Avalonia namespaces): white space between two inlines (Run, Span,
    LineBreak, InlineUIContainer, any other element) reads as one space,
    and none next to LineBreak (TrimSurroundingWhitespace); a LineBreak
    reads as a line feed, an InlineUIContainer or another element as U+FFFC,
    its own text judged as a container of its own;
  - elsewhere (panels, grids, controls, MAUI's and Xamarin's FormattedString)
    white space between elements is ignored, and each other text, such as
    <Button>Click me</Button> or <TextBox.Text>, is one string by the text
    rules;
  - xml:space="preserve" keeps an element's text and white space as it is;
  - attribute values (Run Text="...", Content="...") are read as the XML
    parser gives them, which XAML leaves alone.
Not modelled: type converters, markup extensions, CDATA (read as text) and
what a control then draws.

TEXT is JSON: a string for a container of inlines or a string property, a
list of strings for other element content. PATH is /Local[n]/... with the
local names and the position among same-named siblings; /@name for an
attribute.
"""

import json
import re
import sys
import xml.etree.ElementTree as ET

XML_SPACE = "{http://www.w3.org/XML/1998/namespace}space"
# The vocabularies whose InlineCollection is white-space significant.
INLINE_NAMESPACES = {
    "http://schemas.microsoft.com/winfx/2006/xaml/presentation",
    "https://github.com/avaloniaui",
}
CONTAINERS = {"TextBlock", "SelectableTextBlock", "Paragraph", "Span", "Bold", "Italic", "Underline",
              "Hyperlink"}
KNOWN_PREFIXES = {
    "http://schemas.microsoft.com/winfx/2006/xaml": "x:",
    "http://www.w3.org/XML/1998/namespace": "xml:",
}
EAST_ASIAN = re.compile(r"[\u1100-\u11ff\u2e80-\u9fff\ua960-\ua97f\uac00-\ud7ff\uf900-\ufaff"
                        r"\ufe30-\ufe4f\uff00-\uffef\U00020000-\U0003ffff]")


def split(tag):
    if tag.startswith("{"):
        ns, local = tag[1:].split("}", 1)
        return ns, local
    return "", tag


def is_container(element):
    ns, local = split(element.tag)
    if ns not in INLINE_NAMESPACES and ns != "":
        return False
    return local in CONTAINERS or (local.endswith(".Inlines") and "." in local)


def is_property(element):
    return "." in split(element.tag)[1]


def normalise(text):
    """The text rules but the trimming at the tags."""
    out = []
    for i, c in enumerate(text):
        if c == "\n":
            before = text[:i].rstrip(" \t\n")[-1:]
            after = text[i + 1:].lstrip(" \t\n")[:1]
            if before and after and EAST_ASIAN.match(before) and EAST_ASIAN.match(after):
                continue
        out.append(" " if c in "\t\n" else c)
    return re.sub(" {2,}", " ", "".join(out))


def string(text, preserve):
    return text if preserve else normalise(text).strip(" ")


class Model:
    def __init__(self):
        self.lines = []

    def visit(self, element, path, preserve):
        preserve = {"preserve": True, "default": False}.get(element.get(XML_SPACE), preserve)
        for name in sorted(element.attrib):
            ns, local = split(name)
            prefix = KNOWN_PREFIXES.get(ns, f"{{{ns}}}" if ns else "")
            self.lines.append((f"{path}/@{prefix}{local}", json.dumps(element.attrib[name], ensure_ascii=False)))
        if is_container(element):
            self.lines.append((path, json.dumps(self.inlines(element, path, preserve), ensure_ascii=False)))
            return
        children = list(element)
        texts = [element.text or ""] + [c.tail or "" for c in children]
        if not children:
            # No text and white space only read alike: an empty string.
            text = string(element.text or "", preserve)
            if text:
                self.lines.append((path, json.dumps(text, ensure_ascii=False)))
        else:
            items = [string(t, preserve) for t in texts]
            items = [t for t in items if t]
            if items:
                self.lines.append((path, json.dumps(items, ensure_ascii=False)))
        for child, child_path in self.paths(element, path):
            self.visit(child, child_path, preserve)

    @staticmethod
    def paths(element, path):
        seen = {}
        for child in element:
            ns, local = split(child.tag)
            prefix = KNOWN_PREFIXES.get(ns, "")
            seen[child.tag] = seen.get(child.tag, 0) + 1
            yield child, f"{path}/{prefix}{local}[{seen[child.tag]}]"

    def inlines(self, element, path, preserve):
        """The text of a white-space significant collection. Property
        elements are not in the collection: they are set aside, the text
        around them one text, and judged as elements of their own."""
        parts = []  # ("text", str) or ("inline", str, trims)
        pending = element.text or ""
        for child, child_path in self.paths(element, path):
            child_preserve = {"preserve": True, "default": False}.get(child.get(XML_SPACE), preserve)
            if is_property(child) and not is_container(child):
                self.visit(child, child_path, preserve)
                pending += child.tail or ""
                continue
            parts.append(("text", pending))
            pending = child.tail or ""
            ns, local = split(child.tag)
            for name in sorted(child.attrib):
                if name != "Text":
                    self.lines.append((f"{child_path}/@{name}", json.dumps(child.attrib[name], ensure_ascii=False)))
            if local == "LineBreak":
                parts.append(("inline", "\n", True))
            elif local == "Run":
                parts.append(("inline", self.run(child, child_path, child_preserve), False))
            elif is_container(child):
                parts.append(("inline", self.inlines(child, child_path, child_preserve), False))
            else:
                parts.append(("inline", "\ufffc", False))
                for grandchild, grandchild_path in self.paths(child, child_path):
                    self.visit(grandchild, grandchild_path, child_preserve)
                if child.text and child.text.strip(" \t\n"):
                    self.lines.append((child_path, json.dumps(string(child.text, child_preserve),
                                                              ensure_ascii=False)))
        parts.append(("text", pending))
        if preserve:
            return "".join(p[1] for p in parts)
        out = []
        for i, part in enumerate(parts):
            if part[0] == "inline":
                out.append(part[1])
                continue
            text = normalise(part[1])
            if i == 0 or parts[i - 1][2]:
                text = text.lstrip(" ")
            if i == len(parts) - 1 or parts[i + 1][2]:
                text = text.rstrip(" ")
            out.append(text)
        return "".join(out)

    def run(self, run, path, preserve):
        """A Run's text: its Text attribute, its Run.Text property element or
        its content, a string."""
        if "Text" in run.attrib:
            return run.attrib["Text"]
        text = run.text or ""
        for child in run:
            if split(child.tag)[1] == "Run.Text":
                child_preserve = {"preserve": True, "default": False}.get(child.get(XML_SPACE), preserve)
                return string(child.text or "", child_preserve)
            text += child.tail or ""
        return string(text, preserve)


def model(path):
    """The lines of the document at PATH, or None when it does not read."""
    try:
        root = ET.parse(path).getroot()
    except (ET.ParseError, OSError, ValueError):
        return None
    m = Model()
    ns, local = split(root.tag)
    m.visit(root, f"/{KNOWN_PREFIXES.get(ns, '')}{local}", False)
    return [f"{p}\t{t}" for p, t in m.lines]


def main(argv):
    if len(argv) == 2:
        lines = model(argv[1])
        if lines is None:
            print(f"model: {argv[1]} does not read as XML", file=sys.stderr)
            return 2
        sys.stdout.write("".join(line + "\n" for line in lines))
        return 0
    if len(argv) == 4 and argv[1] == "--compare":
        before, after = model(argv[2]), model(argv[3])
        if before is None:
            return 2
        if after is None:
            print("the output does not read as XML")
            return 3
        if "\n".join(before).encode() == "\n".join(after).encode():
            return 0
        old = dict(line.split("\t", 1) for line in before)
        new = dict(line.split("\t", 1) for line in after)
        for path in list(old) + [p for p in new if p not in old]:
            if old.get(path) != new.get(path):
                print(f"{path}: input {old.get(path, '(none)')}, output {new.get(path, '(none)')}")
        if list(old) != list(new) and all(old.get(p) == new.get(p) for p in set(old) | set(new)):
            print("the same texts in another order")
        return 1
    print(__doc__.split("\n\n")[1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.setrecursionlimit(100000)
    try:
        sys.exit(main(sys.argv))
    except RecursionError:
        # A document nested too deep for the model: not one it can judge.
        print("model: nested too deep", file=sys.stderr)
        sys.exit(4)
