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

    // Set when the parse stopped at once because the document's references
    // must be kept as written: its text, to be parsed again so.
    const char* textToKeepAsWritten() const { return textToKeepAsWritten_; }

    // Set when white space that is not only layout was dropped during the
    // parse: the document must be read again with every run kept.
    bool droppedWhiteSpaceTooSoon() const { return droppedWhiteSpaceTooSoon_; }

    // Whether ELEMENT is written as read for a reason of its own: it holds
    // text, it preserves white space, it is a verbatim or an inline XHTML
    // element, or its vocabulary allows text in it. Its descendants are
    // written as read too, and so are those of an element that turned out
    // to hold text only after they ended.
    static bool startsWrittenAsRead(const tinyxml2::XMLElement& element);

    // Whether ELEMENT is an XHTML element that the input wrote with an end
    // tag: it keeps it when nothing is left to print inside, since HTML
    // reads <script/> or <a/> as a start tag alone.
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
    // An element whose content is being parsed.
    struct OpenElement {
        tinyxml2::XMLElement* element;
        const tinyxml2::XMLNode* lookedAt;  // its last child looked at
        bool inherited;                     // an ancestor was written as read when it began
        bool writtenAsRead;                 // it is, as far as known yet
        bool holdsLayout;                   // a child of only white space was seen
        bool droppedInside;                 // white space was dropped inside it
        bool afterInline;                   // the last child looked at is an inline XHTML element
        bool xhtml;                         // it is an XHTML element
        bool rawText;                       // it is XHTML's script or style
    };

    char* parseThroughDoctype(char* p, char* doctype, int* curLineNumPtr);
    bool writtenAsReadSoFar(OpenElement& open);
    Vocabulary vocabularyOf(const tinyxml2::XMLElement& element, const char** uri = nullptr) const;
    bool startsWrittenAsRead(const tinyxml2::XMLElement& element, Vocabulary vocabulary, const char* uri,
                             const OpenElement* parent) const;
    enum class Placement { inLine, nowhere, elsewhere };
    Placement placementOf(const tinyxml2::XMLElement& element, const OpenElement& parent) const;

    std::vector<OpenElement> open_;
    Namespaces namespaces_;
    bool keepAllWhiteSpace_;
    bool droppedWhiteSpaceTooSoon_ = false;
    Vocabulary doctypeVocabulary_ = Vocabulary::none;
    Vocabulary rootVocabulary_ = Vocabulary::none;  // of the last top-level element with content

    const char* textToKeepAsWritten_ = nullptr;
    const tinyxml2::XMLNode* doctype_ = nullptr;  // the declaration read whole
    EncodingClass encoding_ = EncodingClass::ascii;
    bool startsWithWhiteSpace_ = false;
    bool empty_ = false;                // a byte-order mark and white space
    bool markAfterWhiteSpace_ = false;  // a byte-order mark after white space
    bool encodingMisread_ = false;      // tinyxml2 would misread the declared encoding
    bool lineEndMisread_ = false;       // tinyxml2 would read one line end as two
    bool doctypeUnterminated_ = false;
    bool strayEndTagLosesContent_ = false;
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
