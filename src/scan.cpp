// The scans of a document's text that tinyxml2 does not make, before it
// parses the text: what the XML declaration says, where the document type
// declaration starts and ends, whether decoding a reference would change the
// document, and whether tinyxml2 would end a CDATA section inside a
// character.

#include "scan.h"

#include <tinyxml2.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

#include "vocabularies.h"

namespace quillen {
namespace {

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool startsWithAnyCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (std::tolower(static_cast<unsigned char>(*text)) !=
            std::tolower(static_cast<unsigned char>(*prefix))) {
            return false;
        }
    }
    return true;
}

// A character that tinyxml2 can write back raw, in place of its reference,
// and that reads back as the same character: not white space or another
// control character (a space written as "&#32;" is content, which decoded
// would look like layout; XML 1.1 allows control characters only as
// references; a line end in an attribute reads back as a space, a carriage
// return in text as a line feed), not a code point that is no character,
// not a line end of XML 1.1 in a document of that version, and under
// US-ASCII only ASCII, since tinyxml2 writes UTF-8.
bool writesBackAsItself(unsigned long code, bool utf8, bool xml11) {
    const bool control = code <= 0x20 || (code >= 0x7F && code <= 0x9F);
    const bool noCharacter =
        (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
    return !control && !noCharacter && !(xml11 && code == 0x2028) && (utf8 || code < 0x80);
}

// The five predefined entities, each with the character it stands for.
struct PredefinedEntity {
    const char* name;
    char character;
};
constexpr std::array<PredefinedEntity, 5> predefinedEntities{
    {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};

bool isNameByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || std::strchr("_:.-", c) != nullptr ||
           static_cast<unsigned char>(c) >= 0x80;
}

// A digit's value, up to 15 for 'f' or 'F'; 16 for anything else.
unsigned long digitValue(char c) {
    const char* digits = "0123456789abcdef";
    const char* digit =
        c != '\0' ? std::strchr(digits, std::tolower(static_cast<unsigned char>(c))) : nullptr;
    return digit != nullptr ? static_cast<unsigned long>(digit - digits) : 16;
}

// The predefined entity that the reference at P (its '&') names, if any.
const PredefinedEntity* predefinedReference(const char* p) {
    const auto* found = std::find_if(
        predefinedEntities.begin(), predefinedEntities.end(), [&](const PredefinedEntity& entity) {
            return startsWith(p + 1, entity.name) && p[1 + std::strlen(entity.name)] == ';';
        });
    return found != predefinedEntities.end() ? found : nullptr;
}

bool isPredefinedReference(const char* p) { return predefinedReference(p) != nullptr; }

// Whether the character reference at P (its "&#") is complete: digits,
// then ';'. Its code point is then in CODE (0x110000 for any beyond every
// character), its ';' in END.
bool readCharacterReference(const char* p, unsigned long& code, const char*& end) {
    const unsigned long radix = p[2] == 'x' ? 16 : 10;
    const char* digits = p + (radix == 16 ? 3 : 2);
    code = 0;
    for (end = digits; digitValue(*end) < radix; ++end) {
        code = std::min(code * radix + digitValue(*end), 0x110000UL);
    }
    return end != digits && *end == ';';
}

// Whether the reference at P (its '&') would mean something else once
// tinyxml2 has decoded it and written the result back: an entity other than
// the five predefined ones, whose '&' it would escape; a character
// reference whose character does not write back as itself; and a "&#" that
// starts no complete character reference, for each of which tinyxml2 would
// search the rest of the text for a ';'.
bool decodingChanges(const char* p, bool utf8, bool xml11) {
    if (p[1] != '#') {
        const char* name = p + 1;
        const char* end = name;
        while (*end != '\0' && isNameByte(*end)) {
            ++end;
        }
        return end != name && *end == ';' && !isPredefinedReference(p);
    }
    unsigned long code = 0;
    const char* end = nullptr;
    return !readCharacterReference(p, code, end) || !writesBackAsItself(code, utf8, xml11);
}

// Past the comment or processing instruction that starts at P: where it
// ends, P itself when none starts there, null when the text ends first.
char* pastCommentOrInstruction(char* p) {
    const bool comment = startsWith(p, "<!--");
    if (!comment && !startsWith(p, "<?")) {
        return p;
    }
    const char* close = comment ? "-->" : "?>";
    char* end = std::strstr(p + (comment ? 4 : 2), close);
    return end != nullptr ? end + std::strlen(close) : nullptr;
}

// Appends the character CODE to TEXT in UTF-8.
void appendUtf8(std::string& text, unsigned long code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
        return;
    }
    const int trailing = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    text += static_cast<char>((0xF00U >> trailing) | (code >> (6 * trailing)));
    for (int shift = 6 * (trailing - 1); shift >= 0; shift -= 6) {
        text += static_cast<char>(0x80 | ((code >> shift) & 0x3F));
    }
}

}  // namespace

