// The vocabularies whose readers show white space that data XML would not:
// how a document tells that it is in one (a namespace, a document type
// declaration), and which of its elements quillen writes as read. The
// tables come from each vocabulary's own schema (src/vocabularies.inc, made
// by scripts/vocabularies.py).

#pragma once

#include <string_view>

namespace quillen {

enum class Vocabulary : unsigned char { none, xhtml, svg, mathml, xslt, odf, docbook4, docbook5, dita };

constexpr const char* xhtmlNamespace = "http://www.w3.org/1999/xhtml";

// The vocabulary of the namespace URI (OpenDocument's are many); none for
// any other, and for null.
Vocabulary vocabularyOfNamespace(const char* uri);

// The vocabulary that a document type declaration names, by the name of its
// root element and its public identifier (empty for none): XHTML for
// "-//W3C//DTD XHTML ..." and for a root html without one
// (<!DOCTYPE html>), DocBook 4 for "-//OASIS//DTD DocBook ...", DITA for
// "-//OASIS//DTD DITA ...".
Vocabulary vocabularyOfDoctype(std::string_view root, std::string_view publicId);

// Whether an element is verbatim, its white space content: by its LOCAL
// name in any vocabulary (pre, textarea, programlisting, screen, codeblock,
// tspan and others), or text in SVG or XSLT.
bool isVerbatim(std::string_view local, Vocabulary vocabulary);

// XHTML elements, by local name. Inline ones render in the line: a line
// end between or inside them shows as a space. Those that draw nothing
// (script, style, template) stand between inline elements like comments.
// HTML reads the content of script and style as raw text, references and
// all. svg and math are inline in XHTML content, whatever their namespace.
bool isXhtmlInline(std::string_view local);
bool drawsNothing(std::string_view local);
// List items (li, dt, dd) are blocks, but pages put them in the line with
// their style sheets, as menus and indexes: between two that touch, a line
// end would then show as a space.
bool isListItem(std::string_view local);
bool holdsRawText(std::string_view local);
bool isEmbeddedInline(std::string_view local);

// Whether the schema of a document VOCABULARY (OpenDocument, DocBook 4 and
// 5, DITA) allows text in the element: its white space is then text that
// the reader shows. URI is the element's namespace.
bool allowsText(Vocabulary vocabulary, const char* uri, std::string_view local);

}  // namespace quillen
