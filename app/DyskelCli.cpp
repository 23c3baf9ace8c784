// dyskel-cli: the disk image core and the 6502 disassembler from the command
// line.  Every command calls the same functions as the windows and only joins
// their cells into lines.
#include "core/Directory.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/DiskHeader.h"
#include "core/FactsCache.h"
#include "core/FileChain.h"
#include "core/FileIO.h"
#include "core/HexText.h"
#include "core/ImageScan.h"
#include "core/ImageUpdate.h"
#include "core/Petscii.h"
#include "core/Search.h"
#include "core/Uglobal.h"
#include "core/Validate.h"
#include "disasm/BasicListing.h"
#include "disasm/Ca65Source.h"
#include "disasm/Disasm6502.h"
#include "disasm/Listing6502.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace dyskel {
namespace {

constexpr const char* UsageText =
    "usage: dyskel-cli COMMAND [OPTIONS] ARGS\n"
    "  info [--raw] IMAGE                          facts of the image\n"
    "  dir [--raw] [--deleted] IMAGE               the directory as the C64 lists it\n"
    "  bam IMAGE                                   the block availability map\n"
    "  block [--raw] IMAGE TRACK SECTOR            one block in hex and characters\n"
    "  list [--text|--basic|--asm] [--start ADDR] [--symbols] [--illegal] [--raw] IMAGE ENTRY\n"
    "                                              a PRG entry as 6502 code (or hex and text,\n"
    "                                              BASIC V2 lines, ca65 source)\n"
    "  export [--name NAME] [--to DIR] IMAGE ENTRY write a PRG entry as NAME.PRG\n"
    "  dump [--to DIR] IMAGE ENTRY                 write an entry's blocks as a hex dump text\n"
    "  rename [--backup] [--dry-run] IMAGE ENTRY NEWNAME  rename an entry\n"
    "  delete [--backup] [--dry-run] IMAGE ENTRY   scratch an entry and free its blocks\n"
    "  lock|unlock [--backup] [--dry-run] IMAGE ENTRY  set or clear the lock mark\n"
    "  type [--backup] [--dry-run] IMAGE ENTRY DEL|SEQ|PRG|USR|REL  set the file type\n"
    "  undelete [--backup] [--dry-run] IMAGE ENTRY [TYPE]  take a scratched entry back (TYPE: PRG;\n"
    "                                              ENTRY numbered as dir --deleted numbers it)\n"
    "  size [--backup] [--dry-run] IMAGE ENTRY [BLOCKS]  set the size shown (default: the chain's length)\n"
    "  clear [--backup] [--dry-run] [--name NAME] [--id ID] IMAGE  format track 18 afresh\n"
    "  poke [--backup] [--dry-run] IMAGE TRACK SECTOR OFFSET BYTE...  change bytes of a block\n"
    "  new [--tracks 35|40] IMAGE NAME [ID]        write a freshly formatted image (ID: 00)\n"
    "  write [--backup] [--dry-run] [--replace|--keep-both] [--type PRG|SEQ|USR] [--name NAME]\n"
    "        IMAGE FILE...                         write host files onto the disk as new entries\n"
    "  validate [--fix] [--backup] [--dry-run] [--csv] IMAGE...  check chains, directory and BAM\n"
    "  scan [--unsorted] [--no-details] [--raw] FOLDER  the D64 images of a folder\n"
    "  find [--recursive] [--name PATTERN] [--label PATTERN] [--type T] [--size MIN-MAX]\n"
    "       [--same-as FILE] FOLDER...             entries of the images of the folders\n"
    "  dupes [--recursive] FOLDER...               identical files and identical disks\n"
    "  op BYTE [BYTE [BYTE]]                       one 6502 instruction (hex bytes)\n"
    "  --help | --version\n"
    "ENTRY is the entry's number in the directory listing, from 1.  Writing commands\n"
    "keep IMAGE.BAK with --backup; --dry-run prints the blocks (TT,SS) that would change.\n"
    "write refuses a name already on the disk unless --replace or --keep-both is given.\n"
    "validate exits 0 when every image is clean, 1 when not; --fix rewrites the BAM\n"
    "from what the files own.  find --size counts blocks as the listing shows them:\n"
    "N exactly, MIN-MAX, MIN- or -MAX.\n"
    "Disk texts are shown\n"
    "through the C64 character table as UTF-8; --raw prints their bytes as they are.\n";

// A failure of the command: one line on stderr, exit 1.
struct CliFailure {
    std::string message;
};
// Wrong command line: the usage on stderr, exit 2.
struct UsageError {
    std::string message;
};

struct Invocation {
    std::vector<std::string> args; // the positional arguments
    std::vector<std::string> flags;
    std::optional<std::string> name, to, id, start, tracks, type, label, sameAs, size;
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

// Lines of an engine message joined into one line.
std::string OneLine(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += (text.empty() ? "" : " ") + l;
    return text;
}

// A whole number of the command line: decimal, or hex after "$" or "0x"
// where hex is allowed.
long Number(const std::string& text, const char* what, bool hexPrefix = false, long max = 999999999) {
    std::string_view digits = text;
    int base = 10;
    if (hexPrefix && digits.starts_with('$')) {
        digits.remove_prefix(1);
        base = 16;
    } else if (hexPrefix && (digits.starts_with("0x") || digits.starts_with("0X"))) {
        digits.remove_prefix(2);
        base = 16;
    }
    long value = -1;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value < 0 ||
        value > max)
        throw UsageError{std::string(what) + " must be a number from 0 to " + std::to_string(max) + ": " +
                         text};
    return value;
}

// A hex number of up to maxDigits digits, with or without "$" or "0x".
unsigned HexNumber(const std::string& text, std::size_t maxDigits, const char* what) {
    std::string_view digits = text;
    if (digits.starts_with('$'))
        digits.remove_prefix(1);
    else if (digits.starts_with("0x") || digits.starts_with("0X"))
        digits.remove_prefix(2);
    unsigned value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || digits.size() > maxDigits || ec != std::errc() ||
        end != digits.data() + digits.size())
        throw UsageError{std::string("not a ") + what + ": " + text};
    return value;
}

