// Loading a document: the file, and the parses that quillen's rules need
// (again with references kept as written, again with every run of white
// space kept).

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "document.h"
#include "scan.h"

namespace quillen {
namespace {

// The library opens whatever the path names and reads it to its end: a FIFO
// or a terminal would block it for ever. An input that is neither a regular
// file nor a directory is refused, without opening it, as one whose length
// cannot be determined.
bool isLoadable(const platform::FileInfo& input) { return input.kind != platform::FileKind::other; }

// A big document's text and tree are millions of small allocations, which
// the kernel would map a 4 KiB page at a time, a page fault each, and in
// whose tree every step to the next node would miss the TLB: half the time
// of the run. For a document of bigDocument bytes or more, the memory that
// they will live in (about ten times the text) is advised for huge pages.
// A small one pays nothing.
void prepareMemory(const platform::FileInfo& input) {
    constexpr unsigned long long bigDocument = 8ULL << 20;
    if (input.size >= bigDocument) {
        platform::adviseHugePages(10 * input.size);
    }
}

// tinyxml2 decodes the references it knows and escapes the '&' of those it
// does not, so that "&nbsp;" would come back as "&amp;nbsp;". A document in
// which that would change anything is read again, from the same text, with
// entity processing off: tinyxml2 then keeps every text and attribute value
// as written, and writes it back so.
std::unique_ptr<Document> withReferencesKept(std::unique_ptr<Document> doc, bool keepAllWhiteSpace) {
    if (doc->textToKeepAsWritten() == nullptr) {
        return doc;
    }
    auto kept = std::make_unique<Document>(false, keepAllWhiteSpace);
    kept->setNamedAsPage(doc->namedAsPage());
    kept->Parse(doc->textToKeepAsWritten());
    return kept;
}

// Reads a document with the rules; READ loads the text into it. The white
// space that is only layout is dropped during the parse; in the rare
// document where a run was dropped before an ancestor turned out to be
// written as read, the text is read again with every run kept.
// A browser reads a file named .html or .htm (in any case) with its HTML
// parser.
bool namedAsPage(const std::string& path) {
    const std::string::size_type dot = path.rfind('.');
    const std::string extension = dot != std::string::npos ? path.substr(dot) : "";
    return equalsAnyCase(extension, ".html") || equalsAnyCase(extension, ".htm");
}

template <typename Read>
Loaded load(Read read) {
    std::unique_ptr<Document> doc;
    for (const bool keepAllWhiteSpace : {false, true}) {
        doc = nullptr;  // one document in memory at a time
        doc = std::make_unique<Document>(true, keepAllWhiteSpace);
        read(*doc);
        doc = withReferencesKept(std::move(doc), keepAllWhiteSpace);
        if (!doc->droppedWhiteSpaceTooSoon()) {
            break;
        }
    }
    const tinyxml2::XMLError result = doc->result();
    return {std::move(doc), result};
}

}  // namespace

Loaded loadFile(const std::string& path, const platform::FileInfo& input) {
    if (!isLoadable(input)) {
        return {std::make_unique<Document>(true, false), tinyxml2::XML_ERROR_FILE_READ_ERROR};
    }
    prepareMemory(input);
    return load([&](Document& doc) {
        // tinyxml2 opens the file as this does, and reads it from its first
        // byte again.
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            doc.LoadFile(path.c_str());  // its own code for a file it cannot open
            return;
        }
        doc.setStartsWithWhiteSpace(tinyxml2::XMLUtil::IsWhiteSpace(static_cast<char>(std::fgetc(file))));
        doc.setNamedAsPage(namedAsPage(path));
        doc.LoadFile(file);
        std::fclose(file);
    });
}

Loaded loadText(const char* text, std::size_t size) {
    return load([&](Document& doc) {
        doc.setStartsWithWhiteSpace(size > 0 && tinyxml2::XMLUtil::IsWhiteSpace(text[0]));
        doc.Parse(text, size);
    });
}

}  // namespace quillen
