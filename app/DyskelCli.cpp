// dyskel-cli: the disk image core and the 6502 disassembler from the command
// line.  Every command calls the same functions as the windows and only joins
// their cells into lines.
#include "core/Directory.h"
#include "core/DiskHeader.h"
#include "core/FileChain.h"
#include "core/FileIO.h"
#include "core/HexText.h"
#include "core/ImageScan.h"
#include "core/ImageUpdate.h"
#include "core/Petscii.h"
#include "core/Uglobal.h"
#include "disasm/Disasm6502.h"
#include "disasm/Listing6502.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dyskel {
namespace {

constexpr const char* UsageText =
    "usage: dyskel-cli COMMAND [OPTIONS] ARGS\n"
    "  info [--raw] IMAGE                          facts of the image\n"
    "  dir [--raw] IMAGE                           the directory as the C64 lists it\n"
    "  bam IMAGE                                   the block availability map\n"
    "  block [--raw] IMAGE TRACK SECTOR            one block in hex and characters\n"
    "  list [--text] [--raw] IMAGE ENTRY           a PRG entry as 6502 code (or hex and text)\n"
    "  export [--name NAME] [--to DIR] IMAGE ENTRY write a PRG entry as NAME.PRG\n"
    "  dump [--to DIR] IMAGE ENTRY                 write an entry's blocks as a hex dump text\n"
    "  rename [--backup] IMAGE ENTRY NEWNAME       rename an entry and rewrite track 18\n"
    "  scan [--unsorted] [--no-details] [--raw] FOLDER  the D64 images of a folder\n"
    "  op BYTE [BYTE [BYTE]]                       one 6502 instruction (hex bytes)\n"
    "  --help | --version\n"
    "ENTRY is the entry's number in the directory listing, from 1.  Disk texts are shown\n"
    "through the C64 character table as UTF-8; --raw prints their bytes as they are.\n";

// A failure of the command: one line on stderr, exit 1.
struct Failure {
    std::string message;
};
// Wrong command line: the usage on stderr, exit 2.
struct UsageError {
    std::string message;
};

struct Invocation {
    std::vector<std::string> args; // the positional arguments
    std::vector<std::string> flags;
    std::optional<std::string> name, to;
    std::ostream& out;
    std::ostream& err;

    bool Has(std::string_view flag) const {
        for (const auto& f : flags)
            if (f == flag) return true;
        return false;
    }
};

using Handler = int (*)(Invocation&);

struct Command {
    const char* name;
    const char* flags;        // the switches it accepts, blank-separated
    const char* valueOptions; // the options that take a value
    int minArgs;
    int maxArgs;
    Handler run;
};

// --- Helpers ----------------------------------------------------------------

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// A disk text as the user sees it: through the display table, or raw.
std::string DiskText(const Invocation& inv, const std::string& bytes) {
    return inv.Has("--raw") ? bytes : PetsciiToUtf8(bytes);
}

// A directory grid row: its cells joined by TAB.
std::string JoinCells(const Invocation& inv, const DirCells& cells) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c) line += '\t';
        line += DiskText(inv, cells[c]);
    }
    return line;
}

int Number(const std::string& text, const char* what) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError{std::string(what) + " must be a decimal number: " + text};
    return std::stoi(text);
}

// An image file that exists, can be read and holds track 18 whole.
struct Image {
    std::string path;
    std::string folder; // "." when the path names none
    std::string fileName;
    std::int64_t size = 0;
};

Image OpenImage(const std::string& path) {
    fileio::Fd probe = fileio::Fd::OpenRead(path);
    if (!probe.IsOpen()) throw Failure{"cannot read image " + Quoted(path) + ": " + fileio::LastError()};
    std::int64_t size = fileio::RegularFileSize(path);
    if (size < 0) throw Failure{"cannot read image " + Quoted(path) + ": not a regular file"};
    if (!ImageHoldsTrack(size, DirTrack))
        throw Failure{"image " + Quoted(path) + " is too short to hold track 18 (" + std::to_string(size) +
                      " bytes)"};
    std::filesystem::path p(path);
    std::string folder = p.parent_path().string();
    return {path, folder.empty() ? "." : folder, p.filename().string(), size};
}

