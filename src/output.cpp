// The output goes through a temporary file and a rename, as sed -i and git
// write theirs: the library's SaveFile would empty the output file first and
// write through any link at its path.

#include "output.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform.h"
#include "printer.h"

namespace quillen {
namespace {

// How far the run has come, for the signal handler. Changed only with the
// cleanup signals held, so that the handler never sees a step half done.
std::atomic<const char*> pendingTemporary{nullptr};  // the temporary file, while it exists
std::atomic<bool> outputInPlace{false};              // the output is complete and in place

// A signal would end the process and leave a temporary file behind: remove
// it, then end as the signal would. Once the output is in place, the run is
// complete and no signal interrupts it any more, so that it ends either as
// it was (no new output, no temporary file) or with the success line and
// status 0, whatever the timing. Only a fault of the program's own still
// ends it then; the same signal sent by another process does not.
void onCleanupSignal(int signalNumber, bool sentByAnotherProcess) {
    platform::holdCleanupSignals();
    if (outputInPlace.load() && (sentByAnotherProcess || !platform::isFault(signalNumber))) {
        platform::keepHandling(signalNumber);
    } else {
        const char* path = pendingTemporary.exchange(nullptr);
        if (path != nullptr) {
            platform::removeFile(path);
        }
        // The default action, raised: on POSIX the signal is blocked while
        // its handler runs, so it ends the process (core dump included) as
        // the handler returns; the C runtime on Windows ends it at once.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
    }
    platform::releaseCleanupSignals();
}

template <typename Action>
void withSignalsHeld(Action action) {
    platform::holdCleanupSignals();
    action();
    platform::releaseCleanupSignals();
}

// The temporary file beside the output: ".NAME.XXXXXX", a name that shows
// what it is. A file name has at most 255 bytes, which the output's own may
// use up: a longer NAME is cut, where a character starts, to leave room.
std::string temporaryTemplate(const std::string& path) {
    const std::string::size_type nameStart = platform::fileNameStart(path);
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
// document, and no link is ever written through. For a device or a FIFO it
// is the path itself, opened as the library would. What is left unfinished,
// however the run ends, is removed.
class Destination {
public:
    Destination(const std::string& path, int permissions) : path_(path) {
        const platform::FileInfo existing = platform::inspect(path);
        if (existing.kind == platform::FileKind::other) {
            stream_ = std::fopen(path.c_str(), "w");
        } else if (existing.kind == platform::FileKind::missing ||
                   (existing.kind == platform::FileKind::regular && platform::mayWrite(path))) {
            temporary_ = temporaryTemplate(path);
            withSignalsHeld([&] {
                stream_ = platform::createExclusive(temporary_, permissions);
                pendingTemporary = stream_ != nullptr ? temporary_.c_str() : nullptr;
            });
        }
        if (stream_ != nullptr) {
            // The printer hands over whole blocks of its own buffer: the
            // stream's would only copy them once more.
            std::setvbuf(stream_, nullptr, _IONBF, 0);
        }
    }

    ~Destination() {
        if (stream_ != nullptr) {
            std::fclose(stream_);
        }
        if (pendingTemporary.load() != nullptr) {
            withSignalsHeld([&] {
                platform::removeFile(temporary_.c_str());
                pendingTemporary = nullptr;
            });
        }
    }

    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    [[nodiscard]] std::FILE* stream() const { return stream_; }

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
        if (error == 0) {
            withSignalsHeld([&] {
                if (pendingTemporary.load() != nullptr) {
                    error = platform::replaceFile(temporary_, path_);
                }
                if (error == 0) {
                    pendingTemporary = nullptr;
                    outputInPlace = true;
                }
            });
        }
        return error;
    }

private:
    std::string path_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
};

}  // namespace

void cleanUpOnSignals() { platform::handleCleanupSignals(onCleanupSignal); }

int save(const tinyxml2::XMLDocument& doc, const std::string& path, int permissions) {
    Destination destination(path, permissions);
    if (destination.stream() == nullptr) {
        return savedNothing;
    }
    errno = 0;
    print(doc, destination.stream());
    return destination.finish();
}

}  // namespace quillen
