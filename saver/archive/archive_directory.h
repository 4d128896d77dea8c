// Parsing of the archive's directory bytes, kept apart from file access so it can be checked on
// any input. Records are read back to back: nameLength (u32, counting the terminating zero),
// name, offset, size. Reading stops after `entryCount` records, at `maxEntries`, or at the first
// record that does not fit in the bytes given. Names are the bytes up to the first zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "saver/archive/archive.h"

std::vector<ArchiveEntry> parseArchiveDirectory(const uint8_t* data, size_t size, uint32_t entryCount,
                                                size_t maxEntries);

// How many of an entry's bytes exist in a file of `fileSize` bytes.
uint64_t availableEntryBytes(const ArchiveEntry& entry, uint64_t fileSize);
