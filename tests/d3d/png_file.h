// Tiny PNG reader/writer for test pictures: 8-bit RGB rows, top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace d3dtest {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3
};

bool writePngFile(const std::string& path, const Picture& picture);
bool readPngFile(const std::string& path, Picture* picture);

}  // namespace d3dtest
