// The document as quillen reads it: tinyxml2's parse, and the rules that
// refuse what tinyxml2 would read wrongly or write back broken. The program
// and the fuzzing target share them.

#pragma once

#include <tinyxml2.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "encoding.h"
#include "namespaces.h"
#include "platform.h"
#include "vocabularies.h"

namespace quillen {

// A tinyxml2 document whose parse runs through quillen's rules. Inside an
// element, white space before markup is read as text (tinyxml2 would skip
// it); as soon as an element ends, the runs that are only layout are
// dropped, and those of an element written as read are kept.
class Document : public tinyxml2::XMLDocument {
public:
    // KEEPALLWHITESPACE keeps every run until the end of the parse, for a
    // document in which one was dropped before an ancestor turned out to be
    // written as read.
    Document(bool processEntities, bool keepAllWhiteSpace);

    // The result of the parse: tinyxml2's own code, or the code of the first
    // rule that refuses the document.
    tinyxml2::XMLError result() const;

    // Whether the text starts with white space, told before the parse.
    void setStartsWithWhiteSpace(bool startsWithWhiteSpace) { startsWithWhiteSpace_ = startsWithWhiteSpace; }

    // Whether the file is named as a page (.html, .htm), which a browser
    // reads with its HTML parser, told before the parse.
    void setNamedAsPage(bool namedAsPage) { namedAsPage_ = namedAsPage; }
    bool namedAsPage() const { return namedAsPage_; }

    // Whether the document is read as a page: it declares the XHTML
    // namespace, names an XHTML or HTML DTD, or its root is html in a file
    // named as a page.
    bool isPage() const { return page_; }

    // Whether some element holds text beside an element child: a document
    // of text, in which white space that quillen does not know for layout
    // is written as read.
    bool holdsText() const { return holdsText_; }

    // Set when the parse stopped at once because the document's references
    // must be kept as written: its text, to be parsed again so.
    const char* textToKeepAsWritten() const { return textToKeepAsWritten_; }

    // Set when white space that is not only layout was dropped during the
    // parse: the document must be read again with every run kept.
    bool droppedWhiteSpaceTooSoon() const { return droppedWhiteSpaceTooSoon_; }

    // Whether ELEMENT is written as read for a reason of its own: it holds
    // text, it preserves white space, it is a verbatim or an inline XHTML
    // element, its vocabulary allows text in it, or, in a document of text,
    // no vocabulary describes it and its author did not indent it. Its
    // descendants are written as read too, and so are those of an element
    // that turned out to hold text only after they ended.
    static bool startsWrittenAsRead(const tinyxml2::XMLElement& element);

    // Whether ELEMENT, in a page, was written with an end tag: it keeps it
    // when nothing is left to print inside, since HTML reads <script/>,
    // <a/> or <fb:like/> as a start tag alone.
    static bool keepsEndTag(const tinyxml2::XMLElement& element);

    // Whether TEXT is only white space (space, tab, CR, LF) and no CDATA
    // section: the layout that quillen re-indents, outside elements written
    // as read.
    static bool isOnlyWhiteSpace(const tinyxml2::XMLText& text);

protected:
    // The top-level parse: the text is still as read before it, and after it
    // is where the document ended.
    char* ParseDeep(char* p, tinyxml2::StrPair* parentEndTag, int* curLineNumPtr) override;

    void ElementContentBegins(tinyxml2::XMLElement* element) override;
    void ElementContentEnds(tinyxml2::XMLElement* element) override;

private:
    // Where a browser puts an element among its siblings: in the line, in
    // the line as a list item may be, nowhere (it draws nothing), or
    // elsewhere (a block). Between two in the line that touch, it shows a
    // line end as a space.
    enum class Placement { inLine, listItem, nowhere, elsewhere };