bool equalsAnyCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string decodeReferences(const char* value) {
    std::string decoded;
    for (const char* p = value; *p != '\0'; ++p) {
        const PredefinedEntity* entity = *p == '&' ? predefinedReference(p) : nullptr;
        unsigned long code = 0;
        const char* end = nullptr;
        if (entity != nullptr) {
            decoded += entity->character;
            p += 1 + std::strlen(entity->name);
        } else if (*p == '&' && p[1] == '#' && readCharacterReference(p, code, end) && code < 0x110000UL) {
            appendUtf8(decoded, code);
            p = end;
        } else {
            decoded += *p;
        }
    }
    return decoded;
}

bool mayDeclareXhtml(const char* text) {
    const char* first = std::strstr(text, "xmlns");
    if (first == nullptr) {
        return false;  // most data: one pass
    }
    if (std::strstr(text, xhtmlNamespace.data()) != nullptr) {
        return true;
    }
    for (const char* p = first; p != nullptr; p = std::strstr(p + 1, "xmlns")) {
        const char* q = p + std::strlen("xmlns");
        while (isNameByte(*q)) {
            ++q;
        }
        q = tinyxml2::XMLUtil::SkipWhiteSpace(q, nullptr);
        if (*q != '=') {
            continue;
        }
        q = tinyxml2::XMLUtil::SkipWhiteSpace(q + 1, nullptr);
        const char* end = *q == '"' || *q == '\'' ? std::strchr(q + 1, *q) : nullptr;
        if (end != nullptr && std::find(q + 1, end, '&') != end) {
            return true;
        }
    }
    return false;
}

char* doctypeStart(char* text) {
    char* p = tinyxml2::XMLUtil::SkipWhiteSpace(text, nullptr);
    while (!startsWithAnyCase(p, "<!DOCTYPE")) {
        char* next = pastCommentOrInstruction(p);
        if (next == nullptr || next == p) {
            return nullptr;
        }
        p = tinyxml2::XMLUtil::SkipWhiteSpace(next, nullptr);
    }
    return p;
}

char* doctypeEnd(char* doctype, EncodingClass encoding) {
    bool inSubset = false;
    char* p = doctype + std::strlen("<!DOCTYPE");
    while (p != nullptr && *p != '\0') {
        char* next = inSubset ? pastCommentOrInstruction(p) : p;
        if (next != p) {
            p = next;
            continue;
        }
        if (characterLength(p, encoding) == 2) {
            p += 2;  // a second byte may be '[' or ']'
            continue;
        }
        if (*p == '"' || *p == '\'') {
            p = std::strchr(p + 1, *p);
        } else if (*p == '[' || *p == ']') {
            inSubset = *p == '[';
        } else if (*p == '>' && !inSubset) {
            return p;
        }
        p = p != nullptr ? p + 1 : nullptr;
    }
    return nullptr;
}

