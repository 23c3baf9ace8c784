// The write path under failing system calls and kills: whatever call fails,
// and wherever the writing process dies, the image's name holds the old image
// or the new one, whole; a failure says so and leaves the old one.
#include "cli/CliRun.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Scenario {
    const char* name;
    bool kill;
    int error;
    bool backup;
};

class WriteFaultTest : public ::testing::TestWithParam<Scenario> {
  protected:
    TempDir dir;

    // Runs a poke of 18/1 byte 0x10 with the n-th call failing; returns the
    // result and how many calls the run made.
    CliResult Run(long n, long& calls) {
        const std::string log = dir.File("calls");
        ::setenv("LD_PRELOAD", DYSKEL_FAULT_SHIM, 1);
        ::setenv("DYSKEL_FAULT_AT", std::to_string(n).c_str(), 1);
        ::setenv("DYSKEL_FAULT_LOG", log.c_str(), 1);
        if (GetParam().kill)
            ::setenv("DYSKEL_FAULT_KILL", "1", 1);
        else
            ::setenv("DYSKEL_FAULT_ERRNO", std::to_string(GetParam().error).c_str(), 1);
        std::vector<std::string> args{"poke"};
        if (GetParam().backup) args.push_back("--backup");
        for (const char* a : {"IMAGE.D64", "18", "1", "$10", "EE"}) args.push_back(a);
        CliResult r = RunCli(args, dir.Path());
        for (const char* v :
             {"LD_PRELOAD", "DYSKEL_FAULT_AT", "DYSKEL_FAULT_LOG", "DYSKEL_FAULT_KILL", "DYSKEL_FAULT_ERRNO"})
            ::unsetenv(v);
        std::ifstream in(log);
        calls = 0;
        in >> calls;
        return r;
    }
};

TEST_P(WriteFaultTest, TheImageIsAlwaysOldOrNewAndFailuresSaySo) {
    D64Builder disk("FAULTS", "01", 35, true); // with error bytes: they must survive too
    disk.AddPrg("HELLO", 0x0801, {0x60});
    const Bytes old = disk.Bytes();
    Bytes fresh = old;
    fresh[91648 + 0x10] = 0xEE; // 18/1 at 91648

    long total = 0;
    for (long n = 1; n < 400; ++n) {
        dir.Write("IMAGE.D64", old);
        long calls = 0;
        CliResult r = Run(n, calls);
        const Bytes now = dir.Read("IMAGE.D64");
        ASSERT_TRUE(now == old || now == fresh)
            << "call " << n << ": the image is " << now.size() << " bytes";
        const bool written = r.err.find("the image was written") != std::string::npos ||
                             r.err.find("could not write the output") != std::string::npos;
        if (!GetParam().kill && r.exitCode == 1) {
            EXPECT_EQ(now, written ? fresh : old) << "call " << n << ": " << r.err;
            EXPECT_NE(r.err.find("dyskel-cli: "), std::string::npos) << r.err;
        }
        if (r.exitCode == 0 && GetParam().backup && now == fresh && r.err.empty())
            EXPECT_EQ(dir.Read("IMAGE.BAK"), old) << "call " << n;
        if (calls > 0 && calls < n) { // the fault was never reached: the sweep is done
            total = n;
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(now, fresh);
            break;
        }
    }
    EXPECT_GT(total, 10) << "the sweep never ended or the shim saw no calls";
}

INSTANTIATE_TEST_SUITE_P(Calls, WriteFaultTest,
                         ::testing::Values(Scenario{"DiskFull", false, ENOSPC, false},
                                           Scenario{"IoError", false, EIO, true},
                                           Scenario{"Killed", true, 0, false},
                                           Scenario{"KilledWithBackup", true, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WriteFaultMessage, AFullDiskSaysSoAndLeavesTheImage) {
    TempDir dir;
    D64Builder disk("FULL", "01");
    dir.Write("IMAGE.D64", disk.Bytes());
    // Each call in turn fails as on a full disk, until one is a write of the
    // new image.
    ::setenv("LD_PRELOAD", DYSKEL_FAULT_SHIM, 1);
    ::setenv("DYSKEL_FAULT_ERRNO", std::to_string(ENOSPC).c_str(), 1);
    long n = 1;
    CliResult r;
    for (; n < 200; ++n) {
        dir.Write("IMAGE.D64", disk.Bytes());
        ::setenv("DYSKEL_FAULT_AT", std::to_string(n).c_str(), 1);
        r = RunCli({"poke", "IMAGE.D64", "18", "1", "0", "12"}, dir.Path());
        if (r.err.find("the disk is full") != std::string::npos) break;
    }
    ::unsetenv("LD_PRELOAD");
    ::unsetenv("DYSKEL_FAULT_AT");
    ::unsetenv("DYSKEL_FAULT_ERRNO");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("the disk is full"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("was left as it was"), std::string::npos) << r.err;
    EXPECT_EQ(dir.Read("IMAGE.D64"), disk.Bytes());
}

} // namespace
} // namespace dyskel::test

namespace dyskel::test {
namespace {

// A reading command under a failing read: it either prints exactly what it
// prints without the fault, or fails saying so; never a wrong listing.
TEST(ReadFaultTest, DirNeverListsWhatItCouldNotRead) {
    TempDir dir;
    D64Builder disk("READS", "01");
    disk.AddPrg("HELLO", 0x0801, {0x60});
    dir.Write("IMAGE.D64", disk.Bytes());
    const CliResult clean = RunCli({"dir", "IMAGE.D64"}, dir.Path());
    ASSERT_EQ(clean.exitCode, 0);
    ::setenv("LD_PRELOAD", DYSKEL_FAULT_SHIM, 1);
    ::setenv("DYSKEL_FAULT_LOG", dir.File("calls").c_str(), 1);
    long calls = 0;
    for (long n = 1; n < 200; ++n) {
        ::setenv("DYSKEL_FAULT_AT", std::to_string(n).c_str(), 1);
        CliResult r = RunCli({"dir", "IMAGE.D64"}, dir.Path());
        if (r.exitCode == 0)
            EXPECT_EQ(r.out, clean.out) << "call " << n;
        else
            EXPECT_TRUE(r.err.find("failed") != std::string::npos ||
                        r.err.find("could not") != std::string::npos)
                << "call " << n << ": " << r.err;
        std::ifstream in(dir.File("calls"));
        in >> calls;
        if (calls < n) break;
    }
    for (const char* v : {"LD_PRELOAD", "DYSKEL_FAULT_AT", "DYSKEL_FAULT_LOG"}) ::unsetenv(v);
    EXPECT_GT(calls, 2);
}

} // namespace
} // namespace dyskel::test
