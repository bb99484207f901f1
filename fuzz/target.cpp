// libFuzzer target: on each input, quillen's load (tinyxml2's parse with
// quillen's rules) and its indented print, in process, judged by libxml2 as
// a second parser. A broken property aborts with a message, which libFuzzer
// reports as a finding:
//   - the load either succeeds or refuses with one of the codes a parse can
//     give (the program then exits 0 or 1);
//   - a saved output loads again with the same rules (an output without a
//     node in it is empty, code 13) and, when libxml2 reads the input as
//     well-formed (as below), is printed again with the same bytes;
//   - when libxml2 reads the input as well-formed, namespaces included, it
//     reads the output as well-formed too, and both canonical forms (C14N 1.0
//     with comments, entities substituted) are equal once the white space
//     that is only layout is removed: text of only white space outside the
//     elements that quillen writes as read, but between two inline XHTML
//     elements, where a browser shows it as one space (and none as none).
//     References to entities that libxml2 cannot resolve (it reads no
//     external DTD here) are compared as references, and so are references
//     to white-space characters, content that would look like layout once
//     decoded: in both texts each one becomes the same marker before they
//     are read.

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>

#include "document.h"
#include "printer.h"

namespace {

[[noreturn]] void finding(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "\nquillen fuzz finding: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// What the program writes, here into a stream in memory.
std::string print(const tinyxml2::XMLDocument& doc) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    if (stream == nullptr) {
        finding("open_memstream failed");
    }
    quillen::print(doc, stream);
    std::fclose(stream);
    std::string printed(buffer, size);
    std::free(buffer);
    return printed;
}

bool onlyWhiteSpaceAndByteOrderMark(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\xEF\xBB\xBF") == std::string::npos;
}

// The worst error libxml2 reported since the last parse began. It reports
// some errors but recovers from them without calling the document
// malformed, such as bytes that the declared encoding cannot decode.
int worstError = XML_ERR_NONE;
// Whether one of them was a reference to an entity it does not know.
bool unresolvedEntity = false;

void noteError(void* /*userData*/, xmlErrorPtr error) {
    worstError = std::max(worstError, static_cast<int>(error->level));
    unresolvedEntity = unresolvedEntity || error->code == XML_ERR_UNDECLARED_ENTITY ||
                       error->code == XML_WAR_UNDECLARED_ENTITY;
}

bool isNameByte(char c, bool first) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80 ||
           (!first && (std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.'));
}

// TEXT with each reference to an entity other than the five predefined ones
// replaced by a marker: private-use characters around its name.
std::string withMarkers(const std::string& text) {
    std::string marked;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t end = i + 1;
        while (text[i] == '&' && end < text.size() && isNameByte(text[end], end == i + 1)) {
            ++end;
        }
        const std::string name = text.substr(i + 1, end - i - 1);
        if (!name.empty() && end < text.size() && text[end] == ';' && name != "amp" && name != "lt" &&
            name != "gt" && name != "quot" && name != "apos") {
            marked += "&#xE000;" + name + "&#xE001;";
            i = end;
        } else {
            marked += text[i];
        }
    }
    return marked;
}

// Whether a character reference to a white-space character (tab, line feed,
// carriage return, space; any leading zeros) starts at I in TEXT; END is
// then its ';'.
bool isWhiteSpaceReference(const std::string& text, std::size_t i, std::size_t& end) {
    if (text.compare(i, 2, "&#") != 0) {
        return false;
    }
    const bool hex = text.compare(i, 3, "&#x") == 0;
    std::size_t digits = i + (hex ? 3 : 2);
    while (digits < text.size() && text[digits] == '0') {
        ++digits;
    }
    for (const char* value : hex ? std::initializer_list<const char*>{"9;", "a;", "A;", "d;", "D;", "20;"}
                                 : std::initializer_list<const char*>{"9;", "10;", "13;", "32;"}) {
        if (text.compare(digits, std::strlen(value), value) == 0) {
            end = digits + std::strlen(value) - 1;
            return true;
        }
    }
    return false;
}

// TEXT with each character reference to a white-space character replaced by
// one to a private-use character.
std::string withWhiteSpaceMarkers(const std::string& text) {
    std::string marked;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t end = i;
        if (isWhiteSpaceReference(text, i, end)) {
            marked += "&#xE002;";
            i = end;
        } else {
            marked += text[i];
        }
    }
    return marked;
}

bool isBlank(const xmlChar* text) {
    const char* p = reinterpret_cast<const char*>(text);
    return p == nullptr || p[std::strspn(p, " \t\r\n")] == '\0';
}

