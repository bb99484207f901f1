// quillen's load rules. Each answers one way in which tinyxml2 would read a
// document wrongly or write it back broken.

#include "document.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace quillen {
namespace {

// tinyxml2 ends the document at an end tag that closes no element. It
// silently drops whatever follows that tag, and it keeps top-level text just
// before it, whose print would not load again. END is where its top-level
// parse stopped (null after a parse error).
bool strayEndTagLosesContent(const tinyxml2::XMLDocument& doc, char* end) {
    return end != nullptr && (*tinyxml2::XMLUtil::SkipWhiteSpace(end, nullptr) != '\0' ||
                              (doc.LastChild() != nullptr && doc.LastChild()->ToText() != nullptr));
}

// tinyxml2 reads a <! construct such as a document type declaration up to its
// first '>', even one inside an internal subset ("[ <!ENTITY ...> ]") or a
// quoted literal. The rest then becomes text, written back as "]&gt;", which
// no XML parser reads. What it read of such a construct leaves a '[' or a
// quote open.
bool endedEarly(const char* construct) {
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

bool doctypeEndedEarly(const tinyxml2::XMLDocument& doc) {
    for (const tinyxml2::XMLNode* node = doc.FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (node->ToUnknown() != nullptr && endedEarly(node->Value())) {
            return true;
        }
    }
    return false;
}

// The encoding that an XML declaration at the start of TEXT names, or "".
std::string declaredEncoding(const char* text) {
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
bool hasReferenceBeyondAscii(const char* text) {
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
bool referencesBeyondDeclaredEncoding(const char* text) {
    std::string encoding = declaredEncoding(text);
    for (char& c : encoding) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return !encoding.empty() && encoding != "UTF-8" && hasReferenceBeyondAscii(text);
}

// The library opens whatever the path names and reads it to its end: a FIFO
// or a terminal would block it for ever. An input that is neither a regular
// file nor a directory is refused, without opening it, as one whose length
// cannot be determined.
bool isLoadable(const platform::FileInfo& input) { return input.kind != platform::FileKind::other; }

}  // namespace

Document::Document(bool processEntities) : XMLDocument(processEntities, tinyxml2::PRESERVE_WHITESPACE) {}

tinyxml2::XMLError Document::result() const {
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

char* Document::ParseDeep(char* p, tinyxml2::StrPair* parentEndTag, int* curLineNumPtr) {
    referencesBeyondDeclaredEncoding_ = referencesBeyondDeclaredEncoding(p);
    char* end = XMLDocument::ParseDeep(p, parentEndTag, curLineNumPtr);
    strayEndTagLosesContent_ = strayEndTagLosesContent(*this, end);
    return end;
}

Loaded loadFile(const std::string& path, const platform::FileInfo& input) {
    auto doc = std::make_unique<Document>(true);
    if (!isLoadable(input)) {
        return {std::move(doc), tinyxml2::XML_ERROR_FILE_READ_ERROR};
    }
    doc->LoadFile(path.c_str());
    const tinyxml2::XMLError result = doc->result();
    return {std::move(doc), result};
}

Loaded loadText(const char* text, std::size_t size) {
    auto doc = std::make_unique<Document>(true);
    doc->Parse(text, size);
    const tinyxml2::XMLError result = doc->result();
    return {std::move(doc), result};
}

}  // namespace quillen
