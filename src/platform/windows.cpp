// The platform calls on Windows (built with MinGW-w64 or MSVC).

#define _CRT_RAND_S  // rand_s, from the system's random source
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
        return {FileKind::missing, 0, 0};
    }
    const int type = static_cast<int>(info.st_mode & S_IFMT);
    const FileKind kind = type == S_IFREG   ? FileKind::regular
                          : type == S_IFDIR ? FileKind::directory
                                            : FileKind::other;
    return {kind, static_cast<int>(info.st_mode & 0666), static_cast<unsigned long long>(info.st_size)};
}

bool mayWrite(const std::string& path) { return _access(path.c_str(), 2) == 0; }

// Permission bits are not Windows's: the file gets the folder's defaults.
// The name's last six characters are random, from the system's random
// source, and drawn again on a clash, as mkstemp does: names that depend on
// the process id run out once stale files hold them. The file is opened so
// that a Ctrl+C handler may remove it while it is being written.
std::FILE* createExclusive(std::string& nameTemplate, int /*permissions*/) {
    static const char characters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::string::size_type random = nameTemplate.size() - 6;
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::string::size_type i = random; i < nameTemplate.size(); ++i) {
            unsigned int value = 0;
            if (rand_s(&value) != 0) {
                return nullptr;
            }
            nameTemplate[i] = characters[value % (sizeof characters - 1)];
        }
        const HANDLE file = CreateFileA(nameTemplate.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) {
                continue;
            }
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_TEXT);
        std::FILE* stream = fd != -1 ? _fdopen(fd, "w") : nullptr;
        if (stream == nullptr) {
            if (fd != -1) {
                _close(fd);
            } else {
                CloseHandle(file);
            }
            DeleteFileA(nameTemplate.c_str());
        }
        return stream;
    }
    return nullptr;
}

int replaceFile(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return 0;
    }
    return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
}

// Large pages on Windows need a privilege that programs do not have.
void adviseHugePages(unsigned long long /*bytes*/) {}

void removeFile(const char* path) { DeleteFileA(path); }

namespace {

SignalHandler cleanupHandler = nullptr;
SRWLOCK cleanupLock = SRWLOCK_INIT;

// What the C runtime calls. No other process can send a signal here.
void onSignal(int signalNumber) { cleanupHandler(signalNumber, false); }

// Closing the console, logging off and shutting down end the process once
// the handlers return: they clean up as termination does. Ctrl+C and
// Ctrl+Break go on to the C runtime, which calls the SIGINT and SIGBREAK
// handlers.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        cleanupHandler(SIGTERM, false);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void handleCleanupSignals(SignalHandler handler) {
    cleanupHandler = handler;
    for (const int signalNumber : {SIGINT, SIGBREAK, SIGTERM}) {
        if (std::signal(signalNumber, onSignal) == SIG_IGN) {
            std::signal(signalNumber, SIG_IGN);
        }
    }
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool isFault(int signalNumber) {
    return signalNumber != SIGINT && signalNumber != SIGBREAK && signalNumber != SIGTERM;
}

// The C runtime resets a handler before it calls it.
void keepHandling(int signalNumber) { std::signal(signalNumber, onSignal); }

// The handlers run on a thread of their own, at any time: holding the
// signals is holding a lock that they take too.
void holdCleanupSignals() { AcquireSRWLockExclusive(&cleanupLock); }
void releaseCleanupSignals() { ReleaseSRWLockExclusive(&cleanupLock); }

}  // namespace platform
