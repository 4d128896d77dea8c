// Parsing of the archive's directory bytes.
#include "saver/archive/archive_directory.h"

#include <cstring>

#include "saver/archive/archive_format.h"

std::vector<ArchiveEntry> parseArchiveDirectory(const uint8_t* data, size_t size, uint32_t entryCount,
                                                size_t maxEntries) {
    std::vector<ArchiveEntry> entries;
    size_t pos = 0;
    for (uint32_t i = 0; i < entryCount && entries.size() < maxEntries; ++i) {
        if (size - pos < 4) break;
        const uint32_t nameLength = archive_format::readU32(data + pos);
        pos += 4;
        if (size - pos < 8 || nameLength > size - pos - 8) break;  // the record does not fit
        const auto* name = reinterpret_cast<const char*>(data + pos);
        ArchiveEntry entry;
        entry.name.assign(name, strnlen(name, nameLength));
        pos += nameLength;
        entry.offset = archive_format::readU32(data + pos);
        entry.size = archive_format::readU32(data + pos + 4);
        pos += 8;
        entries.push_back(std::move(entry));
    }
    return entries;
}

uint64_t availableEntryBytes(const ArchiveEntry& entry, uint64_t fileSize) {
    if (entry.offset >= fileSize) return 0;
    const uint64_t rest = fileSize - entry.offset;
    return entry.size < rest ? entry.size : rest;
}
