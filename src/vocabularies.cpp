// The vocabularies and their tables.

#include "vocabularies.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

namespace quillen {
namespace {

struct QualifiedName {
    std::string_view uri;
    std::string_view local;

    bool operator<(const QualifiedName& other) const {
        return uri != other.uri ? uri < other.uri : local < other.local;
    }
};

#include "vocabularies.inc"

constexpr std::string_view odfNamespaces = "urn:oasis:names:tc:opendocument:xmlns:";

struct NamedVocabulary {
    const char* uri;
    Vocabulary vocabulary;
};

constexpr std::array<NamedVocabulary, 5> namespaces{{
    {xhtmlNamespace, Vocabulary::xhtml},
    {"http://www.w3.org/2000/svg", Vocabulary::svg},
    {"http://www.w3.org/1998/Math/MathML", Vocabulary::mathml},
    {"http://www.w3.org/1999/XSL/Transform", Vocabulary::xslt},
    {"http://docbook.org/ns/docbook", Vocabulary::docbook5},
}};

template <typename Table, typename Name>
bool holds(const Table& table, const Name& name) {
    return std::binary_search(std::begin(table), std::end(table), name);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

Vocabulary vocabularyOfNamespace(const char* uri) {
    if (uri == nullptr) {
        return Vocabulary::none;
    }
    for (const NamedVocabulary& named : namespaces) {
        if (std::strcmp(uri, named.uri) == 0) {
            return named.vocabulary;
        }
    }
    return startsWith(uri, odfNamespaces) ? Vocabulary::odf : Vocabulary::none;
}

Vocabulary vocabularyOfDoctype(std::string_view root, std::string_view publicId) {
    if (startsWith(publicId, "-//W3C//DTD XHTML") || (publicId.empty() && root == "html")) {
        return Vocabulary::xhtml;
    }
    if (startsWith(publicId, "-//OASIS//DTD DocBook")) {
        return Vocabulary::docbook4;
    }
    return startsWith(publicId, "-//OASIS//DTD DITA") ? Vocabulary::dita : Vocabulary::none;
}

// Elements whose white space is content, in XHTML, DocBook, DITA and SVG,
// whatever their prefix and whatever the document. Most names are told
// apart by their first letter.
bool isVerbatim(std::string_view local, Vocabulary vocabulary) {
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
            return local == "textarea" || local == "tspan" || local == "textPath" ||
                   (local == "text" && (vocabulary == Vocabulary::svg || vocabulary == Vocabulary::xslt));
        case 'x':
            return local == "xmp";
        default:
            return false;
    }
}

bool isXhtmlInline(std::string_view local) { return holds(xhtmlInline, local); }

// The elements that a browser's own style sheet does not display and that
// may stand among a body's inline content.
bool drawsNothing(std::string_view local) {
    static constexpr std::array<std::string_view, 8> hidden{"datalist", "link",   "meta",  "noembed",
                                                            "noframes", "script", "style", "template"};
    return holds(hidden, local);
}

bool isListItem(std::string_view local) { return local == "li" || local == "dd" || local == "dt"; }

bool holdsRawText(std::string_view local) { return local == "script" || local == "style"; }

bool isEmbeddedInline(std::string_view local) { return local == "svg" || local == "math"; }

bool allowsText(Vocabulary vocabulary, const char* uri, std::string_view local) {
    switch (vocabulary) {
        case Vocabulary::odf:
            return holds(odfMixed, QualifiedName{uri, local});
        case Vocabulary::docbook4:
            return holds(docbook4Mixed, local);
        case Vocabulary::docbook5:
            return holds(docbook5Mixed, local);
        case Vocabulary::dita:
            return holds(ditaMixed, local);
        default:
            return false;
    }
}

}  // namespace quillen
