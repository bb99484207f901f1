// The scans of a document's text that tinyxml2 does not make. Each takes the
// text as tinyxml2 is about to parse it: after a byte-order mark, up to the
// first NUL byte.

#pragma once

#include <string>
#include <string_view>

#include "encoding.h"

namespace quillen {

// What an XML declaration at the start of the text says; empty strings where
// there is none, or it does not say.
struct XmlDeclaration {
    std::string version;
    std::string encoding;
    bool namesEncoding = false;  // it has an encoding pseudo-attribute, empty or not
};

XmlDeclaration xmlDeclaration(const char* text);

// Whether the ASCII strings A and B are the same in any case.
bool equalsAnyCase(std::string_view a, std::string_view b);

// VALUE with its character references and predefined entity references
// decoded (to UTF-8); any other reference is left as written.
std::string decodeReferences(const char* value);

// Whether TEXT may declare the XHTML namespace: it names it, or declares
// some namespace with a reference in its value ("1999/&#120;html"). The
// parse tells for sure.
bool mayDeclareXhtml(const char* text);

// Where the document type declaration starts: after the XML declaration,
// processing instructions, comments and white space that may come first.
// "<!doctype", which is HTML's and not XML, counts too. Null where there is
// none.
char* doctypeStart(char* text);

// The '>' that ends the document type declaration at DOCTYPE: past quoted
// literals, and an internal subset with its declarations, comments and
// processing instructions, character by character in ENCODING. Null when the
// text ends first.
char* doctypeEnd(char* doctype, EncodingClass encoding);

// What the document type declaration at DOCTYPE names: its root element,
// and its public identifier, empty where it has none.
struct DoctypeNames {
    std::string_view root;
    std::string_view publicId;
};

DoctypeNames doctypeNames(const char* doctype);

// Whether TEXT, whose XML declaration is DECLARATION, is an XML 1.1 document
// in an ENCODING in which NEL (U+0085) is 0xC2 0x85 (UTF-8) or 0x85
// (ISO-8859-*) that holds a carriage return followed by NEL: one line end in
// XML 1.1, which tinyxml2 would read as a line feed and a NEL, two line
// ends.
bool crNelSplit(const char* text, const XmlDeclaration& declaration, EncodingClass encoding);

// Whether decoding any reference in TEXT, whose XML declaration is
// DECLARATION and whose encoding is of class ENCODING, would change the
// document. A reference anywhere counts, in a
// comment, a CDATA section or the document type declaration too: one pass,
// and an outcome that is easy to predict.
bool decodingWouldChange(const char* text, const XmlDeclaration& declaration, EncodingClass encoding);

// Whether a CDATA section in TEXT, in a double-byte ENCODING, holds a
// character whose second byte is ']' right before "]>": tinyxml2, reading
// byte by byte, would end the section there.
bool cdataEndMisread(const char* text, EncodingClass encoding);

}  // namespace quillen
