// dyskel-cli: the disk image core and the 6502 disassembler from the command
// line.  Every command calls the same functions as the windows and only joins
// their cells into lines.
#include "app/PngFile.h"
#include "core/DirArt.h"
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
#include "core/Partition.h"
#include "core/Petscii.h"
#include "core/Search.h"
#include "core/Uglobal.h"
#include "core/Validate.h"
#include "disasm/BasicListing.h"
#include "disasm/C64Screen.h"
#include "disasm/Ca65Source.h"
#include "disasm/Disasm6502.h"
#include "disasm/Listing6502.h"
#include "index/IndexModule.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <iostream>
#include <link.h>
#include <malloc.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dyskel {
namespace {

// A failure of the command: one line on stderr, exit 1.
struct CliFailure {
    std::string message;
};
// Wrong command line: one line on stderr and where the command's help is, exit 2.
struct UsageError {
    std::string message;
};

// What the command line asked for, as the command's declaration (Declare,
// below) fills it: the arguments in their order, the switches and the values
// of the options, checked.
struct Invocation {
    Invocation(std::ostream& o, std::ostream& e) : out(o), err(e) {}
    std::ostream& out;
    std::ostream& err;
    std::vector<std::string> args;
    bool raw = false, deleted = false, text = false, basic = false, assembly = false, symbols = false,
         illegal = false, backup = false, dryRun = false, replace = false, keepBoth = false, fix = false,
         csv = false, unsorted = false, noDetails = false, recursive = false, append = false;
    std::optional<std::string> name, to, id, type, label, sameAs, size, format;
    std::optional<std::uint16_t> start;
    int tracks = 0;                                 // 0: not given
    std::optional<std::string> png, charset, scale; // dir --png
    std::optional<std::string> partition;           // dir --partition
};

using Handler = int (*)(Invocation&);

// --- Helpers ----------------------------------------------------------------

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// A disk text as the user sees it: through the display table, or raw.
std::string DiskText(const Invocation& inv, const std::string& bytes) {
    return inv.raw ? bytes : PetsciiToUtf8(bytes);
}

// A directory grid row: its cells joined by TAB.  Only the name (column 2)
// holds disk bytes; the numbers, types and TT,SS are plain ASCII already.
std::string JoinCells(const Invocation& inv, const DirCells& cells) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c) line += '\t';
        line += c == 2 ? DiskText(inv, cells[c]) : cells[c];
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
        throw UsageError{std::string(what) + " must be hex from 0 to " + std::string(maxDigits, 'F') + ": " +
                         text};
    return value;
}

std::uint8_t HexByte(const std::string& text) {
    return static_cast<std::uint8_t>(HexNumber(text, 2, "BYTE"));
}

// An image read whole, with its header, BAM and directory.
struct Image {
    std::string path;
    std::string folder; // "." when the path names none
    std::string fileName;
    DiskImage disk;
    DiskView view;
};

// A file of none of the known sizes is read as the format its extension
// names, as far as it holds blocks; said on stderr.
void WarnUnknownSize(const Invocation& inv, const DiskImage& disk) {
    if (disk.KnownSize() || disk.Format().kind == FormatKind::D64) return;
    inv.err << "dyskel-cli: warning: " << Quoted(disk.Path()) << " is " << disk.FileSize()
            << " bytes long, which is no size of a " << disk.Format().name
            << " image; it is read as far as it "
            << "holds blocks\n";
}