struct Directory {
    TrackBuffer track18;
    std::uint16_t freeBlocks = 0;
    DirListing listing;
};

Directory ReadDirectory(const Image& image) {
    Directory d;
    FreeMap freeMap;
    d.freeBlocks = DecodeBAM(image.path, d.track18, freeMap); // leaves track 18 in the buffer
    d.listing = ListDirectory(d.track18, d.freeBlocks);
    return d;
}

const DirRow& Entry(const Directory& dir, const Image& image, int n) {
    int count = static_cast<int>(dir.listing.entries.size());
    if (n < 1 || n > count)
        throw Failure{"no entry " + std::to_string(n) + " in " + Quoted(image.path) +
                      " (its directory lists " + std::to_string(count) +
                      (count == 1 ? " entry)" : " entries)")};
    return dir.listing.entries[static_cast<std::size_t>(n - 1)];
}

std::string TypeName(const DirRow& row) {
    return row.cells[3].size() > 1 ? row.cells[3].substr(1, 3) : "";
}

void RequireType(const DirRow& row, const std::string& entryArg, bool prgOnly) {
    std::string type = TypeName(row);
    if (prgOnly && type != "PRG")
        throw Failure{"entry " + entryArg + " is a " + type + " file, not a PRG file"};
    if (!prgOnly && (type == "DEL" || type.empty())) throw Failure{"entry " + entryArg + " is a DEL entry"};
}

// The image, its directory and the entry named by ENTRY (args 0 and 1),
// checked for the type the command needs.
enum class Needs { AnyEntry, NotDel, Prg };
struct Selected {
    Image image;
    Directory dir;
    DirRow row;
};
Selected SelectEntry(const Invocation& inv, Needs needs) {
    int entry = Number(inv.args[1], "ENTRY");
    Selected s{OpenImage(inv.args[0]), {}, {}};
    s.dir = ReadDirectory(s.image);
    s.row = Entry(s.dir, s.image, entry);
    if (needs != Needs::AnyEntry) RequireType(s.row, inv.args[1], needs == Needs::Prg);
    return s;
}

BlockAddress FirstBlock(const DirRow& row) {
    auto start = ParseTrackSectorCell(row.cells[4]);
    if (!start) throw Failure{"the entry's first block \"" + row.cells[4] + "\" is not a track and sector"};
    return *start;
}

// The saved message with its line break as one LF.
std::string SavedLine(const std::string& fileName, int blocks, const std::string& folder) {
    std::string text = SavedMessage(fileName, blocks, folder);
    if (auto at = text.find("\n\r"); at != std::string::npos) text.replace(at, 2, "\n");
    return text;
}

int Report(Invocation& inv, const FileOutcome& outcome, const std::string& fileName,
           const std::string& folder) {
    if (outcome.failed) {
        inv.err << outcome.message << '\n';
        return 1;
    }
    inv.out << SavedLine(fileName, outcome.blocks, folder) << '\n';
    return 0;
}

std::string TimeStamp(std::int64_t mtime) {
    if (mtime < 0) return "N/A";
    std::time_t t = static_cast<std::time_t>(mtime);
    std::tm local{};
    if (!localtime_r(&t, &local)) return "N/A";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// Decodes UTF-8 into code points; nullopt when the text is not UTF-8.
std::optional<std::u32string> DecodeUtf8(const std::string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80             ? 0
                    : (c & 0xE0) == 0xC0 ? 1
                    : (c & 0xF0) == 0xE0 ? 2
                    : (c & 0xF8) == 0xF0 ? 3
                                         : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) return std::nullopt;
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((cc & 0xC0) != 0x80) return std::nullopt;
            cp = cp << 6 | (cc & 0x3F);
        }
        out += cp;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

