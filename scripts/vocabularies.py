#!/usr/bin/python3
"""Writes src/vocabularies.inc: the element tables of the vocabularies whose
readers show white space that data XML would not, each derived from the
vocabulary's own schema as a Debian package ships it, not kept by hand.

    scripts/vocabularies.py [OUTPUT]     (default: src/vocabularies.inc)

Runs with Debian's python3, whose python3-lxml reads the DTDs and python3-odf
knows the OpenDocument schema; scripts/setup.sh tables installs them and
the schemas, and `make tables` runs this.

- xhtmlInline: the XHTML elements that a browser renders inline, between
  and inside which a line end shows as a space. From the XHTML 1.0 DTDs of
  w3c-sgml-lib: the parameter entity %inline; of the strict, transitional
  and frameset DTDs, with everything it names (%special;, %fontstyle;,
  %phrase;, %inline.forms;), and %misc.inline; (ins, del), all expanded.
  Left out are two that show nothing of their own between neighbours:
  script, never rendered, and br, the line break, next to which a browser
  drops white space. Added are HTML's phrasing elements that render and
  that the XHTML 1.0 DTDs predate (HTML_PHRASING below), and noscript,
  whose content a browser with scripts off shows inline.
- odfMixed: the OpenDocument elements that its schema allows text in, from
  python3-odf's odf.grammar.allows_text, in the OpenDocument namespaces
  (urn:oasis:names:tc:opendocument:xmlns:...).
- docbook4Mixed: the DocBook 4 elements whose content model is mixed
  (#PCDATA among their children), from every XML DTD of docbook-xml.
- docbook5Mixed: the DocBook 5 elements whose pattern in the RELAX NG
  schema of docbook5-xml allows text (<text/>, <mixed>, <data>, <value>)
  among their children, attributes and nested elements aside.
- ditaMixed: the DITA elements whose content model is mixed, from every
  DTD that dita-ot ships.
"""

import glob
import os
import re
import sys

from lxml import etree
import odf.grammar

XHTML_DTD_DIR = "/usr/share/xml/w3c-sgml-lib/schema/dtd/REC-xhtml1-20020801"
XHTML_DTDS = ("xhtml1-strict.dtd", "xhtml1-transitional.dtd", "xhtml1-frameset.dtd")
XHTML_ENTITIES = ("inline", "misc.inline")
NOT_BETWEEN = {"script", "br"}
HTML_PHRASING = {"audio", "bdi", "canvas", "data", "embed", "mark", "meter", "noscript", "output", "picture",
                 "progress", "ruby", "time", "video", "wbr"}
ODF_NAMESPACE = "urn:oasis:names:tc:opendocument:xmlns:"
DOCBOOK4_DTDS = "/usr/share/xml/docbook/schema/dtd/4.*/docbookx.dtd"
DOCBOOK5_RNG = "/usr/share/xml/docbook/schema/rng/5.0/docbook.rng"
DITA_DTDS = "/usr/share/dita-ot/dtd/*/dtd/*.dtd"
RNG = "{http://relaxng.org/ns/structure/1.0}"


def parameter_entities(text):
    """Each parameter entity that TEXT declares with a literal value."""
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    return {m.group(1): m.group(2) for m in re.finditer(r'<!ENTITY\s+%\s+([\w.]+)\s+"([^"]*)"\s*>', text)}


def expand(value, entities):
    while "%" in value:
        value = re.sub(r"%([\w.]+);", lambda m: entities[m.group(1)], value)
    return value


def xhtml_inline():
    names = set()
    for dtd in XHTML_DTDS:
        with open(f"{XHTML_DTD_DIR}/{dtd}", encoding="utf-8") as f:
            entities = parameter_entities(f.read())
        for entity in XHTML_ENTITIES:
            names |= {n.strip() for n in expand(entities[entity], entities).split("|")}
    return (names - NOT_BETWEEN) | HTML_PHRASING


def odf_mixed():
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


def docbook5_mixed():
    """The elements of the RELAX NG schema whose content may hold text."""
    grammar = etree.parse(DOCBOOK5_RNG).getroot()
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
    return names


def write_names(f, comment, variable, names):
    f.write(f"\n// {comment}\n")
    f.write(f"// NOLINTNEXTLINE(modernize-avoid-c-arrays): as many as the rows\nconstexpr std::string_view {variable}[] = {{\n")
    for name in sorted(names):
        f.write(f'    "{name}",\n')
    f.write("};\n")


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else "src/vocabularies.inc"
    docbook4 = sorted(glob.glob(DOCBOOK4_DTDS))
    dita = sorted(glob.glob(DITA_DTDS))
    if not docbook4 or not dita or not os.path.exists(DOCBOOK5_RNG):
        raise SystemExit("vocabularies: a schema is missing: run scripts/setup.sh tables")
    tables = {
        "xhtmlInline": xhtml_inline(),
        "docbook4Mixed": dtd_mixed(docbook4),
        "docbook5Mixed": docbook5_mixed(),
        "ditaMixed": dtd_mixed(dita),
    }
    odf_names = odf_mixed()
    with open(output, "w") as f:
        f.write("// Generated by scripts/vocabularies.py from each vocabulary's schema; do not\n"
                "// edit. Every table sorted, as std::string_view compares.\n")
        write_names(f, "XHTML: the elements that a browser renders inline (the XHTML 1.0 DTDs'\n"
                       "// %inline; and %misc.inline;, without script and br, and HTML's phrasing\n"
                       "// elements that render).", "xhtmlInline", tables["xhtmlInline"])
        f.write("\n// OpenDocument: the elements that its schema allows text in (python3-odf's\n"
                "// odf.grammar.allows_text), by namespace and local name.\n")
        f.write("// NOLINTNEXTLINE(modernize-avoid-c-arrays): as many as the rows\n"
                "constexpr QualifiedName odfMixed[] = {\n")
        for uri, name in sorted(odf_names):
            f.write(f'    {{"{uri}", "{name}"}},\n')
        f.write("};\n")
        write_names(f, "DocBook 4: the elements whose content model is mixed, in docbook-xml's\n"
                       f"// DTDs ({', '.join(os.path.basename(os.path.dirname(p)) for p in docbook4)}).",
                    "docbook4Mixed", tables["docbook4Mixed"])
        write_names(f, "DocBook 5: the elements whose pattern in docbook5-xml's RELAX NG schema\n"
                       "// allows text.", "docbook5Mixed", tables["docbook5Mixed"])
        write_names(f, "DITA: the elements whose content model is mixed, in dita-ot's DTDs.",
                    "ditaMixed", tables["ditaMixed"])
    counts = ", ".join(f"{len(v)} {k}" for k, v in tables.items())
    print(f"vocabularies: {counts}, {len(odf_names)} odfMixed", file=sys.stderr)


if __name__ == "__main__":
    main()
