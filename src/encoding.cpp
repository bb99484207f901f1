// The classes of encodings, by name, and the characters of double-byte
// encodings.

#include "encoding.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <string>

namespace quillen {
namespace {

struct EncodingName {
    const char* name;
    // cppcheck-suppress unusedStructMember ; set by the generated rows, which it does not read
    EncodingClass encoding;
};

// Sorted by name, as strcmp orders them; as many as the generated rows.
// NOLINTNEXTLINE(modernize-avoid-c-arrays)
constexpr EncodingName encodingNames[] = {
#include "encodings.inc"
};

// An encoding's name in capitals, without '-', '_', '.', ':' or blanks and
// without a leading "X-": "iso-2022-jp" is "ISO2022JP"; the first number
// without its leading zeros: "IBM037" is "IBM37".
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
    const std::string::size_type digits = name.find_first_of("0123456789");
    const std::string::size_type first = name.find_first_not_of('0', digits);
    if (digits != std::string::npos && first != std::string::npos && first > digits &&
        std::isdigit(static_cast<unsigned char>(name[first])) != 0) {
        name.erase(digits, first - digits);
    }
    return name;
}

}  // namespace

EncodingClass encodingClass(const std::string& name) {
    const std::string key = normalisedName(name);
    const auto* found = std::lower_bound(std::begin(encodingNames), std::end(encodingNames), key,
                                         [](const EncodingName& entry, const std::string& wanted) {
                                             return std::strcmp(entry.name, wanted.c_str()) < 0;
                                         });
    return found != std::end(encodingNames) && key == found->name ? found->encoding : EncodingClass::ascii;
}

std::size_t characterLength(const char* p, EncodingClass encoding) {
    const auto byte = static_cast<unsigned char>(*p);
    const bool lead = (encoding == EncodingClass::doubleByte && byte >= 0x81 && byte <= 0xFE) ||
                      (encoding == EncodingClass::shiftJis &&
                       ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)));
    return lead && p[1] != '\0' ? 2 : 1;
}

}  // namespace quillen