// A new name typed on the command line as the bytes the C64 would store.
std::string TypedName(const std::string& typed) {
    auto chars = DecodeUtf8(typed);
    if (!chars) throw Failure{"the new name is not UTF-8 text"};
    std::string bytes;
    for (char32_t c : *chars) {
        int b = PetsciiFromGlyph(c);
        if (b < 0) throw Failure{"the new name holds a character the C64 cannot show"};
        bytes += static_cast<char>(b);
    }
    return bytes;
}

// --- Commands ---------------------------------------------------------------

int RunInfo(Invocation& inv) {
    Image image = OpenImage(inv.args[0]);
    HeaderInfo header = ReadHeaderBlock(image.path);
    Directory dir = ReadDirectory(image);
    ImageEntry entry = FindImage(image.path);
    inv.out << "File Name: " << image.fileName << '\n'
            << "Header & ID: " << DiskText(inv, header.label) << '\n'
            << "Blocks Free: " << dir.freeBlocks << '\n'
            << "Error Correction: " << ErrorInfoText(image.size == ErrImageSize) << '\n'
            << "Write Protection: " << (header.writeProtected ? "On" : "Off") << '\n'
            << "Image Time Stamp: " << TimeStamp(entry.mtime) << '\n'
            << "Format Designation: " << FormatText(header.doubleSided) << '\n'
            << "Tracks: " << TrackLimitForSize(image.size) << '\n';
    return 0;
}

int RunDir(Invocation& inv) {
    Image image = OpenImage(inv.args[0]);
    HeaderInfo header = ReadHeaderBlock(image.path);
    Directory dir = ReadDirectory(image);
    inv.out << DiskText(inv, header.label) << '\n';
    for (const DirRow& row : dir.listing.entries) inv.out << JoinCells(inv, row.cells) << '\n';
    inv.out << JoinCells(inv, dir.listing.freeRow) << '\n';
    if (dir.listing.cut)
        inv.err << "dyskel-cli: the directory chain of " << Quoted(image.path) << " is broken\n";
    return 0;
}

int RunBam(Invocation& inv) {
    Image image = OpenImage(inv.args[0]);
    TrackBuffer buffer;
    FreeMap freeMap;
    std::uint16_t freeBlocks = DecodeBAM(image.path, buffer, freeMap);
    for (int s = 0; s < MaxSectors; ++s) {
        std::string line;
        for (int t = 1; t <= StdTracks; ++t)
            line += s >= SectorsPerTrack(t) ? ' ' : t == DirTrack ? 'T' : freeMap.used[t][s] ? '#' : '.';
        inv.out << line << '\n';
    }
    inv.out << freeBlocks << " BLOCKS FREE\n";
    return 0;
}

int RunBlock(Invocation& inv) {
    int track = Number(inv.args[1], "TRACK");
    int sector = Number(inv.args[2], "SECTOR");
    Image image = OpenImage(inv.args[0]);
    if (!ImageHoldsTrack(image.size, track))
        throw Failure{"track " + std::to_string(track) + " is not in " + Quoted(image.path)};
    if (!ValidBlock(track, sector))
        throw Failure{"track " + std::to_string(track) + " has no sector " + std::to_string(sector) +
                      " (sectors 0 to " + std::to_string(SectorsPerTrack(track) - 1) + ")"};
    TrackBuffer buffer;
    ReadTrack(image.path, track, buffer);
    const std::uint8_t* block = buffer.Block(sector);
    for (int r = 0; r < 16; ++r) {
        const std::uint8_t* p = block + 16 * r;
        std::string hex;
        for (int i = 0; i < 16; ++i) hex += (i ? " " : "") + ByteToHex(p[i]);
        std::string chars(reinterpret_cast<const char*>(p), 16);
        inv.out << ByteToHex(static_cast<std::uint8_t>(16 * r)) << "  " << hex << "  " << DiskText(inv, chars)
                << '\n';
    }
    return 0;
}

