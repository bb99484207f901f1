// The scans of a document's text that tinyxml2 does not make, before it
// parses the text: where the document type declaration starts and ends,
// which encoding the XML declaration names, and whether decoding a reference
// would change the document.

#include "scan.h"

#include <tinyxml2.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string>

namespace quillen {
namespace {

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool isUtf8(std::string encoding) {
    for (char& c : encoding) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return encoding.empty() || encoding == "UTF-8";
}

// An encoding's name in capitals, without '-', '_', '.', ':' or blanks and
// without a leading "X-": "iso-2022-jp" is "ISO2022JP", "IBM037" "IBM37".
std::string normalisedName(const std::string& encoding) {
    std::string name;
    for (const char c : encoding) {
        if (std::strchr("-_.: ", c) == nullptr) {
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    if (encoding.size() > 2 && (encoding[1] == '-' || encoding[1] == '_') && name[0] == 'X') {
        name.erase(0, 1);
    }
    // Code page numbers without leading zeros.
    const std::string::size_type digits = name.find_first_of("0123456789");
    const std::string::size_type first = name.find_first_not_of('0', digits);
    if (digits != std::string::npos && first != std::string::npos && first > digits &&
        std::isdigit(static_cast<unsigned char>(name[first])) != 0) {
        name.erase(digits, first - digits);
    }
    return name;
}

bool startsWithAny(const std::string& name, std::initializer_list<const char*> prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const char* prefix) { return startsWith(name.c_str(), prefix); });
}

// The EBCDIC code pages, by number, as IBM, CP or CSIBM names give them.
bool isEbcdicCodePage(const std::string& name) {
    static const std::array<int, 70> numbers{
        37,   273,  274,  275,  277,  278,  280,  281,  284,  285,  290,  297,  420,  423,
        424,  425,  500,  833,  836,  838,  870,  871,  875,  880,  905,  918,  930,  933,
        935,  937,  939,  1025, 1026, 1047, 1097, 1112, 1122, 1123, 1130, 1132, 1137, 1140,
        1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1153, 1154, 1155, 1156, 1157,
        1158, 1159, 1160, 1161, 1162, 1163, 1164, 1165, 1166, 1364, 1371, 1388, 1390, 1399};
    for (const char* prefix : {"CSIBM", "IBM", "CP"}) {
        const std::string digits = startsWith(name.c_str(), prefix) ? name.substr(std::strlen(prefix)) : "";
        if (!digits.empty() && digits.size() <= 5 &&
            digits.find_first_not_of("0123456789") == std::string::npos) {
            return std::find(numbers.begin(), numbers.end(), std::stoi(digits)) != numbers.end();
        }
    }
    return false;
}

// A character that tinyxml2 can write back raw, in place of its reference,
// and that reads back as the same character: not white space or another
// control character (XML 1.1 allows those only as references; a line end in
// an attribute reads back as a space, a carriage return in text as a line
// feed), not a code point that is no character, and under an encoding other
// than UTF-8 only ASCII, since tinyxml2 writes UTF-8 whatever the XML
// declaration names.
bool writesBackAsItself(unsigned long code, bool utf8) {
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    const bool noCharacter =
        (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
    return !control && !noCharacter && (utf8 || code < 0x80);
}

bool isPredefinedEntity(const std::string& name) {
    return name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos";
}

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

// Whether the reference at P (its '&') would mean something else once
// tinyxml2 has decoded it and written the result back: an entity other than
// the five predefined ones, whose '&' it would escape; a character
// reference whose character does not write back as itself; and a "&#" that
// starts no complete character reference, for each of which tinyxml2 would
// search the rest of the text for a ';'.
bool decodingChanges(const char* p, bool utf8) {
    if (p[1] != '#') {
        const char* name = p + 1;
        const char* end = name;
        while (*end != '\0' && isNameByte(*end)) {
            ++end;
        }
        return end != name && *end == ';' && !isPredefinedEntity(std::string(name, end));
    }
    const unsigned long radix = p[2] == 'x' ? 16 : 10;
    const char* digits = p + (radix == 16 ? 3 : 2);
    const char* end = digits;
    unsigned long code = 0;
    for (; digitValue(*end) < radix; ++end) {
        code = std::min(code * radix + digitValue(*end), 0x110000UL);  // beyond every character
    }
    return end == digits || *end != ';' || !writesBackAsItself(code, utf8);
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

}  // namespace

char* doctypeStart(char* text) {
    char* p = tinyxml2::XMLUtil::SkipWhiteSpace(text, nullptr);
    while (!startsWith(p, "<!DOCTYPE")) {
        char* next = pastCommentOrInstruction(p);
        if (next == nullptr || next == p) {
            return nullptr;
        }
        p = tinyxml2::XMLUtil::SkipWhiteSpace(next, nullptr);
    }
    return p;
}

char* doctypeEnd(char* doctype) {
    bool inSubset = false;
    char* p = doctype + std::strlen("<!DOCTYPE");
    while (p != nullptr && *p != '\0') {
        char* next = inSubset ? pastCommentOrInstruction(p) : p;
        if (next != p) {
            p = next;
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

bool decodingWouldChange(const char* text, const std::string& encoding) {
    const bool utf8 = isUtf8(encoding);
    for (const char* p = std::strchr(text, '&'); p != nullptr; p = std::strchr(p + 1, '&')) {
        if (decodingChanges(p, utf8)) {
            return true;
        }
    }
    return false;
}

bool bytesBelow0x80AreAscii(const std::string& encoding) {
    const std::string name = normalisedName(encoding);
    const bool unicodeNotUtf8 =
        startsWithAny(name, {"UNICODE", "CSUNICODE"}) && name.compare(name.size() - 4, 4, "UTF8") != 0;
    return !(
        startsWithAny(name, {"UTF7", "UTF16", "UTF32", "UCS2", "UCS4", "ISO10646UCS", "ISO10646UTF1", "UTF1",
                             "UTFEBCDIC", "ISO2022", "CSISO2022", "EBCDIC", "CSEBCDIC", "SCSU", "BOCU"}) ||
        name == "HZ" || name == "HZGB2312" || unicodeNotUtf8 || isEbcdicCodePage(name));
}

}  // namespace quillen
