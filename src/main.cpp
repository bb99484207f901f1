// quillen: re-indents an XML file. `quillen data.xml` writes data_for.xml.

#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "document.h"
#include "output.h"
#include "platform.h"

namespace {

// One write per line, so that the lines of runs in parallel never mix. C's
// streams rather than iostreams: setting those up costs a static program a
// tenth of a small file's run.
void say(std::FILE* stream, const std::string& line) {
    const std::string text = line + '\n';
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::string code(tinyxml2::XMLError error) { return std::to_string(static_cast<int>(error)); }

// The output goes beside the input: "_for" before the last '.' of the file
// name, where it is not the name's first byte. Empty when there is none.
std::string outputPath(const std::string& inputFile) {
    const std::string::size_type dotPosition = inputFile.rfind('.');
    if (dotPosition == std::string::npos || dotPosition <= platform::fileNameStart(inputFile)) {
        return "";
    }
    const std::string baseName = inputFile.substr(0, dotPosition);
    const std::string extension = inputFile.substr(dotPosition);
    return baseName + "_for" + extension;
}

}  // namespace

// cppcheck-suppress constParameter ; the standard fixes main's parameters
int main(int argc, char* argv[]) {
    quillen::cleanUpOnSignals();
    if (argc != 2) {
        say(stderr, "Usage: quillen input_file");
        return 1;
    }

    const std::string inputFile = argv[1];
    try {
        const platform::FileInfo input = platform::inspect(inputFile);
        const quillen::Loaded loaded = quillen::loadFile(inputFile, input);
        if (loaded.result != tinyxml2::XML_SUCCESS) {
            say(stderr, "Error loading file: " + inputFile + ". Error code: " + code(loaded.result) + ".");
            return 1;
        }

        const std::string newFileName = outputPath(inputFile);
        if (newFileName.empty()) {
            say(stderr, "Invalid file name format.");
            return 1;
        }

        const int saved = quillen::save(*loaded.doc, newFileName, input.permissions);
        if (saved == quillen::savedNothing) {
            say(stderr, "Error saving file: " + newFileName +
                            ". Error code: " + code(tinyxml2::XML_ERROR_FILE_COULD_NOT_BE_OPENED) + ".");
            return 1;
        }
        if (saved != 0) {
            say(stderr, "Error writing file: " + newFileName + ". " + std::strerror(saved) + ".");
            return 1;
        }
        say(stdout, "Formatted XML saved successfully to: " + newFileName);
        // Taking a big document's tree apart costs a sizeable part of the
        // run, and the system reclaims its memory at once: end without it.
        std::exit(0);
    } catch (const std::bad_alloc&) {
        // The library holds the whole text and tree in memory.
        say(stderr, "Error formatting file: " + inputFile + ". Out of memory.");
        return 1;
    }
}