Image OpenImage(const Invocation& inv, const std::string& path, bool deleted = false) {
    Result<DiskImage> disk = DiskImage::Load(path);
    if (!disk) throw CliFailure{disk.Error()};
    WarnUnknownSize(inv, *disk);
    Result<DiskView> view = ReadDiskView(*disk, !deleted && !inv.deleted);
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
    if (inv.dryRun) {
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
    options.backupFiles = inv.backup;
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
            << "Format Designation: " << FormatText(image.disk.Format(), header.doubleSided) << '\n'
            << "Tracks: "
            << (image.disk.Format().kind == FormatKind::D64 ? TrackLimitForSize(image.disk.FileSize())
                                                            : image.disk.Format().tracks)
            << '\n';
    if (image.disk.Format().kind != FormatKind::D64)
        inv.out << "Image Format: " << image.disk.Format().name << '\n';
    return 0;
}

// dir --partition N: the 1581 partition of entry N (numbered as dir numbers
// it) read as a disk of its own.
void EnterPartition(const Invocation& inv, Image& image) {
    if (!inv.partition) return;
    const long n = Number(*inv.partition, "--partition");
    Result<DirListing> listing = ListDirectory(image.disk, !inv.deleted);
    if (!listing) throw CliFailure{listing.Error()};
    const auto count = static_cast<long>(listing->entries.size());
    if (n < 1 || n > count)
        throw CliFailure{"no entry " + std::to_string(n) + " in " + Quoted(image.path) +
                         " (its directory lists " + std::to_string(count) +
                         (count == 1 ? " entry)" : " entries)")};
    Result<DiskImage> part = OpenPartition(image.disk, listing->entries[std::size_t(n - 1)]);
    if (!part) throw CliFailure{part.Error()};
    Result<DiskView> view = ReadDiskView(*part, !inv.deleted);
    if (!view) throw CliFailure{view.Error()};
    image.disk = std::move(*part);
    image.view = std::move(*view);
}

// dir --png: the screen the C64 shows after LOAD"$",8 and LIST, as a PNG.
int RunDirPicture(Invocation& inv) {
    if (inv.charset && *inv.charset != "upper" && *inv.charset != "lower")
        throw UsageError{"--charset must be upper or lower: " + *inv.charset};
    const long scale = inv.scale ? Number(*inv.scale, "--scale", false, 16) : 1;
    if (scale < 1) throw UsageError{"--scale must be a number from 1 to 16: " + *inv.scale};
    Image image = OpenImage(inv, inv.args[0], true);
    EnterPartition(inv, image);
    const C64Charset set = inv.charset == "lower" ? C64Charset::Lower : C64Charset::Upper;
    Result<C64Screen> screen = DirectoryScreen(image.disk, set);
    if (!screen) throw CliFailure{screen.Error()};
    Result<std::string> png = EncodePng(DrawScreen(*screen, static_cast<int>(scale)));
    if (!png) throw CliFailure{png.Error()};
    const std::string failed = fileio::WriteWholeFile(*inv.png, *png);
    if (!failed.empty()) throw CliFailure{failed};
    return 0;
}

int RunDir(Invocation& inv) {
    if (inv.png) return RunDirPicture(inv);
    if (inv.charset || inv.scale) throw UsageError{"--charset and --scale go with --png"};
    Image image = OpenImage(inv, inv.args[0]);
    EnterPartition(inv, image);
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
    const DiskFormat& f = image.disk.Format();
    const int last = f.kind == FormatKind::D64 ? StdTracks : freeMap.lastBamTrack;
    int rows = 0;
    for (int t = 1; t <= last; ++t) rows = std::max(rows, f.Sectors(t));
    for (int s = 0; s < rows; ++s) {
        std::string line;
        for (int t = 1; t <= last; ++t)
            line += s >= f.Sectors(t)                              ? ' '
                    : t == f.dirTrack                              ? 'T'
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
    if (!disk.Format().Valid(track, sector))
        throw CliFailure{"track " + std::to_string(track) + " has no sector " + std::to_string(sector) +
                         " (sectors 0 to " + std::to_string(disk.Format().Sectors(track) - 1) + ")"};
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
    options.start = inv.start ? inv.start : SysStart(bytes, file->loadAddress);
    options.opcodes = inv.illegal ? OpcodeSet::WithUndocumented : OpcodeSet::Documented;
    options.symbols = inv.symbols;
    const auto cut = [&] {
        if (gathered.cut())
            inv.err << "dyskel-cli: entry " << inv.args[1] << ": " << OneLine(GatherCutLines(gathered, *file))
                    << '\n';
    };
    if (inv.assembly) {
        inv.out << Ca65Source(bytes, file->loadAddress, options);
        cut();
        return 0;
    }
    if (inv.basic) {
        const BasicListing basic = ListBasic(bytes, file->loadAddress);
        if (!inv.raw)
            inv.out << BasicListingUtf8(basic);
        else
            for (const BasicLine& l : basic.lines) inv.out << l.number << ' ' << ListedBytes(l) << '\n';
        if (basic.Broken())
            inv.err << "dyskel-cli: entry " << inv.args[1] << ": " << BasicEndText(basic) << '\n';
        cut();
        return 0;
    }
    Listing6502 listing(*file, inv.text ? ListingMode::Text : ListingMode::Asm, options);
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

// The format of a new image: --format, else the extension (.d71, .d81, any
// case), else D64 of --tracks.
const DiskFormat& NewImageFormat(const Invocation& inv) {
    const DiskFormat* f = nullptr;
    if (inv.format) {
        f = FormatNamed(*inv.format, inv.tracks);
        if (!f) throw UsageError{"--format must be d64, d71 or d81: " + *inv.format};
    } else {
        const DiskFormat& byName = FormatOfExtension(inv.args[0]);
        f = byName.kind == FormatKind::D64 ? FormatNamed("d64", inv.tracks) : &byName;
    }
    if (f->kind != FormatKind::D64 && inv.tracks)
        throw UsageError{std::string("--tracks is for D64 images only; a ") + f->name + " image has " +
                         std::to_string(f->tracks) + " tracks"};
    return *f;
}

int RunNew(Invocation& inv) {
    const DiskFormat& format = NewImageFormat(inv);
    const std::string name = TypedText(inv.args[1], "NAME", 16);
    const std::string id = TypedText(inv.args.size() > 2 ? inv.args[2] : "00", "ID", 2);
    Result<void> made = CreateImageFile(inv.args[0], NewImageBytes(format, name, id));
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

// A host file whose name has characters without a C64 byte gets the name
// proposed for it: said on stderr, so that the user knows it.
void TellProposedName(Invocation& inv, const std::string& path, const HostFileName& host) {
    if (host.changed)
        inv.err << "dyskel-cli: warning: " << path << ": the entry is named \"" << PetsciiToUtf8(host.name)
                << "\" (characters without a C64 byte changed)\n";
}

int RunWrite(Invocation& inv) {
    if (inv.name && inv.args.size() > 2) throw UsageError{"--name takes one FILE"};
    if (inv.replace && inv.keepBoth) throw UsageError{"--replace or --keep-both, not both"};
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
        if (!inv.name) TellProposedName(inv, inv.args[i], *host);
        ImportFile f;
        f.name = inv.name ? TypedText(*inv.name, "NAME", 16) : host->name;
        f.type = type.value_or(host ? host->type : FileType::Prg);
        f.data = HostFile(inv.args[i]);
        f.onClash = inv.replace ? OnClash::Replace : inv.keepBoth ? OnClash::KeepBoth : OnClash::Refuse;
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
                if (imported && (!old || inv.replace))
                    inv.out << JoinCells(inv, DirRowCells(e, int(i) + 1)) << '\n';
            }
            inv.out << after.view.bam.freeBlocks << " BLOCKS FREE\n";
        });
    return 0;
}

// --- Directory art -----------------------------------------------------------

// "dirart export IMAGE" prints the listing as text; "dirart import IMAGE
// FILE" puts a text, a screen grab or raw names onto the directory in one
// write and prints the listing as dir does.
int RunDirart(Invocation& inv) {
    const std::string& action = inv.args[0];
    if (action != "export" && action != "import")
        throw UsageError{"the action is export or import: " + action};
    if ((action == "export") != (inv.args.size() == 2))
        throw UsageError{action == "export" ? "export takes IMAGE alone" : "import takes IMAGE and FILE"};
    if (inv.append && action == "export") throw UsageError{"--append is for import"};
    Image image = OpenImage(inv, inv.args[1]);
    if (action == "export") {
        const DiskFormat& f = image.disk.Format();
        Result<Block> header = image.disk.ReadBlock({f.dirTrack, f.headerSector});
        if (!header) throw CliFailure{header.Error()};
        inv.out << DirArtText(*header, image.view.dir.entries, f.labelOffset);
        return 0;
    }
    const std::string& file = inv.args[2];
    Result<DirArtImport> art = ReadDirArtFile(file, HostFile(file), image.view.dir.entries,
                                              DirectoryCapacity(image.disk).entries, inv.append);
    if (!art) throw CliFailure{Quoted(file) + ": " + art.Error()};
    if (Write(inv, image, ArrangeDirectory(art->order, art->label)))
        AfterWrite([&] {
            Image after = OpenImage(inv, image.path);
            inv.out << DiskText(inv, after.view.header.label) << '\n';
            int n = 0;
            for (const DirEntry& entry : after.view.dir.entries)
                inv.out << JoinCells(inv, DirRowCells(entry, ++n)) << '\n';
            inv.out << JoinCells(inv, FreeRowCells(after.view.bam.freeBlocks)) << '\n';
        });
    return 0;
}

// A CSV field (RFC 4180): quoted, with its quotes doubled, when it holds a
// comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string field = "\"";
    for (char c : text) field += c == '"' ? "\"\"" : std::string(1, c);
    return field + '"';
}

