// Archive: directory read, lookup, extraction to temporary files and their removal.
#include "saver/archive/archive.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "platform/win/directories.h"
#include "saver/archive/archive_directory.h"
#include "saver/archive/archive_format.h"
#include "saver/archive/locked_file.h"

namespace {

// Copies are made through a buffer of at most this size, whatever the entry's size.
constexpr size_t kCopyChunk = 1 << 20;

std::string lowerCase(const char* s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Reads the header field at `offset`; a short read is completed with zero bytes and, when the
// archive is writable, written back so the file holds a complete header afterwards.
uint32_t readHeaderField(LockedFile& file, uint64_t offset, bool writable) {
    uint8_t bytes[4] = {0, 0, 0, 0};
    if (file.readAt(offset, bytes, 4) < 4 && writable) file.writeAt(offset, bytes, 4);
    return archive_format::readU32(bytes);
}

// Copies `count` bytes from `offset` of the archive to the start of `out`.
bool copyBytes(const LockedFile& archive, uint64_t offset, uint64_t count, LockedFile& out) {
    std::vector<uint8_t> buffer(static_cast<size_t>(count < kCopyChunk ? count : kCopyChunk));
    for (uint64_t done = 0; done < count;) {
        const size_t want = static_cast<size_t>(count - done < kCopyChunk ? count - done : kCopyChunk);
        const size_t got = archive.readAt(offset + done, buffer.data(), want);
        if (out.writeAt(done, buffer.data(), got) != got) return false;
        if (got < want) break;  // the file shrank meanwhile: keep what exists
        done += got;
    }
    return true;
}

}  // namespace

Archive::Archive(const char* archivePath) : path(archivePath ? archivePath : "") {
    char temp[MAX_PATH] = {};
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    tempDirectory = n > 0 && n < MAX_PATH ? temp : "/tmp/";
    readDirectory();
}

Archive::~Archive() {
    deleteTempFiles();
    for (int32_t i = 0; i < entries.count; ++i) delete entries.at<ArchiveEntry>(i);
    entries.clear();
}

void Archive::readDirectory() {
    if (path.empty()) return;
    LockedFile file(path.c_str(), LockedFile::Mode::ReadWriteCreate);
    if (file.isOpen()) return readDirectoryFrom(file, true);
    // A read-only install or a write-protected archive is still read, and never written.
    LockedFile readOnly(path.c_str(), LockedFile::Mode::ReadOnly);
    if (readOnly.isOpen()) readDirectoryFrom(readOnly, false);
}

void Archive::readDirectoryFrom(LockedFile& file, bool writable) {
    const uint32_t entryCount = readHeaderField(file, 0, writable);
    dataSize = readHeaderField(file, 4, writable);
    if (dataSize == 0) return;  // no entry data: the directory is not read
    const uint64_t fileSize = file.size();
    const uint64_t start = archive_format::kHeaderSize + static_cast<uint64_t>(dataSize);
    if (start >= fileSize) return;
    std::vector<uint8_t> directory(static_cast<size_t>(fileSize - start));  // bounded by the file
    directory.resize(file.readAt(start, directory.data(), directory.size()));
    std::vector<ArchiveEntry> parsed =
        parseArchiveDirectory(directory.data(), directory.size(), entryCount, ObjectList::kMaxCapacity);
    for (ArchiveEntry& e : parsed) entries.add(new ArchiveEntry(std::move(e)));
}

int32_t Archive::find(const char* name) const {
    if (!name) return -1;
    const std::string wanted = lowerCase(name);
    for (int32_t i = 0; i < entries.count; ++i)
        if (lowerCase(entryAt(i)->name.c_str()) == wanted) return i;
    return -1;
}

const char* Archive::extractToTemp(const char* name) {
    const int32_t index = find(name);
    return index < 0 ? nullptr : extractToTemp(index);
}

const char* Archive::extractToTemp(int32_t index) {
    auto* entry = entries.at<ArchiveEntry>(index);
    if (!entry) return nullptr;
    if (entry->extracted) return entry->tempPath.c_str();
    // Extraction only reads the archive; a file that vanished is not created again.
    LockedFile archive(path.c_str(), LockedFile::Mode::ReadOnly);
    if (!archive.isOpen()) return nullptr;
    char tempPath[MAX_PATH] = {};
    if (GetTempFileNameA(tempDirectory.c_str(), "ru", 0, tempPath) == 0) return nullptr;
    bool copied = false;
    {
        LockedFile out(tempPath, LockedFile::Mode::WriteTruncate);
        copied = out.isOpen() && copyBytes(archive, entry->offset, availableEntryBytes(*entry, archive.size()), out);
    }
    if (!copied) {
        std::remove(tempPath);
        return nullptr;
    }
    entry->tempPath = tempPath;
    entry->extracted = true;
    return entry->tempPath.c_str();
}

void Archive::deleteTempFiles() {
    for (int32_t i = 0; i < entries.count; ++i) {
        auto* entry = entries.at<ArchiveEntry>(i);
        if (!entry->extracted) continue;
        std::remove(entry->tempPath.c_str());
        entry->tempPath.clear();
        entry->extracted = false;
    }
}
