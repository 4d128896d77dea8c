// LockedFile: a file held open for one operation under an advisory lock (flock), closed on
// destruction. Stands for "opened without sharing": another process that wants the file waits
// for the lock, at most kLockWaitMs, then goes on without it rather than failing.
// Reads and writes are positional and never go past what the caller asks; short results are
// reported as the byte count. Not copyable.
#pragma once

#include <cstddef>
#include <cstdint>

class LockedFile {
public:
    enum class Mode {
        ReadWriteCreate,  // open or create for reading and writing (exclusive lock)
        ReadOnly,         // open an existing file for reading (shared lock)
        WriteTruncate,    // open an existing file for writing, emptied (exclusive lock)
    };
    static constexpr int kLockWaitMs = 5000;

    LockedFile(const char* path, Mode mode);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    uint64_t size() const;
    size_t readAt(uint64_t offset, void* buffer, size_t count) const;
    size_t writeAt(uint64_t offset, const void* buffer, size_t count);

private:
    void lock(bool exclusive);
    int fd_ = -1;
};
