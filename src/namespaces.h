// The namespaces in scope during the parse: which URI an element's prefix
// stands for, and so which vocabulary the element is in. tinyxml2 knows no
// namespaces; quillen needs them for the elements it treats by name (SVG's
// and XSLT's "text", XHTML's inline elements, the mixed content of document
// vocabularies).

#pragma once

#include <tinyxml2.h>

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vocabularies.h"

namespace quillen {

class Namespaces {
public:
    struct Binding {
        const char* uri;  // null where the prefix is bound to none
        Vocabulary vocabulary;
    };

    // The document type declaration names a DTD of VOCABULARY. XHTML's
    // declare xmlns on html, and only there, with the XHTML namespace as
    // its fixed value (and <!DOCTYPE html> has no other root).
    void setDoctype(Vocabulary vocabulary);

    // ELEMENT's content begins: the declarations on it are in scope until
    // the matching leave(). Each element's attributes are read once.
    void enter(const tinyxml2::XMLElement& element);
    void leave();

    // The document may hold elements of VOCABULARY, before any is seen: it
    // names the vocabulary's namespace somewhere.
    void mayHold(Vocabulary vocabulary) { seen_ |= bit(vocabulary); }

    // The namespace of ELEMENT, which is in the innermost element entered, or
    // is that element. Looks at ELEMENT's own attributes and at one table
    // entry: linear in the number of attributes, however deep the document.
    Binding bindingOf(const tinyxml2::XMLElement& element) const;

    // Whether an element of the document may be in VOCABULARY, or in any
    // vocabulary at all: so that a document in none pays for no lookup.
    bool seen(Vocabulary vocabulary) const { return (seen_ & bit(vocabulary)) != 0; }
    bool seenAny() const { return seen_ != 0; }

private:
    static unsigned bit(Vocabulary vocabulary) { return 1U << static_cast<unsigned>(vocabulary); }
    bool xhtmlByDoctype(const tinyxml2::XMLElement& element) const;
    Binding declaredOn(const tinyxml2::XMLElement& element, std::string_view prefix) const;

    // Each prefix ("" for the default namespace) with the bindings made to
    // it, the innermost last.
    std::unordered_map<std::string_view, std::vector<Binding>> bindings_;
    // The prefixes that the elements entered declare, the outermost first,
    // and where each element's own start in that list.
    std::vector<std::string_view> declared_;
    std::vector<std::size_t> levels_;
    bool xhtmlDoctype_ = false;
    unsigned seen_ = 0;  // a bit for each vocabulary
};

}  // namespace quillen
