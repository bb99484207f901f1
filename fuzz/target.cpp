// libFuzzer target: on each input, quillen's load (tinyxml2's parse with
// quillen's refusal rules) and its indented print, in process, judged by
// libxml2 as a second parser. A broken property aborts with a message, which
// libFuzzer reports as a finding:
//   - the load either succeeds or refuses with one of the codes a parse can
//     give (the program then exits 0 or 1);
//   - a saved output loads again with the same rules (an output without a
//     node in it is empty, code 13);
//   - when libxml2 reads the input as well-formed, namespaces included, it
//     reads the output as well-formed too, and both canonical forms (C14N 1.0
//     with comments, entities substituted) are equal once white space and
//     the references for tab, line feed and carriage return are removed.

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "document.h"

namespace {

[[noreturn]] void finding(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "\nquillen fuzz finding: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// What the program writes: SaveFile into a stream, here one in memory.
std::string print(tinyxml2::XMLDocument& doc) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    if (stream == nullptr) {
        finding("open_memstream failed");
    }
    doc.SaveFile(stream, false);
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

void noteError(void* /*userData*/, xmlErrorPtr error) {
    worstError = std::max(worstError, static_cast<int>(error->level));
}

// libxml2's canonical form of TEXT, as compared: without white space and
// without the references to it. Empty when libxml2 does not read TEXT as
// well-formed with namespaces and without errors, or cannot put it in
// canonical form.
std::string canonical(const std::string& text) {
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr) {
        finding("xmlNewParserCtxt failed");
    }
    worstError = XML_ERR_NONE;
    xmlDocPtr doc = xmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()), "input.xml",
                                      nullptr, XML_PARSE_NOENT | XML_PARSE_NONET);
    const bool wellFormed = doc != nullptr && context->wellFormed != 0 && context->nsWellFormed != 0 &&
                            worstError < XML_ERR_ERROR;
    xmlFreeParserCtxt(context);
    std::string result;
    xmlChar* form = nullptr;
    if (wellFormed && xmlC14NDocDumpMemory(doc, nullptr, XML_C14N_1_0, nullptr, 1, &form) >= 0) {
        const std::string raw(reinterpret_cast<const char*>(form));
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw.compare(i, 5, "&#x9;") == 0 || raw.compare(i, 5, "&#xA;") == 0 ||
                raw.compare(i, 5, "&#xD;") == 0) {
                i += 4;
            } else if (std::strchr(" \t\r\n", raw[i]) == nullptr) {
                result += raw[i];
            }
        }
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

    const tinyxml2::XMLError againResult = quillen::loadText(output.data(), output.size()).result;
    if (againResult != tinyxml2::XML_SUCCESS &&
        !(againResult == tinyxml2::XML_ERROR_EMPTY_DOCUMENT && onlyWhiteSpaceAndByteOrderMark(output))) {
        finding("the output does not load again",
                "code " + std::to_string(static_cast<int>(againResult)) + "; output:\n" + output);
    }

    const std::string expected = canonical(input);
    if (!expected.empty()) {
        const std::string actual = canonical(output);
        if (actual.empty()) {
            finding("libxml2 reads the input but not the output", "output:\n" + output);
        }
        if (actual != expected) {
            finding("the output means something else", "input:  " + expected + "\noutput: " + actual);
        }
    }
    return 0;
}
