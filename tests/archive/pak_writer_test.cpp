#include "tools/lib/pak_writer.h"

#include <gtest/gtest.h>

#include "saver/archive/archive.h"
#include "tests/archive/scratch_dir.h"

namespace {

TEST(PakWriter, WritesDataAfterTheHeaderAndTheDirectoryAfterTheData) {
    ScratchDir dir;
    const std::string path = dir.path("out.pak");
    std::string error;
    ASSERT_TRUE(writePak(path, {{"ab", bytesOf("xyz")}}, &error)) << error;
    const std::vector<uint8_t> expected = {1, 0, 0, 0, 3, 0, 0, 0, 'x', 'y', 'z', 3, 0, 0, 0, 'a', 'b', 0,
                                           8, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(ScratchDir::read(path), expected);
}

TEST(PakWriter, RefusesNamesTheProgramCannotUse) {
    EXPECT_EQ(PakWriter::checkName(std::string(99, 'a')), "");
    EXPECT_NE(PakWriter::checkName(std::string(100, 'a')), "");
    EXPECT_NE(PakWriter::checkName(""), "");
    EXPECT_NE(PakWriter::checkName("dir/a.bmp"), "");
    EXPECT_NE(PakWriter::checkName("dir\\a.bmp"), "");
    EXPECT_NE(PakWriter::checkName(std::string("a\0b", 3)), "");
}

TEST(PakWriter, KeepsGoingAfterARefusedName) {
    ScratchDir dir;
    const std::string path = dir.path("out.pak");
    PakWriter writer(path);
    EXPECT_FALSE(writer.addBytes(std::string(120, 'n'), bytesOf("x")));
    EXPECT_NE(writer.error(), "");
    EXPECT_TRUE(writer.addBytes("good", bytesOf("x")));
    ASSERT_TRUE(writer.finish());
    Archive archive(path.c_str());
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_EQ(archive.entryAt(0)->name, "good");
}

TEST(PakWriter, LeavesNoArchiveWhenNotFinished) {
    ScratchDir dir;
    const std::string path = dir.path("out.pak");
    {
        PakWriter writer(path);
        writer.addBytes("a", bytesOf("data"));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    for (const auto& e : std::filesystem::directory_iterator(dir.path("")))
        EXPECT_EQ(e.path().filename().string().find("out.pak"), std::string::npos) << e.path();
}

TEST(PakWriter, LeavesAnExistingArchiveUntouchedWhenAFileIsMissing) {
    ScratchDir dir;
    const std::string path = dir.path("out.pak");
    ScratchDir::write(path, bytesOf("old"));
    PakWriter writer(path);
    EXPECT_TRUE(writer.addBytes("a", bytesOf("data")));
    EXPECT_FALSE(writer.addFile("b", dir.path("no-such-file")));
    EXPECT_EQ(ScratchDir::read(path), bytesOf("old"));
}

TEST(PakWriter, FailsCleanlyWhenTheFolderDoesNotExist) {
    ScratchDir dir;
    std::string error;
    EXPECT_FALSE(writePak(dir.path("missing/out.pak"), {{"a", bytesOf("x")}}, &error));
    EXPECT_NE(error, "");
}

TEST(PakWriter, CopiesFilesByteForByte) {
    ScratchDir dir;
    std::vector<uint8_t> big(300000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + 3);
    ScratchDir::write(dir.path("big.bin"), big);
    const std::string path = dir.path("out.pak");
    PakWriter writer(path);
    ASSERT_TRUE(writer.addFile("big.bin", dir.path("big.bin")));
    ASSERT_TRUE(writer.finish());
    Archive archive(path.c_str());
    EXPECT_EQ(ScratchDir::read(archive.extractToTemp("BIG.BIN")), big);
}

}  // namespace
