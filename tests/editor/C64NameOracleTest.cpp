// The engine's name proposal against Qt's own Unicode normalization (NFKD)
// for every character of the blocks whose decompositions it knows.
#include "core/C64Name.h"
#include "core/Petscii.h"

#include <QString>
#include <gtest/gtest.h>

namespace dyskel {
namespace {

TEST(C64NameOracle, MatchesQtsNfkdWithMarksDropped) {
    const std::pair<char32_t, char32_t> blocks[] = {{0x00A0, 0x024F}, {0x1E00, 0x1EFF}, {0x2000, 0x218F},
                                                    {0x2460, 0x24FF}, {0xFB00, 0xFB06}, {0xFF01, 0xFF5E}};
    for (const auto& block : blocks)
        for (char32_t c = block.first; c <= block.second; ++c) {
            const QString one = QString::fromUcs4(&c, 1);
            std::string expected;
            for (const QChar ch : one.normalized(QString::NormalizationForm_KD)) {
                if (ch.isMark()) continue;
                const int b = PetsciiFromGlyph(ch.unicode());
                expected += b >= 0 ? char(b) : '-';
            }
            EXPECT_EQ(C64NameFromHost(one.toStdString()), expected) << std::hex << unsigned(c);
        }
}

} // namespace
} // namespace dyskel
