// vorel_assets OUTDIR: writes the default data set (models, caustic frames, pictures) into OUTDIR,
// one file per archive entry. The same source always writes the same bytes.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/lib/assets/asset_set.h"
#include "tools/lib/assets/preview_set.h"
#include "tools/lib/pak_writer.h"

namespace {

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: vorel_assets OUTDIR\n"
                 "       vorel_assets --pak ARCHIVE      (the same entries packed into one archive)\n"
                 "       vorel_assets --preview OUTDIR   (software-rendered looks at the models)\n"
                 "Writes every entry of the screensaver's default data set into OUTDIR (created when\n"
                 "missing): the models vorel010.3d ... vorel082.3d, the caustic frames caust01.bmp ...\n"
                 "caustg16.bmp, sting01.bmp, logo.bmp and the shell textures. Pack them with\n"
                 "`vorel_pak create vorel_screensaver.pak FILE...`.\n");
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "vorel_assets: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "vorel_assets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return true;
    std::fprintf(stderr, "vorel_assets: cannot create folder %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
}

// Progress on one line of the terminal, only when stderr is one (build logs stay clean).
void showProgress(const std::string& what, int done, int total) {
    static const bool terminal = isatty(fileno(stderr));
    if (!terminal) return;
    std::fprintf(stderr, "\rvorel_assets: %3d%%  %-24s", done * 100 / (total > 0 ? total : 1), what.c_str());
    if (done == total) std::fprintf(stderr, "\n");
}

bool buildEntries(std::vector<assets::AssetEntry>* entries) {
    std::string error;
    if (assets::buildAssetSet(entries, &error, showProgress)) return true;
    std::fprintf(stderr, "vorel_assets: %s\n", error.c_str());
    return false;
}

// Entries go in sorted by name, so the archive's bytes depend only on the generators.
int writeArchive(const std::string& path) {
    std::vector<assets::AssetEntry> entries;
    if (!buildEntries(&entries)) return 1;
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    PakWriter pak(path);
    bool ok = pak.ok();
    for (size_t i = 0; ok && i < entries.size(); ++i) ok = pak.addBytes(entries[i].name, entries[i].bytes);
    if (!ok || !pak.finish()) {
        std::fprintf(stderr, "vorel_assets: cannot write %s: %s\n", path.c_str(), pak.error().c_str());
        return 1;
    }
    std::printf("vorel_assets: wrote %zu entries to %s\n", entries.size(), path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(stdout);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--preview") == 0) {
        if (!makeFolder(argv[2])) return 1;
        for (const auto& entry : assets::buildPreviewSet())
            if (!writeFile(std::string(argv[2]) + "/" + entry.name, entry.bytes)) return 1;
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--pak") == 0) return writeArchive(argv[2]);
    if (argc != 2 || argv[1][0] == '-') {
        usage(stderr);
        return 2;
    }
    const std::string outDir = argv[1];
    if (!makeFolder(outDir)) return 1;
    std::vector<assets::AssetEntry> entries;
    if (!buildEntries(&entries)) return 1;
    for (const auto& entry : entries)
        if (!writeFile(outDir + "/" + entry.name, entry.bytes)) return 1;
    std::printf("vorel_assets: wrote %zu entries to %s\n", entries.size(), outDir.c_str());
    return 0;
}
