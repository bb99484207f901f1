#!/usr/bin/python3
"""Writes src/vocabularies.inc: the element tables of the vocabularies whose
readers show white space that data XML would not, one function each below,
derived from the vocabulary's own schema as a Debian or npm package ships
it, or, for the formats that ship none, listed from the format's own published
specification and kept short.

    scripts/vocabularies.py [OUTPUT]     (default: src/vocabularies.inc)

Runs with Debian's python3, whose python3-lxml reads the DTDs and schemas
and python3-odf knows the OpenDocument schema; scripts/setup.sh tables
installs them, the schemas and npm's html-styles, and `make tables` runs
this. Every table is a sorted array of QualifiedName (namespace, local
name); an empty namespace matches any of the vocabulary's.
"""

import glob
import json
import os
import re
import sys

from lxml import etree
import odf.grammar

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
XHTML_DTD_DIR = "/usr/share/xml/w3c-sgml-lib/schema/dtd/REC-xhtml1-20020801"
XHTML_DTDS = ("xhtml1-strict.dtd", "xhtml1-transitional.dtd", "xhtml1-frameset.dtd")
XHTML_ENTITIES = ("inline", "misc.inline")
HTML_STYLES = os.path.join(ROOT, ".deps/npm/node_modules/html-styles/index.json")
ODF_NAMESPACE = "urn:oasis:names:tc:opendocument:xmlns:"
DOCBOOK4_DTDS = "/usr/share/xml/docbook/schema/dtd/4.*/docbookx.dtd"
DOCBOOK5_RNG = "/usr/share/xml/docbook/schema/rng/5.0/docbook.rng"
DITA_DTDS = "/usr/share/dita-ot/dtd/*/dtd/*.dtd"
FOP_XSD = "/usr/share/fop/fop.xsd"
MALLARD_RNG = "/usr/share/xml/mallard/1.0/mallard-1.0.rng"
RNG = "{http://relaxng.org/ns/structure/1.0}"
XS = "{http://www.w3.org/2001/XMLSchema}"


def parameter_entities(text):
    """Each parameter entity that TEXT declares with a literal value."""
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    return {m.group(1): m.group(2) for m in re.finditer(r'<!ENTITY\s+%\s+([\w.]+)\s+"([^"]*)"\s*>', text)}


def expand(value, entities):
    while "%" in value:
        value = re.sub(r"%([\w.]+);", lambda m: entities[m.group(1)], value)
    return value


def html_displays():
    """{display: tag names} of the rendering rules of HTML as npm's
    html-styles gives them (the W3C recommendation's user agent style
    sheet): rules whose selectors are plain tag names only."""
    with open(HTML_STYLES, encoding="utf-8") as f:
        rules = json.load(f)
    displays = {}
    for rule in rules:
        display = rule.get("style", {}).get("display")
        if display is None:
            continue
        for selector in rule["selectorText"].split(","):
            selector = selector.strip()
            if re.fullmatch(r"[a-z][a-z0-9]*", selector):
                displays.setdefault(display, set()).add(selector)
    return displays


def xhtml_tables():
    """The XHTML elements that a browser does not put in the line, and
    those it does not display; every other element is in the line.
    - Hidden: the tag names whose display is none in HTML's rendering rules
      (title, script, style, head, area, source, track, rp, ...).
    - Not in the line: every element of the XHTML 1.0 DTDs (w3c-sgml-lib)
      that is not in their %inline; or %misc.inline; (blocks, lists, list
      items, tables, forms' options, frames), and every tag name that the
      rendering rules display otherwise than in the line (block,
      list-item, table parts); and four that the rendering rules of the
      HTML living standard add (details, summary, search, dialog), and br,
      next to which a browser drops white space. Left in the line:
      noscript, whose content a browser with scripts off shows there."""
    declared, inline = set(), set()
    for dtd in XHTML_DTDS:
        with open(f"{XHTML_DTD_DIR}/{dtd}", encoding="utf-8") as f:
            text = f.read()
        entities = parameter_entities(text)
        declared |= set(re.findall(r"<!ELEMENT\s+([\w.]+)", re.sub(r"<!--.*?-->", "", text, flags=re.S)))
        for entity in XHTML_ENTITIES:
            inline |= {n.strip() for n in expand(entities[entity], entities).split("|")}
    displays = html_displays()
    hidden = displays.pop("none")
    in_line = {"inline", "contents"} | {d for d in displays if d.startswith(("inline", "ruby"))}
    rendered_apart = set().union(*(names for d, names in displays.items() if d not in in_line))
    blocks = (((declared - inline) | rendered_apart | {"details", "summary", "search", "dialog", "br"})
              - hidden - {"noscript"})
    return blocks, hidden


