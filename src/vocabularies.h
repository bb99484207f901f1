// The vocabularies whose readers show white space that data XML would not:
// how a document tells that it is in one (a namespace, a document type
// declaration, its root element), and which of its elements quillen writes
// as read. Each vocabulary is one entry in vocabularies.cpp; its tables come
// from its own schema where a package ships one (src/vocabularies.inc, made
// by scripts/vocabularies.py).

#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace quillen {

// An element by namespace and local name; an empty namespace matches any
// namespace of the vocabulary.
struct QualifiedName {
    std::string_view uri;
    std::string_view local;

    constexpr bool operator<(const QualifiedName& other) const {
        return uri != other.uri ? uri < other.uri : local < other.local;
    }
};

// A sorted table of names.
struct Names {
    const QualifiedName* rows = nullptr;
    std::size_t size = 0;

    [[nodiscard]] bool holds(const QualifiedName& name) const;
};

struct Vocabulary {
    std::string_view name;
    // How a document shows it: a namespace (one ending in '*' is a prefix of
    // the namespaces), the start of a document type declaration's public
    // identifier (compared without case, as browsers do), or the name of a
    // root element without a namespace.
    std::array<std::string_view, 5> namespaces;
    std::array<std::string_view, 3> publicIds;
    std::string_view root;
    // The elements whose white space the reader shows: its schema allows
    // text in them.
    Names text;
    // Whether TEXT is looked up by namespace too (OpenDocument's many
    // namespaces share local names).
    bool byNamespace;
    // Attributes (NAME=VALUE, by local name) that make the reader keep the
    // white space of an element and of everything in it, as
    // xml:space="preserve" does.
    std::array<std::string_view, 4> preserving;
    // Elements of TEXT that are indented all the same when every child is
    // one of BLOCKS, and they hold no text: the reader sets such a child
    // apart whatever white space is around it.
    Names containers;
    Names blocks;
};

extern const Vocabulary xhtml;
extern const Vocabulary svg;
extern const Vocabulary mathml;

constexpr std::string_view xhtmlNamespace = "http://www.w3.org/1999/xhtml";

// The vocabulary of the namespace URI; null for any other, and for null.
const Vocabulary* vocabularyOfNamespace(const char* uri);

// The vocabulary that a document type declaration names, by the name of its
// root element and its public identifier (empty for none): XHTML for an
// XHTML or HTML DTD and for a root html without a public identifier
// (<!DOCTYPE html>, in any case), DocBook 4, DITA. Null for any other.
const Vocabulary* vocabularyOfDoctype(std::string_view root, std::string_view publicId);

// The vocabulary that a root element without a namespace names by its own
// name (Android's resources, Qt's TS); null for any other.
const Vocabulary* vocabularyOfRoot(std::string_view name);

// Whether an element is verbatim, its white space content, by its LOCAL
// name in any vocabulary (pre, textarea, programlisting, screen, codeblock,
// tspan and others).
bool isVerbatim(std::string_view local);

// Whether VOCABULARY's reader shows the white space in the element URI:LOCAL.
bool allowsText(const Vocabulary& vocabulary, const char* uri, std::string_view local);

// Whether the attribute NAME=VALUE keeps the white space of its element in
// VOCABULARY (null for none): xml:space="preserve" anywhere.
bool preservesWhiteSpace(const Vocabulary* vocabulary, const char* name, const char* value);

// Whether LOCAL is one of VOCABULARY's containers, and whether a child
// LOCAL is one of its blocks.
bool isContainer(const Vocabulary& vocabulary, std::string_view local);
bool isBlock(const Vocabulary& vocabulary, std::string_view local);

// XHTML elements, by local name, as a browser places them. Not in the line:
// blocks, list items, tables, the document's head (a line end next to one
// is no space); drawing nothing: hidden by the browser's own style sheet.
// Every other element, known or not, is in the line. List items (li, dt,
// dd) are blocks, but pages put them in the line with their style sheets,
// as menus and indexes. HTML reads the content of script and style as raw
// text. svg and math are in the line in XHTML content, whatever their
// namespace.
bool isXhtmlBlock(std::string_view local);
bool drawsNothing(std::string_view local);
bool isListItem(std::string_view local);
bool holdsRawText(std::string_view local);
bool isEmbeddedInline(std::string_view local);

}  // namespace quillen
