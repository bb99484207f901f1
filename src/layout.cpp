// What is layout: the white space that quillen may re-indent, and the
// elements whose content it writes exactly as read. tinyxml2 alone drops
// every run of white space before markup and indents inside any element,
// so that code in a <pre> shifts and "<b>bold</b> <i>italic</i>" loses its
// space.
//
// An element is written as read when it holds text (a character other than
// white space, or a CDATA section), when xml:space="preserve" is written on
// it, when it is a verbatim element, or when an ancestor is written as read.
// The white space of every other element is layout: it is dropped as soon as
// the element ends, so that an indented document costs no more memory than
// before.

#include <cstring>
#include <string>
#include <string_view>

#include "document.h"

namespace quillen {
namespace {

constexpr const char* svgNamespace = "http://www.w3.org/2000/svg";
constexpr const char* xsltNamespace = "http://www.w3.org/1999/XSL/Transform";

// What an element that starts written as read carries as its user data.
char writtenAsReadMark;

// Text that makes its parent written as read: a character other than white
// space, or a CDATA section.
bool isText(const tinyxml2::XMLNode& node) {
    const tinyxml2::XMLText* text = node.ToText();
    return text != nullptr && !Document::isOnlyWhiteSpace(*text);
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
        }
        open.lookedAt = child;
    }
    return open.writtenAsRead;
}

// A verbatim element by its name, or an SVG or XSLT "text" element: its
// prefix bound to that namespace on it or on an open ancestor.
bool Document::isVerbatim(const tinyxml2::XMLElement& element) const {
    const std::string_view name = element.Name();
    const std::string_view::size_type colon = name.find(':');
    const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
    if (local != "text") {
        return hasVerbatimName(local);
    }
    const std::string declaration =
        colon == std::string_view::npos ? "xmlns" : "xmlns:" + std::string(name.substr(0, colon));
    const char* uri = element.Attribute(declaration.c_str());
    for (auto open = open_.rbegin(); uri == nullptr && open != open_.rend(); ++open) {
        uri = open->element->Attribute(declaration.c_str());
    }
    return uri != nullptr && (std::strcmp(uri, svgNamespace) == 0 || std::strcmp(uri, xsltNamespace) == 0);
}

void Document::ElementContentBegins(tinyxml2::XMLElement* element) {
    const bool inherited = !open_.empty() && writtenAsReadSoFar(open_.back());
    const bool writtenAsRead = inherited || preservesWhiteSpace(*element) || isVerbatim(*element);
    open_.push_back({element, nullptr, inherited, writtenAsRead, false, false});
}

void Document::ElementContentEnds(tinyxml2::XMLElement* element) {
    OpenElement ended = open_.back();
    open_.pop_back();
    if (Error()) {
        return;
    }
    if (writtenAsReadSoFar(ended)) {
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
