// The Directory page's directory art row driven as a user drives it: a row
// clicked, a button pressed, the files and answers of the dialogs scripted;
// what the disk holds afterwards read from its bytes (track 18 from byte
// 0x16500, 8 entries of 32 bytes a block, type at +2, name at +5).
#include "DirPageFixture.h"

#include <QToolButton>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// "s/k:TT:N" for every slot k of block 18/s in chain order whose type byte
// is not 0: TT the type byte in hex, N the first name byte.
std::string Slots(const Bytes& bytes) {
    std::string out;
    int sector = 1;
    for (int guard = 0; guard < 19; ++guard) {
        const std::size_t block = 0x16500 + std::size_t(sector) * 256;
        for (int k = 0; k < 8; ++k) {
            const std::size_t e = block + std::size_t(k) * 32;
            if (bytes[e + 2] == 0) continue;
            char text[32];
            std::snprintf(text, sizeof text, "%d/%d:%02X:%c ", sector, k, bytes[e + 2], char(bytes[e + 5]));
            out += text;
        }
        if (bytes[block] == 0) break;
        sector = bytes[block + 1];
    }
    return out;
}

struct BarCase {
    const char* name;
    int row;            // the row clicked first
    const char* button; // the button pressed
    std::string file;   // for Import...: the file picked (in the image's folder) and its bytes
    std::string content;
    int choice;        // the answer to "Rename" / "Add" / "Cancel"
    const char* after; // the disk afterwards
    int selected;      // the row selected afterwards
    const char* gauge; // the gauge afterwards
};

class DirArtBar : public PagesTest, public ::testing::WithParamInterface<BarCase> {};

TEST_P(DirArtBar, OneWriteAndTheListingFollows) {
    const BarCase& c = GetParam();
    for (const char* name : {"A", "B", "C"}) disk.AddDirEntry(0x82, disk.Allocate(), name, 1);
    Open();
    EXPECT_EQ(Label("LblDirGauge")->text(),
              QStringLiteral("3 of 144 entries used, 1 of 18 directory blocks"));
    if (!c.file.empty()) {
        dir.Write(c.file, Bytes(c.content.begin(), c.content.end()));
        dialogs.fileNames.push_back(QString::fromStdString(dir.File(c.file)));
        dialogs.choices.push_back(c.choice);
    }
    Press(c.row, 1, Qt::LeftButton);
    QTest::mouseClick(Find<QToolButton>(c.button), Qt::LeftButton);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text.toStdString();
    EXPECT_EQ(Slots(dir.Read(ImageName)), c.after);
    EXPECT_EQ(Grid()->currentRow(), c.selected);
    EXPECT_EQ(Label("LblDirGauge")->text().toStdString(), c.gauge);
}

const char* Three = "3 of 144 entries used, 1 of 18 directory blocks";
const char* Four = "4 of 144 entries used, 1 of 18 directory blocks";

INSTANTIATE_TEST_SUITE_P(
    Buttons, DirArtBar,
    ::testing::Values(BarCase{"Separator", 1, "BtnDirSeparator", "", "", 0,
                              "1/0:82:A 1/1:80:- 1/2:82:B 1/3:82:C ", 1, Four},
                      BarCase{"SeparatorOnTheFreeRow", 3, "BtnDirSeparator", "", "", 0,
                              "1/0:82:A 1/1:82:B 1/2:82:C 1/3:80:- ", 3, Four},
                      BarCase{"Up", 2, "BtnDirUp", "", "", 0, "1/0:82:A 1/1:82:C 1/2:82:B ", 1, Three},
                      BarCase{"Down", 0, "BtnDirDown", "", "", 0, "1/0:82:B 1/1:82:A 1/2:82:C ", 1, Three},
                      BarCase{"ImportText", 0, "BtnDirImportList", "art.txt",
                              "new DEL 0 \"*\"\n3 PRG 1 \"C\"\n1 PRG 1 \"A\"\n2 PRG 1 \"B\"\n", 0,
                              "1/0:80:* 1/1:82:C 1/2:82:A 1/3:82:B ", 0, Four},
                      BarCase{"ImportRawNamesRenamed", 0, "BtnDirImportList", "names.bin",
                              std::string(32, 'Z'), 0, "1/0:82:Z 1/1:82:Z 1/2:82:C ", 0, Three},
                      BarCase{"ImportRawNamesAdded", 0, "BtnDirImportList", "names.bin", std::string(16, 'Z'),
                              1, "1/0:82:A 1/1:82:B 1/2:82:C 1/3:80:Z ", 0, Four},
                      BarCase{"ImportCancelled", 0, "BtnDirImportList", "names.bin", std::string(16, 'Z'), 2,
                              "1/0:82:A 1/1:82:B 1/2:82:C ", 0, Three}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PagesTest, ExportListingWritesTheTextOfDirart) {
    disk.AddDirEntry(0x82, disk.Allocate(), "A", 1);
    disk.AddDirEntry(0x80, {0, 0}, "\xC0-\xC0", 0);
    Open();
    dialogs.saveNames.push_back(QString::fromStdString(dir.File("art.txt")));
    QTest::mouseClick(Find<QToolButton>("BtnDirExportList"), Qt::LeftButton);
    const Bytes text = dir.Read("art.txt");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "disk \"TEST DISK\"\nid \"01{$A0}2A\"\n1 PRG 1 \"A\"\n2 DEL 0 \"{$C0}-{$C0}\"\n");
}

} // namespace
} // namespace dyskel::test
