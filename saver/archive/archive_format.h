// Layout of the data archive, shared by the reader and the tools that write archives.
//
// All integers are 32-bit unsigned little-endian. Header: entryCount at 0, dataSize at 4. Entry
// data follows the header back to back in directory order (the first entry at offset 8). The
// directory starts at 8 + dataSize: per entry nameLength (including the terminating zero), the
// name bytes, offset (absolute) and size.
#pragma once

#include <cstdint>

namespace archive_format {

constexpr uint32_t kHeaderSize = 8;
// The longest entry name the program can use: the stores keep names in 100-byte buffers.
constexpr uint32_t kMaxNameChars = 99;

inline uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace archive_format
