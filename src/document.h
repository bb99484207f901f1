// The document as quillen reads it: tinyxml2's parse, and the rules that
// refuse what tinyxml2 would read wrongly or write back broken. The program
// and the fuzzing target share them.

#pragma once

#include <tinyxml2.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform.h"

namespace quillen {

// A tinyxml2 document (white space preserved) whose top-level parse runs
// through quillen's rules.
class Document : public tinyxml2::XMLDocument {
public:
    explicit Document(bool processEntities);

    // The result of the parse: tinyxml2's own code, or the code of the first
    // rule that refuses the document.
    tinyxml2::XMLError result() const;

    // Set when the parse stopped at once because the document's references
    // must be kept as written: its text, to be parsed again so.
    const char* textToKeepAsWritten() const { return textToKeepAsWritten_; }

protected:
    // The top-level parse: the text is still as read before it, and after it
    // is where the document ended.
    char* ParseDeep(char* p, tinyxml2::StrPair* parentEndTag, int* curLineNumPtr) override;

private:
    char* parseThroughDoctype(char* p, char* doctype, int* curLineNumPtr);

    const char* textToKeepAsWritten_ = nullptr;
    const tinyxml2::XMLNode* doctype_ = nullptr;  // the declaration read whole
    bool encodingNotAsciiBased_ = false;
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
