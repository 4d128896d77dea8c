#include "saver/archive/archive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "saver/archive/archive_directory.h"
#include "tests/archive/scratch_dir.h"
#include "tools/lib/byte_writer.h"
#include "tools/lib/pak_writer.h"

namespace {

std::string makePak(const ScratchDir& dir, const std::vector<PakEntry>& entries) {
    const std::string path = dir.path("test.pak");
    std::string error;
    EXPECT_TRUE(writePak(path, entries, &error)) << error;
    return path;
}

std::vector<PakEntry> sampleEntries() {
    return {{"logo.bmp", bytesOf("LOGO-BYTES")}, {"vorel010.3d", bytesOf("model")}, {"empty.bin", {}}};
}

// A raw archive image: header, then data, then the given directory bytes.
std::vector<uint8_t> rawArchive(uint32_t count, uint32_t dataSize, const std::vector<uint8_t>& data,
                                const std::vector<uint8_t>& directory) {
    std::vector<uint8_t> out;
    ByteWriter w(&out);
    w.u32(count);
    w.u32(dataSize);
    w.bytes(data.data(), data.size());
    w.bytes(directory.data(), directory.size());
    return out;
}

void addRecord(std::vector<uint8_t>* dir, const std::string& name, uint32_t offset, uint32_t size) {
    ByteWriter w(dir);
    w.u32(static_cast<uint32_t>(name.size() + 1));
    w.bytes(name.data(), name.size());
    w.u8(0);
    w.u32(offset);
    w.u32(size);
}

TEST(Archive, ReadsEveryEntryOfAWrittenArchive) {
    ScratchDir dir;
    Archive archive(makePak(dir, sampleEntries()).c_str());
    ASSERT_EQ(archive.entryCount(), 3);
    EXPECT_EQ(archive.entryAt(0)->name, "logo.bmp");
    EXPECT_EQ(archive.entryAt(0)->offset, 8u);
    EXPECT_EQ(archive.entryAt(1)->offset, 18u);
    EXPECT_EQ(archive.entryAt(2)->size, 0u);
    EXPECT_EQ(archive.dataSize, 15u);
    const char* path = archive.extractToTemp("vorel010.3d");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(ScratchDir::read(path), bytesOf("model"));
}

TEST(Archive, FindsEntriesWithoutRegardToCase) {
    ScratchDir dir;
    Archive archive(makePak(dir, sampleEntries()).c_str());
    EXPECT_EQ(archive.find("LOGO.BMP"), 0);
    EXPECT_EQ(archive.find("Vorel010.3D"), 1);
    EXPECT_EQ(archive.find("logo.bm"), -1);
    EXPECT_EQ(archive.find(nullptr), -1);
}

TEST(Archive, UsesTheFirstOfTwoEntriesWithEqualNames) {
    ScratchDir dir;
    Archive archive(makePak(dir, {{"a.bmp", bytesOf("first")}, {"A.BMP", bytesOf("second")}}).c_str());
    EXPECT_EQ(archive.find("a.Bmp"), 0);
    EXPECT_EQ(ScratchDir::read(archive.extractToTemp("A.bmp")), bytesOf("first"));
}

TEST(Archive, ExtractsOnceUntilTemporaryFilesAreDeleted) {
    ScratchDir dir;
    Archive archive(makePak(dir, sampleEntries()).c_str());
    const std::string first = archive.extractToTemp("logo.bmp");
    EXPECT_EQ(std::string(archive.extractToTemp(0)), first);
    EXPECT_EQ(dir.tempFileCount(), 1u);
    EXPECT_EQ(std::filesystem::path(first).filename().string().rfind("ru", 0), 0u);
    archive.deleteTempFiles();
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_FALSE(archive.entryAt(0)->extracted);
    const std::string second = archive.extractToTemp("logo.bmp");
    EXPECT_TRUE(std::filesystem::exists(second));
    EXPECT_EQ(ScratchDir::read(second), bytesOf("LOGO-BYTES"));
}

TEST(Archive, RemovesItsTemporaryFilesWhenDestroyed) {
    ScratchDir dir;
    {
        Archive archive(makePak(dir, sampleEntries()).c_str());
        archive.extractToTemp("logo.bmp");
        archive.extractToTemp("vorel010.3d");
        EXPECT_EQ(dir.tempFileCount(), 2u);
    }
    EXPECT_EQ(dir.tempFileCount(), 0u);
}

TEST(Archive, ExtractsAnEmptyEntryToAnEmptyFile) {
    ScratchDir dir;
    Archive archive(makePak(dir, sampleEntries()).c_str());
    const char* path = archive.extractToTemp("empty.bin");
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(ScratchDir::read(path).empty());
}

TEST(Archive, UnknownNamesAndIndicesExtractNothing) {
    ScratchDir dir;
    Archive archive(makePak(dir, sampleEntries()).c_str());
    EXPECT_EQ(archive.extractToTemp("missing.bmp"), nullptr);
    EXPECT_EQ(archive.extractToTemp(-1), nullptr);
    EXPECT_EQ(archive.extractToTemp(3), nullptr);
    EXPECT_EQ(dir.tempFileCount(), 0u);
}

TEST(Archive, CreatesAMissingArchiveAsAnEmptyEightByteFile) {
    ScratchDir dir;
    const std::string path = dir.path("new.pak");
    Archive archive(path.c_str());
    EXPECT_EQ(archive.entryCount(), 0);
    EXPECT_EQ(ScratchDir::read(path), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(archive.extractToTemp("logo.bmp"), nullptr);
}

TEST(Archive, CompletesAShortHeaderWithZeroBytes) {
    ScratchDir dir;
    const std::string path = dir.path("short.pak");
    ScratchDir::write(path, {5, 0, 0});
    Archive archive(path.c_str());
    EXPECT_EQ(archive.entryCount(), 0);
    EXPECT_EQ(ScratchDir::read(path), (std::vector<uint8_t>{5, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Archive, TreatsAnArchiveWithoutEntryDataAsEmpty) {
    ScratchDir dir;
    const std::string path = makePak(dir, {{"a", {}}, {"b", {}}});
    Archive archive(path.c_str());
    EXPECT_EQ(archive.entryCount(), 0);
}

// Runs `check` in a child process that cannot override file permissions (root gives itself up
// to "nobody"), so write protection means the same for every user the tests run as.
template <class Check>
void expectWithoutPrivileges(const ScratchDir& dir, Check check) {
    chmod(dir.path("").c_str(), 0755);
    chmod(dir.tempDir().c_str(), 0777);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
            _exit(check() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Archive, ReadsAWriteProtectedArchiveWithoutWritingToIt) {
    ScratchDir dir;
    const std::string path = makePak(dir, sampleEntries());
    chmod(path.c_str(), 0444);
    const std::vector<uint8_t> before = ScratchDir::read(path);
    expectWithoutPrivileges(dir, [&] {
        Archive archive(path.c_str());
        const char* extracted = archive.extractToTemp("logo.bmp");
        return archive.entryCount() == 3 && extracted && ScratchDir::read(extracted) == bytesOf("LOGO-BYTES");
    });
    EXPECT_EQ(ScratchDir::read(path), before);
}

TEST(Archive, NeverWritesToAReadOnlyArchiveWithAShortHeader) {
    ScratchDir dir;
    const std::string path = dir.path("short.pak");
    ScratchDir::write(path, {1, 2});
    chmod(path.c_str(), 0444);
    expectWithoutPrivileges(dir, [&] {
        Archive archive(path.c_str());
        return archive.entryCount() == 0;
    });
    EXPECT_EQ(ScratchDir::read(path), (std::vector<uint8_t>{1, 2}));
}

TEST(Archive, ExtractsOnlyTheBytesThatExistWhenSizeOrOffsetLie) {
    ScratchDir dir;
    std::vector<uint8_t> directory;
    addRecord(&directory, "long", 8, 1000000);    // runs past the end of the file
    addRecord(&directory, "beyond", 4000000000u, 10);  // starts past the end
    const std::string path = dir.path("lying.pak");
    ScratchDir::write(path, rawArchive(2, 4, bytesOf("DATA"), directory));
    Archive archive(path.c_str());
    ASSERT_EQ(archive.entryCount(), 2);
    const std::vector<uint8_t> longBytes = ScratchDir::read(archive.extractToTemp("long"));
    ASSERT_EQ(longBytes.size(), 4u + directory.size());  // data and directory: all that exists
    EXPECT_EQ(std::vector<uint8_t>(longBytes.begin(), longBytes.begin() + 4), bytesOf("DATA"));
    const char* beyond = archive.extractToTemp("beyond");
    ASSERT_NE(beyond, nullptr);
    EXPECT_TRUE(ScratchDir::read(beyond).empty());
}

TEST(Archive, EndsTheDirectoryAtARecordThatDoesNotFit) {
    ScratchDir dir;
    std::vector<uint8_t> directory;
    addRecord(&directory, "ok", 8, 4);
    ByteWriter w(&directory);
    w.u32(0x7FFFFFFF);  // a name length far beyond the file
    w.bytes("xy", 2);
    const std::string path = dir.path("cut.pak");
    ScratchDir::write(path, rawArchive(1000000, 4, bytesOf("DATA"), directory));
    Archive archive(path.c_str());
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_EQ(archive.entryAt(0)->name, "ok");
}

TEST(Archive, IgnoresADirectoryThatStartsPastTheEnd) {
    ScratchDir dir;
    std::vector<uint8_t> directory;
    addRecord(&directory, "ok", 8, 4);
    const std::string path = dir.path("far.pak");
    ScratchDir::write(path, rawArchive(1, 0xFFFFFFF0u, bytesOf("DATA"), directory));
    Archive archive(path.c_str());
    EXPECT_EQ(archive.entryCount(), 0);
}

TEST(Archive, DoesNotRecreateAVanishedArchiveOnExtraction) {
    ScratchDir dir;
    const std::string path = makePak(dir, sampleEntries());
    Archive archive(path.c_str());
    std::filesystem::remove(path);
    EXPECT_EQ(archive.extractToTemp("logo.bmp"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(dir.tempFileCount(), 0u);
}

TEST(ArchiveDirectory, StopsAtTheCountAndAtTheBound) {
    std::vector<uint8_t> directory;
    for (const char* name : {"e0", "e1", "e2", "e3", "e4"}) addRecord(&directory, name, 8, 1);
    EXPECT_EQ(parseArchiveDirectory(directory.data(), directory.size(), 3, 100).size(), 3u);
    EXPECT_EQ(parseArchiveDirectory(directory.data(), directory.size(), 99, 2).size(), 2u);
    EXPECT_EQ(parseArchiveDirectory(directory.data(), directory.size(), 99, 100).size(), 5u);
    EXPECT_EQ(parseArchiveDirectory(directory.data(), directory.size() - 1, 99, 100).size(), 4u);
}

TEST(ArchiveDirectory, TakesANameUpToItsFirstZeroByte) {
    std::vector<uint8_t> directory;
    ByteWriter w(&directory);
    w.u32(6);
    w.bytes("ab\0cd\0", 6);
    w.u32(8);
    w.u32(2);
    const auto entries = parseArchiveDirectory(directory.data(), directory.size(), 1, 10);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "ab");
    EXPECT_EQ(entries[0].size, 2u);
}

}  // namespace