std::uint8_t HexByte(const std::string& text) {
    return static_cast<std::uint8_t>(HexNumber(text, 2, "hex byte"));
}

// An image read whole, with its header, BAM and directory.
struct Image {
    std::string path;
    std::string folder; // "." when the path names none
    std::string fileName;
    DiskImage disk;
    DiskView view;
};

Image OpenImage(const Invocation& inv, const std::string& path, bool deleted = false) {
    Result<DiskImage> disk = DiskImage::Load(path);
    if (!disk) throw CliFailure{disk.Error()};
    Result<DiskView> view = ReadDiskView(*disk, !deleted && !inv.Has("--deleted"));
    if (!view) throw CliFailure{view.Error()};
    std::filesystem::path p(path);
    std::string folder = p.parent_path().string();
    return {path, folder.empty() ? "." : folder, p.filename().string(), std::move(*disk), std::move(*view)};
}

const DirEntry& Entry(const Image& image, long n) {
    const auto count = static_cast<long>(image.view.dir.entries.size());
    if (n < 1 || n > count)
        throw CliFailure{"no entry " + std::to_string(n) + " in " + Quoted(image.path) +
                         " (its directory lists " + std::to_string(count) +
                         (count == 1 ? " entry)" : " entries)")};
    return image.view.dir.entries[static_cast<std::size_t>(n - 1)];
}

// The image and the entry named by ENTRY (args 0 and 1), checked for the type
// the command needs.
enum class Needs { AnyEntry, NotDel, Prg };

std::pair<Image, DirEntry> SelectEntry(const Invocation& inv, Needs needs) {
    const long n = Number(inv.args[1], "ENTRY");
    Image image = OpenImage(inv, inv.args[0]);
    DirEntry entry = Entry(image, n);
    const std::string type = FileTypeName(entry.typeByte);
    if (needs == Needs::Prg && type != "PRG")
        throw CliFailure{"entry " + inv.args[1] + " is a " + type + " file, not a PRG file"};
    if (needs == Needs::NotDel && type == "DEL") throw CliFailure{"entry " + inv.args[1] + " is a DEL entry"};
    return {std::move(image), entry};
}

