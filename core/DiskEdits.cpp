#include "core/DiskEdits.h"

#include "core/FileChain.h"
#include "core/Petscii.h"

#include <algorithm>

namespace dyskel {

namespace {

Failure Changed() {
    return {"The directory entry is no longer on the disk as it was listed (the image was changed "
            "elsewhere); nothing was written."};
}

// The header block and the directory block that holds the entry, checked to
// still hold the entry as it was listed (type byte, first block, name).
struct EntryBlocks {
    Block header;
    Block dirBlock;
    std::size_t offset = 0; // of the entry in dirBlock
};

Result<EntryBlocks> ReadEntryBlocks(const DiskImage& image, const DirEntry& entry) {
    Result<Block> header = image.ReadBlock({DirTrack, 0});
    if (!header) return Failure{header.Error() + " Nothing was written."};
    if (entry.sector == 0 || entry.offset % DirEntrySize != 0) return Failure{Changed()};
    Result<Block> dir = image.ReadBlock({DirTrack, entry.sector});
    if (!dir) return Failure{dir.Error() + " Nothing was written."};
    DirEntry now = DecodeDirEntry(*dir, entry.sector, entry.offset);
    if (now.typeByte != entry.typeByte || now.first != entry.first || now.name != entry.name)
        return Failure{Changed()};
    return EntryBlocks{*header, *dir, entry.offset};
}

using EntryPatch = std::function<void(const DiskImage& image, EntryBlocks& blocks)>;

// An edit of the entry's bytes; patch may also change the header block.  A
// destructive edit says what it does in one line.
ImageEdit EntryEdit(const DirEntry& entry, EntryPatch patch, std::string destructive = {}) {
    return [entry, patch = std::move(patch),
            destructive = std::move(destructive)](const DiskImage& image) -> Result<EditPlan> {
        Result<EntryBlocks> blocks = ReadEntryBlocks(image, entry);
        if (!blocks) return Failure{blocks.Error()};
        const Block header = blocks->header;
        patch(image, *blocks);
        ChangeSet changes;
        PutChange(changes, {DirTrack, entry.sector}, blocks->dirBlock);
        if (blocks->header != header) PutChange(changes, {DirTrack, 0}, blocks->header);
        return EditPlan{changes, destructive, {}};
    };
}

} // namespace

void SetBamBlockFree(Block& header, BlockAddress at, bool free) {
    const std::size_t entry = BamEntryOffset(header, at.track);
    if (!entry || !ValidBlock(at.track, at.sector)) return;
    std::uint8_t& bits = header[entry + 1 + std::size_t(at.sector / 8)];
    const auto mask = static_cast<std::uint8_t>(1u << (at.sector % 8));
    bits = static_cast<std::uint8_t>(free ? bits | mask : bits & ~mask);
    int count = 0;
    for (int s = 0; s < SectorsPerTrack(at.track); ++s)
        count += (header[entry + 1 + std::size_t(s / 8)] >> (s % 8)) & 1;
    header[entry] = static_cast<std::uint8_t>(count);
}

void FreeChainInBam(Block& header, const DiskImage& image, BlockAddress first) {
    for (BlockAddress at : ChainBlocks(image, first))
        if (at.track != DirTrack) SetBamBlockFree(header, at, true);
}

ImageEdit RenameEntry(const DirEntry& entry, const std::array<std::uint8_t, 16>& name) {
    return EntryEdit(entry, [name](const DiskImage&, EntryBlocks& b) {
        std::copy(name.begin(), name.end(), b.dirBlock.begin() + std::ptrdiff_t(b.offset + 0x05));
    });
}

ImageEdit DeleteEntry(const DirEntry& entry) {
    if (entry.Locked())
        return [why = "The file \"" + entry.Name() + "\" is locked (write protected); it was not deleted."](
                   const DiskImage&) -> Result<EditPlan> { return Failure{why}; };
    return EntryEdit(
        entry,
        [first = entry.first](const DiskImage& image, EntryBlocks& b) {
            b.dirBlock[b.offset + 0x02] = 0;
            FreeChainInBam(b.header, image, first);
        },
        "Delete \"" + PetsciiToUtf8(entry.Name()) + "\" (" + BlockCountText(entry.blocks) + ")");
}

ImageEdit SetEntryType(const DirEntry& entry, FileType type) {
    return EntryEdit(entry, [type](const DiskImage&, EntryBlocks& b) {
        std::uint8_t& t = b.dirBlock[b.offset + 0x02];
        t = static_cast<std::uint8_t>((t & ~TypeMask) | std::uint8_t(type));
    });
}

ImageEdit UndeleteEntry(const DirEntry&, FileType) {
    return [](const DiskImage&) -> Result<EditPlan> { return Failure{"Undelete is not built yet."}; };
}

ImageEdit SetEntryLocked(const DirEntry& entry, bool locked) {
    return EntryEdit(entry, [locked](const DiskImage&, EntryBlocks& b) {
        std::uint8_t& t = b.dirBlock[b.offset + 0x02];
        t = static_cast<std::uint8_t>(locked ? t | LockBit : t & ~LockBit);
    });
}

ImageEdit SetEntrySize(const DirEntry& entry, std::uint16_t blocks) {
    return EntryEdit(entry, [blocks](const DiskImage&, EntryBlocks& b) {
        b.dirBlock[b.offset + 0x1E] = static_cast<std::uint8_t>(blocks & 0xFF);
        b.dirBlock[b.offset + 0x1F] = static_cast<std::uint8_t>(blocks >> 8);
    });
}

int ChainLength(const DiskImage& image, const DirEntry& entry) {
    return WalkChain(image, entry.first, 0, {}).blocks;
}

std::array<Block, 2> FormattedTrack18(const Block& oldHeader, int tracks, std::size_t extended) {
    Block header{};
    header[0x00] = DirTrack;
    header[0x01] = 1;
    header[0x02] = 0x41; // format "A"
    for (int t = 1; t <= StdTracks; ++t)
        for (int s = 0; s < SectorsPerTrack(t); ++s)
            SetBamBlockFree(header, {t, s}, !(t == DirTrack && s <= 1));
    std::copy_n(oldHeader.begin() + 0x90, 16, header.begin() + 0x90); // disk name
    header[0xA0] = header[0xA1] = 0xA0;
    header[0xA2] = oldHeader[0xA2]; // ID
    header[0xA3] = oldHeader[0xA3];
    header[0xA4] = 0xA0;
    header[0xA5] = '2'; // DOS version and type
    header[0xA6] = 'A';
    for (std::size_t i = 0xA7; i <= 0xAA; ++i) header[i] = 0xA0;
    if (tracks > StdTracks) std::copy(oldHeader.begin() + 0xAB, oldHeader.end(), header.begin() + 0xAB);
    for (std::size_t entry = extended; extended && entry < extended + 20; entry += 4) {
        static constexpr std::uint8_t AllFree[] = {17, 0xFF, 0xFF, 0x01}; // sectors 0 to 16
        std::copy(std::begin(AllFree), std::end(AllFree), header.begin() + std::ptrdiff_t(entry));
    }
    Block dir{};
    dir[1] = 0xFF;
    return {header, dir};
}

void PutNameAndId(Block& header, const std::optional<std::string>& name,
                  const std::optional<std::string>& id) {
    if (name) {
        const auto padded = PaddedName(*name);
        std::copy(padded.begin(), padded.end(), header.begin() + 0x90);
    }
    if (id)
        for (std::size_t i = 0; i < 2; ++i) header[0xA2 + i] = i < id->size() ? std::uint8_t((*id)[i]) : 0xA0;
}

ImageEdit ClearImage(const std::string* name, const std::string* id) {
    std::optional<std::string> newName, newId;
    if (name) newName = *name;
    if (id) newId = *id;
    return [newName, newId](const DiskImage& image) -> Result<EditPlan> {
        Result<Block> read = image.ReadBlock({DirTrack, 0});
        if (!read) return Failure{read.Error() + " Nothing was written."};
        Block old = *read;
        if (!image.HoldsBlock({DirTrack, 1}))
            return Failure{BlockReadError(image.Path(), {DirTrack, 1}, "the file does not hold it.")};
        PutNameAndId(old, newName, newId);
        auto [header, dir] = FormattedTrack18(old, image.Tracks(), ExtendedBamOffset(old));
        return EditPlan{{{{DirTrack, 0}, header}, {{DirTrack, 1}, dir}},
                        "Clear the entire image: the directory is emptied and every block is marked free",
                        {}};
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