int RunList(Invocation& inv) {
    const auto [image, dir, row] = SelectEntry(inv, Needs::Prg);
    BlockAddress start = FirstBlock(row);
    TrackBuffer buffer;
    auto file = std::make_unique<FileBuffer6502>();
    GatherResult gathered = GatherFile6502(image.path, start.track, start.sector, buffer, *file);
    Listing6502 listing(*file, inv.Has("--text") ? 'T' : 'A');

    inv.out << LoadAdrCaption(*file) << '\t' << BlocksCaption(gathered, *file) << '\t' << EndAdrCaption(*file)
            << '\n';
    std::string line;
    for (int r = 1; r < listing.RowCount(); ++r) {
        line.clear();
        for (int c = 0; c < listing.ColumnCount(); ++c) {
            if (c) line += '\t';
            std::string cell = listing.Cell(r, c);
            // Only the text column holds disk bytes; the rest is plain ASCII.
            line += listing.Mode() == 'T' && c == 2 ? DiskText(inv, cell) : cell;
        }
        line += '\n';
        inv.out << line;
    }
    if (gathered.cut())
        inv.err << "dyskel-cli: the chain of entry " << inv.args[1] << " was cut after " << gathered.blocks
                << " blocks: " << ChainEndText(gathered.end) << '\n';
    return 0;
}

int RunExport(Invocation& inv) {
    const auto [image, dir, row] = SelectEntry(inv, Needs::Prg);
    std::string fileName = (inv.name ? SafeFileName(*inv.name) : ExportBaseName(row.cells[2])) + ".PRG";
    std::string folder = inv.to.value_or(image.folder);
    TrackBuffer buffer;
    return Report(inv, ExportPRG(image.path, FirstBlock(row), folder, fileName, buffer), fileName, folder);
}

int RunDump(Invocation& inv) {
    const auto [image, dir, row] = SelectEntry(inv, Needs::NotDel);
    std::string folder = inv.to.value_or(image.folder);
    TrackBuffer buffer;
    FileOutcome outcome =
        WriteHexDump(image.path, FirstBlock(row), folder, row.cells[2], row.cells[3], row.cells[1], buffer);
    return Report(inv, outcome, HexDumpFileName(row.cells[2], row.cells[3]), folder);
}

int RunRename(Invocation& inv) {
    const auto [image, dir, row] = SelectEntry(inv, Needs::AnyEntry);
    std::string cellText = NormaliseRenameText(TypedName(inv.args[2]));

    // The update writes the buffer back as track 18: read that track into it,
    // then patch the entry there.
    TrackBuffer track18;
    ReadTrack(image.path, DirTrack, track18);
    if (!WriteEntryName(track18, row.sector, row.offset, cellText))
        throw Failure{"entry " + inv.args[1] + " is not on track 18"};
    UpdateOptions options;
    options.backupFiles = inv.Has("--backup");
    UpdateResult result = UpdateImageFile(image.folder, image.fileName, DirTrack, track18, options,
                                          [](const std::string&) { return Answer::Yes; });
    if (result.status != UpdateStatus::Updated)
        throw Failure{result.message.empty() ? "the image was not updated" : result.message};

    Directory after = ReadDirectory(image);
    inv.out << JoinCells(inv, Entry(after, image, Number(inv.args[1], "ENTRY")).cells) << '\n';
    return 0;
}

int RunScan(Invocation& inv) {
    const std::string& folder = inv.args[0];
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) throw Failure{"no folder " + Quoted(folder)};
    std::vector<ImageEntry> images = ListImages(folder);
    if (!inv.Has("--unsorted")) SortImages(images, "NAME");
    const bool details = !inv.Has("--no-details");
    for (const ImageEntry& entry : images) {
        auto cells = ImageRowCells(folder, entry, details);
        cells[4] = DiskText(inv, cells[4]);
        std::string line;
        for (std::size_t c = 1; c < cells.size(); ++c) line += (c > 1 ? "\t" : "") + cells[c];
        inv.out << line << '\n';
    }
    return 0;
}

