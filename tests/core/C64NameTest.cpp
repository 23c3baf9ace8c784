// Host names as proposed C64 names: letters decomposed and their marks
// dropped, what has no C64 byte as '-'.
#include "core/C64Name.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

struct ProposeCase {
    const char* label;
    const char* host; // UTF-8
    const char* c64;  // the bytes expected
};
const ProposeCase ProposeCases[] = {
    {"Plain", "hello 2", "HELLO 2"},
    {"AcuteAccent", "caf\xC3\xA9", "CAFE"},
    {"AlreadyDecomposed", "cafe\xCC\x81", "CAFE"},
    {"Umlauts",
     "\xC3\x84rger \xC3\xBC"
     "ber",
     "ARGER UBER"},
    {"LigatureAndSuperscript", "\xEF\xAC\x81le x\xC2\xB2", "FILE X2"},
    {"TradeMarkAndFraction", "game\xE2\x84\xA2 \xC2\xBD", "GAMETM 1-2"},
    {"NoDecomposition",
     "stra\xC3\x9F"
     "e \xC3\x86",
     "STRA-E -"},
    {"OtherScript", "\xE6\x97\xA5\xE6\x9C\xAC", "--"},
    {"FullwidthLetters", "\xEF\xBC\xA1\xEF\xBD\x82", "AB"},
    {"NoBreakSpaceIsASpaceNotThePadding",
     "a\xC2\xA0"
     "b",
     "A B"},
    {"PoundAndPiHaveBytes", "\xC2\xA3\xCF\x80", "\x5C\xDE"},
    {"NotUtf8",
     "a\xFF"
     "b",
     "A-B"},
    {"CutSequence", "ab\xC3", "AB-"},
};

class ProposeName : public ::testing::TestWithParam<ProposeCase> {};

TEST_P(ProposeName, DecomposesAndMarksTheRest) {
    EXPECT_EQ(C64NameFromHost(GetParam().host), GetParam().c64);
}

INSTANTIATE_TEST_SUITE_P(Names, ProposeName, ::testing::ValuesIn(ProposeCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel
