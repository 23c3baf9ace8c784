#include "core/FileChain.h"

#include "core/FileIO.h"
#include "core/HexText.h"
#include "core/Petscii.h"

#include <bitset>
#include <cstdio>
#include <filesystem>

namespace dyskel {

const char* ChainEndText(ChainEnd end) {
    switch (end) {
    case ChainEnd::LastBlock:
        return "the last block was reached";
    case ChainEnd::TooLong:
        return "the chain holds too many blocks";
    case ChainEnd::Loop:
        return "the chain links back to a block already read";
    case ChainEnd::BadLink:
        return "a link names a block outside the image";
    case ChainEnd::Stopped:
        return "the walk was stopped";
    }
    return "";
}

ChainWalk WalkChain(const DiskImage& image, BlockAddress start, int maxBlocks, const ChainVisitor& visit) {
    ChainWalk walk;
    std::bitset<(FormatMaxTracks + 1) * FormatMaxSectors> walked;
    BlockAddress at = start;
    for (;;) {
        walk.last = at;
        Result<Block> block = image.ReadBlock(at);
        if (!block) {
            walk.end = ChainEnd::BadLink;
            return walk;
        }
        const std::size_t index = std::size_t(at.track) * FormatMaxSectors + std::size_t(at.sector);
        if (walked[index]) {
            walk.end = ChainEnd::Loop;
            return walk;
        }
        walked.set(index);
        ++walk.blocks;
        if (visit && !visit(at, *block, walk.blocks)) {
            walk.end = ChainEnd::Stopped;
            return walk;
        }
        if (maxBlocks > 0 && walk.blocks >= maxBlocks) {
            walk.end = ChainEnd::TooLong;
            return walk;
        }
        if ((*block)[0] == 0) {
            walk.end = ChainEnd::LastBlock;
            return walk;
        }
        at = {(*block)[0], (*block)[1]};
    }
}

std::vector<BlockAddress> ChainBlocks(const DiskImage& image, BlockAddress start, ChainWalk* walk) {
    std::vector<BlockAddress> blocks;
    ChainWalk w = WalkChain(image, start, 0, [&](BlockAddress at, const Block&, int) {
        blocks.push_back(at);
        return true;
    });
    if (walk) *walk = w;
    return blocks;
}

std::size_t DataBytesInBlock(const Block& block) {
    return block[0] != 0 ? 254 : block[1] >= 2 ? block[1] - 1u : 0;
}

// --- PRG export -----------------------------------------------------------

std::string SafeFileName(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    if (name.empty() || name == "." || name == "..") return "_";
    return name;
}

namespace {

// The file name of an entry before it is made safe: the name bytes up to the
// padding, cut before a quote, capitals, the first "/" removed.
std::string RawBaseName(const DirEntry& entry) {
    std::string name = UpperAscii(entry.Name());
    if (std::size_t quote = name.find('"'); quote != std::string::npos) name.resize(quote);
    if (std::size_t slash = name.find('/'); slash != std::string::npos) name.erase(slash, 1);
    return name;
}

// The name bytes as a host file name: through the display table, so the
// graphics of a name are valid UTF-8; leading blanks removed when asked; "_"
// for a name with nothing left, never a hidden file.
std::string HostBaseName(const DirEntry& entry, bool trimLeading) {
    std::string name = PetsciiToUtf8(RawBaseName(entry));
    if (trimLeading) name.erase(0, name.find_first_not_of(' '));
    return name.empty() ? "_" : name;
}

std::string TwoDigits(int v) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

FileOutcome Outcome(const std::string& path, ChainWalk walk, std::string fileError) {
    FileOutcome out;
    out.path = path;
    out.blocks = walk.blocks;
    out.end = walk.end;
    out.failed = !fileError.empty() || walk.end != ChainEnd::LastBlock;
    out.fileError = std::move(fileError);
    return out;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
}

// Writing the file would empty the image it is read from.
std::string OverwriteImageText(const std::string& path) {
    return "The file \"" + path + "\" is the open image itself; nothing was written.";
}

} // namespace

std::string ExportBaseName(const DirEntry& entry) {
    return SafeFileName(HostBaseName(entry, false));
}

std::string BlockCountText(int blocks) {
    return blocks == 1 ? "1 block" : std::to_string(blocks) + " blocks";
}

std::vector<std::string> SavedLines(const std::string& fileName, int blocks, const std::string& folder) {
    return {"File \"" + fileName + "\" (" + std::to_string(blocks) + " Blocks) saved in:", folder};
}

std::vector<std::string> FailureLines(const FileOutcome& outcome) {
    if (!outcome.fileError.empty()) return {outcome.fileError};
    std::vector<std::string> lines{ExportFailedText};
    if (outcome.end == ChainEnd::Loop || outcome.end == ChainEnd::BadLink)
        lines.push_back(std::string("The file's block chain is broken: ") + ChainEndText(outcome.end) +
                        " (after " + BlockCountText(outcome.blocks) + ").");
    else if (outcome.end == ChainEnd::TooLong)
        lines.push_back(std::string("The file is too long: ") + ChainEndText(outcome.end) + ".");
    return lines;
}

FileOutcome ExportPRG(const DiskImage& image, const DirEntry& entry, const std::string& folder,
                      const std::string& fileName) {
    const std::string path = JoinPath(folder, fileName);
    if (fileio::SameFile(path, image.Path())) return Outcome(path, {}, OverwriteImageText(path));
    std::vector<std::uint8_t> bytes;
    ChainWalk walk;
    if (!entry.OwnsNoBlock())
        walk = WalkChain(image, entry.first, ExportBlockLimit, [&](BlockAddress, const Block& block, int) {
            bytes.insert(bytes.end(), block.begin() + 2, block.begin() + 2 + DataBytesInBlock(block));
            return true;
        });
    const std::string writeError = fileio::WriteWholeFile(path, bytes);
    if (!writeError.empty()) return Outcome(path, {}, writeError);
    return Outcome(path, walk, writeError);
}

// --- Hex dump -------------------------------------------------------------

std::string HexDumpFileName(const DirEntry& entry) {
    return SafeFileName(HostBaseName(entry, true) + "." + FileTypeName(entry.typeByte) + "_HexDump.txt");
}

HexDumpText BuildHexDump(const DiskImage& image, const DirEntry& entry) {
    static constexpr const char* Eol = "\r\n";
    static constexpr const char* ColumnHeader = "        00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F";
    HexDumpText dump;
    dump.text = "FILENAME: \"" + RawBaseName(entry) + ".PRG\"      SIZE: " + std::to_string(entry.blocks) +
                " BLOCKS" + Eol;
    if (entry.OwnsNoBlock()) return dump; // a separator: the title line alone
    dump.walk =
        WalkChain(image, entry.first, DumpBlockLimit, [&](BlockAddress at, const Block& block, int index) {
            std::string& t = dump.text;
            t += Eol;
            t += "TRACK: " + TwoDigits(at.track) + "  SECTOR: " + TwoDigits(at.sector) + "  (BLOCK #" +
                 std::to_string(index) + ")" + Eol;
            t += ColumnHeader;
            t += Eol;
            for (int row = 0; row < 16; ++row) {
                t += DollarWord(static_cast<std::uint16_t>(16 * row)) + " :";
                for (int col = 0; col < 16; ++col) t += " " + ByteToHex(block[std::size_t(16 * row + col)]);
                t += Eol;
            }
            return true;
        });
    dump.failed = dump.walk.end != ChainEnd::LastBlock;
    return dump;
}

FileOutcome WriteHexDump(const DiskImage& image, const DirEntry& entry, const std::string& folder) {
    const std::string path = JoinPath(folder, HexDumpFileName(entry));
    if (fileio::SameFile(path, image.Path())) return Outcome(path, {}, OverwriteImageText(path));
    HexDumpText dump = BuildHexDump(image, entry);
    return Outcome(path, dump.walk, fileio::WriteWholeFile(path, dump.text));
}

} // namespace dyskel
