// rename to the name of another entry: written, with a warning on stderr.
#include "CliFixture.h"

namespace dyskel::test {
namespace {

TEST_F(Cli, RenameToAnotherEntrysNameWarnsAndWrites) {
    CliResult r = Run({"rename", image, "1", "log"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err,
              "dyskel-cli: warning: Another entry is named \"LOG\" too: the C64 loads the first of them.\n");
    // Entry 1 lies at offset 0 of 18/1; its name at bytes 5 to 20.
    const Bytes after = dir.Read("GAMES.D64");
    EXPECT_EQ(std::string(after.begin() + 91392 + 256 + 5, after.begin() + 91392 + 256 + 9), "LOG\xA0");
}

} // namespace
} // namespace dyskel::test
