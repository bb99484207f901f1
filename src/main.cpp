// quillen: re-indents an XML file. `quillen data.xml` writes data_for.xml.

#include <tinyxml2.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "document.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#if __has_include(<stdio_ext.h>)
#include <stdio_ext.h>
#endif

namespace {

// ---- What the standard library lacks, one function for each platform call.

// Where the file name starts within a path: after its last directory
// separator. Windows separates directories with a backslash too.
std::string::size_type fileNameStart(const std::string& path) {
#ifdef _WIN32
    const char* separators = "/\\";
#else
    const char* separators = "/";
#endif
    const std::string::size_type separator = path.find_last_of(separators);
    return separator == std::string::npos ? 0 : separator + 1;
}

enum class FileKind { missing, regular, directory, other };

struct FileInfo {
    FileKind kind;
    int permissions;  // read and write bits for user, group and others
};

// What a path names, following links.
FileInfo inspect(const std::string& path) {
#ifdef _WIN32
    struct _stat64 info {};
    if (_stat64(path.c_str(), &info) != 0) {
        return {FileKind::missing, 0};
    }
#else
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return {FileKind::missing, 0};
    }
#endif
    const int type = static_cast<int>(info.st_mode & S_IFMT);
    const FileKind kind = type == S_IFREG   ? FileKind::regular
                          : type == S_IFDIR ? FileKind::directory
                                            : FileKind::other;
    return {kind, static_cast<int>(info.st_mode & 0666)};
}

bool mayWrite(const std::string& path) {
#ifdef _WIN32
    return _access(path.c_str(), 2) == 0;
#else
    return access(path.c_str(), W_OK) == 0;
#endif
}

// Creates a new file from a template ending in "XXXXXX", never through an
// existing name, with the given permissions (limited by the umask), and opens
// it for writing in text mode. Fills in the template; null on failure, with
// no file left behind.
std::FILE* createExclusive(std::string& nameTemplate, int permissions) {
#ifdef _WIN32
    (void)permissions;
    const std::string pattern = nameTemplate;
    for (int attempt = 0; attempt < 26; ++attempt) {
        nameTemplate = pattern;
        if (_mktemp_s(&nameTemplate[0], nameTemplate.size() + 1) != 0) {
            return nullptr;
        }
        int fd = -1;
        if (_sopen_s(&fd, nameTemplate.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_TEXT, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE) == 0) {
            std::FILE* stream = _fdopen(fd, "w");
            if (stream == nullptr) {
                _close(fd);
                _unlink(nameTemplate.c_str());
            }
            return stream;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
#else
    const int fd = mkstemp(&nameTemplate[0]);
    if (fd < 0) {
        return nullptr;
    }
    const mode_t umaskBits = umask(0);
    umask(umaskBits);
    fchmod(fd, static_cast<mode_t>(permissions) & ~umaskBits);
    std::FILE* stream = fdopen(fd, "w");
    if (stream == nullptr) {
        close(fd);
        unlink(nameTemplate.c_str());
    }
    return stream;
#endif
}

// Puts a complete file in place of another, atomically for every reader.
// Returns 0 or an errno value.
int replaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return 0;
    }
    return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
#else
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
#endif
}

// Usable inside a signal handler.
void removeFile(const char* path) {
#ifdef _WIN32
    _unlink(path);
#else
    unlink(path);
#endif
}

// The signals that end the process while a temporary file may exist.
template <typename Action>
void forEachCleanupSignal(Action action) {
    action(SIGINT);
    action(SIGTERM);
#ifdef SIGHUP
    action(SIGHUP);
#endif
}

// Holds back the cleanup signals while a temporary file comes and goes, so
// that the handler always knows whether there is one to remove.
class SignalsHeld {
public:
#ifdef _WIN32
    SignalsHeld() = default;
#else
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        forEachCleanupSignal([&](int signalNumber) { sigaddset(&held, signalNumber); });
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_{};
#endif
};

template <typename Action>
void withSignalsHeld(Action action) {
    [[maybe_unused]] const SignalsHeld held;  // nothing to hold on Windows
    action();
}

// The standard I/O stream locks itself on every call, and tinyxml2's
// printer makes one call for each small piece; this program has one thread.
void lockOnlyOnce(std::FILE* stream) {
#if __has_include(<stdio_ext.h>)
    __fsetlocking(stream, FSETLOCKING_BYCALLER);
#else
    (void)stream;
#endif
}

// ---- quillen's own rules and steps.

// The temporary file an interrupted run must remove, if any.
std::atomic<const char*> pendingTemporary{nullptr};

