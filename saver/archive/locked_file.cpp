// LockedFile: positional I/O on a file held under flock for one operation.
#include "saver/archive/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/win/directories.h"

namespace {

int openFlags(LockedFile::Mode mode) {
    switch (mode) {
        case LockedFile::Mode::ReadWriteCreate: return O_RDWR | O_CREAT;
        case LockedFile::Mode::ReadOnly: return O_RDONLY;
        case LockedFile::Mode::WriteTruncate: return O_WRONLY | O_TRUNC;
    }
    return O_RDONLY;
}

void sleepMs(int ms) {
    timespec t{0, ms * 1000000L};
    nanosleep(&t, nullptr);
}

}  // namespace

LockedFile::LockedFile(const char* path, Mode mode) {
    if (!path) return;
    // The program builds Windows-style paths; the file system wants '/' separators.
    fd_ = ::open(platform::nativePath(path).c_str(), openFlags(mode) | O_CLOEXEC, 0644);
    if (fd_ >= 0) lock(mode != Mode::ReadOnly);
}

LockedFile::~LockedFile() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

void LockedFile::lock(bool exclusive) {
    const int operation = (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    constexpr int kStepMs = 10;
    for (int waited = 0; waited < kLockWaitMs; waited += kStepMs) {
        if (::flock(fd_, operation) == 0) return;
        if (errno != EWOULDBLOCK && errno != EINTR) return;  // no locking here: go on without it
        sleepMs(kStepMs);
    }
}

uint64_t LockedFile::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

size_t LockedFile::readAt(uint64_t offset, void* buffer, size_t count) const {
    size_t done = 0;
    while (fd_ >= 0 && done < count) {
        const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, count - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t LockedFile::writeAt(uint64_t offset, const void* buffer, size_t count) {
    size_t done = 0;
    while (fd_ >= 0 && done < count) {
        const ssize_t n = ::pwrite(fd_, static_cast<const char*>(buffer) + done, count - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}
