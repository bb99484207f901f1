// The vocabularies, one entry each: how a document shows it is in one, and
// its tables.

#include "vocabularies.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "scan.h"

namespace quillen {
namespace {

#include "vocabularies.inc"

template <std::size_t size>
constexpr Names names(const QualifiedName (&rows)[size]) {  // NOLINT(modernize-avoid-c-arrays)
    return {rows, size};
}

// SVG draws the text of its text elements as written, and XSLT copies the
// text of xsl:text as written; every other run of white space in them is
// layout (XSLT strips it from the stylesheet).
// NOLINTNEXTLINE(modernize-avoid-c-arrays): as many as the rows
constexpr QualifiedName textElement[] = {{"", "text"}};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool startsWithAnyCase(std::string_view text, std::string_view prefix) {
    return equalsAnyCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool Names::holds(const QualifiedName& name) const { return std::binary_search(rows, rows + size, name); }

// XHTML: its text is placed by its own rules (layout.cpp); the tables here
// say which elements a browser does not put in the line.
const Vocabulary xhtml{"XHTML",
                       {xhtmlNamespace},
                       {"-//W3C//DTD XHTML", "-//W3C//DTD HTML", "-//IETF//DTD HTML"},
                       "",
                       {},
                       false,
                       {},
                       {},
                       {}};
const Vocabulary svg{"SVG", {"http://www.w3.org/2000/svg"}, {}, "", names(textElement), false, {}, {}, {}};
const Vocabulary mathml{"MathML", {"http://www.w3.org/1998/Math/MathML"}, {}, "", {}, false, {}, {}, {}};

namespace {

const Vocabulary xslt{
    "XSLT", {"http://www.w3.org/1999/XSL/Transform"}, {}, "", names(textElement), false, {}, {}, {}};
const Vocabulary odf{
    "OpenDocument", {"urn:oasis:names:tc:opendocument:xmlns:*"}, {}, "", names(odfText), true, {}, {}, {}};
const Vocabulary docbook4{"DocBook 4", {}, {"-//OASIS//DTD DocBook"}, "", names(docbook4Text), false, {},
                          {},          {}};
const Vocabulary docbook5{
    "DocBook 5", {"http://docbook.org/ns/docbook"}, {}, "", names(docbook5Text), false, {}, {}, {}};
const Vocabulary dita{"DITA", {}, {"-//OASIS//DTD DITA"}, "", names(ditaText), false, {}, {}, {}};
// FOP keeps line ends and blanks where these properties say so, and in
// everything below: such an element is written as read. A block of blocks
// only is laid out block by block, whatever white space is between them.
const Vocabulary fo{"XSL-FO",
                    {"http://www.w3.org/1999/XSL/Format"},
                    {},
                    "",
                    names(foText),
                    false,
                    {"linefeed-treatment=preserve", "white-space-treatment=preserve",
                     "white-space-collapse=false", "white-space=pre"},
                    names(foContainers),
                    names(foBlocks)};
const Vocabulary mallard{
    "Mallard", {"http://projectmallard.org/1.0/"}, {}, "", names(mallardText), false, {}, {}, {}};
const Vocabulary xliff{
    "XLIFF", {"urn:oasis:names:tc:xliff:document:*"}, {}, "", names(xliffText), false, {}, {}, {}};
const Vocabulary xaml{
    "XAML",
    {"http://schemas.microsoft.com/winfx/2006/xaml/presentation",
     "http://schemas.microsoft.com/winfx/2006/xaml", "https://github.com/avaloniaui",
     "http://schemas.microsoft.com/dotnet/2021/maui", "http://xamarin.com/schemas/2014/forms"},
    {},
    "",
    names(xamlText),
    false,
    {},
    {},
    {}};
const Vocabulary android{"Android resources", {}, {}, "resources", names(androidText), false, {}, {}, {}};
const Vocabulary qt{"Qt Linguist", {}, {}, "TS", names(qtText), false, {}, {}, {}};

constexpr std::array<const Vocabulary*, 14> vocabularies{&xhtml,    &svg,      &mathml,  &xslt, &odf,
                                                         &docbook4, &docbook5, &dita,    &fo,   &mallard,
                                                         &xliff,    &xaml,     &android, &qt};

bool namesNamespace(const Vocabulary& vocabulary, std::string_view uri) {
    return std::any_of(
        vocabulary.namespaces.begin(), vocabulary.namespaces.end(), [&](std::string_view named) {
            return !named.empty() &&
                   (named.back() == '*' ? startsWith(uri, named.substr(0, named.size() - 1)) : uri == named);
        });
}

}  // namespace

// The first vocabulary that SHOWS, or null.
template <typename Shows>
const Vocabulary* firstThat(Shows shows) {
    const auto found = std::find_if(vocabularies.begin(), vocabularies.end(),
                                    [&](const Vocabulary* vocabulary) { return shows(*vocabulary); });
    return found != vocabularies.end() ? *found : nullptr;
}

const Vocabulary* vocabularyOfNamespace(const char* uri) {
    if (uri == nullptr || uri[0] == '\0') {
        return nullptr;
    }
    return firstThat([&](const Vocabulary& vocabulary) { return namesNamespace(vocabulary, uri); });
}

const Vocabulary* vocabularyOfDoctype(std::string_view root, std::string_view publicId) {
    if (publicId.empty()) {
        return root.size() == 4 && startsWithAnyCase(root, "html") ? &xhtml : nullptr;
    }
    const auto starts = [&](std::string_view start) {
        return !start.empty() && startsWithAnyCase(publicId, start);
    };
    return firstThat([&](const Vocabulary& vocabulary) {
        return std::any_of(vocabulary.publicIds.begin(), vocabulary.publicIds.end(), starts);
    });
}

const Vocabulary* vocabularyOfRoot(std::string_view name) {
    return firstThat(
        [&](const Vocabulary& vocabulary) { return !vocabulary.root.empty() && vocabulary.root == name; });
}

// Elements whose white space is content, in XHTML, DocBook, DITA and SVG,
// whatever their prefix and whatever the document. Most names are told
// apart by their first letter.
bool isVerbatim(std::string_view local) {
    switch (local.empty() ? '\0' : local[0]) {
        case 'a':
            return local == "address";
        case 'c':
            return local == "classsynopsisinfo" || local == "codeblock";
        case 'f':
            return local == "funcsynopsisinfo";
        case 'l':
            return local == "listing" || local == "literallayout";
        case 'm':
            return local == "msgblock";
        case 'p':
            return local == "pre" || local == "programlisting";
        case 's':
            return local == "screen" || local == "synopsis";
        case 't':
            return local == "textarea" || local == "tspan" || local == "textPath";
        case 'x':
            return local == "xmp";
        default:
            return false;
    }
}

bool allowsText(const Vocabulary& vocabulary, const char* uri, std::string_view local) {
    if (vocabulary.text.size == 0) {
        return false;
    }
    if (vocabulary.byNamespace) {
        return vocabulary.text.holds({uri != nullptr ? uri : "", local});
    }
    // XAML's property elements of inline content: <TextBlock.Inlines>.
    const std::string_view::size_type dot = local.rfind('.');
    return vocabulary.text.holds({"", local}) ||
           (&vocabulary == &xaml && dot != std::string_view::npos && local.substr(dot) == ".Inlines");
}

bool preservesWhiteSpace(const Vocabulary* vocabulary, const char* name, const char* value) {
    if (name[0] == 'x' && std::strcmp(name, "xml:space") == 0) {
        return std::strcmp(value, "preserve") == 0;
    }
    if (vocabulary == nullptr || vocabulary->preserving[0].empty()) {
        return false;
    }
    const char* colon = std::strchr(name, ':');
    const std::string_view local = colon != nullptr ? colon + 1 : name;
    return std::any_of(
        vocabulary->preserving.begin(), vocabulary->preserving.end(), [&](std::string_view pair) {
            const std::string_view::size_type equals = pair.find('=');
            return !pair.empty() && pair.substr(0, equals) == local && pair.substr(equals + 1) == value;
        });
}

bool isContainer(const Vocabulary& vocabulary, std::string_view local) {
    return vocabulary.containers.size != 0 && vocabulary.containers.holds({"", local});
}

bool isBlock(const Vocabulary& vocabulary, std::string_view local) {
    return vocabulary.blocks.holds({"", local});
}

bool isXhtmlBlock(std::string_view local) { return names(xhtmlBlocks).holds({"", local}); }

bool drawsNothing(std::string_view local) { return names(xhtmlHidden).holds({"", local}); }

bool isListItem(std::string_view local) { return local == "li" || local == "dd" || local == "dt"; }

bool holdsRawText(std::string_view local) { return local == "script" || local == "style"; }

bool isEmbeddedInline(std::string_view local) { return local == "svg" || local == "math"; }

}  // namespace quillen