bool isNamed(const xmlNode* element, const char* name) {
    return xmlStrEqual(element->name, reinterpret_cast<const xmlChar*>(name)) != 0;
}

// xml:space="preserve" as written on ELEMENT (libxml2's own lookup would
// also find a default that an internal subset gives, which quillen does not
// read).
bool preservesWhiteSpace(const xmlNode* element) {
    for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
        if (attribute->ns != nullptr && xmlStrEqual(attribute->ns->href, XML_XML_NAMESPACE) != 0 &&
            xmlStrEqual(attribute->name, reinterpret_cast<const xmlChar*>("space")) != 0) {
            return attribute->children != nullptr &&
                   xmlStrEqual(attribute->children->content, reinterpret_cast<const xmlChar*>("preserve")) !=
                       0;
        }
    }
    return false;
}

// Whether quillen writes ELEMENT as read for a reason of its own: it holds
// text or a CDATA section, has xml:space="preserve", or is verbatim.
bool startsWrittenAsRead(const xmlNode* element) {
    for (const xmlNode* child = element->children; child != nullptr; child = child->next) {
        if (child->type == XML_CDATA_SECTION_NODE ||
            (child->type == XML_TEXT_NODE && !isBlank(child->content))) {
            return true;
        }
    }
    static const char* const verbatim[] = {"pre",
                                           "textarea",
                                           "listing",
                                           "xmp",
                                           "programlisting",
                                           "screen",
                                           "literallayout",
                                           "synopsis",
                                           "funcsynopsisinfo",
                                           "classsynopsisinfo",
                                           "address",
                                           "codeblock",
                                           "msgblock",
                                           "tspan",
                                           "textPath"};
    const char* uri = element->ns != nullptr ? reinterpret_cast<const char*>(element->ns->href) : "";
    return preservesWhiteSpace(element) ||
           std::any_of(std::begin(verbatim), std::end(verbatim),
                       [&](const char* name) { return isNamed(element, name); }) ||
           (isNamed(element, "text") && (std::strcmp(uri, "http://www.w3.org/2000/svg") == 0 ||
                                         std::strcmp(uri, "http://www.w3.org/1999/XSL/Transform") == 0));
}

bool isXhtml(const xmlNode* node) {
    return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
           xmlStrEqual(node->ns->href, reinterpret_cast<const xmlChar*>("http://www.w3.org/1999/xhtml")) != 0;
}

bool isNamedOneOf(const xmlNode* node, const std::string& names) {
    return names.find(" " + std::string(reinterpret_cast<const char*>(node->name)) + " ") !=
           std::string::npos;
}

// An element that XHTML renders inline, as the judge knows them: the XHTML
// 1.0 DTDs' %inline; and ins and del, without br, and HTML's phrasing
// elements that render (noscript too, shown in the line with scripts off),
// and list items, which style sheets put in the line; svg and math in XHTML
// content.
bool isXhtmlInline(const xmlNode* node) {
    static const std::string names =
        " a abbr acronym applet audio b basefont bdi bdo big button canvas cite code data del dfn em embed "
        "font i iframe img input ins kbd label map mark meter noscript object output picture progress q ruby"
        " s samp select small span strike strong sub sup textarea time tt u var video wbr li dd dt ";
    return (isXhtml(node) && isNamedOneOf(node, names)) ||
           (node != nullptr && node->type == XML_ELEMENT_NODE && isXhtml(node->parent) &&
            isNamedOneOf(node, " svg math "));
}

// What stands between two inline elements without drawing anything: a
// comment, a processing instruction, an XHTML element that a browser does
// not display.
bool isPassedOver(const xmlNode* node) {
    return node->type == XML_COMMENT_NODE || node->type == XML_PI_NODE ||
           (isXhtml(node) &&
            isNamedOneOf(node, " datalist link meta noembed noframes script style template "));
}

// When ELEMENT is an inline XHTML element, and only white space and what is
// passed over come between it and the next inline XHTML element, with white
// space among them: the first text of white space among them, which a
// browser shows as one space. Null otherwise.
xmlNode* spaceBeforeNextInline(xmlNode* element) {
    if (!isXhtmlInline(element)) {
        return nullptr;
    }
    xmlNode* space = nullptr;
    xmlNode* node = element->next;
    for (; node != nullptr && (isPassedOver(node) || (node->type == XML_TEXT_NODE && isBlank(node->content)));
         node = node->next) {
        if (space == nullptr && node->type == XML_TEXT_NODE) {
            space = node;
        }
    }
    return isXhtmlInline(node) ? space : nullptr;
}