DoctypeNames doctypeNames(const char* doctype) {
    DoctypeNames names;
    const char* p = tinyxml2::XMLUtil::SkipWhiteSpace(doctype + std::strlen("<!DOCTYPE"), nullptr);
    const char* root = p;
    while (*p != '\0' && !tinyxml2::XMLUtil::IsWhiteSpace(*p) && *p != '[' && *p != '>') {
        ++p;
    }
    names.root = std::string_view(root, static_cast<std::size_t>(p - root));
    p = tinyxml2::XMLUtil::SkipWhiteSpace(p, nullptr);
    if (!startsWith(p, "PUBLIC")) {
        return names;
    }
    p = tinyxml2::XMLUtil::SkipWhiteSpace(p + std::strlen("PUBLIC"), nullptr);
    const char* end = *p == '"' || *p == '\'' ? std::strchr(p + 1, *p) : nullptr;
    if (end != nullptr) {
        names.publicId = std::string_view(p + 1, static_cast<std::size_t>(end - p - 1));
    }
    return names;
}

bool crNelSplit(const char* text, const XmlDeclaration& declaration, EncodingClass encoding) {
    // NEL is 0xC2 0x85 in UTF-8 and 0x85 in the ISO-8859 family; elsewhere
    // 0x85 is another character ("…" in windows-1252), or starts one.
    if (declaration.version != "1.1") {
        return false;
    }
    const char* crNel = encoding == EncodingClass::utf8       ? "\r\xC2\x85"
                        : encoding == EncodingClass::asciiNel ? "\r\x85"
                                                              : nullptr;
    return crNel != nullptr && std::strstr(text, crNel) != nullptr;
}

XmlDeclaration xmlDeclaration(const char* text) {
    XmlDeclaration declaration;
    const char* p = tinyxml2::XMLUtil::SkipWhiteSpace(text, nullptr);
    if (std::strncmp(p, "<?xml", 5) != 0 || !tinyxml2::XMLUtil::IsWhiteSpace(p[5])) {
        return declaration;
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
            return declaration;
        }
        p = tinyxml2::XMLUtil::SkipWhiteSpace(p + 1, nullptr);
        const char quote = *p;
        const char* end = quote == '"' || quote == '\'' ? std::strchr(p + 1, quote) : nullptr;
        if (end == nullptr) {
            return declaration;
        }
        if (attribute == "version") {
            declaration.version.assign(p + 1, end);
        } else if (attribute == "encoding") {
            declaration.encoding.assign(p + 1, end);
            declaration.namesEncoding = true;
        }
        p = end + 1;
    }
}

bool decodingWouldChange(const char* text, const XmlDeclaration& declaration, EncodingClass encoding) {
    // tinyxml2 writes what a character reference decodes to in UTF-8, and
    // in an encoding that is not a superset of ASCII even an ASCII character
    // may be other bytes (under Shift_JIS, 0x5C is the yen sign): in
    // another encoding than UTF-8 and US-ASCII every reference but the five
    // predefined ones is kept, with no guess at where a character starts.
    const bool utf8 = encoding == EncodingClass::utf8;
    const bool usAscii = namesUsAscii(declaration.encoding);
    const bool xml11 = declaration.version == "1.1";
    for (const char* p = std::strchr(text, '&'); p != nullptr; p = std::strchr(p + 1, '&')) {
        if (utf8 || usAscii ? decodingChanges(p, utf8, xml11) : !isPredefinedReference(p)) {
            return true;
        }
    }
    return false;
}

bool cdataEndMisread(const char* text, EncodingClass encoding) {
    if (leadBytes(encoding) == nullptr) {
        return false;
    }
    for (const char* p = std::strstr(text, "<![CDATA["); p != nullptr; p = std::strstr(p, "<![CDATA[")) {
        p += std::strlen("<![CDATA[");
        while (*p != '\0' && !startsWith(p, "]]>")) {
            const std::size_t length = characterLength(p, encoding);
            if (length == 2 && p[1] == ']' && startsWith(p + 2, "]>")) {
                return true;
            }
            p += length;
        }
    }
    return false;
}

}  // namespace quillen
