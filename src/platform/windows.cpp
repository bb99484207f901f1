// The platform calls on Windows (built with MinGW-w64 or MSVC).

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "../platform.h"

namespace platform {

std::string::size_type fileNameStart(const std::string& path) {
    const std::string::size_type separator = path.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

FileInfo inspect(const std::string& path) {
    struct _stat64 info {};
    if (_stat64(path.c_str(), &info) != 0) {
        return {FileKind::missing, 0};
    }
    const int type = static_cast<int>(info.st_mode & S_IFMT);
    const FileKind kind = type == S_IFREG   ? FileKind::regular
                          : type == S_IFDIR ? FileKind::directory
                                            : FileKind::other;
    return {kind, static_cast<int>(info.st_mode & 0666)};
}

bool mayWrite(const std::string& path) { return _access(path.c_str(), 2) == 0; }

// Permission bits are not Windows's: the file gets the folder's defaults.
std::FILE* createExclusive(std::string& nameTemplate, int /*permissions*/) {
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
}

int replaceFile(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return 0;
    }
    return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
}

void removeFile(const char* path) { _unlink(path); }

void lockOnlyOnce(std::FILE* /*stream*/) {}

void handleCleanupSignals(SignalHandler handler) {
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        if (std::signal(signalNumber, handler) == SIG_IGN) {
            std::signal(signalNumber, SIG_IGN);
        }
    }
}

void endAsSignal(int signalNumber) {
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// The handlers run on a thread of their own, at any time.
void holdCleanupSignals() {}
void releaseCleanupSignals() {}

}  // namespace platform