// One image's findings counted by kind.
std::array<int, FindingKinds> CountFindings(const ValidationReport& report) {
    std::array<int, FindingKinds> counts{};
    for (const Finding& f : report.findings) ++counts[std::size_t(f.kind)];
    return counts;
}

int RunValidate(Invocation& inv) {
    const bool several = inv.args.size() > 1, csv = inv.csv;
    if (inv.fix && several) throw UsageError{"--fix takes one IMAGE"};
    if (csv) {
        inv.out << "image,findings";
        for (int k = 0; k < FindingKinds; ++k) inv.out << ',' << FindingKindName(FindingKind(k));
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
            inv.out << CsvField(path) << ',' << report->findings.size();
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
    if (inv.fix) {
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
    if (!inv.unsorted) SortImages(images, "NAME");
    const bool details = !inv.noDetails;
    std::string line;
    for (const ImageEntry& entry : images) {
        const auto cells = ImageRowCells(folder, entry, details);
        line.clear();
        for (std::size_t c = 1; c < cells.size(); ++c) {
            if (c > 1) line += '\t';
            line += c == 4 ? DiskText(inv, cells[c]) : cells[c]; // the label is disk bytes
        }
        line += '\n';
        inv.out << line;
    }
    return 0;
}

// A search of a large collection holds a few megabytes at once: the index's
// values, the facts of every image, the tables of duplicates.  Taken page by
// page, each 4 KiB costs a page fault, which costs more than the work done
// with it.  The heap is given room up front, marked for huge pages and kept
// when freed, so that it grows a 2 MiB page at a time; room that is never
// touched costs nothing.
void ReserveHeap() {
    constexpr std::size_t Room = std::size_t(24) << 20;
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20); // the most it takes
    ::mallopt(M_TRIM_THRESHOLD, int(2 * Room));
    void* room = std::malloc(Room);
    if (!room) return;
    const auto page = std::uintptr_t(2) << 20;
    const auto first = (reinterpret_cast<std::uintptr_t>(room) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(room) + Room) & ~(page - 1);
    if (end > first) (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    std::free(room);
}

// The search index, loaded only now so that no other command maps SQLite; or
// none (with a warning) when the module or its file cannot be opened: the
// index only spares reading images again, so the search goes on without it.
std::unique_ptr<FactsCache> OpenCache(Invocation& inv) {
    ReserveHeap();
    Result<std::unique_ptr<IndexStore>> index = OpenIndexModule(FactsCache::DefaultFile());
    if (index) return std::make_unique<FactsCache>(std::move(*index));
    inv.err << "dyskel-cli: warning: " << index.Error() << "; every image is read\n";
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
    query.recursive = inv.recursive;
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
        FindDuplicates(inv.args, inv.recursive, NoteEvents(inv), nullptr, cache.get());
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

// --- The command line -------------------------------------------------------

// Declares a command's arguments and options, each once: its name, its help
// text, the field of the Invocation it fills and the check of its value.  Only
// the command that runs declares them, and the others are made only for the
// overview: declaring costs start-up time.
class Command {
  public:
    Command(CLI::App& app, Invocation& inv, const char* name, const char* summary, const char* example,
            Handler run, bool declared, bool listed)
        : name_(name), app_(listed || declared ? app.add_subcommand(name, summary) : nullptr), inv_(inv),
          run_(run), declared_(declared) {
        if (app_) app_->group("Commands");
        if (declared_) app_->footer(std::string("Example:\n  ") + example);
    }

    // An argument; min 0 makes it optional, max -1 takes any number.
    Command& Arg(const char* name, const char* help, int min = 1, int max = 1) {
        if (!declared_) return *this;
        std::vector<std::string>& slot = slots_.emplace_back();
        CLI::Option* opt = app_->add_option(name, slot, help)->type_name("")->required(min > 0);
        opt->expected(1, max < 0 ? CLI::detail::expected_max_vector_size : max)->allow_extra_args(max != 1);
        return *this;
    }
    Command& Flag(const char* name, bool Invocation::*field, const char* help) {
        if (declared_) app_->add_flag(name, inv_.*field, help);
        return *this;
    }
    Command& Value(const char* name, std::optional<std::string> Invocation::*field, const char* type,
                   const char* help) {
        if (declared_)
            app_->add_option_function<std::string>(
                    name, [this, field](const std::string& v) { inv_.*field = v; }, help)
                ->type_name(type)
                ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast); // the last one counts
        return *this;
    }
    // A hex number of up to maxDigits digits, with or without "$" or "0x".
    Command& Hex(const char* name, std::optional<std::uint16_t> Invocation::*field, std::size_t maxDigits,
                 const char* type, const char* help) {
        if (declared_)
            app_->add_option_function<std::string>(
                    name,
                    [this, field, name, maxDigits](const std::string& v) {
                        inv_.*field = static_cast<std::uint16_t>(HexNumber(v, maxDigits, name));
                    },
                    help)
                ->type_name(type)
                ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        return *this;
    }
    Command& OneOf(const char* name, int Invocation::*field, std::vector<int> allowed, const char* type,
                   const char* help) {
        if (declared_)
            app_->add_option(name, inv_.*field, help)
                ->type_name(type)
                ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
                ->check(CLI::IsMember(allowed).description(""));
        return *this;
    }

    Command& Raw() {
        return Flag("--raw", &Invocation::raw, "print disk texts as their bytes, not as UTF-8");
    }
    Command& Writes() {
        return Flag("--backup", &Invocation::backup,
                    "keep the image as it was beside it (DEMO.BAK for DEMO.D64)")
            .Flag("--dry-run", &Invocation::dryRun,
                  "print the blocks (TT,SS) that would change; write nothing");
    }

    bool Named(const std::string& name) const { return name_ == name; }
    bool Chosen() const { return declared_ && app_->parsed(); }
    int Run() {
        for (const auto& slot : slots_) inv_.args.insert(inv_.args.end(), slot.begin(), slot.end());
        return run_(inv_);
    }

  private:
    std::string name_;
    CLI::App* app_; // none when neither declared nor listed
    Invocation& inv_;
    Handler run_;
    bool declared_;
    std::deque<std::vector<std::string>> slots_; // the arguments, in their order
};

constexpr const char* Notes =
    "ENTRY is the entry's number in the directory listing, from 1.  Disk texts are\n"
    "shown through the C64 character table as UTF-8; --raw prints their bytes.\n"
    "Exit status: 0 success, 1 failure, 2 a wrong command line.\n"
    "Run \"dyskel-cli COMMAND --help\" for a command's options and an example.";

// Every command of dyskel-cli, with what it takes: the chosen one declared
// whole, or all of them listed when none is chosen.
void Declare(CLI::App& app, Invocation& inv, const std::string& chosen, std::deque<Command>& commands) {
    const auto add = [&](const char* name, const char* summary, const char* example,
                         Handler run) -> Command& {
        return commands.emplace_back(app, inv, name, summary, example, run, name == chosen, chosen.empty());
    };
    const char* image = "the disk image (.D64, .D71 or .D81)";
    const char* entry = "the entry's number in the directory listing, from 1";
    const char* types = "DEL, SEQ, PRG, USR or REL";
    using I = Invocation;

    add("info", "facts of the image", "dyskel-cli info DEMO.D64", RunInfo).Raw().Arg("IMAGE", image);
    add("dir", "the directory as the C64 lists it", "dyskel-cli dir --deleted DEMO.D64", RunDir)
        .Raw()
        .Flag("--deleted", &I::deleted, "list scratched entries too, numbered, ending in \"scratched\"")
        .Value("--png", &I::png, "FILE", "write the screen the C64 shows after LOAD\"$\",8 and LIST as a PNG")
        .Value("--charset", &I::charset, "SET", "with --png: upper (upper case and graphics) or lower")
        .Value("--scale", &I::scale, "N", "with --png: pixels a C64 pixel, from 1 to 16 (default: 1)")
        .Value("--partition", &I::partition, "N",
               "list the 1581 partition of entry N (type CBM, laid out as a sub-directory) as a disk")
        .Arg("IMAGE", image);
    add("bam", "the block availability map", "dyskel-cli bam DEMO.D64", RunBam).Arg("IMAGE", image);
    add("block", "one block in hex and characters", "dyskel-cli block DEMO.D64 18 0", RunBlock)
        .Raw()
        .Arg("IMAGE", image)
        .Arg("TRACK", "the track, from 1")
        .Arg("SECTOR", "the sector, from 0");
    add("list", "a PRG entry as 6502 code, hex and text, BASIC V2 lines or ca65 source",
        "dyskel-cli list --start 080D DEMO.D64 1", RunList)
        .Flag("--text", &I::text, "hex and text instead of 6502 code")
        .Flag("--basic", &I::basic, "the BASIC V2 lines as the C64's LIST shows them")
        .Flag("--asm", &I::assembly, "ca65 source that assembles back to the same file")
        .Hex("--start", &I::start, 4, "ADDR",
             "where the 6502 code starts, hex from 0 to FFFF (default: the SYS line's address)")
        .Flag("--symbols", &I::symbols, "name the C64's addresses")
        .Flag("--illegal", &I::illegal, "name the undocumented opcodes")
        .Raw()
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry);
    add("export", "write a PRG entry as NAME.PRG", "dyskel-cli export --to=out DEMO.D64 1", RunExport)
        .Value("--name", &I::name, "NAME", "the file's name, without .PRG (default: the entry's name)")
        .Value("--to", &I::to, "DIR", "the folder to write to (default: the image's)")
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry);
    add("dump", "write an entry's blocks as a hex dump text", "dyskel-cli dump DEMO.D64 5", RunDump)
        .Value("--to", &I::to, "DIR", "the folder to write to (default: the image's)")
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry);
    add("rename", "rename an entry", "dyskel-cli rename --backup DEMO.D64 8 'big demo'", RunRename)
        .Writes()
        .Raw()
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry)
        .Arg("NEWNAME", "the new name, up to 16 characters");
    add("delete", "scratch an entry and free its blocks", "dyskel-cli delete DEMO.D64 6", RunDelete)
        .Writes()
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry);
    add("lock", "set the lock mark", "dyskel-cli lock DEMO.D64 1",
        [](Invocation& i) { return RunLock(i, true); })
        .Writes()
        .Raw()
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry);
    add("unlock", "clear the lock mark", "dyskel-cli unlock DEMO.D64 3",
        [](Invocation& i) { return RunLock(i, false); })
        .Writes()
        .Raw()
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry);
    add("type", "set the file type", "dyskel-cli type DEMO.D64 7 SEQ", RunType)
        .Writes()
        .Raw()
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry)
        .Arg("TYPE", types);
    add("size", "set the size shown", "dyskel-cli size DEMO.D64 8", RunSize)
        .Writes()
        .Raw()
        .Arg("IMAGE", image)
        .Arg("ENTRY", entry)
        .Arg("BLOCKS", "the blocks, from 0 to 65535 (default: the chain's length)", 0);
    add("undelete", "take a scratched entry back", "dyskel-cli undelete DEMO.D64 9 PRG", RunUndelete)
        .Writes()
        .Raw()
        .Arg("IMAGE", image)
        .Arg("ENTRY", "the entry's number as dir --deleted numbers it")
        .Arg("TYPE", "DEL, SEQ, PRG, USR or REL (default: PRG)", 0);
    add("clear", "format track 18 afresh", "dyskel-cli clear --name=work --id=w1 WORK.D64", RunClear)
        .Writes()
        .Raw()
        .Value("--name", &I::name, "NAME", "the disk name, up to 16 characters (default: the one it has)")
        .Value("--id", &I::id, "ID", "the disk ID, up to 2 characters (default: the one it has)")
        .Arg("IMAGE", image);
    add("poke", "change bytes of a block", "dyskel-cli poke DEMO.D64 18 0 $A2 44 59", RunPoke)
        .Writes()
        .Raw()
        .Arg("IMAGE", image)
        .Arg("TRACK", "the track, from 1")
        .Arg("SECTOR", "the sector, from 0")
        .Arg("OFFSET", "the first byte's place in the block, 0 to 255 (hex after $ or 0x)")
        .Arg("BYTE", "the bytes, hex from 0 to FF", 1, -1);
    add("new", "write a freshly formatted image", "dyskel-cli new --tracks 40 WORK.D64 'work disk' w1",
        RunNew)
        .Value("--format", &I::format, "d64|d71|d81",
               "the image format (default: by the extension, .d71 or .d81, else d64)")
        .OneOf("--tracks", &I::tracks, {StdTracks, MaxTracks}, "35|40",
               "the tracks of a D64 image (default: 35)")
        .Raw()
        .Arg("IMAGE", "the image file to make; an existing one is never replaced")
        .Arg("NAME", "the disk name, up to 16 characters")
        .Arg("ID", "the disk ID, up to 2 characters (default: 00)", 0);
    add("write", "write host files onto the disk as new entries",
        "dyskel-cli write WORK.D64 intro.prg notes.seq", RunWrite)
        .Writes()
        .Raw()
        .Flag("--replace", &I::replace, "replace an entry of the same name")
        .Flag("--keep-both", &I::keepBoth, "write under a name made unique")
        .Value("--type", &I::type, "TYPE", "PRG, SEQ or USR (default: from the file's name)")
        .Value("--name", &I::name, "NAME", "the entry's name, for one FILE (default: from the file's name)")
        .Arg("IMAGE", image)
        .Arg("FILE", "the host files", 1, -1);
    add("dirart", "the listing as text, and directory art put onto the disk",
        "dyskel-cli dirart export DEMO.D64 > art.txt; dyskel-cli dirart import DEMO.D64 art.txt", RunDirart)
        .Writes()
        .Raw()
        .Flag("--append", &I::append, "add every name of a screen grab or raw file as a separator")
        .Arg("ACTION", "export (the text on stdout) or import")
        .Arg("IMAGE", image)
        .Arg("FILE", "for import: the text, a screen grab (.prg) or a raw file of 16-byte names", 0);
    add("validate", "check chains, directory and BAM; exit 1 when an image is not clean",
        "dyskel-cli validate --csv *.D64 > report.csv", RunValidate)
        .Flag("--fix", &I::fix, "rewrite the BAM from what the files own (one IMAGE)")
        .Writes()
        .Flag("--csv", &I::csv, "one CSV row a image: path, findings, then the count of each kind")
        .Raw()
        .Arg("IMAGE", "the disk images", 1, -1);
    add("scan", "the D64 images of a folder", "dyskel-cli scan --no-details ~/c64", RunScan)
        .Flag("--unsorted", &I::unsorted, "in the folder's order, not by name")
        .Flag("--no-details", &I::noDetails, "without the facts read from each image")
        .Raw()
        .Arg("FOLDER", "the folder");
    add("find", "entries of the images of the folders", "dyskel-cli find --recursive --name='SINE*' ~/c64",
        RunFind)
        .Flag("--recursive", &I::recursive, "the folders below too")
        .Value("--name", &I::name, "PATTERN", "the entry's name, with C64 wildcards (? one character, * any)")
        .Value("--label", &I::label, "PATTERN", "the disk label, with C64 wildcards")
        .Value("--type", &I::type, "TYPE", types)
        .Value("--size", &I::size, "MIN-MAX", "the blocks shown: N, MIN-MAX, MIN- or -MAX, from 0 to 65535")
        .Value("--same-as", &I::sameAs, "FILE", "only files whose data bytes are those of FILE")
        .Raw()
        .Arg("FOLDER", "the folders", 1, -1);
    add("dupes", "identical files and identical disks", "dyskel-cli dupes --recursive ~/c64", RunDupes)
        .Flag("--recursive", &I::recursive, "the folders below too")
        .Raw()
        .Arg("FOLDER", "the folders", 1, -1);
    add("op", "one 6502 instruction", "dyskel-cli op A9 0A", RunOp)
        .Arg("BYTE", "the opcode and up to two operand bytes, hex from 0 to FF", 1, 3);
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Invocation inv{out, err};
    std::string hint = "dyskel-cli --help"; // where the help of the command is
    try {
        const std::string first = argc > 1 ? argv[1] : "";
        if (first == "--version") {
            out << "dyskel-cli " DYSKEL_VERSION "\n";
            return 0;
        }
        CLI::App app("dyskel-cli: the Dyskel disk image engine and 6502 disassembler on the command line.",
                     "dyskel-cli");
        app.require_subcommand(1);
        app.set_help_flag("-h,--help", "print this help and exit");
        app.get_formatter()->label("SUBCOMMAND", "COMMAND");
        app.get_formatter()->label("Positionals", "Arguments");
        app.add_flag("--version")->description("print the version and exit");
        app.footer(Notes);
        std::deque<Command> commands;
        Declare(app, inv, first.starts_with('-') || first == "help" ? "" : first, commands);
        if (argc < 2) throw UsageError{"no command"};
        if (first == "help") {
            out << app.help();
            return 0;
        }
        if (!first.starts_with('-')) {
            if (std::none_of(commands.begin(), commands.end(),
                             [&](const Command& c) { return c.Named(first); }))
                throw UsageError{"unknown command " + first};
            hint = "dyskel-cli " + first + " --help";
        }
        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            // CLI11's own exit codes: Success for a call for help (the help of
            // the command it follows), any other for a wrong command line.
            if (e.get_exit_code() != static_cast<int>(CLI::ExitCodes::Success)) throw UsageError{e.what()};
            out << app.help();
            return 0;
        }
        for (Command& c : commands)
            if (c.Chosen()) {
                const int rc = c.Run();
                out.flush();
                return rc;
            }
        throw UsageError{"no command"};
    } catch (const UsageError& e) {
        err << "dyskel-cli: " << e.message << "\nRun \"" << hint << "\" for more.\n";
        return 2;
    } catch (const CliFailure& e) {
        out.flush();
        err << "dyskel-cli: " << e.message << '\n';
        return 1;
    }
}

} // namespace
} // namespace dyskel

namespace {

// A command lists a disk in a millisecond or two, and most of that is the
// start of the process: each 4 KiB of the program's code and constants is
// mapped by a page fault the first time it runs.  Mapping the program's
// read-only segments in one call costs a fraction of those faults.  Runs
// before the other constructors of the program (the C++ runtime's among
// them).
int MapProgramSegment(dl_phdr_info* info, std::size_t, void*) {
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) != 0) continue;
        const std::uintptr_t start = (info->dlpi_addr + segment.p_vaddr) & ~(page - 1);
        const std::uintptr_t end = info->dlpi_addr + segment.p_vaddr + segment.p_memsz;
#ifdef MADV_POPULATE_READ
        (void)::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_READ);
#endif
    }
    return 1; // the program is the first object listed
}

__attribute__((constructor(101))) void MapProgram() {
    ::dl_iterate_phdr(MapProgramSegment, nullptr);
}

} // namespace

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
