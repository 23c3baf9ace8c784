// libFuzzer target for the engine: any bytes as an image, through every read
// path and, in memory, through the edits of the write path.  An edit that
// succeeds on a damaged image must leave Validate nothing new to find.
#include "core/DirArt.h"
#include "core/Directory.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/FileChain.h"
#include "core/Validate.h"
#include "disasm/Listing6502.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <tuple>

using namespace dyskel;

namespace {

// A finding as a key that does not change with the listing's numbering: a
// finding about one entry names it by its place on track 18; one about a
// block by the block alone (which entry the report names first may change).
using Key = std::tuple<int, int, int, int>;

Key KeyOf(const ValidationReport& r, const Finding& f) {
    const bool ofEntry = f.kind == FindingKind::ChainLoop || f.kind == FindingKind::ChainBadLink ||
                         f.kind == FindingKind::SizeMismatch;
    const DirEntry* e = ofEntry && f.entry > 0 ? &r.entries[std::size_t(f.entry - 1)] : nullptr;
    return {int(f.kind), f.block.track * 32 + f.block.sector, e ? e->sector : -1, e ? e->offset : -1};
}

std::set<Key> Keys(const ValidationReport& r) {
    std::set<Key> keys;
    for (const Finding& f : r.findings) keys.insert(KeyOf(r, f));
    return keys;
}

// Plans the edit, applies it to a copy and validates again: a finding that
// was not there before ends the run.
void Check(const DiskImage& image, const std::set<Key>& before, const char* what, const ImageEdit& edit,
           bool mustAddNothing = true) {
    Result<EditPlan> plan = edit(image);
    if (!plan) return;
    DiskImage copy = image;
    for (const BlockChange& c : plan->changes) copy.PutBlock(c.at, c.bytes);
    (void)ReadDiskView(copy, false);
    Result<ValidationReport> after = ValidateImage(copy);
    if (!after || !mustAddNothing) return;
    for (const Finding& f : after->findings)
        if (!before.count(KeyOf(*after, f))) {
            std::fprintf(stderr, "%s added a finding: %s\n", what, FindingText(*after, f).c_str());
            std::abort();
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto file = std::make_unique<FileBuffer6502>();
    DiskImage image = DiskImage::FromBytes("FUZZ.D64", std::vector<std::uint8_t>(data, data + size));
    for (bool ignoreDeleted : {true, false}) {
        Result<DiskView> view = ReadDiskView(image, ignoreDeleted);
        if (!view) continue;
        int n = 0;
        for (const DirEntry& entry : view->dir.entries) {
            (void)DirRowCells(entry, ++n);
            (void)ExportBaseName(entry);
            (void)HexDumpFileName(entry);
            (void)BuildHexDump(image, entry);
            GatherResult g = GatherFile6502(image, entry.first, *file);
            Listing6502 listing(*file, ListingMode::Asm);
            for (int r = 0; r < listing.RowCount() && r < 64; ++r)
                for (int c = 0; c < listing.ColumnCount(); ++c) (void)listing.Cell(r, c);
            (void)g;
        }
    }
    (void)FixBam()(image);
    Result<ValidationReport> report = ValidateImage(image);
    if (!report) return 0;
    for (const Finding& f : report->findings) (void)FindingText(*report, f);
    for (int t = 1; t <= MaxTracks; ++t)
        for (int s = 0; s < SectorsPerTrack(t); ++s) (void)OwnerText(*report, {t, s});
    (void)ValidationSummary(*report);

    // One edit on one entry of the full listing, picked by the image's last
    // byte (an error byte, or a byte of track 35 or 40 that files seldom use).
    const std::set<Key> before = Keys(*report);
    const unsigned pick = size ? data[size - 1] : 0;
    Result<DirListing> listing = ListDirectory(image, false);
    if (pick % 16 == 0 || !listing || listing->entries.empty()) {
        Check(image, before, "clear", ClearImage());
        Check(
            image, before, "write",
            ImportEntries(
                {{"FUZZ", FileType::Prg, std::vector<std::uint8_t>(size % 2000, 0x55), OnClash::KeepBoth},
                 {"FUZZ2", FileType::Seq, std::vector<std::uint8_t>(size % 300, 0x33), OnClash::KeepBoth}}));
        return 0;
    }
    const DirEntry& entry = listing->entries[(pick / 16) % listing->entries.size()];
    if (entry.Scratched()) {
        Check(image, before, "undelete PRG", UndeleteEntry(entry, FileType::Prg));
        Check(image, before, "undelete REL", UndeleteEntry(entry, FileType::Rel));
        return 0;
    }
    // The bytes as directory art too: a text, a screen grab, raw names.
    const std::vector<std::uint8_t> bytes(data, data + size);
    for (const char* name : {"ART.TXT", "ART.PRG", "ART.BIN"})
        if (Result<DirArtImport> art =
                ReadDirArtFile(name, bytes, listing->entries, DirectoryCapacity(image).entries, false))
            Check(image, before, "dirart import", ArrangeDirectory(art->order, art->label), false);
    switch (pick % 16) {
    case 11: // entries change slots, so a finding of one is keyed anew
        Check(image, before, "insert separator", InsertSeparator(listing->entries, pick / 16), false);
        break;
    case 12:
        Check(image, before, "move down",
              MoveEntry(listing->entries, (pick / 16) % listing->entries.size(), 1), false);
        break;
    case 1:
        Check(image, before, "delete", DeleteEntry(entry));
        break;
    case 2:
        Check(image, before, "rename", RenameEntry(entry, PaddedName("FUZZ")));
        break;
    case 3:
        Check(image, before, "lock", SetEntryLocked(entry, true));
        break;
    case 4:
        Check(image, before, "unlock", SetEntryLocked(entry, false));
        break;
    case 5:
        if (const int length = ChainLength(image, entry); length <= 0xFFFF)
            Check(image, before, "size", SetEntrySize(entry, std::uint16_t(length)));
        break;
    case 6:
    case 7:
    case 8:
        Check(image, before, "type", SetEntryType(entry, FileType(pick % 16 - 5)));
        break;
    case 9:
    case 10: // DEL and REL may rightly add findings (an unclosed file, a side-sector chain read anew)
        Check(image, before, "type DEL/REL",
              SetEntryType(entry, pick % 16 == 9 ? FileType::Del : FileType::Rel), false);
        break;
    default:
        Check(image, before, "write --replace",
              ImportEntry({entry.Name(), FileType::Prg, std::vector<std::uint8_t>(size % 700, 0x55),
                           OnClash::Replace}));
    }
    return 0;
}