    // An element whose content is being parsed.
    struct OpenElement {
        tinyxml2::XMLElement* element;
        const Vocabulary* vocabulary;                 // null where none describes it
        const tinyxml2::XMLNode* lookedAt = nullptr;  // its last child looked at
        bool inherited = false;                       // an ancestor was written as read when it began
        bool writtenAsRead = false;                   // it is, as far as known yet
        bool holdsLayout = false;                     // a child of only white space was seen
        bool droppedInside = false;                   // white space was dropped inside it
        bool afterInline = false;                     // the last child looked at is in the line
        bool xhtml = false;                           // it is an XHTML element
        bool rawText = false;                         // it is XHTML's script or style
        bool container = false;                       // written as read unless it holds only blocks
        bool sawText = false;                         // a child of text was seen
        bool sawElement = false;                      // a child element was seen
        bool lineEndBefore = false;                   // white space with a line end since the last child
        bool indented = true;                         // every place among its children so far had one
    };

    char* parseThroughDoctype(char* p, char* doctype, int* curLineNumPtr);
    bool writtenAsReadSoFar(OpenElement& open);
    void lookAtChildElement(OpenElement& open, const tinyxml2::XMLElement& child);
    bool holdsMixedContent(const OpenElement& open) const;
    const Vocabulary* vocabularyOf(const tinyxml2::XMLElement& element, const char** uri = nullptr) const;
    bool startsWrittenAsRead(const tinyxml2::XMLElement& element, const Vocabulary* vocabulary,
                             const char* uri, Placement placement) const;
    Placement placementOf(const tinyxml2::XMLElement& element, const Vocabulary* vocabulary,
                          bool inXhtml) const;
    void lookAtParsingModes(OpenElement& open, const tinyxml2::XMLElement& child);
    static bool inTheLine(Placement placement) {
        return placement == Placement::inLine || placement == Placement::listItem;
    }
    // Whether an element may be in a vocabulary without declaring a
    // namespace of its own: most documents are in none.
    bool mayBeInVocabulary() const {
        return namespaces_.seenAny() || rootVocabulary_ != nullptr || doctypeVocabulary_ != nullptr;
    }

    std::vector<OpenElement> open_;
    Namespaces namespaces_;
    bool keepAllWhiteSpace_;
    bool droppedWhiteSpaceTooSoon_ = false;
    bool droppedInUndescribed_ = false;  // inside an element written as read if the document holds text
    bool holdsText_ = false;
    bool namedAsPage_ = false;
    bool mayDeclareNamespaces_ = false;  // the text holds "xmlns"
    bool pageCandidate_ = false;         // it may be a page: every element's end tag is noted
    bool page_ = false;
    bool holdsXhtml_ = false;  // an element without content is in XHTML
    std::string pristine_;     // the text as read, where the parse may show a page
    const Vocabulary* doctypeVocabulary_ = nullptr;
    const Vocabulary* rootVocabulary_ = nullptr;  // of the last top-level element with content

    const char* textToKeepAsWritten_ = nullptr;
    const tinyxml2::XMLNode* doctype_ = nullptr;  // the declaration read whole
    EncodingClass encoding_ = EncodingClass::ascii;
    bool startsWithWhiteSpace_ = false;
    bool empty_ = false;                // a byte-order mark and white space
    bool markAfterWhiteSpace_ = false;  // a byte-order mark after white space
    bool encodingMisread_ = false;      // tinyxml2 would misread the declared encoding
    bool lineEndMisread_ = false;       // tinyxml2 would read one line end as two
    bool doctypeUnterminated_ = false;
    bool strayEndTag_ = false;
};

struct Loaded {
    std::unique_ptr<Document> doc;
    tinyxml2::XMLError result;
};

// Loads the file at PATH, which INPUT describes.
Loaded loadFile(const std::string& path, const platform::FileInfo& input);

// Loads a document from memory, as loadFile would from a file of these bytes.
Loaded loadText(const char* text, std::size_t size);

}  // namespace quillen
