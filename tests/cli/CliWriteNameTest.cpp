// write: a host file name with characters without a C64 byte gets a proposed
// name, said on stderr.
#include "CliFixture.h"

namespace dyskel::test {
namespace {

TEST_F(Cli, WriteProposesANameForCharactersWithoutAC64Byte) {
    const std::string cafe = dir.File("caf\xC3\xA9.prg");
    const std::string japanese = dir.File("\xE6\x97\xA5\xE6\x9C\xAC.seq");
    dir.Write("caf\xC3\xA9.prg", {1, 8, 2});
    dir.Write("\xE6\x97\xA5\xE6\x9C\xAC.seq", {3});
    dir.Write("plain.prg", {4});
    CliResult r = Run({"write", image, cafe, japanese, dir.File("plain.prg")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "dyskel-cli: warning: " + cafe +
                         ": the entry is named \"CAFE\" (characters without a C64 byte changed)\n"
                         "dyskel-cli: warning: " +
                         japanese + ": the entry is named \"--\" (characters without a C64 byte changed)\n");
    EXPECT_NE(r.out.find("\"CAFE\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"--\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"PLAIN\""), std::string::npos) << r.out;
}

} // namespace
} // namespace dyskel::test
