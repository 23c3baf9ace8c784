// Disks written by cc1541, an independent C64 disk tool, read back through
// the header, BAM, directory, export and dump code.
#include "CoreTestSupport.h"
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
    OpenImageState state;
    state.CurrentFolder = dir.Path();
    state.ImageFileName = "disk.d64";
    state.ImageFindRec.size = 174848;
    EXPECT_EQ(ReadDiskHeader(state), "\"ORACLE\" 42 2A");
    EXPECT_FALSE(state.WriteProtected);
    FreeMap map;
    TrackBuffer buffer;
    EXPECT_EQ(DecodeBAM(image, buffer, map), 664 - 3 - 3);
    DirListing l = ListDirectory(buffer, 658);
    ASSERT_EQ(l.entries.size(), 2u);
    EXPECT_EQ(l.entries[0].cells[1], "    3");
    EXPECT_EQ(l.entries[0].cells[2], "\"HELLO\"" + std::string(10, '\xA0'));
    EXPECT_EQ(l.entries[0].cells[3], " PRG");
    EXPECT_EQ(l.entries[1].cells[2], "\"A/B\"" + std::string(12, '\xA0'));
    EXPECT_EQ(l.entries[1].cells[3], " SEQ");
    EXPECT_EQ(l.freeRow[1], "  658");
    EXPECT_FALSE(l.cut);
}

TEST_F(Cc1541Oracle, ExportGivesBackTheFileWritten) {
    TrackBuffer buffer;
    ReadTrack(image, 18, buffer);
    DirListing l = ListDirectory(buffer, 0);
    ASSERT_EQ(l.entries.size(), 2u);
    for (const DirRow& row : l.entries) {
        auto start = ParseTrackSectorCell(row.cells[4]);
        ASSERT_TRUE(start);
        std::string name = ExportBaseName(row.cells[2]) + ".PRG";
        FileOutcome out = ExportPRG(image, *start, dir.Path(), name, buffer);
        EXPECT_FALSE(out.failed) << out.message;
        EXPECT_EQ(out.blocks, 3);
        EXPECT_EQ(dir.Read(name), program) << name;
    }
    EXPECT_TRUE(dir.Exists("HELLO.PRG"));
    EXPECT_TRUE(dir.Exists("AB.PRG"));

    auto start = ParseTrackSectorCell(l.entries[1].cells[4]);
    FileOutcome dump = WriteHexDump(image, *start, dir.Path(), l.entries[1].cells[2], l.entries[1].cells[3],
                                    l.entries[1].cells[1], buffer);
    EXPECT_FALSE(dump.failed);
    auto text = dir.Read("AB.SEQ_HexDump.txt");
    EXPECT_EQ(std::string(text.begin(), text.begin() + 40), "FILENAME: \"AB.PRG\"      SIZE: 3 BLOCKS\r\n");
}

} // namespace
} // namespace dyskel
