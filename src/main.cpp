// quillen: re-indents an XML file. `quillen data.xml` writes data_for.xml.

#include <tinyxml2.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "document.h"

namespace {

// Where the file name starts within a path: after its last directory separator.
// The one platform difference: Windows separates directories with a backslash too.
std::string::size_type fileNameStart(const std::string& path) {
#ifdef _WIN32
    const char* separators = "/\\";
#else
    const char* separators = "/";
#endif
    const std::string::size_type separator = path.find_last_of(separators);
    return separator == std::string::npos ? 0 : separator + 1;
}

// Prints the document to a file the driver opens itself, so that errors while
// writing, flushing and closing are seen; the bytes are those that the
// library's SaveFile(path) prints. Returns 0 on success, -1 when the file
// cannot be opened, or the errno value of a failed write.
int saveFile(tinyxml2::XMLDocument& doc, const std::string& newFileName) {
    // The printer writes many small pieces: a larger buffer than the default
    // means far fewer system calls on big documents.
    std::vector<char> buffer(std::size_t{1} << 16);
    std::FILE* output = std::fopen(newFileName.c_str(), "w");
    if (output == nullptr) {
        return -1;
    }
    std::setvbuf(output, buffer.data(), _IOFBF, buffer.size());
    errno = 0;
    try {
        doc.SaveFile(output, false);
    } catch (...) {
        // Out of memory while printing: leave no partial output behind.
        std::fclose(output);
        std::remove(newFileName.c_str());
        throw;
    }
    bool failed = std::ferror(output) != 0;
    failed = std::fflush(output) != 0 || failed;
    failed = std::fclose(output) != 0 || failed;
    if (!failed) {
        return 0;
    }
    return errno != 0 ? errno : EIO;
}

}  // namespace

// cppcheck-suppress constParameter ; the standard fixes main's parameters
int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "Usage: quillen input_file" << std::endl;
        return 1;
    }

    const std::string inputFile = argv[1];
    try {
        quillen::CheckedDocument doc;
        doc.LoadFile(inputFile.c_str());
        const tinyxml2::XMLError loadResult = doc.result();
        if (loadResult != tinyxml2::XML_SUCCESS) {
            std::cerr << "Error loading file: " << inputFile
                      << ". Error code: " << static_cast<int>(loadResult) << "." << std::endl;
            return 1;
        }

        // The output goes beside the input: only a '.' in the file name counts,
        // and not one that starts it.
        const std::string::size_type dotPosition = inputFile.rfind('.');
        if (dotPosition == std::string::npos || dotPosition <= fileNameStart(inputFile)) {
            std::cerr << "Invalid file name format.\n";
            return 1;
        }
        const std::string baseName = inputFile.substr(0, dotPosition);
        const std::string extension = inputFile.substr(dotPosition);
        const std::string newFileName = baseName + "_for" + extension;

        const int cause = saveFile(doc, newFileName);
        if (cause == -1) {
            std::cerr << "Error saving file: " << newFileName
                      << ". Error code: " << static_cast<int>(tinyxml2::XML_ERROR_FILE_COULD_NOT_BE_OPENED)
                      << "." << std::endl;
            return 1;
        }
        if (cause != 0) {
            std::remove(newFileName.c_str());
            std::cerr << "Error writing file: " << newFileName << ". " << std::strerror(cause) << "."
                      << std::endl;
            return 1;
        }
        std::cout << "Formatted XML saved successfully to: " << newFileName << std::endl;
        return 0;
    } catch (const std::bad_alloc&) {
        // The library holds the whole text and tree in memory.
        std::cerr << "Error formatting file: " << inputFile << ". Out of memory." << std::endl;
        return 1;
    }
}
