// The write path under failing system calls and kills: whatever call fails,
// and wherever the writing process dies, the image's name holds the old image
// or the new one, whole; a failure says so and leaves the old one.
#include "cli/CliRun.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Sets the shim's variables for one run and clears them again.
struct Shim {
    explicit Shim(const std::vector<std::pair<const char*, std::string>>& vars) {
        ::setenv("LD_PRELOAD", DYSKEL_FAULT_SHIM, 1);
        for (const auto& [name, value] : vars) ::setenv(name, value.c_str(), 1);
    }
    ~Shim() {
        for (const char* v : {"LD_PRELOAD", "DYSKEL_FAULT_AT", "DYSKEL_FAULT_LOG", "DYSKEL_FAULT_KILL",
                              "DYSKEL_FAULT_ERRNO", "DYSKEL_FAULT_CALLS"})
            ::unsetenv(v);
    }
};

// The names in a folder, sorted.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

enum class Command { Poke, Write, New };

struct Scenario {
    const char* name;
    bool kill;
    int error;
    bool backup;
    Command command = Command::Poke;
};

class WriteFaultTest : public ::testing::TestWithParam<Scenario> {
  protected:
    TempDir dir;

    std::vector<std::string> Args() const {
        const Command c = GetParam().command;
        std::vector<std::string> args{c == Command::Poke ? "poke" : c == Command::Write ? "write" : "new"};
        if (GetParam().backup) args.push_back("--backup");
        if (c == Command::Poke)
            for (const char* a : {"IMAGE.D64", "18", "1", "$10", "EE"}) args.push_back(a);
        if (c == Command::Write) args.insert(args.end(), {"IMAGE.D64", "HOST.PRG"});
        if (c == Command::New) args.insert(args.end(), {"IMAGE.D64", "FRESH"});
        return args;
    }

    // Runs the command with the n-th call failing; returns the result and how
    // many calls the run made.
    CliResult Run(long n, long& calls) {
        const std::string log = dir.File("calls");
        CliResult r;
        {
            Shim shim({{"DYSKEL_FAULT_AT", std::to_string(n)},
                       {"DYSKEL_FAULT_LOG", log},
                       {GetParam().kill ? "DYSKEL_FAULT_KILL" : "DYSKEL_FAULT_ERRNO",
                        std::to_string(GetParam().error)}});
            r = RunCli(Args(), dir.Path());
        }
        std::ifstream in(log);
        calls = 0;
        in >> calls;
        std::filesystem::remove(log);
        return r;
    }
};

// Whatever call fails and wherever the process dies, the image's name holds
// the old image or the new one, whole; beside it at most the hidden
// temporary files, which the next write clears (a kept old image that is the
// only copy becomes the backup).
TEST_P(WriteFaultTest, TheImageIsAlwaysOldOrNewAndFailuresSaySo) {
    const Command command = GetParam().command;
    D64Builder disk("FAULTS", "01", 35, true); // with error bytes: they must survive too
    disk.AddPrg("HELLO", 0x0801, {0x60});
    const Bytes old = command == Command::New ? Bytes{} : disk.Bytes();
    const Bytes host{0x01, 0x08, 0xEA, 0x60};
    Bytes fresh = old;
    if (command == Command::Poke) fresh[91648 + 0x10] = 0xEE; // 18/1 at 91648
    if (command != Command::Poke) {                           // what the command writes when nothing fails
        TempDir clean;
        clean.Write("HOST.PRG", host);
        if (!old.empty()) clean.Write("IMAGE.D64", old);
        std::vector<std::string> args = Args();
        ASSERT_EQ(RunCli(args, clean.Path()).exitCode, 0);
        fresh = clean.Read("IMAGE.D64");
        ASSERT_NE(fresh, old);
    }
    const std::string image = ".IMAGE.D64.dyskel-", kept = ".IMAGE.D64.dyskel-bak-";

    long total = 0;
    for (long n = 1; n < 400; ++n) {
        for (const std::string& name : Names(dir.Path())) std::filesystem::remove(dir.File(name));
        if (!old.empty()) dir.Write("IMAGE.D64", old);
        if (command == Command::Write) dir.Write("HOST.PRG", host);
        long calls = 0;
        CliResult r = Run(n, calls);
        const Bytes now = dir.Read("IMAGE.D64");
        ASSERT_TRUE(now == old || now == fresh)
            << "call " << n << ": the image is " << now.size() << " bytes";
        const bool written = Has(r.err, "the image was written") ||
                             Has(r.err, "could not write the output") || Has(r.err, "was written, but");
        if (!GetParam().kill && r.exitCode == 1) {
            EXPECT_EQ(now, written ? fresh : old) << "call " << n << ": " << r.err;
            EXPECT_TRUE(Has(r.err, "dyskel-cli: ")) << r.err;
            EXPECT_FALSE(Has(r.err, "Success")) << "call " << n << ": " << r.err;
        }
        if (r.exitCode == 0 && GetParam().backup && now == fresh && r.err.empty()) {
            EXPECT_EQ(dir.Read("IMAGE.BAK"), old) << "call " << n;
        }
        bool strandedOld = false;
        for (const std::string& name : Names(dir.Path())) {
            strandedOld |= name.starts_with(kept) && now == fresh;
            EXPECT_TRUE(name == "IMAGE.D64" || name == "IMAGE.BAK" || name == "HOST.PRG" ||
                        (name.starts_with(image) && name.size() == image.size() + 6) ||
                        (GetParam().backup && name.starts_with(kept)))
                << "call " << n << " left " << name;
        }
        // The next write clears what this one left.
        const CliResult next = RunCli(command == Command::New
                                          ? Args()
                                          : std::vector<std::string>{"poke", "IMAGE.D64", "1", "0", "0", "0"},
                                      dir.Path());
        EXPECT_TRUE(next.exitCode == 0 || Has(next.err, "already exists")) << next.err;
        for (const std::string& name : Names(dir.Path()))
            EXPECT_FALSE(name.starts_with("."))
                << "call " << n << ": " << name << " stayed after the next write";
        if (strandedOld) {
            EXPECT_EQ(dir.Read("IMAGE.BAK"), old) << "call " << n << ": the old image became the backup";
        }
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
                                           Scenario{"KilledWithBackup", true, 0, true},
                                           Scenario{"WriteKilled", true, 0, true, Command::Write},
                                           Scenario{"NewKilled", true, 0, false, Command::New},
                                           Scenario{"NewIoError", false, EIO, false, Command::New}),
                         [](const auto& info) { return std::string(info.param.name); });

