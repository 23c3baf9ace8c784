// A folder with the disk GAMES.D64 that the CLI tests read:
//   1  HELLO             PRG  1 block  at 01,00  load $0801: LDA #$00 / STA $D020 / RTS
//   2  LOG               SEQ  2 blocks at 01,01  300 bytes 0, 1, 2, ...
//   3  LOCKED PROGRAM16  >PRG 1 block  at 01,03  load $1000: NOP
// and block 35/16 marked used: 659 blocks free.
#pragma once

#include "CliRun.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dyskel::test {

using Bytes = std::vector<std::uint8_t>;

inline std::string Str(const Bytes& b) {
    return std::string(b.begin(), b.end());
}
inline std::string Nbsp(int n) { // U+00A0, the glyph of the padding byte 0xA0
    std::string s;
    for (int i = 0; i < n; ++i) s += "\xC2\xA0";
    return s;
}

inline D64Builder GamesDisk() {
    D64Builder disk("GAMES", "01");
    disk.AddPrg("HELLO", 0x0801, {0xA9, 0x00, 0x8D, 0x20, 0xD0, 0x60});
    Bytes log(300);
    for (int i = 0; i < 300; ++i) log[i] = static_cast<std::uint8_t>(i);
    disk.AddFile("LOG", 0x81, log);
    disk.AddPrg("LOCKED PROGRAM16", 0x1000, {0xEA}, true);
    disk.SetFree(35, 16, false);
    return disk;
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(disk.Save(image)); }
    CliResult Run(std::vector<std::string> args) { return RunCli(args); }
    void Save() { ASSERT_TRUE(disk.Save(image)); }

    TempDir dir;
    D64Builder disk = GamesDisk();
    std::string image = dir.File("GAMES.D64");
};

} // namespace dyskel::test
