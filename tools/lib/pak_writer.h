// Writer of data archives (the layout of saver/archive/archive_format.h).
//
// Entries are appended in order; finish() writes the directory and then the header. Everything
// goes to a temporary file beside the target, which finish() renames onto the target only when
// every write succeeded, so a failed or interrupted run never leaves a valid-looking archive (the
// target is untouched, the temporary file removed). Names must be 1..99 characters without
// directory separators or zero bytes; a rejected add reports why and leaves the writer usable.
// The whole archive must stay below 4 GiB (32-bit offsets).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class PakWriter {
public:
    explicit PakWriter(std::string targetPath);
    ~PakWriter();  // without a successful finish(): removes the temporary file
    PakWriter(const PakWriter&) = delete;
    PakWriter& operator=(const PakWriter&) = delete;

    // False (with a reason in error()) when the temporary file could not be created.
    bool ok() const { return file_ != nullptr; }
    bool addBytes(const std::string& name, const void* data, size_t size);
    bool addBytes(const std::string& name, const std::vector<uint8_t>& data) {
        return addBytes(name, data.data(), data.size());
    }
    // Copies a file's bytes in as an entry.
    bool addFile(const std::string& name, const std::string& sourcePath);
    bool finish();
    const std::string& error() const { return error_; }
    size_t entryCount() const { return entries_.size(); }

    // "" when the name can be stored, else the reason.
    static std::string checkName(const std::string& name);

private:
    struct Entry {
        std::string name;
        uint32_t offset;
        uint32_t size;
    };
    bool fail(const std::string& why);
    bool reserve(size_t size);
    bool writeAt(long offset, const std::vector<uint8_t>& bytes);

    std::string target_;
    std::string tempPath_;
    FILE* file_ = nullptr;
    std::vector<Entry> entries_;
    uint64_t dataEnd_ = 8;
    bool failed_ = false;
    std::string error_;
};

// Writes a whole archive in one go; false with a reason on failure (no archive is left).
struct PakEntry {
    std::string name;
    std::vector<uint8_t> data;
};
bool writePak(const std::string& path, const std::vector<PakEntry>& entries, std::string* error);
