#include "core/FileChain.h"

#include "core/FileIO.h"
#include "core/HexText.h"

#include <bitset>
#include <cstdio>

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

ChainWalk WalkChain(const std::string& imagePath, BlockAddress start, TrackBuffer& buffer, int maxBlocks,
                    const ChainVisitor& visit) {
    ChainWalk walk;
    const std::int64_t imageSize = fileio::RegularFileSize(imagePath);
    std::bitset<(MaxTracks + 1) * MaxSectors> walked;
    BlockAddress at = start;
    for (;;) {
        if (!ValidBlock(at.track, at.sector) || !ImageHoldsTrack(imageSize, at.track)) {
            walk.end = ChainEnd::BadLink;
            return walk;
        }
        const std::size_t index = std::size_t(at.track) * MaxSectors + std::size_t(at.sector);
        if (walked[index]) {
            walk.end = ChainEnd::Loop;
            return walk;
        }
        walked.set(index);
        // A file that shrank since the size was taken is no better than a
        // link outside the image.
        if (ReadTrack(imagePath, at.track, buffer) != std::size_t(SectorsPerTrack(at.track)) * BlockSize) {
            walk.end = ChainEnd::BadLink;
            return walk;
        }
        ++walk.blocks;
        const std::uint8_t* block = buffer.Block(at.sector);
        if (visit && !visit(at.track, at.sector, block, walk.blocks)) {
            walk.end = ChainEnd::Stopped;
            return walk;
        }
        if (maxBlocks > 0 && walk.blocks >= maxBlocks) {
            walk.end = ChainEnd::TooLong;
            return walk;
        }
        if (block[0] == 0) {
            walk.end = ChainEnd::LastBlock;
            return walk;
        }
        at = {block[0], block[1]};
    }
}

// --- PRG export -----------------------------------------------------------

std::string SafeFileName(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    if (name.empty() || name == "." || name == "..") return "_";
    return name;
}

namespace {

// The file name of a name cell before it is made safe: characters 2-17,
// capitals, cut before a quote, the first "/" removed.
std::string RawBaseName(const std::string& nameCell) {
    std::string name = nameCell.size() > 1 ? nameCell.substr(1, 16) : std::string();
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::size_t quote = name.find('"');
    if (quote != std::string::npos) name.resize(quote);
    std::size_t slash = name.find('/');
    if (slash != std::string::npos) name.erase(slash, 1);
    return name;
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
    if (!fileError.empty())
        out.message = std::move(fileError);
    else if (out.failed)
        out.message = ExportFailedText;
    return out;
}

// Writing the file would empty the image it is read from.
std::string OverwriteImageText(const std::string& path) {
    return "The file \"" + path + "\" is the open image itself; nothing was written.";
}

} // namespace

std::string ExportBaseName(const std::string& nameCell) {
    return SafeFileName(RawBaseName(nameCell));
}

std::string SavedMessage(const std::string& fileName, int blocks, const std::string& folder) {
    return "File \"" + fileName + "\" (" + std::to_string(blocks) + " Blocks) saved in:\n\r" + folder;
}

FileOutcome ExportPRG(const std::string& imagePath, BlockAddress start, const std::string& folder,
                      const std::string& fileName, TrackBuffer& buffer) {
    const std::string path = OpenImageState::JoinPath(folder, fileName);
    if (fileio::SameFile(path, imagePath)) return Outcome(path, {}, OverwriteImageText(path));
    fileio::Fd out = fileio::Fd::Create(path);
    if (!out.IsOpen())
        return Outcome(path, {}, "Could not create file \"" + path + "\": " + fileio::LastError());

    std::string writeError;
    ChainWalk walk =
        WalkChain(imagePath, start, buffer, ExportBlockLimit, [&](int, int, const std::uint8_t* block, int) {
            // Data bytes: 2 to 255, or 2 to n in the last block.
            std::size_t n = block[0] != 0 ? 254 : block[1] >= 2 ? block[1] - 1u : 0;
            if (fileio::WriteAll(out.Get(), block + 2, n)) return true;
            writeError = "Could not write file \"" + path + "\": " + fileio::LastError();
            return false;
        });
    if (!out.Close() && writeError.empty())
        writeError = "Could not close file \"" + path + "\": " + fileio::LastError();
    return Outcome(path, walk, writeError);
}

// --- Hex dump -------------------------------------------------------------

std::string HexDumpFileName(const std::string& nameCell, const std::string& typeCell) {
    std::string type = typeCell.size() > 1 ? typeCell.substr(1, 3) : std::string();
    for (char& c : type)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::string name = RawBaseName(nameCell) + "." + type + "_HexDump.txt";
    name.erase(0, name.find_first_not_of(' '));
    return SafeFileName(name);
}

HexDumpText BuildHexDump(const std::string& imagePath, BlockAddress start, const std::string& nameCell,
                         const std::string& sizeCell, TrackBuffer& buffer) {
    static constexpr const char* Eol = "\r\n";
    static constexpr const char* ColumnHeader = "        00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F";
    HexDumpText dump;
    std::string size = sizeCell.substr(0, 5);
    size.erase(0, size.find_first_not_of(' '));
    dump.text = "FILENAME: \"" + RawBaseName(nameCell) + ".PRG\"      SIZE: " + size + " BLOCKS" + Eol;

    dump.walk = WalkChain(imagePath, start, buffer, DumpBlockLimit,
                          [&](int track, int sector, const std::uint8_t* block, int index) {
                              std::string& t = dump.text;
                              t += Eol;
                              t += "TRACK: " + TwoDigits(track) + "  SECTOR: " + TwoDigits(sector) +
                                   "  (BLOCK #" + std::to_string(index) + ")" + Eol;
                              t += ColumnHeader;
                              t += Eol;
                              for (int row = 0; row < 16; ++row) {
                                  t += "$" + WordToHex(static_cast<std::uint16_t>(16 * row)) + " :";
                                  for (int col = 0; col < 16; ++col)
                                      t += " " + ByteToHex(block[16 * row + col]);
                                  t += Eol;
                              }
                              return true;
                          });
    dump.failed = dump.walk.end != ChainEnd::LastBlock;
    return dump;
}

FileOutcome WriteHexDump(const std::string& imagePath, BlockAddress start, const std::string& folder,
                         const std::string& nameCell, const std::string& typeCell,
                         const std::string& sizeCell, TrackBuffer& buffer) {
    const std::string path = OpenImageState::JoinPath(folder, HexDumpFileName(nameCell, typeCell));
    if (fileio::SameFile(path, imagePath)) return Outcome(path, {}, OverwriteImageText(path));
    HexDumpText dump = BuildHexDump(imagePath, start, nameCell, sizeCell, buffer);
    return Outcome(path, dump.walk, fileio::WriteWholeFile(path, dump.text));
}

} // namespace dyskel