// Calls that a file system lacks (FAT through FUSE has no owners, modes or
// hard links) or that fail: the write goes on where the result is the same,
// and a failure names its real cause.
struct MissingCase {
    const char* name;
    const char* calls;
    int error;
    mode_t mode; // of the image
    std::vector<std::string> args;
    const char* told; // part of stderr on failure; nullptr: it works
    const char* notTold = nullptr;
};
class MissingCalls : public ::testing::TestWithParam<MissingCase> {};
TEST_P(MissingCalls, WorkWhereTheResultIsTheSameElseSayWhy) {
    const MissingCase& c = GetParam();
    TempDir dir, clean; // the same command where every call works
    const Bytes old = c.args[0] == "new" ? Bytes{} : D64Builder("MISSING", "01").Bytes();
    for (TempDir* d : {&dir, &clean}) {
        if (!old.empty()) d->Write("IMAGE.D64", old);
        ASSERT_EQ(chmod(d->File("IMAGE.D64").c_str(), c.mode), old.empty() ? -1 : 0);
    }
    ASSERT_EQ(RunCli(c.args, clean.Path()).exitCode, 0);
    CliResult r;
    {
        Shim shim({{"DYSKEL_FAULT_CALLS", c.calls}, {"DYSKEL_FAULT_ERRNO", std::to_string(c.error)}});
        r = RunCli(c.args, dir.Path());
    }
    if (!c.told) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        ASSERT_EQ(Names(dir.Path()), Names(clean.Path()));
        struct stat here {
        }, there{};
        for (const std::string& name : Names(clean.Path())) {
            EXPECT_TRUE(dir.Read(name) == clean.Read(name)) << name;
            ASSERT_EQ(stat(dir.File(name).c_str(), &here) | stat(clean.File(name).c_str(), &there), 0);
            EXPECT_EQ(here.st_mode, there.st_mode) << name;
        }
    } else {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r.err, c.told) && !(c.notTold && Has(r.err, c.notTold))) << r.err;
        EXPECT_EQ(dir.Read("IMAGE.D64"), old);
        EXPECT_EQ(Names(dir.Path()).size(), old.empty() ? 0u : 1u);
    }
}
const std::vector<std::string> Poke{"poke", "IMAGE.D64", "18", "1", "$10", "EE"};
const std::vector<std::string> PokeWithBackup{"poke", "--backup", "IMAGE.D64", "18", "1", "$10", "EE"};
const std::vector<std::string> New{"new", "IMAGE.D64", "FRESH"};
INSTANTIATE_TEST_SUITE_P(
    Table, MissingCalls,
    ::testing::Values(
        MissingCase{"NoOwnersNoModes", "fchown,fchmod", ENOSYS, 0600, PokeWithBackup, nullptr},
        MissingCase{"OwnerAndModeNotPermitted", "fchown,fchmod", EPERM, 0600, Poke, nullptr},
        MissingCase{"NoHardLinksForTheBackup", "link", EPERM, 0644, PokeWithBackup, nullptr},
        MissingCase{"ModeThatCannotBeKept", "fchmod", ENOSYS, 0644, Poke,
                    "Setting the mode of the new image failed (Function not implemented)"},
        MissingCase{"NewWithoutHardLinks", "link,renameat2", EPERM, 0, New, nullptr},
        MissingCase{"NewWithoutAnyLink", "link,renameat2", ENOSYS, 0, New, nullptr},
        MissingCase{"NoLocks", "flock", ENOLCK, 0644, Poke, nullptr},
        MissingCase{"LockFails", "flock", EIO, 0644, Poke, "could not be locked against other writers"},
        MissingCase{"WritableCheckFails", "access", EIO, 0644, Poke, "Input/output error", "read-only"},
        MissingCase{"StatusFails", "fstat", EIO, 0644, Poke, "Input/output error", "regular file"},
        MissingCase{"NewNotClosed", "close", EIO, 0, New, "Input/output error", "Success"}),
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
