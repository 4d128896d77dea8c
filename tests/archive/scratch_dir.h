// A fresh folder per test, removed afterwards; TMPDIR points into it while it lives so that the
// temporary files an archive makes can be counted.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/vorel_test_XXXXXX";
        root_ = mkdtemp(pattern);
        std::filesystem::create_directory(root_ / "tmp");
        if (const char* old = getenv("TMPDIR")) oldTmp_ = old, hadTmp_ = true;
        setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
    }
    ~ScratchDir() {
        if (hadTmp_)
            setenv("TMPDIR", oldTmp_.c_str(), 1);
        else
            unsetenv("TMPDIR");
        std::error_code ec;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    std::filesystem::path tempDir() const { return root_ / "tmp"; }
    size_t tempFileCount() const {
        size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(tempDir())) n += e.is_regular_file() ? 1 : 0;
        return n;
    }

    static std::vector<uint8_t> read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static void write(const std::string& file, const std::vector<uint8_t>& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path root_;
    std::string oldTmp_;
    bool hadTmp_ = false;
};

inline std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
