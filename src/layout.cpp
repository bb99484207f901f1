// What is layout: the white space that quillen may re-indent, and the
// elements whose content it writes exactly as read. tinyxml2 alone drops
// every run of white space before markup and indents inside any element,
// so that code in a <pre> shifts and "<b>bold</b> <i>italic</i>" loses its
// space.
//
// An element is written as read when it holds text (a character other than
// white space, a reference kept as written, or a CDATA section), when
// xml:space="preserve" is written on it, when it is a verbatim element, when
// two of its children are inline XHTML elements that touch (a line end put
// between them would show as a space), or when an ancestor is written as
// read. The white space of every other element is layout: it is dropped as
// soon as the element ends, so that an indented document costs no more
// memory than before.

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "document.h"

namespace quillen {
namespace {

constexpr const char* svgNamespace = "http://www.w3.org/2000/svg";
constexpr const char* xsltNamespace = "http://www.w3.org/1999/XSL/Transform";

// What an element that starts written as read carries as its user data.
char writtenAsReadMark;

// Text that makes its parent written as read: a character other than white
// space, or a CDATA section. A white-space character written as a reference
// ("&#32;") is kept as written, and so counts as text.
bool isText(const tinyxml2::XMLNode& node) {
    const tinyxml2::XMLText* text = node.ToText();
    return text != nullptr && !Document::isOnlyWhiteSpace(*text);
}

// The name of ELEMENT after its prefix.
std::string_view localName(const tinyxml2::XMLElement& element) {
    const std::string_view name = element.Name();
    const std::string_view::size_type colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Elements whose white space is content, in XHTML, DocBook, DITA and SVG,
// whatever their prefix: LOCAL is the name after the prefix. Most names are
// told apart by their first letter.
bool hasVerbatimName(std::string_view local) {
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

// The XHTML elements that a browser renders inline (made by
// scripts/xhtml-inline.py from the XHTML DTDs), by their local name.
// NOLINTNEXTLINE(modernize-avoid-c-arrays): as many as the generated rows
constexpr std::string_view inlineNames[] = {
#include "xhtml-inline.inc"
};

bool hasInlineName(std::string_view local) {
    return std::binary_search(std::begin(inlineNames), std::end(inlineNames), local);
}

bool preservesWhiteSpace(const tinyxml2::XMLElement& element) {
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        const char* name = attribute->Name();
        if (name[0] == 'x' && std::strcmp(name, "xml:space") == 0) {
            return std::strcmp(attribute->Value(), "preserve") == 0;
        }
    }
    return false;
}

// The white-space-only text children of ELEMENT, which holds no other text,
// are only layout.
bool dropLayoutWhiteSpace(tinyxml2::XMLElement& element) {
    bool dropped = false;
    for (tinyxml2::XMLNode* child = element.FirstChild(); child != nullptr;) {
        tinyxml2::XMLNode* next = child->NextSibling();
        if (child->ToText() != nullptr && !isText(*child)) {
            element.DeleteChild(child);
            dropped = true;
        }
        child = next;
    }
    return dropped;
}

}  // namespace

bool Document::isOnlyWhiteSpace(const tinyxml2::XMLText& text) {
    return !text.CData() && text.Value()[std::strspn(text.Value(), " \t\r\n")] == '\0';
}

bool Document::startsWrittenAsRead(const tinyxml2::XMLElement& element) {
    return element.GetUserData() == &writtenAsReadMark;
}

// Whether the element is written as read, as far as the children parsed so
// far show; each child is looked at once.
bool Document::writtenAsReadSoFar(OpenElement& open) const {
    const tinyxml2::XMLNode* child =
        open.lookedAt != nullptr ? open.lookedAt->NextSibling() : open.element->FirstChild();
    for (; child != nullptr && !open.writtenAsRead; child = child->NextSibling()) {
        if (child->ToText() != nullptr) {
            open.writtenAsRead = isText(*child);
            open.holdsLayout = true;
            open.afterInline = false;
        } else if (child->ToElement() != nullptr) {
            // Most documents hold no XHTML: no lookup for each of their elements.
            const bool isInline = namespaces_.xhtmlSeen() && isXhtmlInline(*child->ToElement());
            open.writtenAsRead = open.afterInline && isInline;
            open.afterInline = isInline;
        }
        open.lookedAt = child;
    }
    return open.writtenAsRead;
}

// A verbatim element by its name, or an SVG or XSLT "text" element.
bool Document::isVerbatim(const tinyxml2::XMLElement& element) const {
    const std::string_view local = localName(element);
    if (local != "text") {
        return hasVerbatimName(local);
    }
    const char* uri = namespaces_.uriOf(element);
    return uri != nullptr && (std::strcmp(uri, svgNamespace) == 0 || std::strcmp(uri, xsltNamespace) == 0);
}

// An element that XHTML renders inline: between two that touch, a browser
// shows a line end as a space.
bool Document::isXhtmlInline(const tinyxml2::XMLElement& element) const {
    if (!hasInlineName(localName(element))) {
        return false;
    }
    const char* uri = namespaces_.uriOf(element);
    return uri != nullptr && std::strcmp(uri, xhtmlNamespace) == 0;
}

void Document::ElementContentBegins(tinyxml2::XMLElement* element) {
    bool inherited = false;
    if (!open_.empty()) {
        OpenElement& parent = open_.back();
        // An inline XHTML element right after another one: their parent is
        // written as read before this one's content is parsed.
        if (!writtenAsReadSoFar(parent) && parent.afterInline && isXhtmlInline(*element)) {
            parent.writtenAsRead = true;
        }
        inherited = parent.writtenAsRead;
    }
    namespaces_.enter(*element);
    const bool writtenAsRead = inherited || preservesWhiteSpace(*element) || isVerbatim(*element);
    open_.push_back({element, nullptr, inherited, writtenAsRead, false, false, false});
}

void Document::ElementContentEnds(tinyxml2::XMLElement* element) {
    OpenElement ended = open_.back();
    // Its children in the scope of its own namespace declarations.
    const bool writtenAsRead = !Error() && writtenAsReadSoFar(ended);
    namespaces_.leave();
    open_.pop_back();
    if (Error()) {
        return;
    }
    if (writtenAsRead) {
        if (!ended.inherited) {
            element->SetUserData(&writtenAsReadMark);
        }
        // Runs inside it were dropped before its text showed that they are
        // content.
        droppedWhiteSpaceTooSoon_ = droppedWhiteSpaceTooSoon_ || ended.droppedInside;
        return;
    }
    const bool dropped = ended.holdsLayout && !keepAllWhiteSpace_ && dropLayoutWhiteSpace(*element);
    if ((dropped || ended.droppedInside) && !open_.empty()) {
        open_.back().droppedInside = true;
    }
}

}  // namespace quillen
