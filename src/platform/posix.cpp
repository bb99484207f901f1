// The platform calls on Linux, macOS and the BSDs.

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../platform.h"
#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace platform {

std::string::size_type fileNameStart(const std::string& path) {
    const std::string::size_type separator = path.rfind('/');
    return separator == std::string::npos ? 0 : separator + 1;
}

FileInfo inspect(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return {FileKind::missing, 0, 0};
    }
    const FileKind kind = S_ISREG(info.st_mode)   ? FileKind::regular
                          : S_ISDIR(info.st_mode) ? FileKind::directory
                                                  : FileKind::other;
    return {kind, static_cast<int>(info.st_mode & 0666), static_cast<unsigned long long>(info.st_size)};
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

namespace {

// The first line of the file at PATH, empty if there is none.
std::string firstLine(const std::string& path) {
    std::string line;
    if (std::FILE* file = std::fopen(path.c_str(), "r")) {
        for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file)) {
            line += static_cast<char>(c);
        }
        std::fclose(file);
    }
    return line;
}

// Whether the system runs under a hypervisor that it tells of its free
// memory (a virtio memory balloon with free page reporting, whose feature
// bits Linux shows in sysfs). Such a host takes back every free block of
// huge-page size at once, so that a huge page comes back with no memory
// behind it, and its first touch costs the host's work for all of it: the
// 60 MB document took 1.45 s so, 0.79 s in small pages.
bool freeMemoryGoesToHost() {
    constexpr std::string::size_type reportingBit = 5;  // VIRTIO_BALLOON_F_REPORTING
    DIR* devices = opendir("/sys/bus/virtio/devices");
    if (devices == nullptr) {
        return false;
    }
    bool reporting = false;
    while (const dirent* entry = readdir(devices)) {
        const std::string device = std::string("/sys/bus/virtio/devices/") + entry->d_name;
        const std::string features = firstLine(device + "/features");
        reporting = reporting || (firstLine(device + "/device") == "0x0005" &&
                                  features.size() > reportingBit && features[reportingBit] == '1');
    }
    closedir(devices);
    return reporting;
}

}  // namespace

// glibc's heap is told to take every allocation from one region that it
// never gives back before the end (the library would map a large one on its
// own and return freed memory); a block as large as wanted is taken from
// it, advised for huge pages and freed, and the allocations that follow
// reuse it. It is touched only where they do.
void adviseHugePages(unsigned long long bytes) {
#if defined(MADV_HUGEPAGE) && defined(M_MMAP_MAX) && defined(M_TRIM_THRESHOLD)
    if (freeMemoryGoesToHost()) {
        return;
    }
    const unsigned long long hugePage = 2ULL << 20;
    bytes = std::min(bytes, 1ULL << 30);  // within what the heap keeps
    if (mallopt(M_MMAP_MAX, 0) == 0 || mallopt(M_TRIM_THRESHOLD, INT_MAX) == 0) {
        return;
    }
    auto* block = static_cast<char*>(std::malloc(bytes));
    if (block == nullptr) {
        return;
    }
    // The whole huge pages inside the block.
    const std::size_t skip = (hugePage - reinterpret_cast<std::uintptr_t>(block) % hugePage) % hugePage;
    if (bytes > skip + hugePage) {
        madvise(block + skip, (bytes - skip) / hugePage * hugePage, MADV_HUGEPAGE);
    }
    std::free(block);
#else
    (void)bytes;
#endif
}

void removeFile(const char* path) { unlink(path); }

namespace {

// The signals whose default action ends the process, but for SIGKILL, which
// cannot be caught, and SIGXFSZ, which is ignored.
std::vector<int> cleanupSignals() {
    std::vector<int> signals{SIGHUP,  SIGINT,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT,
                             SIGBUS,  SIGFPE,  SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE,
                             SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS};
#ifdef SIGIO
    signals.push_back(SIGIO);
#endif
#ifdef SIGPWR
    signals.push_back(SIGPWR);
#endif
#ifdef SIGSTKFLT
    signals.push_back(SIGSTKFLT);
#endif
#ifdef SIGEMT
    signals.push_back(SIGEMT);
#endif
#ifdef SIGLOST
    signals.push_back(SIGLOST);
#endif
#ifdef SIGRTMIN
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) {
        signals.push_back(signalNumber);
    }
#endif
    return signals;
}

// Filled in before any handler can run: the handler itself holds them, and
// may not allocate.
sigset_t cleanupSet;
sigset_t heldBefore;
SignalHandler cleanupHandler = nullptr;

// The kernel reports a fault with a positive si_code; kill, sigqueue and
// tgkill leave it at zero or below, with the sender's process id.
extern "C" void onSignal(int signalNumber, siginfo_t* info, void* /*context*/) {
    cleanupHandler(signalNumber, info != nullptr && info->si_code <= 0 && info->si_pid != getpid());
}

}  // namespace

void handleCleanupSignals(SignalHandler handler) {
    cleanupHandler = handler;
    const std::vector<int> signals = cleanupSignals();
    sigemptyset(&cleanupSet);
    for (const int signalNumber : signals) {
        sigaddset(&cleanupSet, signalNumber);
    }
    struct sigaction action {};
    action.sa_sigaction = onSignal;
    action.sa_mask = cleanupSet;  // one handler at a time
    action.sa_flags = SA_RESTART | SA_SIGINFO;
    // A signal that the caller ignores (nohup, a background job) stays
    // ignored; one that arrives before that is put back is still discarded.
    holdCleanupSignals();
    for (const int signalNumber : signals) {
        struct sigaction previous {};
        if (sigaction(signalNumber, &action, &previous) == 0 && (previous.sa_flags & SA_SIGINFO) == 0 &&
            previous.sa_handler == SIG_IGN) {
            sigaction(signalNumber, &previous, nullptr);
        }
    }
    releaseCleanupSignals();
    std::signal(SIGXFSZ, SIG_IGN);
}

bool isFault(int signalNumber) {
    return signalNumber == SIGSEGV || signalNumber == SIGBUS || signalNumber == SIGFPE ||
           signalNumber == SIGILL || signalNumber == SIGTRAP || signalNumber == SIGSYS ||
           signalNumber == SIGABRT;
}

void keepHandling(int /*signalNumber*/) {}  // sigaction keeps it

void holdCleanupSignals() { sigprocmask(SIG_BLOCK, &cleanupSet, &heldBefore); }

void releaseCleanupSignals() { sigprocmask(SIG_SETMASK, &heldBefore, nullptr); }

}  // namespace platform
