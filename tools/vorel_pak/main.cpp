// vorel_pak: creates, lists and extracts data archives.
//
//   vorel_pak create OUT.pak FILE...   entries named after the files' base names, in the order given
//   vorel_pak list PAK                 one line per entry: name, offset, size
//   vorel_pak extract PAK NAME [OUT]   writes the entry (name matched ignoring case) to OUT or NAME
// Exit status 0 on success, 1 on a failure (with a message on stderr), 2 on bad usage.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "saver/archive/archive.h"
#include "saver/archive/locked_file.h"
#include "tools/lib/pak_writer.h"

namespace {

constexpr const char* kUsage =
    "usage: vorel_pak create OUT.pak FILE...\n"
    "       vorel_pak list PAK\n"
    "       vorel_pak extract PAK NAME [OUT]\n"
    "       vorel_pak --help\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "vorel_pak: %s\n", message.c_str());
    return 1;
}

std::string lowerCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int create(const std::string& out, const std::vector<std::string>& files) {
    PakWriter writer(out);
    if (!writer.ok()) return failure(writer.error());
    std::set<std::string> seen;
    for (const std::string& file : files) {
        const std::string name = std::filesystem::path(file).filename().string();
        if (!seen.insert(lowerCase(name)).second)
            return failure("two files named " + name + " (names are matched ignoring case)");
        if (!std::filesystem::is_regular_file(file)) return failure("not a file: " + file);
        if (!writer.addFile(name, file)) return failure(writer.error());
    }
    if (!writer.finish()) return failure(writer.error());
    return 0;
}

// Opens an existing archive; the reader would create a missing one, which a listing must not do.
bool openExisting(const std::string& path, std::string* error) {
    LockedFile probe(path.c_str(), LockedFile::Mode::ReadOnly);
    if (!probe.isOpen()) {
        *error = "cannot open " + path;
        return false;
    }
    return true;
}

int list(const std::string& path) {
    std::string error;
    if (!openExisting(path, &error)) return failure(error);
    Archive archive(path.c_str());
    for (int32_t i = 0; i < archive.entryCount(); ++i) {
        const ArchiveEntry* e = archive.entryAt(i);
        std::printf("%s\t%u\t%u\n", e->name.c_str(), e->offset, e->size);
    }
    return 0;
}

int extract(const std::string& path, const std::string& name, const std::string& out) {
    std::string error;
    if (!openExisting(path, &error)) return failure(error);
    Archive archive(path.c_str());
    const char* temp = archive.extractToTemp(name.c_str());
    if (!temp) return failure(archive.find(name.c_str()) < 0 ? "no entry named " + name : "cannot extract " + name);
    std::error_code ec;
    std::filesystem::copy_file(temp, out, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return failure("cannot write " + out + ": " + ec.message());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usage();
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "create" && args.size() >= 2) return create(args[1], {args.begin() + 2, args.end()});
    if (command == "list" && args.size() == 2) return list(args[1]);
    if (command == "extract" && (args.size() == 3 || args.size() == 4))
        return extract(args[1], args[2], args.size() == 4 ? args[3] : args[2]);
    return usage();
}
