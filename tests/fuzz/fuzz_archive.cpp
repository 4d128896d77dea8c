// Fuzz target: an archive file image (header, data, directory) through the directory reader.
// Every record read must lie inside the image, and extraction sizes must stay within it.
#include <cstdint>
#include <cstdlib>

#include "saver/archive/archive_directory.h"
#include "saver/archive/archive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t header[8] = {};
    for (size_t i = 0; i < 8 && i < size; ++i) header[i] = data[i];
    const uint32_t entryCount = archive_format::readU32(header);
    const uint32_t dataSize = archive_format::readU32(header + 4);
    const uint64_t start = archive_format::kHeaderSize + static_cast<uint64_t>(dataSize);
    if (dataSize == 0 || start >= size) return 0;
    const auto entries = parseArchiveDirectory(data + start, size - start, entryCount, 10000);
    size_t minimumBytes = 0;
    for (const ArchiveEntry& e : entries) {
        if (availableEntryBytes(e, size) > size || e.name.size() >= size) std::abort();
        minimumBytes += 12;
    }
    if (minimumBytes > size - start) std::abort();  // every record takes at least 12 bytes
    return 0;
}
