// Disks written by cc1541, an independent C64 disk tool, read back through
// the header, BAM, directory, export and dump code.
#include "CoreTestSupport.h"
#include "core/Directory.h"
#include "core/DiskHeader.h"
#include "core/FileChain.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace dyskel {
namespace {

using test::TempDir;

class Cc1541Oracle : public ::testing::Test {
  protected:
    TempDir dir;
    std::vector<std::uint8_t> program;
    std::string image;

    void SetUp() override {
        if (std::system("command -v cc1541 >/dev/null 2>&1") != 0) GTEST_SKIP() << "cc1541 is not installed";
        program = {0x01, 0x08};
        for (int i = 0; i < 598; ++i) program.push_back(std::uint8_t(i * 31 + 7));
        dir.Write("prog.bin", program);
        image = dir.File("disk.d64");
        // cc1541 turns lower-case ASCII into the C64's unshifted capitals.
        std::string cmd = "cd '" + dir.Path() +
                          "' && cc1541 -n oracle -i '42 2a' -f hello -w prog.bin -T SEQ -f 'a/b' -w prog.bin "
                          "disk.d64 >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
};

TEST_F(Cc1541Oracle, HeaderBamAndDirectory) {
    Result<HeaderInfo> header = ReadHeaderBlock(image);
    ASSERT_TRUE(header) << header.Error();
    EXPECT_EQ(header->label, "\"ORACLE\" 42 2A");
    EXPECT_FALSE(header->writeProtected);
    EXPECT_FALSE(header->doubleSided);
    Result<DiskImage> disk = DiskImage::Load(image);
    ASSERT_TRUE(disk) << disk.Error();
    Result<DiskView> view = ReadDiskView(*disk, true);
    ASSERT_TRUE(view) << view.Error();
    EXPECT_EQ(view->header.label, "\"ORACLE\" 42 2A");
    EXPECT_EQ(view->bam.freeBlocks, 664 - 3 - 3);
    const DirListing& l = view->dir;
    ASSERT_EQ(l.entries.size(), 2u);
    EXPECT_EQ(DirRowCells(l.entries[0], 1)[1], "    3");
    EXPECT_EQ(DirRowCells(l.entries[0], 1)[2], "\"HELLO\"" + std::string(10, '\xA0'));
    EXPECT_EQ(DirRowCells(l.entries[0], 1)[3], " PRG");
    EXPECT_EQ(DirRowCells(l.entries[1], 2)[2], "\"A/B\"" + std::string(12, '\xA0'));
    EXPECT_EQ(DirRowCells(l.entries[1], 2)[3], " SEQ");
    EXPECT_EQ(FreeRowCells(view->bam.freeBlocks)[1], "  658");
    EXPECT_FALSE(l.cut);
}

TEST_F(Cc1541Oracle, ExportGivesBackTheFileWritten) {
    Result<DiskImage> disk = DiskImage::Load(image);
    ASSERT_TRUE(disk) << disk.Error();
    Result<DirListing> l = ListDirectory(*disk, true);
    ASSERT_TRUE(l) << l.Error();
    ASSERT_EQ(l->entries.size(), 2u);
    for (const DirEntry& entry : l->entries) {
        std::string name = ExportBaseName(entry) + ".PRG";
        FileOutcome out = ExportPRG(*disk, entry, dir.Path(), name);
        EXPECT_FALSE(out.failed) << out.fileError;
        EXPECT_EQ(out.blocks, 3);
        EXPECT_EQ(dir.Read(name), program) << name;
    }
    EXPECT_TRUE(dir.Exists("HELLO.PRG"));
    EXPECT_TRUE(dir.Exists("AB.PRG"));

    FileOutcome dump = WriteHexDump(*disk, l->entries[1], dir.Path());
    EXPECT_FALSE(dump.failed);
    auto text = dir.Read("AB.SEQ_HexDump.txt");
    EXPECT_EQ(std::string(text.begin(), text.begin() + 40), "FILENAME: \"AB.PRG\"      SIZE: 3 BLOCKS\r\n");
}

} // namespace
} // namespace dyskel
