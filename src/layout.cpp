// What is layout: the white space that quillen may re-indent, and the
// elements whose content it writes exactly as read. tinyxml2 alone drops
// every run of white space before markup and indents inside any element,
// so that code in a <pre> shifts and "<b>bold</b> <i>italic</i>" loses its
// space.
//
// An element is written as read when it holds text (a character other than
// white space, a reference kept as written, or a CDATA section), when
// xml:space="preserve" is written on it, when it is a verbatim element, when
// it is an inline XHTML element (a line end inside it would show), when two
// of its children are inline XHTML elements that touch (one between them
// would show as a space), when the schema of a document vocabulary
// (OpenDocument, DocBook, DITA) allows text in it (its reader shows that
// white space), when it is XHTML's script or style holding anything but
// white space, or when an ancestor is written as read. The white space of
// every other element is layout: it is dropped as soon as the element ends,
// so that an indented document costs no more memory than before.

#include <cstddef>
#include <cstring>
#include <string_view>

#include "document.h"

namespace quillen {
namespace {

// What quillen notes on an element during the parse, as its user data: a
// pointer into this table, at the sum of the marks it carries.
enum Mark : std::size_t { writtenAsReadMark = 1, endTagMark = 2 };
char markTable[writtenAsReadMark + endTagMark + 1];  // NOLINT(modernize-avoid-c-arrays)

std::size_t marksOf(const tinyxml2::XMLElement& element) {
    const char* data = static_cast<const char*>(element.GetUserData());
    return data != nullptr ? static_cast<std::size_t>(data - markTable) : 0;
}

void addMark(tinyxml2::XMLElement& element, Mark mark) {
    element.SetUserData(&markTable[marksOf(element) | mark]);
}

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
    return (marksOf(element) & writtenAsReadMark) != 0;
}

bool Document::keepsEndTag(const tinyxml2::XMLElement& element) {
    return (marksOf(element) & endTagMark) != 0;
}

// The vocabulary of ELEMENT, which is in the innermost element entered, or
// is that element, and its namespace in URI. An element without one is in
// the vocabulary that the document type declaration names; in a document
// whose root is XHTML, it is XHTML (a browser reads <a xmlns=""> as HTML's
// a). A document in no vocabulary pays for no lookup.
Vocabulary Document::vocabularyOf(const tinyxml2::XMLElement& element, const char** uri) const {
    if (!namespaces_.seenAny()) {
        return Vocabulary::none;
    }
    const Namespaces::Binding binding = namespaces_.bindingOf(element);
    if (uri != nullptr) {
        *uri = binding.uri;
    }
    if (binding.uri != nullptr && binding.uri[0] != '\0') {
        return binding.vocabulary;
    }
    return rootVocabulary_ == Vocabulary::xhtml ? Vocabulary::xhtml : doctypeVocabulary_;
}

// Whether ELEMENT, in VOCABULARY and the namespace URI, is written as read
// for a reason of its own; PARENT is its parent, if open.
bool Document::startsWrittenAsRead(const tinyxml2::XMLElement& element, Vocabulary vocabulary,
                                   const char* uri, const OpenElement* parent) const {
    const std::string_view local = localName(element);
    return preservesWhiteSpace(element) || isVerbatim(local, vocabulary) ||
           (vocabulary == Vocabulary::xhtml && isXhtmlInline(local)) ||
           (parent != nullptr && parent->xhtml && isEmbeddedInline(local)) ||
           allowsText(vocabulary, uri, local);
}

// Where a browser puts ELEMENT, a child of PARENT: in the line (an inline
// element, svg or math in XHTML content, or a list item, which a style
// sheet may put there), nowhere (an XHTML element that draws nothing, such
// as a script, which stands between two inline elements as a comment
// would), or elsewhere. Between two elements in the line that touch, it
// shows a line end as a space.
Document::Placement Document::placementOf(const tinyxml2::XMLElement& element,
                                          const OpenElement& parent) const {
    const std::string_view local = localName(element);
    if (parent.xhtml && isEmbeddedInline(local)) {
        return Placement::inLine;
    }
    const bool inLine = isXhtmlInline(local) || isListItem(local);
    if (!inLine && !drawsNothing(local)) {
        return Placement::elsewhere;
    }
    if (vocabularyOf(element) != Vocabulary::xhtml) {
        return Placement::elsewhere;
    }
    return inLine ? Placement::inLine : Placement::nowhere;
}

// Whether the element is written as read, as far as the children parsed so
// far show; each child is looked at once.
bool Document::writtenAsReadSoFar(OpenElement& open) {
    const tinyxml2::XMLNode* child =
        open.lookedAt != nullptr ? open.lookedAt->NextSibling() : open.element->FirstChild();
    for (; child != nullptr && !open.writtenAsRead; child = child->NextSibling()) {
        const tinyxml2::XMLElement* element = child->ToElement();
        if (child->ToText() != nullptr) {
            open.writtenAsRead = isText(*child);
            open.holdsLayout = true;
            open.afterInline = false;
        } else if (element != nullptr) {
            // Most documents hold no XHTML: no lookup for each of their elements.
            const Placement placement =
                namespaces_.seen(Vocabulary::xhtml) ? placementOf(*element, open) : Placement::elsewhere;
            if (placement != Placement::nowhere) {
                open.writtenAsRead = open.afterInline && placement == Placement::inLine;
                open.afterInline = placement == Placement::inLine;
            }
        } else {
            // A comment or processing instruction inside script or style
            // is part of what HTML reads there.
            open.writtenAsRead = open.rawText;
        }
        open.lookedAt = child;
    }
    return open.writtenAsRead;
}

void Document::ElementContentBegins(tinyxml2::XMLElement* element) {
    OpenElement* parent = open_.empty() ? nullptr : &open_.back();
    bool inherited = false;
    if (parent != nullptr) {
        // An inline XHTML element right after another one: their parent is
        // written as read before this one's content is parsed.
        if (!writtenAsReadSoFar(*parent) && parent->afterInline &&
            placementOf(*element, *parent) == Placement::inLine) {
            parent->writtenAsRead = true;
        }
        inherited = parent->writtenAsRead;
    }
    namespaces_.enter(*element);
    const char* uri = nullptr;
    const Vocabulary vocabulary = vocabularyOf(*element, &uri);
    if (parent == nullptr) {
        rootVocabulary_ = vocabulary;
    }
    const bool xhtml = vocabulary == Vocabulary::xhtml;
    const bool writtenAsRead = inherited || startsWrittenAsRead(*element, vocabulary, uri, parent);
    open_.push_back({element, nullptr, inherited, writtenAsRead, false, false, false, xhtml,
                     xhtml && holdsRawText(localName(*element))});
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
    if (ended.xhtml) {
        addMark(*element, endTagMark);
    }
    if (writtenAsRead) {
        if (!ended.inherited) {
            addMark(*element, writtenAsReadMark);
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
