// The few operating-system calls that the C and C++ standard libraries lack.
// One implementation per platform (platform/posix.cpp, platform/windows.cpp),
// chosen by the build; nothing above this header knows which one it runs on.

#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Where the file name starts within a path: after its last directory
// separator ('/', and on Windows '\' too).
std::string::size_type fileNameStart(const std::string& path);

enum class FileKind { missing, regular, directory, other };

struct FileInfo {
    FileKind kind;
    int permissions;          // read and write bits for user, group and others
    unsigned long long size;  // in bytes
};

// What a path names, following links.
FileInfo inspect(const std::string& path);

// Whether this process may write the file the path names.
bool mayWrite(const std::string& path);

// Creates a new file from a template ending in "XXXXXX", never through an
// existing name, with the given permissions (limited by the umask), and opens
// it for writing in text mode. Fills in the template; null on failure, with
// no file left behind. The file can be removed while it is open.
std::FILE* createExclusive(std::string& nameTemplate, int permissions);

// Puts a complete file in place of another, atomically for every reader.
// Returns 0 or an errno value.
int replaceFile(const std::string& from, const std::string& to);

// The allocations that follow, up to about BYTES, come from memory that the
// system maps in huge pages where it can (Linux's transparent huge pages,
// which it then hands out 2 MiB at a time), unless it gives its free memory
// back to a hypervisor, where a huge page costs more than it saves. Nothing
// elsewhere.
void adviseHugePages(unsigned long long bytes);

// Removes a file; usable inside a signal handler.
void removeFile(const char* path);

// The cleanup signals: every catchable signal that would end the process
// (on Windows: Ctrl+C, Ctrl+Break, closing the console, termination).
// HANDLER is called for each one that the caller has not set to be ignored,
// with whether another process sent it; a file-size limit is ignored
// instead, so that it fails the write with EFBIG.
using SignalHandler = void (*)(int signalNumber, bool sentByAnotherProcess);
void handleCleanupSignals(SignalHandler handler);

// A signal that reports a fault of the program itself (a bad memory access,
// an illegal instruction, abort), unless another process sent it: the
// handler must not return from one.
bool isFault(int signalNumber);

// Inside the handler: it is called for this signal again next time.
void keepHandling(int signalNumber);

// While the cleanup signals are held, no handler runs: one that arrives
// waits until they are released. Not nested.
void holdCleanupSignals();
void releaseCleanupSignals();

}  // namespace platform
