// dirart export and import: round trips, names drawn elsewhere (a screen
// grab, raw names) and the refusals.  Entry bytes are read where the 1541
// keeps them: track 18 from byte 0x16500, entries of 32 bytes, name at +5.
#include "CliFixture.h"
#include "core/Directory.h"
#include "core/Uglobal.h"

#include <cstdlib>

namespace dyskel::test {
namespace {

// The 16 name bytes of every live entry, in listing order.
std::vector<Bytes> Names(const std::string& path) {
    std::vector<Bytes> names;
    Result<DiskImage> image = DiskImage::Load(path);
    if (!image) return names;
    const DirListing listing = *ListDirectory(*image, true);
    for (const DirEntry& e : listing.entries) names.emplace_back(e.name.begin(), e.name.end());
    return names;
}

Bytes Padded(Bytes name) {
    name.resize(16, 0xA0);
    return name;
}

TEST(DirArtRoundTrip, SampleDisksExportImportExportIsIdentical) {
    TempDir dir;
    ASSERT_EQ(std::system((std::string(DYSKEL_MAKE_SAMPLES) + " '" + dir.Path() + "'").c_str()), 0);
    for (const char* disk : {"DEMO.D64", "GAMES.D64", "FORTY.D64", "ERRORS.D64", "twosides.d64"}) {
        const std::string image = dir.File(disk);
        const Bytes before = dir.Read(disk);
        CliResult out = RunCli({"dirart", "export", image});
        ASSERT_EQ(out.exitCode, 0) << disk << out.err;
        dir.Write("art.txt", Bytes(out.out.begin(), out.out.end()));
        CliResult in = RunCli({"dirart", "import", image, dir.File("art.txt")});
        EXPECT_EQ(in.exitCode, 0) << disk << in.err;
        EXPECT_EQ(RunCli({"dirart", "export", image}).out, out.out) << disk;
        EXPECT_EQ(dir.Read(disk), before) << disk << ": the same text writes the same bytes";
    }
}

TEST_F(Cli, EveryByteOfANameGoesThroughTheText) {
    D64Builder all("ALL CODES", "AC");
    for (int i = 0; i < 16; ++i) all.AddDirEntry(0x82, all.Allocate(), "X", 1);
    ASSERT_TRUE(all.Save(image));
    Bytes codes(256);
    for (int i = 0; i < 256; ++i) codes[std::size_t(i)] = std::uint8_t(i);
    dir.Write("names.bin", codes);
    ASSERT_EQ(Run({"dirart", "import", image, dir.File("names.bin")}).exitCode, 0);
    const std::vector<Bytes> names = Names(image);
    ASSERT_EQ(names.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(names[i],
                  Bytes(codes.begin() + std::ptrdiff_t(16 * i), codes.begin() + std::ptrdiff_t(16 * i + 16)));

    const std::string text = Run({"dirart", "export", image}).out;
    for (const char* line :
         {"disk \"ALL CODES\"\nid \"AC{$A0}2A\"\n", "\n3 PRG 1 \" !{$22}#$%&'()*+,-./\"\n",
          "\n6 PRG 1 \"PQRSTUVWXYZ[{$5C}]{$5E}{$5F}\"\n",
          "\n11 PRG 1 "
          "\"{$A0}{$A1}{$A2}{$A3}{$A4}{$A5}{$A6}{$A7}{$A8}{$A9}{$AA}{$AB}{$AC}{$AD}{$AE}{$AF}\"\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    const Bytes before = dir.Read("GAMES.D64");
    dir.Write("art.txt", Bytes(text.begin(), text.end()));
    EXPECT_EQ(Run({"dirart", "import", image, dir.File("art.txt")}).exitCode, 0);
    EXPECT_EQ(Run({"dirart", "export", image}).out, text);
    EXPECT_EQ(dir.Read("GAMES.D64"), before);
}

TEST_F(Cli, ATextOrdersRenamesAndAddsSeparators) {
    const std::string text = "# drawn by hand\n"
                             "disk \"{$C0}ART{$C0}\"\n"
                             "new DEL 0 \"{$C0}{$C0}{$C0}\"\n"
                             "3 PRG< 1 \"LOCKED\"\n"
                             "\n"
                             "1 PRG 1 \"HELLO\"\n"
                             "2 SEQ 2 \"LOG{$A0}X\"\n";
    dir.Write("art.txt", Bytes(text.begin(), text.end()));
    const std::string findings = Run({"validate", image}).out; // block 35/16 used by nothing
    CliResult r = Run({"dirart", "import", image, dir.File("art.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Names(image),
              (std::vector<Bytes>{Padded({0xC0, 0xC0, 0xC0}), Padded({'L', 'O', 'C', 'K', 'E', 'D'}),
                                  Padded({'H', 'E', 'L', 'L', 'O'}), Padded({'L', 'O', 'G', 0xA0, 'X'})}));
    const Bytes disk = dir.Read("GAMES.D64");
    EXPECT_EQ(Bytes(disk.begin() + 0x16500 + 0x90, disk.begin() + 0x16500 + 0xA7),
              (Bytes{0xC0, 'A',  'R',  'T',  0xC0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0,
                     0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, '0',  '1',  0xA0, '2',  'A'}))
        << "the name changes, the ID stays";
    const std::size_t sep = 0x16500 + 256; // 18/1, slot 0
    EXPECT_EQ(Bytes(disk.begin() + sep + 2, disk.begin() + sep + 5), (Bytes{0x80, 0x00, 0x00}));
    EXPECT_EQ(Run({"validate", image}).out, findings) << "the separator owns no block";
}

struct TextRefusal {
    const char* name;
    std::string text;
    const char* says;
};

class DirArtRefusal : public Cli, public testing::WithParamInterface<TextRefusal> {};

TEST_P(DirArtRefusal, NamesTheLineAndWritesNothing) {
    dir.Write("art.txt", Bytes(GetParam().text.begin(), GetParam().text.end()));
    const Bytes before = dir.Read("GAMES.D64");
    CliResult r = Run({"dirart", "import", image, dir.File("art.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
    EXPECT_EQ(dir.Read("GAMES.D64"), before);
}

std::string ThreeEntries() {
    return "1 PRG 1 \"A\"\n2 SEQ 2 \"B\"\n3 PRG< 1 \"C\"\n";
}

std::string Separators(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "new DEL 0 \"-\"\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    DirArt, DirArtRefusal,
    testing::Values(TextRefusal{"NoSuchEntry", ThreeEntries() + "9 PRG 1 \"X\"\n",
                                "line 4: entry 9 is not in the directory (it lists 3 entries)"},
                    TextRefusal{"Twice", "1 PRG 1 \"A\"\n2 SEQ 2 \"B\"\n1 PRG 1 \"A\"\n",
                                "line 3: entry 1 appears twice (first on line 1)"},
                    TextRefusal{"LongName", "1 PRG 1 \"ABCDEFGHIJKLMNOPQ\"\n",
                                "line 1: the name is longer than 16 bytes"},
                    TextRefusal{"LongEscapedName", "1 PRG 1 \"{$A0}ABCDEFGHIJKLMNOP\"\n",
                                "line 1: the name is longer than 16 bytes"},
                    TextRefusal{"TooMany", ThreeEntries() + Separators(142),
                                "line 145: more entries than the directory holds (144)"},
                    TextRefusal{"Missing", "1 PRG 1 \"A\"\n3 PRG< 1 \"C\"\n", "entry 2 has no line"},
                    TextRefusal{"OtherType", "1 SEQ 1 \"A\"\n2 SEQ 2 \"B\"\n3 PRG< 1 \"C\"\n",
                                "line 1: entry 1 is PRG 1; an import changes no type or size"},
                    TextRefusal{"CutEscape", "1 PRG 1 \"A{$4\"\n",
                                "line 1: column 11: an escape is written {$XX}"},
                    TextRefusal{"LowerCase", "1 PRG 1 \"a\"\n", "line 1: column 10"}),
    [](const auto& info) { return std::string(info.param.name); });

// A screen grab: load address $0400, then rows of 40 screen codes.
Bytes Grab(const std::vector<Bytes>& rows) {
    Bytes grab = {0x00, 0x04};
    for (Bytes row : rows) {
        row.resize(40, 0x20);
        grab.insert(grab.end(), row.begin(), row.end());
    }
    return grab;
}

TEST_F(Cli, AScreenGrabRenamesFromTheFirstAndAddsSeparators) {
    // Screen codes and the PETSCII bytes typed for them: 01 "A" 41, 00 "@" 40,
    // 1C pound 5C, 40 and 5F graphics C0 and DF, 60 E0 (not A0), 61 A1, 7F BF.
    dir.Write(
        "art.prg",
        Grab({{0x01, 0x00, 0x1C, 0x40, 0x5F, 0x60, 0x61, 0x7F, 0x3F}, {0x08, 0x09}, {}, {0x2D, 0x2D}, {}}));
    CliResult r = Run({"dirart", "import", image, dir.File("art.prg")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Bytes blanks(16, 0x20);
    auto row = [&](Bytes start) {
        start.resize(16, 0x20);
        return start;
    };
    EXPECT_EQ(Names(image), (std::vector<Bytes>{row({0x41, 0x40, 0x5C, 0xC0, 0xDF, 0xE0, 0xA1, 0xBF, 0x3F}),
                                                row({'H', 'I'}), blanks, row({'-', '-'})}));
    const Bytes disk = dir.Read("GAMES.D64");
    EXPECT_EQ(disk[0x16500 + 256 + 32 * 1 + 2], 0x81) << "LOG keeps its type";
    EXPECT_EQ(disk[0x16500 + 256 + 32 * 3 + 2], 0x80) << "the fourth row is a separator";
}

TEST_F(Cli, AppendAddsEveryRowAsASeparator) {
    Bytes raw(32, 0x2A);
    dir.Write("names.bin", raw);
    ASSERT_EQ(Run({"dirart", "import", "--append", image, dir.File("names.bin")}).exitCode, 0);
    const std::vector<Bytes> names = Names(image);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], Padded({'H', 'E', 'L', 'L', 'O'}));
    EXPECT_EQ(names[4], Bytes(16, 0x2A));
    const Bytes disk = dir.Read("GAMES.D64");
    EXPECT_EQ(disk[0x16500 + 256 + 32 * 4 + 2], 0x80);
}

TEST_F(Cli, AReversedScreenCodeIsRefusedByRowAndColumn) {
    dir.Write("art.prg", Grab({{0x01}, {0x01, 0x02, 0x03, 0x04, 0x81}}));
    CliResult r = Run({"dirart", "import", image, dir.File("art.prg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("row 2, column 5: the reversed screen code {$81} has no PETSCII byte"),
              std::string::npos)
        << r.err;
}

// A 1571 disk holds 144 entries, a 1581 disk 296 (37 blocks of track 40 but
// the header and BAM); a 1581 keeps the disk name at 40/0 0x04 and the ID at
// 0x16.
struct FormatArt {
    const char* name;
    const char* file;
    int entries;
    const char* head;
};

class DirArtFormat : public Cli, public testing::WithParamInterface<FormatArt> {};

TEST_P(DirArtFormat, AFullDirectoryRoundTripsAndOneMoreIsRefused) {
    const FormatArt& c = GetParam();
    const std::string disk = dir.File(c.file);
    ASSERT_EQ(Run({"new", disk, "ART DISK", "AB"}).exitCode, 0);
    Bytes names(std::size_t(c.entries) * 16);
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = std::uint8_t(0x41 + i % 26);
    dir.Write("names.bin", names);
    ASSERT_EQ(Run({"dirart", "import", disk, dir.File("names.bin")}).exitCode, 0);
    const std::string text = Run({"dirart", "export", disk}).out;
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1), c.head);
    EXPECT_NE(text.find("\n" + std::to_string(c.entries) + " DEL 0 \""), std::string::npos);
    const Bytes full = dir.Read(c.file);
    dir.Write("art.txt", Bytes(text.begin(), text.end()));
    ASSERT_EQ(Run({"dirart", "import", disk, dir.File("art.txt")}).exitCode, 0);
    EXPECT_EQ(Run({"dirart", "export", disk}).out, text);
    EXPECT_EQ(dir.Read(c.file), full);

    dir.Write("one.bin", Bytes(16, 0x2D));
    CliResult more = Run({"dirart", "import", "--append", disk, dir.File("one.bin")});
    EXPECT_EQ(more.exitCode, 1);
    EXPECT_NE(
        more.err.find("row 1: more entries than the directory holds (" + std::to_string(c.entries) + ")"),
        std::string::npos)
        << more.err;
    EXPECT_EQ(dir.Read(c.file), full);
}

INSTANTIATE_TEST_SUITE_P(
    DirArt, DirArtFormat,
    testing::Values(FormatArt{"D71", "art.d71", 144, "disk \"ART DISK\"\nid \"AB{$A0}2A\"\n"},
                    FormatArt{"D81", "art.d81", 296, "disk \"ART DISK\"\nid \"AB{$A0}3D\"\n"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel::test