std::uint8_t HexByte(const std::string& text) {
    std::string digits = text;
    if (digits.rfind("$", 0) == 0)
        digits.erase(0, 1);
    else if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0)
        digits.erase(0, 2);
    if (digits.empty() || digits.size() > 2 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw UsageError{"not a hex byte: " + text};
    return static_cast<std::uint8_t>(std::stoi(digits, nullptr, 16));
}

int RunOp(Invocation& inv) {
    std::array<std::uint8_t, 3> b{};
    for (std::size_t i = 0; i < inv.args.size(); ++i) b[i] = HexByte(inv.args[i]);
    inv.out << Disasm6502(b[0], b[1], b[2]) << '\t' << OpcodeLength6502(b[0]) << '\t'
            << Describe6502(b[0], b[1], b[2]) << '\n';
    return 0;
}

constexpr std::array<Command, 10> Commands = {{
    {"info", "--raw", "", 1, 1, RunInfo},
    {"dir", "--raw", "", 1, 1, RunDir},
    {"bam", "", "", 1, 1, RunBam},
    {"block", "--raw", "", 3, 3, RunBlock},
    {"list", "--text --raw", "", 2, 2, RunList},
    {"export", "", "--name --to", 2, 2, RunExport},
    {"dump", "", "--to", 2, 2, RunDump},
    {"rename", "--backup", "", 3, 3, RunRename},
    {"scan", "--unsorted --no-details --raw", "", 1, 1, RunScan},
    {"op", "", "", 1, 3, RunOp},
}};

bool Listed(const char* list, std::string_view word) {
    std::string_view rest = list;
    while (!rest.empty()) {
        std::size_t end = rest.find(' ');
        if (rest.substr(0, end) == word) return true;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

// Sorts the words after the command into switches, options and arguments.
// "--" ends the options, so that a name may start with a dash.
void Parse(const Command& cmd, int argc, char** argv, Invocation& inv) {
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            inv.args.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (Listed(cmd.flags, word)) {
            inv.flags.push_back(word);
        } else if (Listed(cmd.valueOptions, word)) {
            if (i + 1 >= argc) throw UsageError{word + " needs a value"};
            (word == "--name" ? inv.name : inv.to) = argv[++i];
        } else {
            throw UsageError{"unknown option " + word + " for " + cmd.name};
        }
    }
    const int n = static_cast<int>(inv.args.size());
    if (n < cmd.minArgs || n > cmd.maxArgs)
        throw UsageError{std::string("wrong number of arguments for ") + cmd.name};
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Invocation inv{{}, {}, {}, {}, out, err};
    try {
        if (argc < 2) throw UsageError{"no command"};
        std::string name = argv[1];
        if (name == "--help" || name == "-h" || name == "help") {
            out << UsageText;
            return 0;
        }
        if (name == "--version") {
            out << "dyskel-cli " DYSKEL_VERSION "\n";
            return 0;
        }
        const Command* cmd = nullptr;
        for (const auto& c : Commands)
            if (name == c.name) cmd = &c;
        if (!cmd) throw UsageError{"unknown command " + name};
        Parse(*cmd, argc, argv, inv);
        int rc = cmd->run(inv);
        out.flush();
        return rc;
    } catch (const UsageError& e) {
        err << "dyskel-cli: " << e.message << '\n' << UsageText;
        return 2;
    } catch (const Failure& e) {
        out.flush();
        err << "dyskel-cli: " << e.message << '\n';
        return 1;
    }
}

} // namespace
} // namespace dyskel

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    int rc = dyskel::RunCli(argc, argv, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "dyskel-cli: could not write the output: " << std::strerror(errno) << '\n';
        return 1;
    }
    return rc;
}
