// The default data set: every archive entry the screensaver reads, made in memory.
//
// Entries: the nucleotide body "vorel01" and the two cluster shells "vorel07" and "vorel08" at
// detail levels 0..2 (".3d"), the four caustic flip-books (caust01.bmp … caustg16.bmp), the rung
// texture "sting01.bmp", the preview picture "logo.bmp" and the textures the shells name. The set
// is the same, byte for byte, on every run. Names are plain file names without folders.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace assets {

struct AssetEntry {
    std::string name;
    std::vector<uint8_t> bytes;
};

// Told what is being made, how much of the whole is done, and the total (same units).
using AssetProgress = std::function<void(const std::string& what, int done, int total)>;

// False, with the reason in `error`, when an entry cannot be made (a model too large for its
// format); `out` is then left as it was.
bool buildAssetSet(std::vector<AssetEntry>* out, std::string* error, const AssetProgress& progress = {});

}  // namespace assets
