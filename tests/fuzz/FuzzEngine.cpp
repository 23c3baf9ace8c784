// libFuzzer target for the engine: any bytes as an image, through every read
// path and, in memory, through the edits of the write path.
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/FileChain.h"
#include "core/Validate.h"
#include "disasm/Listing6502.h"

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace dyskel;

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
            // The edits, applied to a copy in memory as the write path would.
            for (const ImageEdit& edit :
                 {DeleteEntry(entry), SetEntryType(entry, FileType::Usr), SetEntryLocked(entry, true),
                  RenameEntry(entry, PaddedName("FUZZ"))}) {
                DiskImage copy = image;
                Result<EditPlan> plan = edit(copy);
                if (!plan) continue;
                for (const BlockChange& c : plan->changes) copy.PutBlock(c.at, c.bytes);
                (void)ReadDiskView(copy, ignoreDeleted);
            }
        }
    }
    Result<EditPlan> cleared = ClearImage()(image);
    (void)cleared;
    // Validate with every block's owner and hint, its fix, and a file
    // written in.
    if (Result<ValidationReport> report = ValidateImage(image)) {
        for (const Finding& f : report->findings) (void)FindingText(*report, f);
        for (int t = 1; t <= MaxTracks; ++t)
            for (int s = 0; s < SectorsPerTrack(t); ++s) (void)OwnerText(*report, {t, s});
        (void)ValidationSummary(*report);
    }
    Result<EditPlan> fixed = FixBam()(image);
    (void)fixed;
    Result<EditPlan> imported = ImportEntry(
        {"FUZZ", FileType::Prg, std::vector<std::uint8_t>(size % 2000, 0x55), OnClash::Replace})(image);
    (void)imported;
    return 0;
}
