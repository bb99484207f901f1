// The platform calls on Linux, macOS and the BSDs.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "../platform.h"
#if __has_include(<stdio_ext.h>)
#include <stdio_ext.h>
#endif

namespace platform {

std::string::size_type fileNameStart(const std::string& path) {
    const std::string::size_type separator = path.rfind('/');
    return separator == std::string::npos ? 0 : separator + 1;
}

FileInfo inspect(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return {FileKind::missing, 0};
    }
    const FileKind kind = S_ISREG(info.st_mode)   ? FileKind::regular
                          : S_ISDIR(info.st_mode) ? FileKind::directory
                                                  : FileKind::other;
    return {kind, static_cast<int>(info.st_mode & 0666)};
}

bool mayWrite(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

std::FILE* createExclusive(std::string& nameTemplate, int permissions) {
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
}

int replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeFile(const char* path) { unlink(path); }

void lockOnlyOnce(std::FILE* stream) {
#if __has_include(<stdio_ext.h>)
    __fsetlocking(stream, FSETLOCKING_BYCALLER);
#else
    (void)stream;
#endif
}

namespace {

const std::array<int, 3> cleanupSignals{SIGINT, SIGTERM, SIGHUP};

sigset_t heldBefore;

}  // namespace

void handleCleanupSignals(SignalHandler handler) {
    for (const int signalNumber : cleanupSignals) {
        // A signal that the caller ignores (nohup, a background job) stays
        // ignored.
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            std::signal(signalNumber, handler);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

void endAsSignal(int signalNumber) {
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void holdCleanupSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signalNumber : cleanupSignals) {
        sigaddset(&held, signalNumber);
    }
    sigprocmask(SIG_BLOCK, &held, &heldBefore);
}

void releaseCleanupSignals() { sigprocmask(SIG_SETMASK, &heldBefore, nullptr); }

}  // namespace platform
