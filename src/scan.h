// The scans of a document's text that tinyxml2 does not make. Each takes the
// text as tinyxml2 is about to parse it: after a byte-order mark, up to the
// first NUL byte.

#pragma once

#include <string>

namespace quillen {

// Where the document type declaration starts: after the XML declaration,
// processing instructions, comments and white space that may come first.
// Null where there is none.
char* doctypeStart(char* text);

// The '>' that ends the document type declaration at DOCTYPE: past quoted
// literals, and an internal subset with its declarations, comments and
// processing instructions. Null when the text ends first.
char* doctypeEnd(char* doctype);

// The encoding that an XML declaration at the start of TEXT names, or "".
std::string declaredEncoding(const char* text);

// Whether every byte below 0x80 stands for its ASCII character in ENCODING,
// as tinyxml2 reads it. Not so in the stateful encodings (ISO-2022-*, HZ,
// UTF-7), whose multi-byte sequences use bytes such as '&' and '<', nor in
// UTF-16, UTF-32, UCS-2, UCS-4, UTF-1, SCSU, BOCU-1 and the EBCDIC code
// pages, under any spelling of their names. An empty name is UTF-8.
bool bytesBelow0x80AreAscii(const std::string& encoding);

// Whether decoding any reference in TEXT, whose XML declaration names
// ENCODING, would change the document. A reference anywhere counts, in a
// comment, a CDATA section or the document type declaration too: one pass,
// and an outcome that is easy to predict.
bool decodingWouldChange(const char* text, const std::string& encoding);

}  // namespace quillen