def odf_text():
    return {(uri, name) for uri, name in odf.grammar.allows_text if uri.startswith(ODF_NAMESPACE)}


def dtd_mixed(paths):
    """The elements whose content model is mixed in any of the DTDs. A DTD
    that libxml2 cannot read is named and left out (two of dita-ot's
    learning maps, whose elements are those of the other maps and of the
    learning map domain, which holds no text)."""
    names = set()
    for path in paths:
        try:
            dtd = etree.DTD(path)
        except etree.DTDParseError as error:
            print(f"vocabularies: {path} left out: {error}", file=sys.stderr)
            continue
        names |= {e.name for e in dtd.elements() if e.type == "mixed"}
    return names


def rng_text(path):
    """The elements of a RELAX NG schema whose content may hold text (<text/>,
    <mixed>, <data>, <value> among their children, attributes and nested
    elements aside)."""
    grammar = etree.parse(path).getroot()
    defines = {}
    for define in grammar.iter(RNG + "define"):
        defines.setdefault(define.get("name"), []).append(define)

    def allows_text(pattern, seen):
        for child in pattern:
            tag = child.tag
            if tag in (RNG + "text", RNG + "mixed", RNG + "data", RNG + "value"):
                return True
            if tag in (RNG + "element", RNG + "attribute") or not isinstance(tag, str):
                continue  # a nested element's content, or an attribute's value
            if tag == RNG + "ref":
                name = child.get("name")
                if name not in seen:
                    seen.add(name)
                    if any(allows_text(d, seen) for d in defines.get(name, [])):
                        return True
            elif allows_text(child, seen):
                return True
        return False

    names = set()
    for element in grammar.iter(RNG + "element"):
        name = element.get("name")
        if name is not None and name not in names and allows_text(element, set()):
            names.add(name)
    return names, {e.get("name") for e in grammar.iter(RNG + "element") if e.get("name")}


def docbook4_text():
    """DocBook 4: the elements whose content model is mixed, in every XML DTD
    of docbook-xml (4.0 to 4.5)."""
    return dtd_mixed(sorted(glob.glob(DOCBOOK4_DTDS)))


def docbook5_text():
    """DocBook 5: the elements whose pattern in docbook5-xml's RELAX NG schema
    allows text, and the synopses: every element the schema names
    *synopsis (cmdsynopsis, classsynopsis, methodsynopsis, ...). The DocBook
    stylesheets render a synopsis into one line or a <pre>, its groups,
    fragments, classes and parameters (which allow no text) included, so
    that white space anywhere in it shows."""
    text, every = rng_text(DOCBOOK5_RNG)
    return text | {name for name in every if name.endswith("synopsis")}


def dita_text():
    """DITA: the elements whose content model is mixed, in dita-ot's DTDs."""
    return dtd_mixed(sorted(glob.glob(DITA_DTDS)))


def fo_tables():
    """XSL-FO: the elements of the mixed-content types of the fop.xsd schema
    that Debian's fop installs (block, inline, basic-link, wrapper, leader,
    ...). Of them, block is indented all the same when every child is a
    block, a block container, a table or a list: FOP lays those out block by
    block."""
    schema = etree.parse(FOP_XSD).getroot()
    text = set()
    for element in schema.iter(XS + "element"):
        kind = element.find(XS + "complexType")
        if element.get("name") and kind is not None and kind.get("mixed") == "true":
            text.add(element.get("name"))
    return text, {"block"}, {"block", "block-container", "table", "table-and-caption", "list-block"}


def mallard_text():
    """Mallard: the elements that mallard-1.0.rng (Debian's mallard-rng)
    allows text in (p, title, desc, code, screen, link, gui, key, ...)."""
    return rng_text(MALLARD_RNG)[0]


def xliff_text():
    """XLIFF 1.2 and 2.x, which no Debian package ships a schema of: the
    elements that hold a translatable text and the inline codes inside one,
    as the OASIS specifications of XLIFF 1.2 (source, target, seg-source,
    note, and g, x, bx, ex, bpt, ept, ph, it, mrk, sub) and 2.0/2.1
    (source, target, note, and cp, ph, pc, sc, ec, mrk, sm, em, and data)
    name them."""
    return {"source", "target", "seg-source", "note", "g", "x", "bx", "ex", "bpt", "ept", "ph", "it", "mrk",
            "sub", "cp", "pc", "sc", "ec", "sm", "em", "data"}