// A cleanup signal would end the process and leave a temporary file behind:
// remove it, then end as the signal would.
extern "C" void removeTemporaryAndEnd(int signalNumber) {
    const char* path = pendingTemporary.load();
    if (path != nullptr) {
        removeFile(path);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// A signal that the caller ignores (nohup, a background job) stays ignored.
void removeTemporaryOn(int signalNumber) {
    if (std::signal(signalNumber, removeTemporaryAndEnd) == SIG_IGN) {
        std::signal(signalNumber, SIG_IGN);
    }
}

void removeTemporaryOnSignals() {
    forEachCleanupSignal(removeTemporaryOn);
#ifdef SIGXFSZ
    // A file-size limit would kill the process without a word; ignored, it
    // fails the write with EFBIG, which is reported like any write error.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

// The library opens whatever the path names and reads it to its end: a FIFO
// or a terminal would block it for ever. An input that is neither a regular
// file nor a directory is refused, without opening it, as one whose length
// cannot be determined.
bool isLoadable(const FileInfo& input) { return input.kind != FileKind::other; }

// tinyxml2's load, with quillen's rules.
tinyxml2::XMLError load(quillen::CheckedDocument& doc, const std::string& inputFile, const FileInfo& input) {
    if (!isLoadable(input)) {
        return tinyxml2::XML_ERROR_FILE_READ_ERROR;
    }
    doc.LoadFile(inputFile.c_str());
    return doc.result();
}

// One write per line, so that the lines of runs in parallel never mix. C's
// streams rather than iostreams: setting those up costs a static program a
// tenth of a small file's run.
void say(std::FILE* stream, const std::string& line) {
    const std::string text = line + '\n';
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// The temporary file beside the output: ".NAME.XXXXXX", a name that shows
// what it is. A file name has at most 255 bytes, which the output's own may
// use up: a longer NAME is cut, where a character starts, to leave room.
std::string temporaryTemplate(const std::string& path) {
    const std::string::size_type nameStart = fileNameStart(path);
    std::string name = path.substr(nameStart);
    std::string::size_type room = 255 - std::strlen("..XXXXXX");
    if (name.size() > room) {
        while (room > 0 && (static_cast<unsigned char>(name[room]) & 0xC0) == 0x80) {
            --room;  // a UTF-8 continuation byte
        }
        name.resize(room);
    }
    return path.substr(0, nameStart) + "." + name + ".XXXXXX";
}

// Where the document is printed. For a regular file, a link or nothing at the
// output path, that is a new temporary file beside it, renamed over the path
// once complete: the path then holds either what it held before or the whole
// document, and no link is ever written through (the library's SaveFile
// empties and writes the file the path leads to). For a device or a FIFO it
// is the path itself, opened as the library would. What is left unfinished,
// however the run ends, is removed.
class Destination {
public:
    Destination(const std::string& path, int permissions) : path_(path) {
        const FileInfo existing = inspect(path);
        if (existing.kind == FileKind::other) {
            stream_ = std::fopen(path.c_str(), "w");
        } else if (existing.kind == FileKind::missing ||
                   (existing.kind == FileKind::regular && mayWrite(path))) {
            temporary_ = temporaryTemplate(path);
            removeTemporaryOnSignals();
            withSignalsHeld([&] {
                stream_ = createExclusive(temporary_, permissions);
                pendingTemporary = stream_ != nullptr ? temporary_.c_str() : nullptr;
            });
        }
        if (stream_ != nullptr) {
            // tinyxml2's printer writes many small pieces: a larger buffer
            // than the default means far fewer system calls. Left unfilled,
            // so that a small file touches only the pages it uses.
            std::setvbuf(stream_, buffer_.data(), _IOFBF, buffer_.size());
            lockOnlyOnce(stream_);
        }
    }

    ~Destination() {
        if (stream_ != nullptr) {
            std::fclose(stream_);
        }
        if (pendingTemporary.load() != nullptr) {
            withSignalsHeld([&] {
                removeFile(temporary_.c_str());
                pendingTemporary = nullptr;
            });
        }
    }

    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    std::FILE* stream() const { return stream_; }

    // After the print: flushes, closes and puts the file in place. Returns 0
    // or the errno value of what failed first.
    int finish() {
        int error = std::ferror(stream_) != 0 ? (errno != 0 ? errno : EIO) : 0;
        if (std::fflush(stream_) != 0 && error == 0) {
            error = errno;
        }
        const int closed = std::fclose(stream_);
        stream_ = nullptr;
        if (closed != 0 && error == 0) {
            error = errno;
        }
        if (error == 0 && pendingTemporary.load() != nullptr) {
            withSignalsHeld([&] {
                error = replaceFile(temporary_, path_);
                if (error == 0) {
                    pendingTemporary = nullptr;
                }
            });
        }
        return error;
    }

private:
    std::string path_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    std::array<char, std::size_t{1} << 16> buffer_;  // not filled in
};

// Prints the document to the output path. Returns 0 on success, -1 when the
// output cannot be created, or the errno value of a failed write.
int save(tinyxml2::XMLDocument& doc, const std::string& newFileName, int permissions) {
    Destination destination(newFileName, permissions);
    if (destination.stream() == nullptr) {
        return -1;
    }
    errno = 0;
    doc.SaveFile(destination.stream(), false);
    return destination.finish();
}

}  // namespace

// cppcheck-suppress constParameter ; the standard fixes main's parameters
int main(int argc, char* argv[]) {
    if (argc != 2) {
        say(stderr, "Usage: quillen input_file");
        return 1;
    }

    const std::string inputFile = argv[1];
    try {
        const FileInfo input = inspect(inputFile);
        quillen::CheckedDocument doc;
        const tinyxml2::XMLError loadResult = load(doc, inputFile, input);
        if (loadResult != tinyxml2::XML_SUCCESS) {
            say(stderr, "Error loading file: " + inputFile +
                            ". Error code: " + std::to_string(static_cast<int>(loadResult)) + ".");
            return 1;
        }

        // The output goes beside the input: only a '.' in the file name counts,
        // and not one that starts it.
        const std::string::size_type dotPosition = inputFile.rfind('.');
        if (dotPosition == std::string::npos || dotPosition <= fileNameStart(inputFile)) {
            say(stderr, "Invalid file name format.");
            return 1;
        }
        const std::string baseName = inputFile.substr(0, dotPosition);
        const std::string extension = inputFile.substr(dotPosition);
        const std::string newFileName = baseName + "_for" + extension;

        const int cause = save(doc, newFileName, input.permissions);
        if (cause == -1) {
            say(stderr, "Error saving file: " + newFileName + ". Error code: " +
                            std::to_string(static_cast<int>(tinyxml2::XML_ERROR_FILE_COULD_NOT_BE_OPENED)) +
                            ".");
            return 1;
        }
        if (cause != 0) {
            say(stderr, "Error writing file: " + newFileName + ". " + std::strerror(cause) + ".");
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
