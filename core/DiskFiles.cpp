#include "core/DiskFiles.h"

#include "core/C64Name.h"
#include "core/DiskEdits.h"
#include "core/FileChain.h"
#include "core/FileIO.h"
#include "core/Petscii.h"
#include "core/Validate.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace dyskel {

using fileio::Fd;

namespace {

std::string Quote(const std::string& name) {
    return "\"" + PetsciiToUtf8(name) + "\"";
}

// Data bytes along the blocks: link to the next, the last with link track 0
// and the index of its last byte.
void PutData(ChangeSet& changes, const std::vector<BlockAddress>& blocks,
             const std::vector<std::uint8_t>& data) {
    constexpr std::size_t PerBlock = BlockSize - 2;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        Block b{};
        const std::size_t from = i * PerBlock;
        const std::size_t n = std::min(PerBlock, data.size() - std::min(data.size(), from));
        if (i + 1 < blocks.size()) {
            b[0] = std::uint8_t(blocks[i + 1].track);
            b[1] = std::uint8_t(blocks[i + 1].sector);
        } else {
            b[1] = std::uint8_t(n + 1);
        }
        std::copy_n(data.begin() + std::ptrdiff_t(std::min(data.size(), from)), n, b.begin() + 2);
        PutChange(changes, blocks[i], b);
    }
}

} // namespace

Result<DirChain> ReadDirChain(const DiskImage& image) {
    const DiskFormat& f = image.Format();
    DirChain chain;
    BlockAddress at{f.dirTrack, f.firstDirSector};
    for (;;) {
        if (at.track != f.dirTrack || !ValidBlock(f, at) || at.sector < f.firstDirSector ||
            std::find(chain.at.begin(), chain.at.end(), at) != chain.at.end())
            return Failure{"The directory chain is broken (it loops or leaves track " +
                           std::to_string(f.dirTrack) + "); run Validate first. Nothing was written."};
        Result<Block> block = image.ReadBlock(at);
        if (!block) return Failure{block.Error() + " Nothing was written."};
        chain.at.push_back(at);
        chain.blocks.push_back(*block);
        if ((*block)[0] == 0) return chain;
        at = {(*block)[0], (*block)[1]};
    }
}

std::vector<std::uint8_t> NewImageBytes(const DiskFormat& format, const std::string& name,
                                        const std::string& id) {
    std::vector<std::uint8_t> bytes(std::size_t(format.imageSize));
    Block named{};
    PutNameAndId(named, name, id, format.labelOffset);
    const int tracks = format.imageSize == D64Format.imageSize ? StdTracks : format.tracks;
    for (const BlockChange& c : FormattedBlocks(format, named, tracks, tracks == MaxTracks ? SpeedDosBam : 0))
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + BlockOffset(format, c.at));
    return bytes;
}

std::vector<std::uint8_t> NewImageBytes(int tracks, const std::string& name, const std::string& id) {
    return NewImageBytes(tracks > StdTracks ? D64ExtFormat : D64Format, name, id);
}

BlockSet BlocksNotToTake(const DiskImage& image, const ValidationReport& report, int except) {
    BlockSet barred;
    const DiskFormat& f = image.Format();
    const auto& bytes = image.Bytes();
    const std::int64_t errors = BlockBytesOfSize(image.FileSize());
    for (int t = 1; t <= f.tracks; ++t)
        for (int s = 0; s < f.Sectors(t); ++s) {
            const std::int64_t e = errors + f.TrackStart(t) + s;
            const bool badRead = HasErrorBytes(image.FileSize()) && e < std::int64_t(bytes.size()) &&
                                 bytes[std::size_t(e)] > 0x01;
            if (badRead || !report.OtherOwners({t, s}, except).empty())
                barred[std::size_t(t)].set(std::size_t(s));
        }
    return barred;
}

int BlocksForBytes(std::size_t bytes) {
    return std::max(1, int((bytes + BlockSize - 3) / (BlockSize - 2)));
}

Result<HostFileName> NameOfHostFile(const std::string& path) {
    const std::filesystem::path p(path);
    std::string ext = UpperAscii(p.extension().string());
    std::string stem = p.stem().string();
    HostFileName out;
    out.type = ext == ".SEQ" ? FileType::Seq : ext == ".USR" ? FileType::Usr : FileType::Prg;
    const std::string bytes = C64NameFromHost(stem);
    if (bytes.empty()) return Failure{"The file \"" + path + "\" has no name to give the entry."};
    const Result<std::string> plain = PetsciiFromUtf8(UpperAscii(stem), stem);
    out.changed = !plain || *plain != bytes;
    out.name = bytes.substr(0, 16);
    return out;
}

std::optional<DirEntry> FindEntryNamed(const DiskImage& image, const std::string& name) {
    Result<DirListing> listing = ListDirectory(image, true);
    if (!listing) return std::nullopt;
    const auto padded = PaddedName(name);
    for (const DirEntry& e : listing->entries)
        if (e.name == padded) return e;
    return std::nullopt;
}

