// Run when quillen is configured: exits 0 if the tinyxml2 it links has the
// changes in patches/, or else with the number of the first it lacks:
//   1  the '&' of an unknown entity reference kept after a known one
//      (tinyxml2-unknown-entity.patch, upstream issue 1082);
//   2  white space before markup kept in pedantic mode, and the hooks at
//      each element's content (tinyxml2-whitespace.patch);
//   3  a line feed followed by a carriage return read as two line ends
//      (tinyxml2-line-feed-carriage-return.patch);
//   4  processing instructions wherever XML allows them, the XML
//      declaration only first (tinyxml2-processing-instructions.patch);
//   5  names in a double-byte encoding read a character at a time, a
//      second byte such as a backslash included, and a lead byte before
//      any other byte refused (tinyxml2-double-byte-names.patch);
//   6  the parse's hot loops without a library call per byte
//      (tinyxml2-hot-loops.patch, speed only: known by the macro it defines);
//   7  two attributes without white space between them refused
//      (tinyxml2-attribute-separation.patch).
// Without those hooks, or without SetNameLeadBytes, the probe does not
// build.
#include <tinyxml2.h>

#include <cstring>

namespace {

class Probe : public tinyxml2::XMLDocument {
public:
    Probe() : XMLDocument(true, tinyxml2::PEDANTIC_WHITESPACE) {}
    int begun = 0;
    int ended = 0;

protected:
    void ElementContentBegins(tinyxml2::XMLElement* /*element*/) override { ++begun; }
    void ElementContentEnds(tinyxml2::XMLElement* /*element*/) override { ++ended; }
};

bool keepsUnknownEntity() {
    tinyxml2::XMLDocument doc;
    if (doc.Parse("<a>&amp;&x;</a>") != tinyxml2::XML_SUCCESS) {
        return false;
    }
    const char* text = doc.RootElement()->GetText();
    return text != nullptr && std::strcmp(text, "&&x;") == 0;
}

bool keepsWhiteSpace() {
    Probe doc;
    if (doc.Parse(" <a><b>x</b> <c/></a>") != tinyxml2::XML_SUCCESS ||
        doc.FirstChild() != doc.RootElement()) {
        return false;
    }
    const tinyxml2::XMLNode* space = doc.RootElement()->FirstChild()->NextSibling();
    return space != nullptr && space->ToText() != nullptr && std::strcmp(space->Value(), " ") == 0 &&
           doc.begun == 2 && doc.ended == 2;
}

bool readsTwoLineEnds() {
    tinyxml2::XMLDocument doc;
    if (doc.Parse("<a>x\n\ry</a>") != tinyxml2::XML_SUCCESS) {
        return false;
    }
    const char* text = doc.RootElement()->GetText();
    return text != nullptr && std::strcmp(text, "x\n\ny") == 0;
}

bool readsProcessingInstructions() {
    tinyxml2::XMLDocument doc;
    tinyxml2::XMLDocument misplaced;
    return doc.Parse("<!-- c --><?pi a?><a><?pi b?></a><?pi c?>") == tinyxml2::XML_SUCCESS &&
           misplaced.Parse("<a><?xml version='1.0'?></a>") == tinyxml2::XML_ERROR_PARSING_DECLARATION;
}

// Shift_JIS "ソ" is 0x83 0x5C: its second byte is a backslash. A lead byte
// before '<' or a space is no character: a malformed tag or attribute.
bool readsDoubleByteNames() {
    char leadBytes[256] = {};
    char secondBytes[256] = {};
    leadBytes[0x83] = 1;
    secondBytes[0x5C] = 1;
    tinyxml2::XMLDocument doc;
    doc.SetNameLeadBytes(leadBytes, secondBytes);
    if (doc.Parse("<a\x83\\ b\x83\\='1'>x</a\x83\\>") != tinyxml2::XML_SUCCESS) {
        return false;
    }
    const tinyxml2::XMLAttribute* attribute = doc.RootElement()->FirstAttribute();
    if (std::strcmp(doc.RootElement()->Name(), "a\x83\\") != 0 || attribute == nullptr ||
        std::strcmp(attribute->Name(), "b\x83\\") != 0) {
        return false;
    }
    tinyxml2::XMLDocument element;
    tinyxml2::XMLDocument attributes;
    element.SetNameLeadBytes(leadBytes, secondBytes);
    attributes.SetNameLeadBytes(leadBytes, secondBytes);
    return element.Parse("<r><a\x83<b/></r>") == tinyxml2::XML_ERROR_PARSING_ELEMENT &&
           attributes.Parse("<r a\x83 b='1'/>") == tinyxml2::XML_ERROR_PARSING_ATTRIBUTE;
}

bool refusesAttributesTogether() {
    tinyxml2::XMLDocument doc;
    tinyxml2::XMLDocument apart;
    return doc.Parse("<r a=\"1\"b=\"2\"/>") == tinyxml2::XML_ERROR_PARSING_ATTRIBUTE &&
           apart.Parse("<r a=\"1\" b='2'/>") == tinyxml2::XML_SUCCESS;
}

}  // namespace

int main() {
    if (!keepsUnknownEntity()) {
        return 1;
    }
    if (!keepsWhiteSpace()) {
        return 2;
    }
    if (!readsTwoLineEnds()) {
        return 3;
    }
    if (!readsProcessingInstructions()) {
        return 4;
    }
    if (!readsDoubleByteNames()) {
        return 5;
    }
#ifndef TINYXML2_INLINE_CHARACTER_TESTS
    return 6;
#endif
    if (!refusesAttributesTogether()) {
        return 7;
    }
    return 0;
}
