// The encoding that an XML declaration names, as far as quillen must know
// it: tinyxml2 takes every byte below 0x80 for its ASCII character and
// passes every other byte through.

#pragma once

#include <cstddef>
#include <string>

namespace quillen {

enum class EncodingClass {
    utf8,      // UTF-8: CR followed by C2 85 is XML 1.1's CR NEL
    ascii,     // every character beyond ASCII written with bytes of 0x80 and above
    asciiNel,  // the same, with the byte 0x85 the character NEL (ISO-8859-*)
    // A lead byte of 0x81 to 0xFE, then a second byte that may be below 0x80:
    shiftJis,  // lead bytes 0x81 to 0x9F and 0xE0 to 0xFC; second 0x40 to 0x7E, 0x80 to 0xFC
    big5,      // second bytes 0x40 to 0x7E and 0xA1 to 0xFE
    gbk,       // second bytes 0x40 to 0x7E and 0x80 to 0xFE
    gb18030,   // the same, and a digit (a character of four bytes)
    refused,   // bytes below 0x80 that are not always their ASCII character
};

// The class of the encoding NAME, from the names that glibc's iconv, ICU and
// the WHATWG Encoding Standard know (src/encodings.inc, made by
// scripts/encoding-classes.py). A name that none of them knows, the empty
// one included, is refused.
EncodingClass encodingClass(const std::string& name);

// Whether NAME is US-ASCII, whatever its spelling.
bool namesUsAscii(const std::string& name);

// For a double-byte ENCODING, a table of the 256 byte values that is nonzero
// for each lead byte; null for any other.
const char* leadBytes(EncodingClass encoding);

// For a double-byte ENCODING, a table of the 256 byte values that is nonzero
// for each byte that may follow a lead byte; null for any other.
const char* secondBytes(EncodingClass encoding);

// The number of bytes of the character that starts at P: 2 for a lead byte
// followed by a second byte in a double-byte encoding, else 1.
std::size_t characterLength(const char* p, EncodingClass encoding);

}  // namespace quillen
