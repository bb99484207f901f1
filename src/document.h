// The document as quillen reads it: tinyxml2's parse, and the rules that refuse
// what tinyxml2 would read wrongly or write back broken. The program and the
// fuzzing target share it.

#pragma once

#include <tinyxml2.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace quillen {

// tinyxml2 ends the document at an end tag that closes no element. It
// silently drops whatever follows that tag, and it keeps top-level text just
// before it, whose print would not load again. END is where its top-level
// parse stopped (null after a parse error).
inline bool strayEndTagLosesContent(const tinyxml2::XMLDocument& doc, char* end) {
    return end != nullptr && (*tinyxml2::XMLUtil::SkipWhiteSpace(end, nullptr) != '\0' ||
                              (doc.LastChild() != nullptr && doc.LastChild()->ToText() != nullptr));
}

// tinyxml2 reads a <! construct such as a document type declaration up to its
// first '>', even one inside an internal subset ("[ <!ENTITY ...> ]") or a
// quoted literal. The rest then becomes text, written back as "]&gt;", which
// no XML parser reads. What it read of such a construct leaves a '[' or a
// quote open.
inline bool endedEarly(const char* construct) {
    char quote = '\0';
    int openBrackets = 0;
    for (const char* p = construct; *p != '\0'; ++p) {
        if (quote != '\0') {
            quote = *p == quote ? '\0' : quote;
        } else if (*p == '"' || *p == '\'') {
            quote = *p;
        } else if (*p == '[') {
            ++openBrackets;
        } else if (*p == ']') {
            --openBrackets;
        }
    }
    return quote != '\0' || openBrackets > 0;
}

inline bool doctypeEndedEarly(const tinyxml2::XMLDocument& doc) {
    for (const tinyxml2::XMLNode* node = doc.FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (node->ToUnknown() != nullptr && endedEarly(node->Value())) {
            return true;
        }
    }
    return false;
}

// The encoding that an XML declaration at the start of TEXT names, or "".
inline std::string declaredEncoding(const char* text) {
    const char* p = tinyxml2::XMLUtil::SkipWhiteSpace(text, nullptr);
    if (std::strncmp(p, "<?xml", 5) != 0 || !tinyxml2::XMLUtil::IsWhiteSpace(p[5])) {
        return "";
    }
    p += 5;
    // Pseudo-attributes: name = "value" or name = 'value'.
    for (;;) {
        p = tinyxml2::XMLUtil::SkipWhiteSpace(p, nullptr);
        const char* name = p;
        while (std::isalpha(static_cast<unsigned char>(*p)) != 0) {
            ++p;
        }
        const std::string attribute(name, p);
        p = tinyxml2::XMLUtil::SkipWhiteSpace(p, nullptr);
        if (attribute.empty() || *p != '=') {
            return "";
        }
        p = tinyxml2::XMLUtil::SkipWhiteSpace(p + 1, nullptr);
        const char quote = *p;
        const char* end = quote == '"' || quote == '\'' ? std::strchr(p + 1, quote) : nullptr;
        if (end == nullptr) {
            return "";
        }
        if (attribute == "encoding") {
            return {p + 1, end};
        }
        p = end + 1;
    }
}

// Whether TEXT holds a character reference to a character beyond ASCII
// (&#233; or &#xE9;), in markup or not.
inline bool hasReferenceBeyondAscii(const char* text) {
    for (const char* p = std::strstr(text, "&#"); p != nullptr; p = std::strstr(p + 2, "&#")) {
        const int radix = p[2] == 'x' ? 16 : 10;
        const char* digits = p + (radix == 16 ? 3 : 2);
        char* end = nullptr;
        if (std::isxdigit(static_cast<unsigned char>(*digits)) != 0 &&
            std::strtoul(digits, &end, radix) >= 0x80 && *end == ';') {
            return true;
        }
    }
    return false;
}

// tinyxml2 decodes a character reference into UTF-8 bytes whatever encoding
// the XML declaration names, and keeps the declaration: under any other
// encoding the output would hold bytes that read as other characters ("café"
// written as "cafÃ©" for ISO-8859-1). Scans the text before it is parsed,
// and only when it declares an encoding other than UTF-8.
inline bool referencesBeyondDeclaredEncoding(const char* text) {
    std::string encoding = declaredEncoding(text);
    for (char& c : encoding) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return !encoding.empty() && encoding != "UTF-8" && hasReferenceBeyondAscii(text);
}

// A tinyxml2 document (entities processed, white space preserved) whose top-
// level parse runs through the rules above.
class CheckedDocument : public tinyxml2::XMLDocument {
public:
    // The result of the last LoadFile or Parse: tinyxml2's own code, or the
    // code of the first rule that refuses the document.
    tinyxml2::XMLError result() const {
        if (Error()) {
            return ErrorID();
        }
        if (strayEndTagLosesContent_) {
            return tinyxml2::XML_ERROR_MISMATCHED_ELEMENT;
        }
        if (doctypeEndedEarly(*this)) {
            return tinyxml2::XML_ERROR_PARSING_UNKNOWN;
        }
        if (referencesBeyondDeclaredEncoding_) {
            return tinyxml2::XML_ERROR_PARSING_DECLARATION;
        }
        return tinyxml2::XML_SUCCESS;
    }

protected:
    // The top-level parse: the text is still as read before it, and after it
    // is where the document ended.
    char* ParseDeep(char* p, tinyxml2::StrPair* parentEndTag, int* curLineNumPtr) override {
        referencesBeyondDeclaredEncoding_ = referencesBeyondDeclaredEncoding(p);
        char* end = XMLDocument::ParseDeep(p, parentEndTag, curLineNumPtr);
        strayEndTagLosesContent_ = strayEndTagLosesContent(*this, end);
        return end;
    }

private:
    bool referencesBeyondDeclaredEncoding_ = false;
    bool strayEndTagLosesContent_ = false;
};

}  // namespace quillen