// Removes the text of only white space outside the elements that quillen
// writes as read: that white space is only layout; all other must come back.
// Between two inline XHTML elements a browser shows any white space as one
// space, and none as none: there it is kept as one space, right after the
// first element (before any comment).
void dropLayout(xmlNode* parent, bool writtenAsRead) {
    for (xmlNode* child = parent->children; child != nullptr;) {
        xmlNode* next = child->next;
        if (child->type == XML_ELEMENT_NODE) {
            dropLayout(child, writtenAsRead || startsWrittenAsRead(child));
            xmlNode* space = writtenAsRead ? nullptr : spaceBeforeNextInline(child);
            if (space != nullptr) {
                xmlNodeSetContent(space, reinterpret_cast<const xmlChar*>(" "));
                if (space != next) {
                    xmlUnlinkNode(space);
                    xmlAddNextSibling(child, space);  // after a comment: no text to merge with
                }
                next = space->next;
            }
        } else if (child->type == XML_TEXT_NODE && !writtenAsRead && isBlank(child->content)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        }
        child = next;
    }
}

// libxml2's canonical form of TEXT, as compared: without the white space
// that is only layout. Empty when libxml2 does not read TEXT as well-formed
// with namespaces and without errors, or cannot put it in canonical form.
std::string canonical(const std::string& text) {
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr) {
        finding("xmlNewParserCtxt failed");
    }
    worstError = XML_ERR_NONE;
    unresolvedEntity = false;
    const std::string marked = withWhiteSpaceMarkers(text);
    xmlDocPtr doc = xmlCtxtReadMemory(context, marked.data(), static_cast<int>(marked.size()), "input.xml",
                                      nullptr, XML_PARSE_NOENT | XML_PARSE_NONET);
    const bool wellFormed = doc != nullptr && context->wellFormed != 0 && context->nsWellFormed != 0 &&
                            worstError < XML_ERR_ERROR;
    xmlFreeParserCtxt(context);
    std::string result;
    xmlChar* form = nullptr;
    if (wellFormed) {
        dropLayout(reinterpret_cast<xmlNode*>(doc), false);
    }
    if (wellFormed && xmlC14NDocDumpMemory(doc, nullptr, XML_C14N_1_0, nullptr, 1, &form) >= 0) {
        result = reinterpret_cast<const char*>(form);
        result += '.';  // a document in canonical form is never empty
    }
    xmlFree(form);
    xmlFreeDoc(doc);
    return result;
}

// libxml2 reads no file and no network resource for the fuzzer.
xmlParserInputPtr noExternalEntities(const char* /*url*/, const char* /*id*/, xmlParserCtxtPtr /*context*/) {
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    xmlInitParser();
    xmlSetExternalEntityLoader(noExternalEntities);
    xmlSetStructuredErrorFunc(nullptr, noteError);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const quillen::Loaded loaded = quillen::loadText(input.data(), input.size());
    const tinyxml2::XMLError result = loaded.result;
    if (result != tinyxml2::XML_SUCCESS) {
        if ((result < tinyxml2::XML_ERROR_PARSING_ELEMENT || result > tinyxml2::XML_ERROR_PARSING) &&
            result != tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED) {
            finding("a load result that no parse should give", std::to_string(static_cast<int>(result)));
        }
        return 0;
    }
    const std::string output = print(*loaded.doc);

    std::string expected = canonical(input);
    const bool marked = expected.empty() && unresolvedEntity;
    if (marked) {
        expected = canonical(withMarkers(input));
    }

    const quillen::Loaded again = quillen::loadText(output.data(), output.size());
    if (again.result == tinyxml2::XML_SUCCESS) {
        // Only a document is printed the same again: tinyxml2 also reads
        // what is none (top-level text), whose line ends add up.
        const std::string printedAgain = print(*again.doc);
        if (!expected.empty() && printedAgain != output) {
            finding("quillen run on its output writes other bytes",
                    "output:\n" + output + "\nagain:\n" + printedAgain);
        }
    } else if (!(again.result == tinyxml2::XML_ERROR_EMPTY_DOCUMENT &&
                 onlyWhiteSpaceAndByteOrderMark(output))) {
        finding("the output does not load again",
                "code " + std::to_string(static_cast<int>(again.result)) + "; output:\n" + output);
    }

    if (!expected.empty()) {
        const std::string actual = canonical(marked ? withMarkers(output) : output);
        if (actual.empty()) {
            finding("libxml2 reads the input but not the output", "output:\n" + output);
        }
        if (actual != expected) {
            finding("the output means something else", "input:  " + expected + "\noutput: " + actual);
        }
    }
    return 0;
}