int Report(Invocation& inv, const FileOutcome& outcome, const std::string& fileName,
           const std::string& folder) {
    if (outcome.failed) throw CliFailure{OneLine(FailureLines(outcome))};
    for (const auto& line : SavedLines(fileName, outcome.blocks, folder)) inv.out << line << '\n';
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

// A name typed on the command line as the bytes the C64 would store.
std::string TypedName(const std::string& typed, const char* what = "the new name") {
    Result<std::string> bytes = PetsciiFromUtf8(typed, what);
    if (!bytes) throw CliFailure{bytes.Error()};
    return *bytes;
}

// Letters made capitals, then the C64 bytes, at most max of them.
std::string TypedText(const std::string& typed, const char* what, std::size_t max) {
    std::string bytes = TypedName(UpperAscii(typed), what);
    if (bytes.size() > max)
        throw CliFailure{std::string(what) + " is longer than " + std::to_string(max) + " characters"};
    return bytes;
}

void PrintBlock(Invocation& inv, const Block& block) {
    for (int r = 0; r < 16; ++r) {
        const std::uint8_t* p = block.data() + 16 * r;
        std::string hex;
        for (int i = 0; i < 16; ++i) hex += (i ? " " : "") + ByteToHex(p[i]);
        std::string chars(reinterpret_cast<const char*>(p), 16);
        inv.out << ByteToHex(static_cast<std::uint8_t>(16 * r)) << "  " << hex << "  " << DiskText(inv, chars)
                << '\n';
    }
}

// Runs an edit through the write path, or with --dry-run prints the blocks it
// would change.  True when the image was written.
bool Write(Invocation& inv, const Image& image, const ImageEdit& edit) {
    if (inv.Has("--dry-run")) {
        if (std::string refusal = WriteRefusal(image.path); !refusal.empty()) throw CliFailure{refusal};
        Result<EditPlan> plan = edit(image.disk);
        if (!plan) throw CliFailure{plan.Error()};
        if (std::string soft = SoftWriteProtection(image.disk); !soft.empty())
            inv.err << "dyskel-cli: warning: " << soft << '\n';
        for (const std::string& note : plan->notes) inv.err << "dyskel-cli: warning: " << note << '\n';
        for (const BlockChange& c : plan->changes) {
            Result<Block> now = image.disk.ReadBlock(c.at);
            if (now && *now == c.bytes) continue;
            inv.out << BlockText(c.at) << '\n';
        }
        return false;
    }
    UpdateOptions options;
    options.backupFiles = inv.Has("--backup");
    UpdateResult result = UpdateImage(image.disk, edit, options, {});
    if (result.status != UpdateStatus::Updated)
        throw CliFailure{result.message.empty() ? "the image was not updated" : result.message};
    for (const std::string& note : result.notes) inv.err << "dyskel-cli: warning: " << note << '\n';
    if (!result.warning.empty()) inv.err << "dyskel-cli: warning: " << result.warning << '\n';
    return true;
}

// Prints what a command shows after its write; a failure there is told as
// such, for the image was written all the same.
template <class F>
void AfterWrite(F show) {
    try {
        show();
    } catch (const CliFailure& e) {
        throw CliFailure{"the image was written, but showing it failed: " + e.message};
    }
}

// The entry's row after a write, found again by its place on track 18.
void PrintEntryAfter(Invocation& inv, const Image& before, const DirEntry& entry) {
    Image after = OpenImage(inv, before.path);
    const auto& entries = after.view.dir.entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].sector == entry.sector && entries[i].offset == entry.offset) {
            inv.out << JoinCells(inv, DirRowCells(entries[i], int(i) + 1)) << '\n';
            return;
        }
}

// --- Commands ---------------------------------------------------------------

int RunInfo(Invocation& inv) {
    Image image = OpenImage(inv, inv.args[0]);
    ImageEntry entry = FindImage(image.path);
    const HeaderInfo& header = image.view.header;
    inv.out << "File Name: " << image.fileName << '\n'
            << "Header & ID: " << DiskText(inv, header.label) << '\n'
            << "Blocks Free: " << image.view.bam.freeBlocks << '\n'
            << "Error Correction: " << ErrorInfoText(HasErrorBytes(image.disk.FileSize())) << '\n'
            << "Write Protection: " << (header.writeProtected ? "On" : "Off") << '\n'
            << "Image Time Stamp: " << TimeStamp(entry.mtime) << '\n'
            << "Format Designation: " << FormatText(header.doubleSided) << '\n'
            << "Tracks: " << TrackLimitForSize(image.disk.FileSize()) << '\n';
    return 0;
}

int RunDir(Invocation& inv) {
    Image image = OpenImage(inv, inv.args[0]);
    inv.out << DiskText(inv, image.view.header.label) << '\n';
    int n = 0;
    for (const DirEntry& entry : image.view.dir.entries)
        inv.out << JoinCells(inv, DirRowCells(entry, ++n)) << (entry.Scratched() ? "\tscratched\n" : "\n");
    inv.out << JoinCells(inv, FreeRowCells(image.view.bam.freeBlocks)) << '\n';
    if (image.view.dir.cut)
        inv.err << "dyskel-cli: the directory chain of " << Quoted(image.path) << " is broken"
                << (image.view.dir.note.empty() ? "" : ": " + image.view.dir.note) << '\n';
    return 0;
}

