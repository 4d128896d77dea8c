// Archive: reader of the data archive ("vorel_screensaver.pak"), which hands entries out as
// temporary files because the loaders of models and bitmaps read from paths.
//
// Layout: saver/archive/archive_format.h. The directory is read once, at construction. The file is
// opened at the start of each operation that touches it and closed at its end, under an advisory
// lock (flock) so another process cannot interleave; a second process waits for the lock, at most
// a few seconds, then goes on without it.
// Missing archive: created as an empty 8-byte archive. A writable archive with a short header gets
// the header completed with zero bytes. An archive that cannot be opened for writing is read
// read-only and never written. Every read is bounded by the file's real size: a directory record
// that does not fit ends the directory, and an entry whose offset or size point past the end
// extracts with the bytes that exist. At most ObjectList::kMaxCapacity entries are kept.
// Temporary files ("ru" prefix, in the platform's temporary directory) belong to the archive until
// deleteTempFiles or destruction. Single-threaded.
#pragma once

#include <cstdint>
#include <string>

#include "common/object_list.h"

class LockedFile;

struct ArchiveEntry {
    std::string name;  // as read (bytes up to the first zero)
    uint32_t offset = 0;
    uint32_t size = 0;
    bool extracted = false;
    std::string tempPath;  // valid while extracted
};

class Archive {
public:
    explicit Archive(const char* archivePath);
    ~Archive();  // deleteTempFiles, then releases the entries
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Index of the first entry whose name equals `name` ignoring letter case (single-byte), or -1.
    int32_t find(const char* name) const;
    // Path of a temporary copy of the entry, or null (unknown name or index, no temporary file,
    // archive gone). The same path is returned until deleteTempFiles. Valid until then.
    const char* extractToTemp(const char* name);
    const char* extractToTemp(int32_t index);
    // Deletes every temporary file made so far and forgets the paths.
    void deleteTempFiles();

    int32_t entryCount() const { return entries.count; }
    const ArchiveEntry* entryAt(int32_t index) const { return entries.at<ArchiveEntry>(index); }

    std::string path;
    std::string tempDirectory;
    ObjectList entries;  // ArchiveEntry*, owned, directory order
    uint32_t dataSize = 0;

private:
    void readDirectory();
    void readDirectoryFrom(LockedFile& file, bool writable);
};