ImageEdit ImportEntry(const ImportFile& file) {
    return [file](const DiskImage& image) -> Result<EditPlan> {
        const DiskFormat& f = image.Format();
        Result<Bam> read = ReadBam(image);
        if (!read) return Failure{read.Error() + " Nothing was written."};
        Bam bam = *read;
        const Bam bamBefore = bam;
        Result<DirChain> dir = ReadDirChain(image);
        if (!dir) return Failure{dir.Error()};
        Result<ValidationReport> report = ValidateImage(image);
        if (!report) return Failure{report.Error() + " Nothing was written."};
        const auto name = PaddedName(file.name);
        EditPlan plan;
        int replacedRow = 0;

        // The slot: the clashing entry's with Replace, else the first free one.
        std::size_t slotBlock = 0, slotOffset = 0;
        bool haveSlot = false;
        for (std::size_t b = 0; b < dir->blocks.size(); ++b)
            for (int o = 0; o < BlockSize; o += DirEntrySize) {
                const DirEntry e = DecodeDirEntry(dir->blocks[b], dir->at[b].sector, o);
                if (!e.Scratched() && e.name == name) {
                    if (file.onClash == OnClash::Refuse)
                        return Failure{"A file named " + Quote(file.name) +
                                       " is already on the disk. Nothing was written."};
                    if (file.onClash == OnClash::Replace && !haveSlot) {
                        if (e.Locked())
                            return Failure{"The file " + Quote(file.name) +
                                           " is locked (write protected); it was not replaced."};
                        plan.destructive =
                            "Replace " + Quote(file.name) + " (" + BlockCountText(e.blocks) + ")";
                        replacedRow = report->Row(e);
                        FreeEntryBlocks(bam, *report, e,
                                        replacedRow ? report->entryBlocks[std::size_t(replacedRow - 1)]
                                                    : EntryBlocksOf(image, e).blocks,
                                        plan.notes);
                        slotBlock = b, slotOffset = std::size_t(o), haveSlot = true;
                    }
                }
            }
        for (std::size_t b = 0; !haveSlot && b < dir->blocks.size(); ++b)
            for (int o = 0; !haveSlot && o < BlockSize; o += DirEntrySize)
                if (dir->blocks[b][std::size_t(o) + 2] == 0)
                    slotBlock = b, slotOffset = std::size_t(o), haveSlot = true;

        const BlockSet barred = BlocksNotToTake(image, *report, replacedRow);
        ChangeSet& changes = plan.changes;
        if (!haveSlot) {
            if (dir->blocks.size() >= std::size_t(f.maxDirEntries / DirEntriesPerBlock))
                return Failure{"The directory is full (" + std::to_string(f.maxDirEntries) + " entries); " +
                               Quote(file.name) + " was not written."};
            const int s =
                FreeSectorFrom(bam, barred, f.dirTrack,
                               NextSector(dir->at.back().sector, f.dirInterleave, f.Sectors(f.dirTrack)));
            if (s < 0)
                return Failure{"The directory holds " +
                               std::to_string(dir->blocks.size() * DirEntriesPerBlock) +
                               " entries and track " + std::to_string(f.dirTrack) +
                               " has no free block for another directory block; " + Quote(file.name) +
                               " was not written."};
            SetBamBlockFree(bam, {f.dirTrack, s}, false);
            dir->blocks.back()[0] = std::uint8_t(f.dirTrack);
            dir->blocks.back()[1] = std::uint8_t(s);
            Block fresh{};
            fresh[1] = 0xFF;
            dir->at.push_back({f.dirTrack, s});
            dir->blocks.push_back(fresh);
            slotBlock = dir->blocks.size() - 1;
            slotOffset = 0;
            PutChange(changes, dir->at[slotBlock - 1], dir->blocks[slotBlock - 1]);
        }

        const int needed = BlocksForBytes(file.data.size());
        std::vector<BlockAddress> blocks = AllocateBlocks(bam, needed, barred);
        if (blocks.empty()) // the BAM is as it was
            return Failure{Quote(file.name) + " needs " + BlockCountText(needed) + "; the disk has " +
                           BlockCountText(BlocksToTake(bam, barred)) + " free. Nothing was written."};
        PutData(changes, blocks, file.data);

        Block& d = dir->blocks[slotBlock];
        d[slotOffset + 0x02] = std::uint8_t(ClosedBit | std::uint8_t(file.type));
        d[slotOffset + 0x03] = std::uint8_t(blocks[0].track);
        d[slotOffset + 0x04] = std::uint8_t(blocks[0].sector);
        std::copy(name.begin(), name.end(), d.begin() + std::ptrdiff_t(slotOffset + 0x05));
        std::fill_n(d.begin() + std::ptrdiff_t(slotOffset + 0x15), 9, 0);
        d[slotOffset + 0x1E] = std::uint8_t(needed & 0xFF);
        d[slotOffset + 0x1F] = std::uint8_t(needed >> 8);
        PutChange(changes, dir->at[slotBlock], d);
        if (bam.bytes != bamBefore.bytes || f.kind == FormatKind::D64) PutBam(changes, image, bam);
        int wrong = 0;
        for (const Finding& f : report->findings)
            wrong += f.kind == FindingKind::UsedButFree &&
                     barred[std::size_t(f.block.track)][std::size_t(f.block.sector)];
        if (wrong)
            plan.notes.push_back("The BAM was wrong: it marked " + BlockCountText(wrong) +
                                 " free that the directory or files use; they were left alone. Run Validate "
                                 "to mend the BAM.");
        return plan;
    };
}

ImageEdit ImportEntries(const std::vector<ImportFile>& files) {
    return [files](const DiskImage& image) -> Result<EditPlan> {
        DiskImage work = DiskImage::FromBytes(image.Path(), image.Bytes());
        EditPlan all;
        for (const ImportFile& f : files) {
            Result<EditPlan> plan = ImportEntry(f)(work);
            if (!plan) return Failure{plan.Error()};
            for (const BlockChange& c : plan->changes) {
                work.PutBlock(c.at, c.bytes);
                PutChange(all.changes, c.at, c.bytes);
            }
            for (std::string& note : plan->notes)
                if (std::find(all.notes.begin(), all.notes.end(), note) == all.notes.end())
                    all.notes.push_back(std::move(note));
            if (!plan->destructive.empty())
                all.destructive += (all.destructive.empty() ? "" : "; ") + plan->destructive;
        }
        return all;
    };
}

} // namespace dyskel
