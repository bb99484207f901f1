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

// The class of the encoding NAME, from the names that glibc's iconv, ICU and
// the WHATWG Encoding Standard know (src/encodings.inc, made by
// scripts/encoding-classes.py). An empty name, no declaration, is UTF-8.
EncodingClass encodingClass(const std::string& name);

// For a double-byte ENCODING, a table of the 256 byte values that is nonzero
// for each lead byte; null for any other.
const char* leadBytes(EncodingClass encoding);

// The number of bytes of the character that starts at P: 2 for a lead byte
// followed by another byte in a double-byte encoding, else 1.
std::size_t characterLength(const char* p, EncodingClass encoding);

}  // namespace quillen
