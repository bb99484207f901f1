// What is layout: the white space that quillen may re-indent, and the
// elements whose content it writes exactly as read. tinyxml2 alone drops
// every run of white space before markup and indents inside any element,
// so that code in a <pre> shifts and "<b>bold</b> <i>italic</i>" loses its
// space.
//
// An element is written as read when it holds text (a character other than
// white space, a reference kept as written, or a CDATA section), when
// xml:space="preserve" (or a vocabulary's own such attribute) is written on
// it, when it is a verbatim element, when a browser puts it in the line
// (a line end inside it would show), when two of its children in the line
// touch (one between them would show as a space), when the schema of its
// vocabulary allows text in it (its reader shows that white space), when
// it is XHTML's script or style holding anything but white space, when an
// ancestor is written as read, or, in a document that holds text, when no
// vocabulary describes it and its author did not indent it (some place
// among its children holds no line end). The white space of every other
// element is layout: it is dropped as soon as the element ends, so that an
// indented document costs no more memory than before.

#include <cstddef>
#include <cstring>
#include <string_view>

#include "document.h"
#include "scan.h"

namespace quillen {
namespace {

// What quillen notes on an element during the parse, as its user data: a
// pointer into this table, at the sum of the marks it carries.
enum Mark : std::size_t { writtenAsReadMark = 1, endTagMark = 2, asReadInTextMark = 4 };
char markTable[writtenAsReadMark + endTagMark + asReadInTextMark + 1];  // NOLINT(modernize-avoid-c-arrays)

std::size_t marksOf(const tinyxml2::XMLElement& element) {
    const char* data = static_cast<const char*>(element.GetUserData());
    return data != nullptr ? static_cast<std::size_t>(data - markTable) : 0;
}

void addMark(tinyxml2::XMLElement& element, Mark mark) {
    element.SetUserData(&markTable[marksOf(element) | mark]);
}

const Document& documentOf(const tinyxml2::XMLElement& element) {
    return *static_cast<const Document*>(element.GetDocument());
}

// Text that makes its parent written as read: a character other than white
// space, or a CDATA section. A white-space character written as a reference
// ("&#32;") is kept as written, and so counts as text.
bool isText(const tinyxml2::XMLNode& node) {
    const tinyxml2::XMLText* text = node.ToText();
    return text != nullptr && !Document::isOnlyWhiteSpace(*text);
}

bool holdsLineEnd(const tinyxml2::XMLNode& text) { return std::strpbrk(text.Value(), "\r\n") != nullptr; }

// The name of ELEMENT after its prefix.
std::string_view localName(const tinyxml2::XMLElement& element) {
    const std::string_view name = element.Name();
    const std::string_view::size_type colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool preservesWhiteSpace(const tinyxml2::XMLElement& element, const Vocabulary* vocabulary) {
    const bool onlyXmlSpace = vocabulary == nullptr || vocabulary->preserving[0].empty();
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        // Most attributes are told apart by their first letter.
        if ((!onlyXmlSpace || attribute->Name()[0] == 'x') &&
            preservesWhiteSpace(vocabulary, attribute->Name(), attribute->Value())) {
            return true;
        }
    }
    return false;
}

const char* attributeValue(const tinyxml2::XMLElement& element, const char* name) {
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        if (equalsAnyCase(attribute->Name(), name)) {
            return attribute->Value();
        }
    }
    return nullptr;
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
    const std::size_t marks = marksOf(element);
    return (marks & writtenAsReadMark) != 0 ||
           ((marks & asReadInTextMark) != 0 && documentOf(element).holdsText());
}

bool Document::keepsEndTag(const tinyxml2::XMLElement& element) {
    return (marksOf(element) & endTagMark) != 0 && documentOf(element).isPage();
}

// The vocabulary of ELEMENT, which is in the innermost element entered, or
// is that element, and its namespace in URI. An element without one is in
// the vocabulary that the document type declaration names, or, in a
// document whose root is XHTML or names a vocabulary by its own name
// (Android's resources), in the root's: a browser reads <a xmlns=""> in
// a page as HTML's a. A document in no vocabulary pays for no lookup.
const Vocabulary* Document::vocabularyOf(const tinyxml2::XMLElement& element, const char** uri) const {
    if (!mayBeInVocabulary() && !(mayDeclareNamespaces_ && Namespaces::declaresAny(element))) {
        return nullptr;
    }
    const Namespaces::Binding binding = namespaces_.bindingOf(element);
    if (uri != nullptr) {
        *uri = binding.uri;
    }
    if (binding.uri != nullptr && binding.uri[0] != '\0') {
        return binding.vocabulary;
    }
    const bool namesItself =
        rootVocabulary_ != nullptr && (rootVocabulary_ == &xhtml || !rootVocabulary_->root.empty());
    return namesItself ? rootVocabulary_ : doctypeVocabulary_;
}

// Whether ELEMENT, in VOCABULARY and the namespace URI, placed so, is
// written as read for a reason of its own.
bool Document::startsWrittenAsRead(const tinyxml2::XMLElement& element, const Vocabulary* vocabulary,
                                   const char* uri, Placement placement) const {
    const std::string_view local = localName(element);
    return placement == Placement::inLine || preservesWhiteSpace(element, vocabulary) || isVerbatim(local) ||
           (vocabulary != nullptr && allowsText(*vocabulary, uri, local) && !isContainer(*vocabulary, local));
}

// Where a browser puts ELEMENT, in VOCABULARY; INXHTML tells whether its
// parent is XHTML. HTML puts in the line every element it has no rule for:
// in a page, an element of another namespace or with a prefix (the HTML
// parser knows neither), and svg and math in XHTML content. An XHTML
// element is placed by its name, or drawn nowhere when it is hidden.
Document::Placement Document::placementOf(const tinyxml2::XMLElement& element, const Vocabulary* vocabulary,
                                          bool inXhtml) const {
    const std::string_view local = localName(element);
    if (inXhtml && isEmbeddedInline(local)) {
        return Placement::inLine;
    }
    const bool inPage = rootVocabulary_ == &xhtml;
    if (vocabulary != &xhtml) {
        return inXhtml && inPage ? Placement::inLine : Placement::elsewhere;
    }
    if (inPage && local.size() != std::strlen(element.Name())) {
        return Placement::inLine;
    }
    const char* type = local == "input" ? attributeValue(element, "type") : nullptr;
    if (drawsNothing(local) || attributeValue(element, "hidden") != nullptr ||
        (local == "dialog" && attributeValue(element, "open") == nullptr) ||
        (type != nullptr && equalsAnyCase(type, "hidden"))) {
        return Placement::nowhere;
    }
    if (isListItem(local)) {
        return Placement::listItem;
    }
    return isXhtmlBlock(local) ? Placement::elsewhere : Placement::inLine;
}

// HTML reads <pre/>, <listing/>, <xmp/> and <textarea/> as start tags,
// whose element runs on over what follows, and the rest of the file after
// <plaintext> as its text: what follows is written as read, the rest of
// the parent, or of the document where the element takes the text raw.
void Document::lookAtParsingModes(OpenElement& open, const tinyxml2::XMLElement& child) {
    const std::string_view local = localName(child);
    const bool startTagAlone = child.ClosingType() == tinyxml2::XMLElement::CLOSED;
    if (equalsAnyCase(local, "plaintext") ||
        (startTagAlone && (equalsAnyCase(local, "xmp") || equalsAnyCase(local, "textarea")))) {
        open.writtenAsRead = true;
        for (OpenElement& ancestor : open_) {
            ancestor.writtenAsRead = true;
        }
    } else if (startTagAlone && (equalsAnyCase(local, "pre") || equalsAnyCase(local, "listing"))) {
        open.writtenAsRead = true;
    }
}

void Document::lookAtChildElement(OpenElement& open, const tinyxml2::XMLElement& child) {
    open.sawElement = true;
    // Most documents hold no XHTML: no lookup for each of their elements.
    if (open.xhtml || pageCandidate_ || namespaces_.seenXhtml()) {
        const Vocabulary* vocabulary = vocabularyOf(child);
        holdsXhtml_ = holdsXhtml_ || vocabulary == &xhtml;
        const Placement placement = placementOf(child, vocabulary, open.xhtml);
        if (placement != Placement::nowhere) {
            open.writtenAsRead = open.writtenAsRead || (open.afterInline && inTheLine(placement));
            open.afterInline = inTheLine(placement);
        }
        if (open.xhtml) {
            lookAtParsingModes(open, child);
        }
    }
    if (open.container && !isBlock(*open.vocabulary, localName(child))) {
        open.writtenAsRead = true;
    }
}

// Whether the element is written as read, as far as the children parsed so
// far show; each child is looked at once. Notes on the way whether every
// place among them holds a line end.
bool Document::writtenAsReadSoFar(OpenElement& open) {
    const tinyxml2::XMLNode* child =
        open.lookedAt != nullptr ? open.lookedAt->NextSibling() : open.element->FirstChild();
    for (; child != nullptr && !open.writtenAsRead; child = child->NextSibling()) {
        const tinyxml2::XMLElement* element = child->ToElement();
        if (child->ToText() != nullptr) {
            open.sawText = isText(*child);
            open.writtenAsRead = open.sawText;
            open.holdsLayout = true;
            open.afterInline = false;
            open.lineEndBefore =
                open.lineEndBefore || (!open.sawText && open.indented && holdsLineEnd(*child));
        } else {
            open.indented = open.indented && open.lineEndBefore;
            open.lineEndBefore = false;
            if (element != nullptr) {
                lookAtChildElement(open, *element);
            } else {
                // A comment or processing instruction inside script or
                // style is part of what HTML reads there.
                open.writtenAsRead = open.rawText;
            }
        }
        open.lookedAt = child;
    }
    return open.writtenAsRead;
}

// Whether the element ended holds text beside an element child, looking
// at the children that writtenAsReadSoFar did not.
bool Document::holdsMixedContent(const OpenElement& open) const {
    bool text = open.sawText;
    bool element = open.sawElement;
    for (const tinyxml2::XMLNode* child = open.lookedAt != nullptr ? open.lookedAt->NextSibling()
                                                                   : open.element->FirstChild();
         child != nullptr && !(text && element); child = child->NextSibling()) {
        text = text || isText(*child);
        element = element || child->ToElement() != nullptr;
    }
    return text && element;
}

void Document::ElementContentBegins(tinyxml2::XMLElement* element) {
    OpenElement* parent = open_.empty() ? nullptr : &open_.back();
    if (parent == nullptr) {
        rootVocabulary_ = nullptr;
    }
    const char* uri = nullptr;
    // Most documents are in no vocabulary: no call for each element.
    const Vocabulary* vocabulary =
        mayBeInVocabulary() || mayDeclareNamespaces_ ? vocabularyOf(*element, &uri) : nullptr;
    if (parent == nullptr) {
        if (vocabulary == nullptr && (uri == nullptr || uri[0] == '\0')) {
            vocabulary = vocabularyOfRoot(element->Name());
        }
        rootVocabulary_ = vocabulary;
    }
    const bool inXhtml = parent != nullptr && parent->xhtml;
    const Placement placement =
        vocabulary == &xhtml || inXhtml ? placementOf(*element, vocabulary, inXhtml) : Placement::elsewhere;
    bool inherited = false;
    if (parent != nullptr) {
        // An element in the line right after another one: their parent is
        // written as read before this one's content is parsed.
        if (!writtenAsReadSoFar(*parent) && parent->afterInline && inTheLine(placement)) {
            parent->writtenAsRead = true;
        }
        inherited = parent->writtenAsRead;
    }
    namespaces_.enter(*element);
    OpenElement open{element, vocabulary};
    open.inherited = inherited;
    open.xhtml = vocabulary == &xhtml;
    open.rawText = open.xhtml && holdsRawText(localName(*element));
    open.writtenAsRead = inherited || startsWrittenAsRead(*element, vocabulary, uri, placement);
    // One that preserves white space is written as read already.
    open.container =
        !open.writtenAsRead && vocabulary != nullptr && isContainer(*vocabulary, localName(*element));
    open_.push_back(open);
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
    ended.indented = ended.indented && ended.lineEndBefore;  // the place before the end tag
    holdsText_ = holdsText_ || holdsMixedContent(ended);
    // An XHTML element is in a document that may be a page.
    if (pageCandidate_ && ended.vocabulary != &svg && ended.vocabulary != &mathml) {
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
    bool dropped = false;
    if (ended.vocabulary == nullptr && !ended.indented) {
        // Written as read if the document holds text, which may show only
        // later: its white space is kept until then.
        addMark(*element, asReadInTextMark);
        droppedInUndescribed_ = droppedInUndescribed_ || ended.droppedInside;
    } else {
        dropped = ended.holdsLayout && !keepAllWhiteSpace_ && dropLayoutWhiteSpace(*element);
    }
    if ((dropped || ended.droppedInside) && !open_.empty()) {
        open_.back().droppedInside = true;
    }
}

}  // namespace quillen
