// The classes of encodings, by name, and the characters of double-byte
// encodings.

#include "encoding.h"

#include <algorithm>
#include <array>
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

// tinyxml2 would take an encoding that none of the sources knows for
// ASCII-based, and pass its bytes through: whether a byte below 0x80 is
// always its ASCII character in it cannot be checked, so it is refused.
EncodingClass encodingClass(const std::string& name) {
    if (name.empty()) {
        return EncodingClass::ascii;
    }
    const std::string key = normalisedName(name);
    const auto* found = std::lower_bound(std::begin(encodingNames), std::end(encodingNames), key,
                                         [](const EncodingName& entry, const std::string& wanted) {
                                             return std::strcmp(entry.name, wanted.c_str()) < 0;
                                         });
    return found != std::end(encodingNames) && key == found->name ? found->encoding : EncodingClass::refused;
}

namespace {

// Lead bytes: 0x81 to 0xFE, and in the Shift_JIS family 0x81 to 0x9F and
// 0xE0 to 0xFC (0xA1 to 0xDF are characters of their own there).
constexpr std::array<char, 256> leadByteTable(bool shiftJis) {
    std::array<char, 256> table{};
    for (int byte = 0x81; byte <= 0xFE; ++byte) {
        table[byte] = static_cast<char>(!shiftJis || byte <= 0x9F || (byte >= 0xE0 && byte <= 0xFC));
    }
    return table;
}

constexpr std::array<char, 256> doubleByteLeads = leadByteTable(false);
constexpr std::array<char, 256> shiftJisLeads = leadByteTable(true);

}  // namespace

const char* leadBytes(EncodingClass encoding) {
    switch (encoding) {
        case EncodingClass::doubleByte:
            return doubleByteLeads.data();
        case EncodingClass::shiftJis:
            return shiftJisLeads.data();
        default:
            return nullptr;
    }
}

std::size_t characterLength(const char* p, EncodingClass encoding) {
    const char* leads = leadBytes(encoding);
    return leads != nullptr && leads[static_cast<unsigned char>(*p)] != 0 && p[1] != '\0' ? 2 : 1;
}

}  // namespace quillen