int RunBam(Invocation& inv) {
    Image image = OpenImage(inv, inv.args[0]);
    const FreeMap& freeMap = image.view.bam.freeMap;
    for (int s = 0; s < MaxSectors; ++s) {
        std::string line;
        for (int t = 1; t <= StdTracks; ++t)
            line += s >= SectorsPerTrack(t)                        ? ' '
                    : t == DirTrack                                ? 'T'
                    : freeMap.used[std::size_t(t)][std::size_t(s)] ? '#'
                                                                   : '.';
        inv.out << line << '\n';
    }
    inv.out << image.view.bam.freeBlocks << " BLOCKS FREE\n";
    return 0;
}

// The block named by args[first] and args[first + 1] (read before the image,
// so that a wrong number is a usage error).
BlockAddress BlockNumbers(const Invocation& inv, std::size_t first) {
    return {int(Number(inv.args[first], "TRACK", false, 255)),
            int(Number(inv.args[first + 1], "SECTOR", false, 255))};
}

// The block checked against the image.
BlockAddress CheckBlock(const DiskImage& disk, BlockAddress at) {
    const int track = at.track, sector = at.sector;
    if (!disk.HoldsTrack(track))
        throw CliFailure{"track " + std::to_string(track) + " is not in " + Quoted(disk.Path())};
    if (!ValidBlock(track, sector))
        throw CliFailure{"track " + std::to_string(track) + " has no sector " + std::to_string(sector) +
                         " (sectors 0 to " + std::to_string(SectorsPerTrack(track) - 1) + ")"};
    return {track, sector};
}

int RunBlock(Invocation& inv) {
    const BlockAddress at = BlockNumbers(inv, 1);
    Result<DiskImage> disk = DiskImage::Load(inv.args[0]);
    if (!disk) throw CliFailure{disk.Error()};
    Result<Block> block = disk->ReadBlock(CheckBlock(*disk, at));
    if (!block) throw CliFailure{block.Error()};
    PrintBlock(inv, *block);
    return 0;
}

int RunList(Invocation& inv) {
    const auto [image, entry] = SelectEntry(inv, Needs::Prg);
    auto file = std::make_unique<FileBuffer6502>();
    GatherResult gathered = GatherFile6502(image.disk, entry.first, *file);
    const std::span<const std::uint8_t> bytes(file->bytes.data(), file->length);
    AsmOptions options;
    options.start = inv.start
                        ? std::optional(static_cast<std::uint16_t>(HexNumber(*inv.start, 4, "hex address")))
                        : SysStart(bytes, file->loadAddress);
    options.opcodes = inv.Has("--illegal") ? OpcodeSet::WithUndocumented : OpcodeSet::Documented;
    options.symbols = inv.Has("--symbols");
    const auto cut = [&] {
        if (gathered.cut())
            inv.err << "dyskel-cli: entry " << inv.args[1] << ": " << OneLine(GatherCutLines(gathered, *file))
                    << '\n';
    };
    if (inv.Has("--asm")) {
        inv.out << Ca65Source(bytes, file->loadAddress, options);
        cut();
        return 0;
    }
    if (inv.Has("--basic")) {
        const BasicListing basic = ListBasic(bytes, file->loadAddress);
        if (!inv.Has("--raw"))
            inv.out << BasicListingUtf8(basic);
        else
            for (const BasicLine& l : basic.lines) inv.out << l.number << ' ' << ListedBytes(l) << '\n';
        if (basic.Broken())
            inv.err << "dyskel-cli: entry " << inv.args[1] << ": " << BasicEndText(basic) << '\n';
        cut();
        return 0;
    }
    Listing6502 listing(*file, inv.Has("--text") ? ListingMode::Text : ListingMode::Asm, options);
    inv.out << LoadAdrCaption(*file) << '\t' << BlocksCaption(gathered, *file) << '\t' << EndAdrCaption(*file)
            << '\n';
    std::string line;
    for (int r = 1; r < listing.RowCount(); ++r) {
        line.clear();
        for (int c = 0; c < listing.ColumnCount(); ++c) {
            if (c) line += '\t';
            std::string cell = listing.Cell(r, c);
            // Only the text column holds disk bytes; the rest is plain ASCII.
            line += listing.Mode() == ListingMode::Text && c == 2 ? DiskText(inv, cell) : cell;
        }
        line += '\n';
        inv.out << line;
    }
    cut();
    return 0;
}

int RunExport(Invocation& inv) {
    const auto [image, entry] = SelectEntry(inv, Needs::Prg);
    std::string fileName = (inv.name ? SafeFileName(*inv.name) : ExportBaseName(entry)) + ".PRG";
    std::string folder = inv.to.value_or(image.folder);
    return Report(inv, ExportPRG(image.disk, entry, folder, fileName), fileName, folder);
}

