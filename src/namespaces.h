// The namespaces in scope during the parse: which URI an element's prefix
// stands for, and so which vocabulary the element is in. tinyxml2 knows no
// namespaces; quillen needs them for the elements it treats by name (SVG's
// and XSLT's "text", XHTML's inline elements, the mixed content of document
// vocabularies).

#pragma once

#include <tinyxml2.h>

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vocabularies.h"

namespace quillen {

class Namespaces {
public:
    struct Binding {
        const char* uri;  // null where the prefix is bound to none
        const Vocabulary* vocabulary;
    };

    // An element html without a namespace is XHTML's: the document type
    // declaration names an XHTML or HTML DTD (XHTML's declare xmlns on
    // html, and only there, with the XHTML namespace as its fixed value;
    // <!DOCTYPE html> has no other root), or the file is named as a page.
    void setHtmlIsXhtml() { htmlIsXhtml_ = true; }

    // The document's declarations are read with references kept as
    // written: a namespace written with one ("1999/&#120;html") is decoded
    // before it is looked up.
    void setReferencesKept() { referencesKept_ = true; }

    // ELEMENT's content begins: the declarations on it are in scope until
    // the matching leave(). Each element's attributes are read once.
    void enter(const tinyxml2::XMLElement& element);
    void leave();

    // The namespace of ELEMENT, which is in the innermost element entered, or
    // is that element. Looks at ELEMENT's own attributes and at one table
    // entry: linear in the number of attributes, however deep the document.
    Binding bindingOf(const tinyxml2::XMLElement& element) const;

    // Whether ELEMENT declares a namespace.
    static bool declaresAny(const tinyxml2::XMLElement& element);

    // Whether an element of the document so far may be in XHTML, or in any
    // vocabulary at all: so that a document in none pays for no lookup.
    bool seenXhtml() const { return seenXhtml_; }
    bool seenAny() const { return seenAny_; }

private:
    bool xhtmlByDoctype(const tinyxml2::XMLElement& element) const;
    Binding bindingTo(const char* value);
    Binding declaredOn(const tinyxml2::XMLElement& element, std::string_view prefix) const;

    // Each prefix ("" for the default namespace) with the bindings made to
    // it, the innermost last.
    std::unordered_map<std::string_view, std::vector<Binding>> bindings_;
    // The prefixes that the elements entered declare, the outermost first,
    // and where each element's own start in that list.
    std::vector<std::string_view> declared_;
    std::vector<std::size_t> levels_;
    std::deque<std::string> decoded_;  // the namespaces written with references, decoded
    bool htmlIsXhtml_ = false;
    bool referencesKept_ = false;
    bool seenXhtml_ = false;
    bool seenAny_ = false;
};

}  // namespace quillen
