// quillen's load rules. Each answers one way in which tinyxml2 would read a
// document wrongly or write it back broken.

#include "document.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "scan.h"

namespace quillen {
namespace {

// tinyxml2 ends the document at an end tag that closes no element, and
// reads it as a success: it silently drops that tag and whatever follows it.
// END is where its top-level parse stopped: null at the end of the text or
// after a parse error, the byte after such an end tag otherwise.
bool strayEndTag(const char* end) { return end != nullptr; }

// Outside the elements XML allows only markup and white space. tinyxml2
// keeps text there (a character, a reference, a CDATA section) as a node of
// the document, and prints it back with one more line end each time, in a
// file that no XML parser reads.
bool textOutsideElements(const tinyxml2::XMLDocument& doc) {
    for (const tinyxml2::XMLNode* node = doc.FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (node->ToText() != nullptr) {
            return true;
        }
    }
    return false;
}

// tinyxml2 refuses a document of only white space, or of only a byte-order
// mark, as empty; but a mark followed by white space it reads as a document
// without a node, whose print (the three bytes of the mark) it then refuses.
// P is where its parse starts, after the mark.
bool emptyAfterByteOrderMark(char* p) { return *tinyxml2::XMLUtil::SkipWhiteSpace(p, nullptr) == '\0'; }

// tinyxml2 reads a byte-order mark after white space too, and writes it
// first in the file; but there the bytes EF BB BF are U+FEFF, a character
// outside the elements, which no XML parser reads. STARTSWITHWHITESPACE
// tells whether the text starts with white space.
bool byteOrderMarkAfterWhiteSpace(const tinyxml2::XMLDocument& doc, bool startsWithWhiteSpace) {
    return doc.HasBOM() && startsWithWhiteSpace;
}

// The vocabulary that the document type declaration at DOCTYPE names, if
// there is one.
const Vocabulary* vocabularyOfDoctypeAt(const char* doctype) {
    if (doctype == nullptr) {
        return nullptr;
    }
    const DoctypeNames names = doctypeNames(doctype);
    return vocabularyOfDoctype(names.root, names.publicId);
}

// Another <! construct at the top level is read by tinyxml2 up to its first
// '>', even one inside brackets or a quoted literal. The rest then becomes
// text, written back as "]&gt;", which no XML parser reads. What it read of
// such a construct leaves a '[' or a quote open.
bool endedEarly(const char* construct) {
    char quote = '\0';
    int openBrackets = 0;
    for (const char* p = construct; *p != '\0'; ++p) {
        if (quote != '\0') {
            quote = *p == quote ? '\0' : quote;
        } else if (*p == '"' || *p == '\'') {
            quote = *p;
        } else if (*p == '[') {
            ++openBrackets;
        } else if (*p == ']') {
            --openBrackets;
        }
    }
    return quote != '\0' || openBrackets > 0;
}

// DOCTYPE is the declaration read whole, if any.
bool constructEndedEarly(const tinyxml2::XMLDocument& doc, const tinyxml2::XMLNode* doctype) {
    for (const tinyxml2::XMLNode* node = doc.FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (node != doctype && node->ToUnknown() != nullptr && endedEarly(node->Value())) {
            return true;
        }
    }
    return false;
}

}  // namespace

Document::Document(bool processEntities, bool keepAllWhiteSpace)
    : XMLDocument(processEntities, tinyxml2::PEDANTIC_WHITESPACE), keepAllWhiteSpace_(keepAllWhiteSpace) {}

tinyxml2::XMLError Document::result() const {
    if (Error()) {
        return ErrorID();
    }
    if (empty_) {
        return tinyxml2::XML_ERROR_EMPTY_DOCUMENT;
    }
    if (markAfterWhiteSpace_) {
        return tinyxml2::XML_ERROR_PARSING_TEXT;
    }
    if (encodingMisread_ || lineEndMisread_) {
        return tinyxml2::XML_ERROR_PARSING_DECLARATION;
    }
    if (strayEndTag_) {
        return tinyxml2::XML_ERROR_MISMATCHED_ELEMENT;
    }
    if (doctypeUnterminated_) {
        return tinyxml2::XML_ERROR_PARSING_UNKNOWN;
    }
    if (constructEndedEarly(*this, doctype_)) {
        return tinyxml2::XML_ERROR_PARSING_UNKNOWN;
    }
    if (textOutsideElements(*this)) {
        return tinyxml2::XML_ERROR_PARSING_TEXT;
    }
    return tinyxml2::XML_SUCCESS;
}

char* Document::ParseDeep(char* p, tinyxml2::StrPair* parentEndTag, int* curLineNumPtr) {
    if (emptyAfterByteOrderMark(p)) {
        empty_ = true;
        return nullptr;
    }
    if (byteOrderMarkAfterWhiteSpace(*this, startsWithWhiteSpace_)) {
        markAfterWhiteSpace_ = true;
        return nullptr;
    }
    // tinyxml2 takes every byte below 0x80 for its ASCII character: in
    // ISO-2022-JP, say, it would read part of a character as '&' and write
    // "&amp;" into it. Decided from the XML declaration, before the parse.
    // Without one, the document is UTF-8.
    const XmlDeclaration declaration = xmlDeclaration(p);
    encoding_ = declaration.namesEncoding ? encodingClass(declaration.encoding) : EncodingClass::utf8;
    if (encoding_ == EncodingClass::refused || cdataEndMisread(p, encoding_)) {
        encodingMisread_ = true;
        return nullptr;
    }
    if (crNelSplit(p, declaration, encoding_)) {
        lineEndMisread_ = true;
        return nullptr;
    }
    // tinyxml2 would end a name at a second byte such as '\\' or ']', and
    // take a lead byte before any other byte for a character of its own.
    SetNameLeadBytes(leadBytes(encoding_), secondBytes(encoding_));
    char* doctype = doctypeStart(p);
    doctypeVocabulary_ = vocabularyOfDoctypeAt(doctype);
    const bool pageByDoctype = doctypeVocabulary_ == &xhtml;
    // A browser reads a .html file with its HTML parser, in the encoding
    // that a <meta charset> or its own default gives, not the XML
    // declaration's, and script and style as raw text: tinyxml2's decoding
    // would write "&#252;" as UTF-8 bytes that such a page shows as "Ã¼",
    // and "a &amp;&amp; b" in a script as "a && b". A page is read with its
    // references kept as written.
    if (ProcessEntities() && (pageByDoctype || decodingWouldChange(p, declaration, encoding_))) {
        // Not parsed: the text is read again with entity processing off.
        textToKeepAsWritten_ = HasBOM() ? p - std::strlen("\xEF\xBB\xBF") : p;
        return nullptr;
    }
    if (pageByDoctype || namedAsPage_) {
        namespaces_.setHtmlIsXhtml();
    }
    if (!ProcessEntities()) {
        namespaces_.setReferencesKept();
    }
    // Whether a document is a page is known from its parse (a namespace
    // may be written with references), which the parse takes apart: the
    // text of one that may be is kept to be read again.
    mayDeclareNamespaces_ = std::strstr(p, "xmlns") != nullptr;
    pageCandidate_ = pageByDoctype || namedAsPage_ || (mayDeclareNamespaces_ && mayDeclareXhtml(p));
    if (ProcessEntities() && pageCandidate_) {
        pristine_ = HasBOM() ? p - std::strlen("\xEF\xBB\xBF") : p;
    }
    if (doctype != nullptr) {
        p = parseThroughDoctype(p, doctype, curLineNumPtr);
        if (p == nullptr) {
            return nullptr;
        }
    }
    char* end = XMLDocument::ParseDeep(p, parentEndTag, curLineNumPtr);
    strayEndTag_ = !Error() && strayEndTag(end);
    page_ = namespaces_.seenXhtml() || holdsXhtml_;
    if (page_ && ProcessEntities() && !Error()) {
        textToKeepAsWritten_ = pristine_.c_str();
    }
    droppedWhiteSpaceTooSoon_ = droppedWhiteSpaceTooSoon_ || (holdsText_ && droppedInUndescribed_);
    return end;
}

// tinyxml2 reads a document type declaration up to its first '>', even one
// inside an internal subset ("[ <!ENTITY ...> ]") or a quoted literal, and
// would read the rest as text. Here the declaration is read whole into one
// node, written back as it was; tinyxml2 parses what comes before and after
// it. Returns where the rest starts, or null when that is all.
char* Document::parseThroughDoctype(char* p, char* doctype, int* curLineNumPtr) {
    char* end = doctypeEnd(doctype, encoding_);
    if (end == nullptr) {
        doctypeUnterminated_ = true;
        return nullptr;
    }
    *doctype = '\0';  // what comes before it: declarations and comments
    XMLDocument::ParseDeep(p, nullptr, curLineNumPtr);
    *doctype = '<';
    if (Error()) {
        return nullptr;
    }
    // Its line ends normalised as tinyxml2 does in any <! construct.
    tinyxml2::StrPair declaration;
    declaration.Set(doctype + 2, end, tinyxml2::StrPair::NEEDS_NEWLINE_NORMALIZATION);
    doctype_ = InsertEndChild(NewUnknown(declaration.GetStr()));
    return end + 1;
}

}  // namespace quillen
