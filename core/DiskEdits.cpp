#include "core/DiskEdits.h"

#include "core/Directory.h"
#include "core/FileChain.h"
#include "core/Petscii.h"
#include "core/Validate.h"

#include <algorithm>
#include <bit>
#include <bitset>

namespace dyskel {

namespace {

Failure Changed() {
    return {"The directory entry is no longer on the disk as it was listed (the image was changed "
            "elsewhere); nothing was written."};
}

// The header block and the directory block that holds the entry, checked to
// still hold the entry as it was listed (type byte, first block, name).
struct EntryBlocks {
    Bam bam;
    Block dirBlock;
    std::size_t offset = 0; // of the entry in dirBlock
};

Result<EntryBlocks> ReadEntryBlocks(const DiskImage& image, const DirEntry& entry) {
    Result<Bam> bam = ReadBam(image);
    if (!bam) return Failure{bam.Error() + " Nothing was written."};
    if (entry.sector < image.Format().firstDirSector || entry.offset % DirEntrySize != 0)
        return Failure{Changed()};
    Result<Block> dir = image.ReadBlock({image.Format().dirTrack, entry.sector});
    if (!dir) return Failure{dir.Error() + " Nothing was written."};
    DirEntry now = DecodeDirEntry(*dir, entry.sector, entry.offset);
    if (now.typeByte != entry.typeByte || now.first != entry.first || now.name != entry.name)
        return Failure{Changed()};
    return EntryBlocks{*bam, *dir, entry.offset};
}

// Changes the entry's bytes in blocks.dirBlock (and the BAM in
// blocks.header); may refuse, and may add to the plan's question and notes.
using EntryPatch = std::function<Result<void>(const DiskImage& image, EntryBlocks& blocks, EditPlan& plan)>;

ImageEdit EntryEdit(const DirEntry& entry, EntryPatch patch) {
    return [entry, patch = std::move(patch)](const DiskImage& image) -> Result<EditPlan> {
        Result<EntryBlocks> blocks = ReadEntryBlocks(image, entry);
        if (!blocks) return Failure{blocks.Error()};
        const Bam bam = blocks->bam;
        EditPlan plan;
        if (Result<void> done = patch(image, *blocks, plan); !done) return Failure{done.Error()};
        PutChange(plan.changes, {image.Format().dirTrack, entry.sector}, blocks->dirBlock);
        if (blocks->bam.bytes != bam.bytes) PutBam(plan.changes, image, blocks->bam);
        return plan;
    };
}

// An edit that only sets bytes of the entry.
ImageEdit EntryBytesEdit(const DirEntry& entry, std::function<void(EntryBlocks& blocks)> set) {
    return EntryEdit(entry,
                     [set = std::move(set)](const DiskImage&, EntryBlocks& b, EditPlan&) -> Result<void> {
                         set(b);
                         return {};
                     });
}

std::string Quote(const std::string& name) {
    return "\"" + PetsciiToUtf8(name) + "\"";
}

// A live entry renamed to the name of another live one is allowed, as the
// drive allows it; LOAD finds the first of them in the directory.
std::optional<std::string> SameNameNote(const DiskImage& image, const DirEntry& renamed) {
    Result<DirListing> listing = ListDirectory(image, true);
    if (!listing) return std::nullopt;
    for (const DirEntry& other : listing->entries)
        if ((other.sector != renamed.sector || other.offset != renamed.offset) &&
            other.Name() == renamed.Name())
            return "Another entry is named " + Quote(renamed.Name()) +
                   " too: the C64 loads the first of them.";
    return std::nullopt;
}

std::string Names(const ValidationReport& report, int claimant) {
    return OwnerName(report, claimant, [](const std::string& b) { return PetsciiToUtf8(b); });
}

// Validate's report of the image, which must read.
Result<ValidationReport> Report(const DiskImage& image) {
    Result<ValidationReport> report = ValidateImage(image);
    if (!report) return Failure{report.Error() + " Nothing was written."};
    return report;
}

// The entry's blocks: the report's when it lists the entry, else walked.
std::vector<BlockAddress> BlocksOf(const DiskImage& image, const ValidationReport& report,
                                   const DirEntry& entry) {
    const int row = report.Row(entry);
    return row && report.entries[std::size_t(row - 1)].typeByte == entry.typeByte
               ? report.entryBlocks[std::size_t(row - 1)]
               : EntryBlocksOf(image, entry).blocks;
}

// A set of blocks.
class Marks {
  public:
    Marks() = default;
    explicit Marks(const std::vector<BlockAddress>& blocks) {
        for (BlockAddress at : blocks) Add(at);
    }
    bool Has(BlockAddress at) const {
        return AnyFormatBlock(at.track, at.sector) && bits_[std::size_t(at.track)][std::size_t(at.sector)];
    }
    // True when the block was not in the set yet.
    bool Add(BlockAddress at) {
        if (!AnyFormatBlock(at.track, at.sector) || Has(at)) return false;
        bits_[std::size_t(at.track)].set(std::size_t(at.sector));
        return true;
    }