int RunDump(Invocation& inv) {
    const auto [image, entry] = SelectEntry(inv, Needs::NotDel);
    std::string folder = inv.to.value_or(image.folder);
    return Report(inv, WriteHexDump(image.disk, entry, folder), HexDumpFileName(entry), folder);
}

int RunRename(Invocation& inv) {
    const auto [image, entry] = SelectEntry(inv, Needs::AnyEntry);
    const std::string cellText = NormaliseRenameText(TypedName(inv.args[2]));
    if (Write(inv, image, RenameEntry(entry, NameBytesFromCell(cellText))))
        AfterWrite([&] { PrintEntryAfter(inv, image, entry); });
    return 0;
}

int RunDelete(Invocation& inv) {
    const auto [image, entry] = SelectEntry(inv, Needs::AnyEntry);
    if (Write(inv, image, DeleteEntry(entry)))
        AfterWrite([&] { inv.out << OpenImage(inv, image.path).view.bam.freeBlocks << " BLOCKS FREE\n"; });
    return 0;
}

int RunLock(Invocation& inv, bool locked) {
    const auto [image, entry] = SelectEntry(inv, Needs::AnyEntry);
    if (Write(inv, image, SetEntryLocked(entry, locked)))
        AfterWrite([&] { PrintEntryAfter(inv, image, entry); });
    return 0;
}

int RunType(Invocation& inv) {
    const std::optional<FileType> type = FileTypeNamed(UpperAscii(inv.args[2]));
    if (!type) throw UsageError{"TYPE must be DEL, SEQ, PRG, USR or REL: " + inv.args[2]};
    const auto [image, entry] = SelectEntry(inv, Needs::AnyEntry);
    if (Write(inv, image, SetEntryType(entry, *type)))
        AfterWrite([&] { PrintEntryAfter(inv, image, entry); });
    return 0;
}

int RunUndelete(Invocation& inv) {
    const std::optional<FileType> type = FileTypeNamed(UpperAscii(inv.args.size() > 2 ? inv.args[2] : "PRG"));
    if (!type) throw UsageError{"TYPE must be DEL, SEQ, PRG, USR or REL: " + inv.args[2]};
    const long n = Number(inv.args[1], "ENTRY");
    Image image = OpenImage(inv, inv.args[0], true);
    const DirEntry entry = Entry(image, n);
    if (!entry.Scratched()) throw CliFailure{"entry " + inv.args[1] + " is not scratched"};
    if (Write(inv, image, UndeleteEntry(entry, *type)))
        AfterWrite([&] { PrintEntryAfter(inv, image, entry); });
    return 0;
}

int RunSize(Invocation& inv) {
    const auto [image, entry] = SelectEntry(inv, Needs::AnyEntry);
    const auto blocks =
        inv.args.size() > 2 ? Number(inv.args[2], "BLOCKS", false, 65535) : ChainLength(image.disk, entry);
    if (Write(inv, image, SetEntrySize(entry, static_cast<std::uint16_t>(blocks))))
        AfterWrite([&] { PrintEntryAfter(inv, image, entry); });
    return 0;
}

int RunClear(Invocation& inv) {
    std::optional<std::string> name, id;
    if (inv.name) name = TypedText(*inv.name, "NAME", 16);
    if (inv.id) id = TypedText(*inv.id, "ID", 2);
    Image image = OpenImage(inv, inv.args[0]);
    if (Write(inv, image, ClearImage(name ? &*name : nullptr, id ? &*id : nullptr)))
        AfterWrite([&] {
            Image after = OpenImage(inv, image.path);
            inv.out << DiskText(inv, after.view.header.label) << '\n'
                    << after.view.bam.freeBlocks << " BLOCKS FREE\n";
        });
    return 0;
}

int RunPoke(Invocation& inv) {
    const BlockAddress numbers = BlockNumbers(inv, 1);
    const int offset = int(Number(inv.args[3], "OFFSET", true, 255));
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 4; i < inv.args.size(); ++i) bytes.push_back(HexByte(inv.args[i]));
    Image image = OpenImage(inv, inv.args[0]);
    const BlockAddress at = CheckBlock(image.disk, numbers);
    if (bytes.size() > std::size_t(BlockSize - offset))
        throw CliFailure{std::to_string(bytes.size()) + " bytes do not fit in the block from offset " +
                         std::to_string(offset)};
    if (Write(inv, image, PokeBlock(at, offset, bytes)))
        AfterWrite([&] {
            Result<Block> block = ReadBlock(image.path, at);
            if (!block) throw CliFailure{block.Error()};
            PrintBlock(inv, *block);
        });
    return 0;
}

