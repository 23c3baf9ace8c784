// The PETSCII editor: keys typed as on a C64 (Shift and the C= key, left Alt)
// become the bytes written, in one write.
#include "DirPageFixture.h"

#include "core/DiskFiles.h"
#include "editor/PetsciiEditDialog.h"

#include <QApplication>
#include <QTimer>

#include <fstream>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct KeyCase {
    int key;
    Qt::KeyboardModifiers mods;
    const char* text;
    int byte; // -1: none
};

TEST(C64Keys, KeysGiveTheBytesOfTheC64Keyboard) {
    const KeyCase cases[] = {
        {Qt::Key_A, Qt::NoModifier, "a", 0x41},          {Qt::Key_A, Qt::ShiftModifier, "A", 0xC1},
        {Qt::Key_Z, Qt::ShiftModifier, "Z", 0xDA},       {Qt::Key_A, Qt::AltModifier, "", 0xB0},
        {Qt::Key_Z, Qt::AltModifier, "", 0xAD},          {Qt::Key_Q, Qt::AltModifier, "", 0xAB},
        {Qt::Key_T, Qt::AltModifier, "", 0xA3},          {Qt::Key_1, Qt::ControlModifier, "", 0x90},
        {Qt::Key_8, Qt::AltModifier, "", 0x9B},          {Qt::Key_Space, Qt::ShiftModifier, " ", 0xA0},
        {Qt::Key_7, Qt::NoModifier, "7", 0x37},          {Qt::Key_Exclam, Qt::ShiftModifier, "!", 0x21},
        {Qt::Key_BraceLeft, Qt::ShiftModifier, "{", -1},
    };
    for (const KeyCase& c : cases) {
        const auto b = C64KeyByte(c.key, c.mods, QString::fromUtf8(c.text));
        EXPECT_EQ(b ? int(*b) : -1, c.byte) << "key " << c.key << " text " << c.text;
    }
    for (int b : {0x00, 0x0D, 0x8D, 0x22, 0x14})
        EXPECT_FALSE(ListingBreakNote(std::uint8_t(b)).isEmpty()) << b;
    EXPECT_TRUE(ListingBreakNote(0x41).isEmpty());
}

class PetsciiEditTest : public PagesTest {
  protected:
    // Runs the editor from the menu item, typing the keys into it and Enter.
    void TypeInto(const char* item, const std::vector<std::pair<int, Qt::KeyboardModifiers>>& keys) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TPetsciiEditDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* cells = dialog->findChild<QWidget*>(QStringLiteral("PetsciiCells"));
            for (auto [key, mods] : keys) QTest::keyClick(cells, Qt::Key(key), mods);
            note = dialog->findChild<QLabel*>(QStringLiteral("LblPetsciiNote"))->text();
            QTest::keyClick(cells, Qt::Key_Return);
        });
        Action(item)->trigger();
    }
    Bytes ImageBytes(std::size_t at, std::size_t n) {
        std::ifstream f(data.image.path, std::ios::binary);
        Bytes b(n);
        f.seekg(std::streamoff(at));
        f.read(reinterpret_cast<char*>(b.data()), std::streamsize(n));
        return b;
    }
    QString note;
};

TEST_F(PetsciiEditTest, ShiftAndCommodoreKeysWriteTheirBytesInOneWrite) {
    disk.AddPrg("HELLO", 0x0801, {0x60});
    Open();
    Grid()->setCurrentCell(0, 2);
    TypeInto("PMnuDirPetscii", {{Qt::Key_A, Qt::NoModifier},
                                {Qt::Key_B, Qt::ShiftModifier},
                                {Qt::Key_A, Qt::AltModifier},
                                {Qt::Key_Space, Qt::ShiftModifier},
                                {Qt::Key_C, Qt::AltModifier}}); // C= C, not the Cancel button's Alt+C
    EXPECT_EQ(host.last.status, UpdateStatus::Updated);
    EXPECT_EQ(host.last.after.size(), 1u); // one block, one write
    Bytes want = {0x41, 0xC2, 0xB0, 0xA0, 0xBC};
    want.resize(16, 0xA0);
    EXPECT_EQ(ImageBytes(0x16600 + 0x05, 16), want); // 18/1, the first entry's name
}

TEST_F(PetsciiEditTest, ListingBreakingCodeIsMarkedNotRefusedAndTheLabelIsWritten) {
    Open();
    TypeInto("PMnuDirLabel", {{Qt::Key_X, Qt::NoModifier},
                              {Qt::Key_3, Qt::ControlModifier},
                              {Qt::Key_QuoteDbl, Qt::ShiftModifier}});
    EXPECT_EQ(host.last.status, UpdateStatus::Updated);
    EXPECT_TRUE(note.startsWith(QStringLiteral("$22: a quote"))) << note.toStdString();
    EXPECT_EQ(ImageBytes(0x16500 + 0x90, 4), (Bytes{'X', 0x1C, 0x22, 'T'}));
}

TEST_F(PetsciiEditTest, OnAD81TheLabelIsWrittenAt40_0) {
    Open();
    const std::vector<std::uint8_t> d81 = NewImageBytes(D81Format, "TEST DISK", "01");
    std::ofstream(data.image.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(d81.data()), std::streamsize(d81.size()));
    host.relist();
    TypeInto("PMnuDirLabel", {{Qt::Key_X, Qt::NoModifier}, {Qt::Key_3, Qt::ControlModifier}});
    EXPECT_EQ(host.last.status, UpdateStatus::Updated);
    // 40/0 from byte 0x61800: the name at 0x04, the ID, 0xA0 and "3D" at 0x16
    EXPECT_EQ(ImageBytes(0x61800 + 0x04, 4), (Bytes{'X', 0x1C, 'S', 'T'}));
    EXPECT_EQ(ImageBytes(0x61800 + 0x16, 5), (Bytes{'0', '1', 0xA0, '3', 'D'}));
    EXPECT_EQ(ImageBytes(0x16500 + 0x90, 4), Bytes(4, 0)); // 18/0 of a D81 is no header
}

} // namespace
} // namespace dyskel::test