  private:
    BlockSet bits_{};
};

// The other owners of the entry's blocks, each with the number of blocks
// shared with it, in the order met.
std::vector<std::pair<int, int>> SharedWith(const ValidationReport& report, int row,
                                            const std::vector<BlockAddress>& blocks) {
    std::vector<std::pair<int, int>> shared;
    Marks seen;
    for (BlockAddress at : blocks) {
        if (!seen.Add(at)) continue;
        for (int o : report.OtherOwners(at, row)) {
            auto it = std::find_if(shared.begin(), shared.end(), [o](const auto& p) { return p.first == o; });
            if (it == shared.end())
                shared.push_back({o, 1});
            else
                ++it->second;
        }
    }
    return shared;
}

Failure ScratchMark(const DirEntry& entry) {
    return {"The type byte of " + Quote(entry.Name()) +
            " would become 0, the mark of a scratched entry; Delete scratches a file. Nothing was written."};
}

} // namespace

void PutBam(ChangeSet& changes, const DiskImage& image, const Bam& bam) {
    for (int i = 0; i < bam.BlockCount(); ++i)
        if (image.HoldsBlock(bam.At(i))) PutChange(changes, bam.At(i), bam.BlockAt(i));
}

int FreeEntryBlocks(Bam& bam, const ValidationReport& report, const DirEntry& entry,
                    const std::vector<BlockAddress>& blocks, std::vector<std::string>& notes) {
    const int row = report.Row(entry);
    int freed = 0;
    Marks seen;
    for (BlockAddress at : blocks) {
        if (!report.OtherOwners(at, row).empty() || !seen.Add(at)) continue;
        ++freed;
        if (at.track <= report.lastBamTrack) SetBamBlockFree(bam, at, true);
    }
    for (auto [other, n] : SharedWith(report, row, blocks))
        notes.push_back(Quote(entry.Name()) + " was cross-linked with " + Names(report, other) + "; the " +
                        (n == 1 ? "block they share stays" : std::to_string(n) + " blocks they share stay") +
                        " allocated.");
    return freed;
}

ImageEdit RenameEntry(const DirEntry& entry, const std::array<std::uint8_t, 16>& name) {
    return EntryEdit(
        entry, [entry, name](const DiskImage& image, EntryBlocks& b, EditPlan& plan) -> Result<void> {
            std::copy(name.begin(), name.end(), b.dirBlock.begin() + std::ptrdiff_t(b.offset + 0x05));
            if (!entry.Scratched()) {
                DirEntry renamed = entry;
                renamed.name = name;
                if (std::optional<std::string> note = SameNameNote(image, renamed))
                    plan.notes.push_back(*note);
            }
            return {};
        });
}

ImageEdit DeleteEntry(const DirEntry& entry) {
    if (entry.Locked())
        return [why = "The file \"" + entry.Name() + "\" is locked (write protected); it was not deleted."](
                   const DiskImage&) -> Result<EditPlan> { return Failure{why}; };
    return EntryEdit(entry, [entry](const DiskImage& image, EntryBlocks& b, EditPlan& plan) -> Result<void> {
        Result<ValidationReport> report = Report(image);
        if (!report) return Failure{report.Error()};
        b.dirBlock[b.offset + 0x02] = 0;
        FreeEntryBlocks(b.bam, *report, entry, BlocksOf(image, *report, entry), plan.notes);
        plan.destructive = "Delete " + Quote(entry.Name()) + " (" + BlockCountText(entry.blocks) + ")";
        return {};
    });
}

ImageEdit SetEntryType(const DirEntry& entry, FileType type) {
    return EntryEdit(
        entry, [entry, type](const DiskImage& image, EntryBlocks& b, EditPlan& plan) -> Result<void> {
            if (entry.Scratched())
                return Failure{"The entry " + Quote(entry.Name()) +
                               " is scratched; Undelete takes it back with a type. Nothing was written."};
            DirEntry now = entry;
            now.typeByte = static_cast<std::uint8_t>((entry.typeByte & ~TypeMask) | std::uint8_t(type));
            if (now.typeByte == 0) return ScratchMark(entry);
            if (now.typeByte == entry.typeByte) return {};
            Result<ValidationReport> report = Report(image);
            if (!report) return Failure{report.Error()};
            const int row = report->Row(entry);
            const std::vector<BlockAddress> before = BlocksOf(image, *report, entry);
            const std::vector<BlockAddress> after = EntryBlocksOf(image, now).blocks;
            const Marks owned(before), owns(after);
            std::vector<BlockAddress> dropped, taken;
            for (BlockAddress at : before)
                if (!owns.Has(at)) dropped.push_back(at);
            Marks seen;
            for (BlockAddress at : after)
                if (!owned.Has(at) && seen.Add(at)) taken.push_back(at);
            for (BlockAddress at : taken) {
                std::vector<int> others = report->OtherOwners(at, row);
                if (!others.empty())
                    return Failure{"As " + std::string(FileTypeName(now.typeByte)) + " " +
                                   Quote(entry.Name()) + " would claim block " + BlockText(at) + " of " +
                                   Names(*report, others[0]) + ". Nothing was written."};
                if (at.track <= report->lastBamTrack) SetBamBlockFree(b.bam, at, false);
            }
            const int freed = FreeEntryBlocks(b.bam, *report, entry, dropped, plan.notes);
            b.dirBlock[b.offset + 0x02] = now.typeByte;
            if (entry.blocks == before.size() && after.size() <= 0xFFFF) {
                b.dirBlock[b.offset + 0x1E] = static_cast<std::uint8_t>(after.size() & 0xFF);
                b.dirBlock[b.offset + 0x1F] = static_cast<std::uint8_t>(after.size() >> 8);
            }
            if (freed)
                plan.destructive = "Change " + Quote(entry.Name()) + " from " + FileTypeName(entry.typeByte) +
                                   " to " + FileTypeName(now.typeByte) + ": " +
                                   (entry.TypeCode() == std::uint8_t(FileType::Rel)
                                        ? (freed == 1 ? "its side sector is"
                                                      : "its " + std::to_string(freed) + " side sectors are")
                                        : (freed == 1 ? "1 of its blocks is"
                                                      : std::to_string(freed) + " of its blocks are")) +
                                   " freed";
            return {};
        });
}

ImageEdit UndeleteEntry(const DirEntry& entry, FileType type) {
    return EntryEdit(
        entry, [entry, type](const DiskImage& image, EntryBlocks& b, EditPlan& plan) -> Result<void> {
            if (!entry.Scratched())
                return Failure{"The entry " + Quote(entry.Name()) +
                               " is not scratched. Nothing was written."};
            DirEntry now = entry;
            now.typeByte = static_cast<std::uint8_t>(ClosedBit | std::uint8_t(type));
            const EntryBlockList list = EntryBlocksOf(image, now);
            Marks seen;
            const bool twice = std::any_of(list.blocks.begin(), list.blocks.end(),
                                           [&](BlockAddress at) { return !seen.Add(at); });
            if (list.broken || list.blocks.empty() || twice)
                return Failure{
                    "The block chain of " + Quote(entry.Name()) +
                    " is broken (it loops or leaves the disk); it was not taken back. Nothing was written."};
            Result<ValidationReport> report = Report(image);
            if (!report) return Failure{report.Error()};
            for (BlockAddress at : list.blocks)
                if (std::vector<int> others = report->OtherOwners(at, 0); !others.empty())
                    return Failure{Quote(entry.Name()) + " cannot be taken back: its block " + BlockText(at) +
                                   " is now owned by " + Names(*report, others[0]) +
                                   ". Nothing was written."};
            for (BlockAddress at : list.blocks)
                if (at.track <= report->lastBamTrack) SetBamBlockFree(b.bam, at, false);
            b.dirBlock[b.offset + 0x02] = now.typeByte;
            const std::size_t n = list.blocks.size();
            if (n != entry.blocks && n <= 0xFFFF) {
                b.dirBlock[b.offset + 0x1E] = static_cast<std::uint8_t>(n & 0xFF);
                b.dirBlock[b.offset + 0x1F] = static_cast<std::uint8_t>(n >> 8);
                plan.notes.push_back("The entry said " + BlockCountText(entry.blocks) +
                                     "; its size is now the " + BlockCountText(int(n)) + " it owns.");
            }
            return {};
        });
}

ImageEdit SetEntryLocked(const DirEntry& entry, bool locked) {
    return EntryEdit(entry, [entry, locked](const DiskImage&, EntryBlocks& b, EditPlan&) -> Result<void> {
        std::uint8_t& t = b.dirBlock[b.offset + 0x02];
        const auto now = static_cast<std::uint8_t>(locked ? t | LockBit : t & ~LockBit);
        if (now == 0) return ScratchMark(entry);
        t = now;
        return {};
    });
}

ImageEdit SetEntrySize(const DirEntry& entry, std::uint16_t blocks) {
    return EntryEdit(
        entry, [entry, blocks](const DiskImage& image, EntryBlocks& b, EditPlan& plan) -> Result<void> {
            b.dirBlock[b.offset + 0x1E] = static_cast<std::uint8_t>(blocks & 0xFF);
            b.dirBlock[b.offset + 0x1F] = static_cast<std::uint8_t>(blocks >> 8);
            Result<ValidationReport> report = ValidateImage(image);
            if (!report) return {};
            for (auto [other, n] : SharedWith(*report, report->Row(entry), BlocksOf(image, *report, entry)))
                plan.notes.push_back(Quote(entry.Name()) + ": " + std::to_string(n) + " of its blocks " +
                                     (n == 1 ? "is" : "are") + " shared with " + Names(*report, other) + ".");
            return {};
        });
}

int ChainLength(const DiskImage& image, const DirEntry& entry) {
    return int(EntryBlocksOf(image, entry).blocks.size());
}

std::array<Block, 2> FormattedTrack18(const Block& oldHeader, int tracks, std::size_t extended) {
    Block header{};
    header[0x00] = DirTrack;
    header[0x01] = 1;
    header[0x02] = 0x41;                                              // format "A"
    std::copy_n(oldHeader.begin() + 0x90, 16, header.begin() + 0x90); // disk name
    header[0xA0] = header[0xA1] = 0xA0;
    header[0xA2] = oldHeader[0xA2]; // ID
    header[0xA3] = oldHeader[0xA3];
    header[0xA4] = 0xA0;
    header[0xA5] = '2'; // DOS version and type
    header[0xA6] = 'A';
    for (std::size_t i = 0xA7; i <= 0xAA; ++i) header[i] = 0xA0;
    if (tracks > StdTracks) std::copy(oldHeader.begin() + 0xAB, oldHeader.end(), header.begin() + 0xAB);
    FormatBam(header, extended);
    Block dir{};
    dir[1] = 0xFF;
    return {header, dir};
}

void PutNameAndId(Block& header, const std::optional<std::string>& name, const std::optional<std::string>& id,
                  std::size_t at) {
    if (name) {
        const auto padded = PaddedName(*name);
        std::copy(padded.begin(), padded.end(), header.begin() + std::ptrdiff_t(at));
    }
    if (id)
        for (std::size_t i = 0; i < 2; ++i)
            header[at + 0x12 + i] = i < id->size() ? std::uint8_t((*id)[i]) : 0xA0;
}

ChangeSet FormattedBlocks(const DiskFormat& f, const Block& oldHeader, int tracks, std::size_t extended) {
    ChangeSet out;
    if (f.kind == FormatKind::D64) {
        auto [header, dir] = FormattedTrack18(oldHeader, tracks, extended);
        PutChange(out, {f.dirTrack, 0}, header);
        PutChange(out, {f.dirTrack, 1}, dir);
        return out;
    }
    Block dir{};
    dir[1] = 0xFF;
    if (f.kind == FormatKind::D71) {
        auto [header, unused] = FormattedTrack18(oldHeader, StdTracks, 0);
        header[0x03] = 0x80; // double-sided
        Bam bam = BamOf(f, header, Block{}, f.tracks);
        FormatBam(bam);
        PutChange(out, bam.At(0), bam.BlockAt(0));
        PutChange(out, {f.dirTrack, f.firstDirSector}, dir);
        PutChange(out, bam.At(1), bam.BlockAt(1));
        return out;
    }
    // A 1581 header: the first directory block, DOS version 'D', name, ID and
    // DOS type "3D"; each BAM block repeats version, its complement and the ID.
    Block header{};
    header[0x00] = std::uint8_t(f.dirTrack);
    header[0x01] = std::uint8_t(f.firstDirSector);
    header[0x02] = f.dosVersion;
    std::copy_n(oldHeader.begin() + 0x04, 16, header.begin() + 0x04);
    std::fill_n(header.begin() + 0x14, 9, 0xA0);
    header[0x16] = oldHeader[0x16];
    header[0x17] = oldHeader[0x17];
    header[0x19] = std::uint8_t(f.dosType[0]);
    header[0x1A] = std::uint8_t(f.dosType[1]);
    Block first{}, second{};
    for (Block* b : {&first, &second}) {
        (*b)[0x02] = f.dosVersion;
        (*b)[0x03] = std::uint8_t(~f.dosVersion);
        (*b)[0x04] = header[0x16];
        (*b)[0x05] = header[0x17];
        (*b)[0x06] = 0xC0; // verify on, CRC check on
    }
    first[0x00] = std::uint8_t(f.bamAt[2]);
    first[0x01] = std::uint8_t(f.bamAt[3]);
    second[0x01] = 0xFF;
    Bam bam = BamOf(f, first, second, f.tracks);
    FormatBam(bam);
    PutChange(out, {f.dirTrack, f.headerSector}, header);
    PutChange(out, bam.At(0), bam.BlockAt(0));
    PutChange(out, bam.At(1), bam.BlockAt(1));
    PutChange(out, {f.dirTrack, f.firstDirSector}, dir);
    return out;
}

ImageEdit ClearImage(const std::string* name, const std::string* id) {
    std::optional<std::string> newName, newId;
    if (name) newName = *name;
    if (id) newId = *id;
    return [newName, newId](const DiskImage& image) -> Result<EditPlan> {
        const DiskFormat& f = image.Format();
        Result<Block> read = image.ReadBlock({f.dirTrack, f.headerSector});
        if (!read) return Failure{read.Error() + " Nothing was written."};
        Block old = *read;
        PutNameAndId(old, newName, newId, f.labelOffset);
        ChangeSet blocks = FormattedBlocks(f, old, image.Tracks(), ExtendedBamOffset(old));
        for (const BlockChange& c : blocks)
            if (!image.HoldsBlock(c.at))
                return Failure{BlockReadError(image.Path(), c.at, "the file does not hold it.")};
        return EditPlan{std::move(blocks),
                        "Clear the entire image: the directory is emptied and every block is marked free",
                        {}};
    };
}

ImageEdit SetDiskLabel(const std::array<std::uint8_t, 16>& name,
                       const std::array<std::uint8_t, 5>& idAndType) {
    return [name, idAndType](const DiskImage& image) -> Result<EditPlan> {
        const DiskFormat& f = image.Format();
        Result<Block> header = image.ReadBlock({f.dirTrack, f.headerSector});
        if (!header) return Failure{header.Error() + " Nothing was written."};
        std::copy(name.begin(), name.end(), header->begin() + std::ptrdiff_t(f.labelOffset));
        std::copy(idAndType.begin(), idAndType.end(), header->begin() + std::ptrdiff_t(f.labelOffset + 0x12));
        return EditPlan{{{{f.dirTrack, f.headerSector}, *header}}, {}, {}};
    };
}

ImageEdit PokeBlock(BlockAddress at, int offset, const std::vector<std::uint8_t>& bytes) {
    return [at, offset, bytes](const DiskImage& image) -> Result<EditPlan> {
        if (offset < 0 || offset >= BlockSize || bytes.size() > std::size_t(BlockSize - offset))
            return Failure{"The bytes do not fit in the block from offset " + std::to_string(offset) +
                           "; nothing was written."};
        Result<Block> block = image.ReadBlock(at);
        if (!block) return Failure{block.Error() + " Nothing was written."};
        std::copy(bytes.begin(), bytes.end(), block->begin() + offset);
        return EditPlan{{{at, *block}}, {}, {}};
    };
}

ImageEdit PutBlocks(const ChangeSet& changes) {
    return [changes](const DiskImage& image) -> Result<EditPlan> {
        for (const BlockChange& c : changes)
            if (!image.HoldsBlock(c.at))
                return Failure{BlockReadError(image.Path(), c.at, "the file does not hold it.") +
                               " Nothing was written."};
        return EditPlan{changes, {}, {}};
    };
}

ImageEdit UndoWrite(const UpdateResult& write) {
    return [before = write.before, after = write.after](const DiskImage& image) -> Result<EditPlan> {
        Result<ChangeSet> now = CurrentBlocks(image, after);
        if (!now) return Failure{now.Error()};
        for (std::size_t i = 0; i < after.size(); ++i)
            if ((*now)[i].bytes != after[i].bytes)
                return Failure{"The image was changed elsewhere since that write; it cannot be undone."};
        return EditPlan{before, {}, {}};
    };
}

} // namespace dyskel
