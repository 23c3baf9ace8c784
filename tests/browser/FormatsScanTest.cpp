// D71 and D81 images in the main window's grid: listed whatever the letter
// case of their extension, with the drive in the Image column, error bytes
// in E/C, and R/O when the DOS version byte is not the drive's.
#include "MainFormFixture.h"

#include "core/DiskFiles.h"

namespace dyskel::test {
namespace {

using FormatsScanTest = MainFormTest;

TEST_F(FormatsScanTest, ImageColumnErrorBytesAndMode) {
    images.Write("a.d71", NewImageBytes(D71Format, "SIDES", "71"));
    auto errors = NewImageBytes(D81Format, "ERRORS", "81");
    errors.resize(822400, 0);
    images.Write("b.D81", errors);
    auto locked = NewImageBytes(D81Format, "LOCKED", "81");
    locked[39 * 40 * 256 + 2] = 'A'; // 40/0: a 1581 writes only 'D'
    images.Write("c.d81", locked);
    auto oneSide = NewImageBytes(D71Format, "ONE", "71");
    oneSide[91392 + 3] = 0; // no double-sided flag: still a 1571 image by its size
    images.Write("d.D71", oneSide);
    images.Write("e.d71.txt", NewImageBytes(D71Format, "NOT", "71"));
    Start();
    EXPECT_EQ(Column(1), (QStringList{"a.d71", "b.D81", "c.d81", "d.D71"}));
    EXPECT_EQ(Column(4),
              (QStringList{"\"SIDES\" 712A", "\"ERRORS\" 813D", "\"LOCKED\" 813D", "\"ONE\" 712A"}));
    EXPECT_EQ(Column(5), (QStringList{"1571DS", "1581", "1581", "1571DS"}));
    EXPECT_EQ(Column(6), (QStringList{"No", "Yes", "No", "No"}));
    EXPECT_EQ(Column(7), (QStringList{"R/W", "R/W", "R/O", "R/W"}));
}

} // namespace
} // namespace dyskel::test