def xaml_text():
    """XAML, which ships no schema: the text containers and inline elements
    of the WPF, WinUI, Avalonia and MAUI documentation, in whose inline
    collections white space between elements is a space (and the property
    elements *.Inlines, by suffix, in the code)."""
    return {"TextBlock", "RichTextBlock", "Paragraph", "Span", "Bold", "Italic", "Underline", "Hyperlink",
            "Run", "LineBreak", "InlineUIContainer", "SelectableTextBlock"}


def android_text():
    """Android string resources (root resources): string, and item of
    plurals and string arrays, as Android's documentation of string
    resources names them; their white space is the string's."""
    return {"string", "item"}


def qt_text():
    """Qt Linguist's .ts files (root TS): the fields of a message, as Qt's
    ts.dtd declares them with #PCDATA (source, translation, numerusform,
    comments, the context's name)."""
    return {"name", "source", "oldsource", "translation", "numerusform", "lengthvariant", "comment",
            "oldcomment", "extracomment", "translatorcomment"}


def write_table(f, comment, variable, names):
    """NAMES: local names, or (namespace, local name) pairs."""
    f.write(f"\n// {comment}\n")
    f.write("// NOLINTNEXTLINE(modernize-avoid-c-arrays): as many as the rows\n"
            f"constexpr QualifiedName {variable}[] = {{\n")
    for name in sorted(n if isinstance(n, tuple) else ("", n) for n in names):
        f.write(f'    {{"{name[0]}", "{name[1]}"}},\n')
    f.write("};\n")


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "src/vocabularies.inc")
    for needed in (DOCBOOK5_RNG, FOP_XSD, MALLARD_RNG, HTML_STYLES):
        if not os.path.exists(needed):
            raise SystemExit(f"vocabularies: {needed} is missing: run scripts/setup.sh tables")
    if not glob.glob(DOCBOOK4_DTDS) or not glob.glob(DITA_DTDS):
        raise SystemExit("vocabularies: a schema is missing: run scripts/setup.sh tables")
    blocks, hidden = xhtml_tables()
    fo_text, fo_containers, fo_blocks = fo_tables()
    tables = [
        ("XHTML: the elements a browser does not put in the line (the XHTML 1.0 DTDs\n"
         "// beyond %inline;, and HTML's rendering rules).", "xhtmlBlocks", blocks),
        ("XHTML: the elements a browser does not display (HTML's rendering rules).", "xhtmlHidden", hidden),
        ("OpenDocument: the elements that its schema allows text in (python3-odf's\n"
         "// odf.grammar.allows_text), by namespace and local name.", "odfText", odf_text()),
        ("DocBook 4: the elements whose content model is mixed, in docbook-xml's DTDs.", "docbook4Text",
         docbook4_text()),
        ("DocBook 5: the elements whose pattern in docbook5-xml's RELAX NG schema\n"
         "// allows text, and the synopses.", "docbook5Text", docbook5_text()),
        ("DITA: the elements whose content model is mixed, in dita-ot's DTDs.", "ditaText", dita_text()),
        ("XSL-FO: the elements of fop.xsd's mixed-content types.", "foText", fo_text),
        ("XSL-FO: the blocks indented when they hold only blocks.", "foContainers", fo_containers),
        ("XSL-FO: the children that make a block of blocks.", "foBlocks", fo_blocks),
        ("Mallard: the elements that mallard-1.0.rng allows text in.", "mallardText", mallard_text()),
        ("XLIFF: texts and their inline codes (the XLIFF 1.2 and 2.x specifications).", "xliffText",
         xliff_text()),
        ("XAML: text containers and inlines (the XAML frameworks' documentation).", "xamlText", xaml_text()),
        ("Android string resources: the strings (Android's documentation).", "androidText", android_text()),
        ("Qt Linguist: the fields of a message (Qt's ts.dtd).", "qtText", qt_text()),
    ]
    with open(output, "w") as f:
        f.write("// Generated by scripts/vocabularies.py from each vocabulary's schema; do not\n"
                "// edit. Every table sorted, as QualifiedName compares.\n")
        for comment, variable, names in tables:
            write_table(f, comment, variable, names)
    print("vocabularies: " + ", ".join(f"{len(names)} {variable}" for _, variable, names in tables),
          file=sys.stderr)


if __name__ == "__main__":
    main()
