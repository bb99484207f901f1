// The encoding that an XML declaration names, as far as quillen must know
// it: tinyxml2 takes every byte below 0x80 for its ASCII character and
// passes every other byte through.

#pragma once

#include <cstddef>
#include <string>

namespace quillen {

enum class EncodingClass {
    ascii,       // every character beyond ASCII written with bytes of 0x80 and above
    doubleByte,  // a lead byte of 0x81 to 0xFE, then a second byte that may be below 0x80
    shiftJis,    // the same, with lead bytes 0x81 to 0x9F and 0xE0 to 0xFC
    refused,     // bytes below 0x80 that are not always their ASCII character
};

// The class of the encoding NAME, from the names that glibc's iconv and ICU
// know (src/encodings.inc, made by scripts/encoding-classes.py); a name
// that neither knows is taken for ASCII-based, and so is an empty one.
EncodingClass encodingClass(const std::string& name);

// The number of bytes of the character that starts at P: 2 for a lead byte
// followed by another byte in a double-byte encoding, else 1.
std::size_t characterLength(const char* p, EncodingClass encoding);

}  // namespace quillen
