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
    const std::string key = normalisedName(name);
    const auto* found = std::lower_bound(std::begin(encodingNames), std::end(encodingNames), key,
                                         [](const EncodingName& entry, const std::string& wanted) {
                                             return std::strcmp(entry.name, wanted.c_str()) < 0;
                                         });
    return !key.empty() && found != std::end(encodingNames) && key == found->name ? found->encoding
                                                                                  : EncodingClass::refused;
}

bool namesUsAscii(const std::string& name) {
    const std::string key = normalisedName(name);
    return key == "USASCII" || key == "ASCII";
}

namespace {

using ByteTable = std::array<char, 256>;

// Lead bytes: 0x81 to 0xFE, and in the Shift_JIS family 0x81 to 0x9F and
// 0xE0 to 0xFC (0xA1 to 0xDF are characters of their own there).
constexpr ByteTable leadByteTable(bool shiftJis) {
    ByteTable table{};
    for (int byte = 0x81; byte <= 0xFE; ++byte) {
        table[byte] = static_cast<char>(!shiftJis || byte <= 0x9F || (byte >= 0xE0 && byte <= 0xFC));
    }
    return table;
}

// The bytes from FIRST to LAST, and 0x40 to 0x7E, which every family has;
// with DIGITS, '0' to '9' too.
constexpr ByteTable secondByteTable(int first, int last, bool digits) {
    ByteTable table{};
    for (int byte = 0; byte <= 0xFF; ++byte) {
        table[byte] = static_cast<char>((byte >= 0x40 && byte <= 0x7E) || (byte >= first && byte <= last) ||
                                        (digits && byte >= '0' && byte <= '9'));
    }
    return table;
}

constexpr ByteTable doubleByteLeads = leadByteTable(false);
constexpr ByteTable shiftJisLeads = leadByteTable(true);
constexpr ByteTable shiftJisSeconds = secondByteTable(0x80, 0xFC, false);
constexpr ByteTable big5Seconds = secondByteTable(0xA1, 0xFE, false);
constexpr ByteTable gbkSeconds = secondByteTable(0x80, 0xFE, false);
constexpr ByteTable gb18030Seconds = secondByteTable(0x80, 0xFE, true);

}  // namespace

const char* leadBytes(EncodingClass encoding) {
    switch (encoding) {
        case EncodingClass::shiftJis:
            return shiftJisLeads.data();
        case EncodingClass::big5:
        case EncodingClass::gbk:
        case EncodingClass::gb18030:
            return doubleByteLeads.data();
        default:
            return nullptr;
    }
}

const char* secondBytes(EncodingClass encoding) {
    switch (encoding) {
        case EncodingClass::shiftJis:
            return shiftJisSeconds.data();
        case EncodingClass::big5:
            return big5Seconds.data();
        case EncodingClass::gbk:
            return gbkSeconds.data();
        case EncodingClass::gb18030:
            return gb18030Seconds.data();
        default:
            return nullptr;
    }
}

std::size_t characterLength(const char* p, EncodingClass encoding) {
    const char* leads = leadBytes(encoding);
    return leads != nullptr && leads[static_cast<unsigned char>(p[0])] != 0 &&
                   secondBytes(encoding)[static_cast<unsigned char>(p[1])] != 0
               ? 2
               : 1;
}

}  // namespace quillen
