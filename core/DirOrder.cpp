#include "core/DirOrder.h"

#include "core/Bam.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/Petscii.h"
#include "core/Validate.h"

#include <algorithm>

namespace dyskel {

namespace {

constexpr std::size_t SlotBytes = DirEntrySize - 2; // an entry without the two link bytes
using SlotContents = std::array<std::uint8_t, SlotBytes>;

// A slot of the directory: its block (index in the chain) and offset.
struct Slot {
    std::size_t block = 0;
    std::size_t offset = 0;
    friend bool operator<(const Slot& a, const Slot& b) {
        return a.block != b.block ? a.block < b.block : a.offset < b.offset;
    }
};

Failure Changed() {
    return {"The directory is no longer on the disk as it was listed (the image was changed elsewhere); "
            "nothing was written."};
}

ImageEdit Refuse(const std::string& why) {
    return [why](const DiskImage&) -> Result<EditPlan> { return Failure{why}; };
}

std::string Quote(const std::string& name) {
    return "\"" + PetsciiToUtf8(name) + "\"";
}

SlotContents ContentsAt(const Block& block, std::size_t offset) {
    SlotContents c;
    std::copy_n(block.begin() + std::ptrdiff_t(offset + 2), SlotBytes, c.begin());
    return c;
}

SlotContents SeparatorContents() {
    SlotContents c{};
    c[0] = SeparatorType; // first block 0,0, size 0, the rest 0
    return c;
}

} // namespace

DirCapacity DirectoryCapacity(const DiskImage& image) {
    const int entries = image.Format().maxDirEntries;
    return {entries, entries / DirEntriesPerBlock};
}

Result<DirUsage> DirectoryUsage(const DiskImage& image) {
    Result<DirChain> chain = ReadDirChain(image);
    if (!chain) return Failure{chain.Error()};
    DirUsage usage;
    usage.capacity = DirectoryCapacity(image);
    usage.blocks = int(chain->blocks.size());
    for (const Block& b : chain->blocks)
        for (std::size_t o = 0; o < BlockSize; o += DirEntrySize) usage.entries += b[o + 2] != 0;
    return usage;
}

std::string DirUsageText(const DirUsage& u) {
    return std::to_string(u.entries) + " of " + std::to_string(u.capacity.entries) + " entries used, " +
           std::to_string(u.blocks) + " of " + std::to_string(u.capacity.blocks) + " directory blocks";
}

std::array<std::uint8_t, 16> SeparatorName() {
    std::array<std::uint8_t, 16> name;
    name.fill('-');
    return name;
}

ImageEdit ArrangeDirectory(const std::vector<Placement>& order, const DiskLabelBytes& label) {
    return [order, label](const DiskImage& image) -> Result<EditPlan> {
        const DiskFormat& f = image.Format();
        const DirCapacity capacity = DirectoryCapacity(image);
        const BlockAddress headerAt{f.dirTrack, f.headerSector};
        Result<Block> read = image.ReadBlock(headerAt);
        if (!read) return Failure{read.Error() + " Nothing was written."};
        Block header = *read;
        Result<Bam> readBam = ReadBam(image);
        if (!readBam) return Failure{readBam.Error() + " Nothing was written."};
        Bam bam = *readBam;
        Result<DirChain> chain = ReadDirChain(image);
        if (!chain) return Failure{chain.Error()};
        const DirChain before = *chain;

        std::vector<Slot> live, free;
        for (std::size_t b = 0; b < before.blocks.size(); ++b)
            for (std::size_t o = 0; o < BlockSize; o += DirEntrySize)
                (before.blocks[b][o + 2] ? live : free).push_back({b, o});

        // Every live entry once, as it was listed.
        const auto entries =
            std::count_if(order.begin(), order.end(), [](const Placement& p) { return p.entry.has_value(); });
        if (std::size_t(entries) != live.size()) return Failure{Changed()};
        std::vector<bool> placed(live.size());
        std::vector<Slot> from(order.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (!order[i].entry) continue;
            const DirEntry& e = *order[i].entry;
            auto it = std::find_if(live.begin(), live.end(), [&](const Slot& s) {
                return before.at[s.block].sector == e.sector && s.offset == e.offset;
            });
            if (it == live.end() || placed[std::size_t(it - live.begin())]) return Failure{Changed()};
            const DirEntry now = DecodeDirEntry(before.blocks[it->block], e.sector, e.offset);
            if (now.typeByte != e.typeByte || now.first != e.first || now.name != e.name)
                return Failure{Changed()};
            placed[std::size_t(it - live.begin())] = true;
            from[i] = *it;
        }
        if (order.size() > std::size_t(capacity.entries))
            return Failure{"The directory holds at most " + std::to_string(capacity.entries) + " entries; " +
                           std::to_string(order.size()) + " were asked for. Nothing was written."};

        // The slots: those of the live entries, then the first free ones, then
        // new directory blocks.
        EditPlan plan;
        std::vector<Slot> slots = live;
        std::size_t nextFree = 0;
        while (slots.size() < order.size()) {
            if (nextFree == free.size()) {
                if (chain->blocks.size() >= std::size_t(capacity.blocks))
                    return Failure{"The directory may use " + std::to_string(capacity.blocks) +
                                   " blocks of track " + std::to_string(f.dirTrack) +
                                   "; it has no room for more entries. Nothing was written."};
                Result<ValidationReport> report = ValidateImage(image);
                if (!report) return Failure{report.Error() + " Nothing was written."};
                const int s = FreeSectorFrom(
                    bam, BlocksNotToTake(image, *report), f.dirTrack,
                    NextSector(chain->at.back().sector, f.dirInterleave, f.Sectors(f.dirTrack)));
                if (s < 0)
                    return Failure{"Track " + std::to_string(f.dirTrack) +
                                   " has no free block for another directory block. Nothing was written."};
                SetBamBlockFree(bam, {f.dirTrack, s}, false);
                chain->blocks.back()[0] = std::uint8_t(f.dirTrack);
                chain->blocks.back()[1] = std::uint8_t(s);
                Block fresh{};
                fresh[1] = 0xFF;
                chain->at.push_back({f.dirTrack, s});
                chain->blocks.push_back(fresh);
                for (std::size_t o = 0; o < BlockSize; o += DirEntrySize)
                    free.push_back({chain->blocks.size() - 1, o});
            }
            const Slot s = free[nextFree++];
            const DirEntry gone =
                DecodeDirEntry(chain->blocks[s.block], chain->at[s.block].sector, int(s.offset));
            if (ContentsAt(chain->blocks[s.block], s.offset) != SlotContents{})
                plan.notes.push_back("The slot of the scratched entry " + Quote(gone.Name()) +
                                     " was taken; it can no longer be taken back.");
            slots.push_back(s);
        }
        std::sort(slots.begin(), slots.end());

        for (std::size_t i = 0; i < order.size(); ++i) {
            const Placement& p = order[i];
            SlotContents c =
                p.entry ? ContentsAt(before.blocks[from[i].block], from[i].offset) : SeparatorContents();
            const NameBytes name = p.name ? *p.name : p.entry ? p.entry->name : SeparatorName();
            std::copy(name.begin(), name.end(), c.begin() + 3);
            std::copy(c.begin(), c.end(),
                      chain->blocks[slots[i].block].begin() + std::ptrdiff_t(slots[i].offset + 2));
        }
        for (std::size_t b = 0; b < chain->blocks.size(); ++b)
            if (b >= before.blocks.size() || chain->blocks[b] != before.blocks[b])
                PutChange(plan.changes, chain->at[b], chain->blocks[b]);
        if (bam.bytes != readBam->bytes) PutBam(plan.changes, image, bam);
        if (bam.At(0) == headerAt) header = bam.BlockAt(0); // a D64 keeps its BAM in the header block
        const auto name = header.begin() + std::ptrdiff_t(f.labelOffset);
        if (label.name) std::copy(label.name->begin(), label.name->end(), name);
        if (label.idAndType) std::copy(label.idAndType->begin(), label.idAndType->end(), name + 0x12);
        if (header != *read) PutChange(plan.changes, headerAt, header);
        return plan;
    };
}

std::vector<Placement> PlacementsOf(const std::vector<DirEntry>& listed) {
    std::vector<Placement> order;
    for (const DirEntry& e : listed)
        if (!e.Scratched()) order.push_back({e, std::nullopt});
    return order;
}

ImageEdit InsertSeparator(const std::vector<DirEntry>& listed, std::size_t before, const NameBytes& name) {
    before = std::min(before, listed.size());
    std::vector<Placement> order = PlacementsOf({listed.begin(), listed.begin() + std::ptrdiff_t(before)});
    order.push_back({std::nullopt, name});
    for (Placement& p : PlacementsOf({listed.begin() + std::ptrdiff_t(before), listed.end()}))
        order.push_back(std::move(p));
    return ArrangeDirectory(order);
}

ImageEdit MoveEntry(const std::vector<DirEntry>& listed, std::size_t row, int step) {
    if (row >= listed.size()) return Refuse("No entry is chosen. Nothing was written.");
    const DirEntry& entry = listed[row];
    if (entry.Scratched())
        return Refuse("The entry " + Quote(entry.Name()) +
                      " is scratched; Undelete takes it back before it moves. Nothing was written.");
    std::vector<Placement> order = PlacementsOf(listed);
    const auto at = std::size_t(std::find_if(order.begin(), order.end(),
                                             [&](const Placement& p) {
                                                 return p.entry->sector == entry.sector &&
                                                        p.entry->offset == entry.offset;
                                             }) -
                                order.begin());
    if ((step < 0 && at == 0) || (step > 0 && at + 1 >= order.size()))
        return Refuse("The entry " + Quote(entry.Name()) + " is already the " +
                      (step < 0 ? "first" : "last") + " entry. Nothing was written.");
    std::swap(order[at], order[step < 0 ? at - 1 : at + 1]);
    return ArrangeDirectory(order);
}

} // namespace dyskel