int RunNew(Invocation& inv) {
    const long tracks = inv.tracks ? Number(*inv.tracks, "--tracks", false, 40) : StdTracks;
    if (tracks != StdTracks && tracks != MaxTracks) throw UsageError{"--tracks must be 35 or 40"};
    const std::string name = TypedText(inv.args[1], "NAME", 16);
    const std::string id = TypedText(inv.args.size() > 2 ? inv.args[2] : "00", "ID", 2);
    Result<void> made = CreateImageFile(inv.args[0], NewImageBytes(int(tracks), name, id));
    if (!made) throw CliFailure{made.Error()};
    AfterWrite([&] {
        Image image = OpenImage(inv, inv.args[0]);
        inv.out << DiskText(inv, image.view.header.label) << '\n'
                << image.view.bam.freeBlocks << " BLOCKS FREE\n";
    });
    return 0;
}

// Reads a host file whole; one that goes or changes its size while it is
// read is told as such.
std::vector<std::uint8_t> HostFile(const std::string& path) {
    fileio::Fd fd = fileio::Fd::OpenRead(path);
    struct stat st {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw CliFailure{"no file " + Quoted(path)};
    std::vector<std::uint8_t> data(std::size_t(st.st_size) + 1); // one more byte tells a file that grew
    errno = 0;
    const std::size_t got = fileio::ReadAt(fd.Get(), 0, data.data(), data.size());
    if (got != std::size_t(st.st_size))
        throw CliFailure{"cannot read " + Quoted(path) + ": " +
                         (errno ? fileio::LastError() : std::string("it changed while it was read"))};
    data.resize(got);
    return data;
}

int RunWrite(Invocation& inv) {
    if (inv.name && inv.args.size() > 2) throw UsageError{"--name takes one FILE"};
    if (inv.Has("--replace") && inv.Has("--keep-both"))
        throw UsageError{"--replace or --keep-both, not both"};
    std::optional<FileType> type;
    if (inv.type) {
        // A file written in is a sequence of blocks: no DEL, no REL.
        type = FileTypeNamed(UpperAscii(*inv.type));
        if (type == FileType::Del || type == FileType::Rel) type.reset();
        if (!type) throw UsageError{"--type must be PRG, SEQ or USR: " + *inv.type};
    }
    std::vector<ImportFile> files;
    for (std::size_t i = 1; i < inv.args.size(); ++i) {
        Result<HostFileName> host = NameOfHostFile(inv.args[i]);
        if (!host && !inv.name) throw CliFailure{host.Error()};
        ImportFile f;
        f.name = inv.name ? TypedText(*inv.name, "NAME", 16) : host->name;
        f.type = type.value_or(host ? host->type : FileType::Prg);
        f.data = HostFile(inv.args[i]);
        f.onClash = inv.Has("--replace")     ? OnClash::Replace
                    : inv.Has("--keep-both") ? OnClash::KeepBoth
                                             : OnClash::Refuse;
        files.push_back(std::move(f));
    }
    Image image = OpenImage(inv, inv.args[0]);
    if (Write(inv, image, ImportEntries(files)))
        AfterWrite([&] {
            Image after = OpenImage(inv, image.path);
            const auto& before = image.view.dir.entries;
            const auto& now = after.view.dir.entries;
            for (std::size_t i = 0; i < now.size(); ++i) {
                const DirEntry& e = now[i];
                const bool imported = std::any_of(files.begin(), files.end(), [&](const ImportFile& f) {
                    return PaddedName(f.name) == e.name;
                });
                const bool old = std::any_of(before.begin(), before.end(), [&](const DirEntry& b) {
                    return b.sector == e.sector && b.offset == e.offset && b.first == e.first &&
                           b.name == e.name && b.typeByte == e.typeByte && b.blocks == e.blocks;
                });
                if (imported && (!old || inv.Has("--replace")))
                    inv.out << JoinCells(inv, DirRowCells(e, int(i) + 1)) << '\n';
            }
            inv.out << after.view.bam.freeBlocks << " BLOCKS FREE\n";
        });
    return 0;
}

// One image's findings counted by kind.
std::array<int, 9> CountFindings(const ValidationReport& report) {
    std::array<int, 9> counts{};
    for (const Finding& f : report.findings) ++counts[std::size_t(f.kind)];
    return counts;
}

int RunValidate(Invocation& inv) {
    const bool several = inv.args.size() > 1, csv = inv.Has("--csv");
    if (inv.Has("--fix") && several) throw UsageError{"--fix takes one IMAGE"};
    if (csv) {
        inv.out << "image,findings";
        for (int k = 0; k < 9; ++k) inv.out << ',' << FindingKindName(FindingKind(k));
        inv.out << '\n';
    }
    int rc = 0;
    for (const std::string& path : inv.args) {
        Result<DiskImage> disk = DiskImage::Load(path);
        Result<ValidationReport> report =
            disk ? ValidateImage(*disk) : Result<ValidationReport>(Failure{disk.Error()});
        if (!report) {
            if (!several) throw CliFailure{report.Error()};
            inv.err << "dyskel-cli: " << report.Error() << '\n';
            rc = 1;
            continue;
        }
        if (!report->Clean()) rc = 1;
        if (csv) {
            inv.out << path << ',' << report->findings.size();
            for (int n : CountFindings(*report)) inv.out << ',' << n;
            inv.out << '\n';
        } else if (several) {
            inv.out << path << ": " << ValidationSummary(*report) << '\n';
        } else {
            for (const Finding& f : report->findings)
                inv.out << FindingText(*report, f, [&](const std::string& b) { return DiskText(inv, b); })
                        << '\n';
        }
    }
    if (inv.Has("--fix")) {
        Image image = OpenImage(inv, inv.args[0]);
        if (Write(inv, image, FixBam()))
            AfterWrite([&] {
                const Image fixed = OpenImage(inv, image.path);
                Result<ValidationReport> after = ValidateImage(fixed.disk);
                if (!after) throw CliFailure{after.Error()};
                inv.out << "BAM rewritten; " << fixed.view.bam.freeBlocks << " BLOCKS FREE\n";
                rc = after->Clean() ? 0 : 1;
            });
    }
    return rc;
}

void CheckFolders(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders)
        if (std::error_code ec; !std::filesystem::is_directory(folder, ec))
            throw CliFailure{"no folder " + Quoted(folder)};
}

