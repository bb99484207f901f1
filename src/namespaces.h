// The namespaces in scope during the parse: which URI an element's prefix
// stands for. tinyxml2 knows no namespaces; quillen needs them for a few
// element names (SVG's and XSLT's "text", XHTML's inline elements).

#pragma once

#include <tinyxml2.h>

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillen {

constexpr const char* xhtmlNamespace = "http://www.w3.org/1999/xhtml";

class Namespaces {
public:
    // The document type declaration names an XHTML DTD ("-//W3C//DTD XHTML
    // ..."), which declares xmlns on html with the XHTML namespace.
    void setXhtmlDoctype() { xhtmlDoctype_ = xhtmlSeen_ = true; }

    // ELEMENT's content begins: the declarations on it are in scope until
    // the matching leave(). Each element's attributes are read once.
    void enter(const tinyxml2::XMLElement& element);
    void leave();

    // The namespace of ELEMENT, which is in the innermost element entered, or
    // is that element; null where its prefix is bound to none. Looks at
    // ELEMENT's own attributes and at one table entry: linear in the number
    // of attributes, however deep the document.
    const char* uriOf(const tinyxml2::XMLElement& element) const;

    // Whether an element of the document may be in the XHTML namespace.
    bool xhtmlSeen() const { return xhtmlSeen_; }

private:
    bool xhtmlByDoctype(const tinyxml2::XMLElement& element) const;
    const char* declaredOn(const tinyxml2::XMLElement& element, std::string_view prefix) const;

    // Each prefix ("" for the default namespace) with the URIs bound to it,
    // the innermost last.
    std::unordered_map<std::string_view, std::vector<const char*>> bindings_;
    // The prefixes that the elements entered declare, the outermost first,
    // and where each element's own start in that list.
    std::vector<std::string_view> declared_;
    std::vector<std::size_t> levels_;
    bool xhtmlDoctype_ = false;
    bool xhtmlSeen_ = false;
};

}  // namespace quillen