int RunScan(Invocation& inv) {
    const std::string& folder = inv.args[0];
    CheckFolders(inv.args);
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

// The search index, or none (with a warning) when it cannot be opened.
std::unique_ptr<FactsCache> OpenCache(Invocation& inv) {
    Result<std::unique_ptr<FactsCache>> cache = FactsCache::Open(FactsCache::DefaultFile());
    if (cache) return std::move(*cache);
    inv.err << "dyskel-cli: warning: " << cache.Error() << '\n';
    return nullptr;
}

// Images skipped or cut are told on stderr; the search goes on.
SearchEvents NoteEvents(Invocation& inv) {
    SearchEvents events;
    events.note = [&inv](const std::string& path, const std::string& note) {
        inv.err << "dyskel-cli: " << path << ": " << note << '\n';
    };
    return events;
}

// An entry found: image path, number, name, type, size, TT,SS.
std::string HitLine(const Invocation& inv, const SearchHit& hit) {
    return hit.path + '\t' + std::to_string(hit.number) + '\t' + DiskText(inv, hit.entry.Name()) + '\t' +
           FileTypeName(hit.entry.typeByte) + '\t' + std::to_string(hit.entry.blocks) + '\t' +
           BlockText(hit.entry.first);
}

// --size: the blocks the listing shows, as N, MIN-MAX, MIN- or -MAX.
void SizeRange(const std::string& text, SearchQuery& query) {
    const UsageError bad{"--size must be N, MIN-MAX, MIN- or -MAX blocks, from 0 to 65535: " + text};
    const std::size_t dash = text.find('-');
    const auto bound = [&](std::string_view part) -> std::optional<std::uint16_t> {
        if (part.empty()) return std::nullopt;
        unsigned value = 0;
        auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (ec != std::errc() || end != part.data() + part.size() || value > 65535) throw bad;
        return static_cast<std::uint16_t>(value);
    };
    const std::string_view all = text;
    query.minBlocks = bound(all.substr(0, dash));
    query.maxBlocks = dash == std::string::npos ? query.minBlocks : bound(all.substr(dash + 1));
    if ((!query.minBlocks && !query.maxBlocks) ||
        (query.minBlocks && query.maxBlocks && *query.minBlocks > *query.maxBlocks))
        throw bad;
}

int RunFind(Invocation& inv) {
    SearchQuery query;
    query.folders = inv.args;
    query.recursive = inv.Has("--recursive");
    if (inv.name) query.name = TypedName(*inv.name, "PATTERN");
    if (inv.label) query.label = TypedName(*inv.label, "PATTERN");
    const std::optional<FileType> type = inv.type ? FileTypeNamed(UpperAscii(*inv.type)) : std::nullopt;
    if (type) query.type = std::uint8_t(*type);
    if (inv.type && !type) throw UsageError{"TYPE must be DEL, SEQ, PRG, USR or REL: " + *inv.type};
    if (inv.size) SizeRange(*inv.size, query);
    if (inv.sameAs) {
        Result<Sha1Digest> hash = HostFileSha1(*inv.sameAs);
        if (!hash) throw CliFailure{hash.Error()};
        query.sameAs = *hash;
    }
    CheckFolders(inv.args);
    std::unique_ptr<FactsCache> cache = OpenCache(inv);
    SearchEvents events = NoteEvents(inv);
    events.hit = [&inv](const SearchHit& hit) { inv.out << HitLine(inv, hit) << '\n'; };
    (void)SearchImages(query, events, nullptr, cache.get());
    return 0;
}

int RunDupes(Invocation& inv) {
    CheckFolders(inv.args);
    std::unique_ptr<FactsCache> cache = OpenCache(inv);
    const DuplicateGroups groups =
        FindDuplicates(inv.args, inv.Has("--recursive"), NoteEvents(inv), nullptr, cache.get());
    for (std::size_t g = 0; g < groups.files.size(); ++g)
        for (const SearchHit& hit : groups.files[g])
            inv.out << "file\t" << g + 1 << '\t' << HitLine(inv, hit) << '\n';
    for (std::size_t g = 0; g < groups.disks.size(); ++g)
        for (const std::string& path : groups.disks[g]) inv.out << "disk\t" << g + 1 << '\t' << path << '\n';
    return 0;
}

int RunOp(Invocation& inv) {
    std::array<std::uint8_t, 3> b{};
    for (std::size_t i = 0; i < inv.args.size(); ++i) b[i] = HexByte(inv.args[i]);
    inv.out << Disasm6502(b[0], b[1], b[2]) << '\t' << OpcodeLength6502(b[0]) << '\t'
            << Describe6502(b[0], b[1], b[2]) << '\n';
    return 0;
}

constexpr std::array<Command, 24> Commands = {{
    {"info", "--raw", "", 1, 1, RunInfo},
    {"dir", "--raw --deleted", "", 1, 1, RunDir},
    {"bam", "", "", 1, 1, RunBam},
    {"block", "--raw", "", 3, 3, RunBlock},
    {"list", "--text --basic --asm --symbols --illegal --raw", "--start", 2, 2, RunList},
    {"export", "", "--name --to", 2, 2, RunExport},
    {"dump", "", "--to", 2, 2, RunDump},
    {"rename", "--backup --dry-run --raw", "", 3, 3, RunRename},
    {"delete", "--backup --dry-run", "", 2, 2, RunDelete},
    {"lock", "--backup --dry-run --raw", "", 2, 2, [](Invocation& inv) { return RunLock(inv, true); }},
    {"unlock", "--backup --dry-run --raw", "", 2, 2, [](Invocation& inv) { return RunLock(inv, false); }},
    {"type", "--backup --dry-run --raw", "", 3, 3, RunType},
    {"size", "--backup --dry-run --raw", "", 2, 3, RunSize},
    {"undelete", "--backup --dry-run --raw", "", 2, 3, RunUndelete},
    {"clear", "--backup --dry-run --raw", "--name --id", 1, 1, RunClear},
    {"poke", "--backup --dry-run --raw", "", 5, 260, RunPoke},
    {"new", "--raw", "--tracks", 2, 3, RunNew},
    {"write", "--backup --dry-run --raw --replace --keep-both", "--type --name", 2, 1000, RunWrite},
    {"validate", "--fix --backup --dry-run --csv --raw", "", 1, 100000, RunValidate},
    {"scan", "--unsorted --no-details --raw", "", 1, 1, RunScan},
    {"find", "--recursive --raw", "--name --label --type --size --same-as", 1, 100000, RunFind},
    {"dupes", "--recursive --raw", "", 1, 100000, RunDupes},
    {"op", "", "", 1, 3, RunOp},
    {"help", "", "", 0, 0,
     [](Invocation& inv) {
         inv.out << UsageText;
         return 0;
     }},
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
            (word == "--name"      ? inv.name
             : word == "--id"      ? inv.id
             : word == "--start"   ? inv.start
             : word == "--tracks"  ? inv.tracks
             : word == "--type"    ? inv.type
             : word == "--label"   ? inv.label
             : word == "--same-as" ? inv.sameAs
             : word == "--size"    ? inv.size
                                   : inv.to) = argv[++i];
        } else {
            throw UsageError{"unknown option " + word + " for " + cmd.name};
        }
    }
    const int n = static_cast<int>(inv.args.size());
    if (n < cmd.minArgs || n > cmd.maxArgs)
        throw UsageError{std::string("wrong number of arguments for ") + cmd.name};
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Invocation inv{{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, out, err};
    try {
        if (argc < 2) throw UsageError{"no command"};
        std::string name = argv[1];
        if (name == "--help" || name == "-h") name = "help";
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
    } catch (const CliFailure& e) {
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
