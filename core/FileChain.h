// Following a file's block chain, and the two files made from one: the PRG
// export (the data bytes as the disk stores them) and the hex dump text.
#pragma once

#include "core/Directory.h"
#include "core/Uglobal.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dyskel {

// Why a chain walk ended.
enum class ChainEnd {
    LastBlock, // a block with link track 0
    TooLong,   // the block limit was reached
    Loop,      // a link named a block already walked
    BadLink,   // a link to a track the image does not hold or a sector beyond its track
    Stopped,   // the visitor asked to stop
};
const char* ChainEndText(ChainEnd end); // a short English phrase for messages

struct ChainWalk {
    int blocks = 0; // blocks visited
    ChainEnd end = ChainEnd::LastBlock;
    BlockAddress last; // the last block visited, or the bad link / loop target
};

// Called for each block, in chain order, with its address and its 256 bytes;
// index counts from 1.  Return false to stop.
using ChainVisitor = std::function<bool(BlockAddress at, const Block& block, int index)>;

// Walks the chain from start.  The walk stops after maxBlocks blocks (TooLong,
// also when that block was the last; 0 for no limit), before a block it has
// already walked (Loop) and before a block the image does not hold whole
// (BadLink); the start block too is checked.
ChainWalk WalkChain(const DiskImage& image, BlockAddress start, int maxBlocks, const ChainVisitor& visit);

// The blocks of a chain in order, up to a break.
std::vector<BlockAddress> ChainBlocks(const DiskImage& image, BlockAddress start, ChainWalk* walk = nullptr);

// How many data bytes, from byte 2 on, a block of a file holds: 254 while
// the link goes on, n - 1 in the last block (n its second byte; none when n
// is below 2).
std::size_t DataBytesInBlock(const Block& block);

// --- PRG export -----------------------------------------------------------

constexpr int ExportBlockLimit = 731; // the export fails when its count reaches this
constexpr int DumpBlockLimit = 732;   // the dump fails after writing this many blocks
inline constexpr const char* ExportFailedText = "File Export FAILED!";
inline constexpr const char* ExportCancelledText = "File Export was cancelled.";

// A file name that stays inside its folder: every "/" and NUL becomes "_";
// "", "." and ".." become "_".
std::string SafeFileName(std::string name);

// Base name of an entry's host files: the name bytes up to the padding and
// before a quote, "a"-"z" made capitals, the first "/" removed, as UTF-8
// through the display table, "_" when empty, made safe.
std::string ExportBaseName(const DirEntry& entry);

// "File "NAME" (N Blocks) saved in:" and the folder, as two lines.
std::vector<std::string> SavedLines(const std::string& fileName, int blocks, const std::string& folder);

struct FileOutcome {
    bool failed = false;
    int blocks = 0;   // blocks walked
    std::string path; // the file written (it stays also after a failure)
    ChainEnd end = ChainEnd::LastBlock;
    std::string fileError; // the target could not be written, and why
};

// The message of a failed export or dump, as lines: the file error when the
// target could not be written; else ExportFailedText and why the chain failed
// (broken, and after how many blocks, or too long).
std::vector<std::string> FailureLines(const FileOutcome& outcome);

// "1 block", "2 blocks".
std::string BlockCountText(int blocks);

// Writes folder/fileName with the data bytes of the entry's chain: bytes 2 to
// 255 of every block but the last, bytes 2 to n of the last (n its second
// byte; nothing when n is below 2).  An existing regular file is overwritten;
// anything else at the name (a link, a pipe, a folder) is refused, and so is
// the image itself.
FileOutcome ExportPRG(const DiskImage& image, const DirEntry& entry, const std::string& folder,
                      const std::string& fileName);

// --- Hex dump -------------------------------------------------------------

// base + "." + type + "_HexDump.txt", leading blanks of the base removed ("_"
// when nothing is left).
std::string HexDumpFileName(const DirEntry& entry);

// The whole dump text (CR LF lines) of the entry's chain, and how the walk
// ended; failed when the chain ran past 731 blocks or broke.
struct HexDumpText {
    std::string text;
    ChainWalk walk;
    bool failed = false;
};
HexDumpText BuildHexDump(const DiskImage& image, const DirEntry& entry);

// Builds the dump and writes it to folder/HexDumpFileName(entry), with the
// same rules for the target as ExportPRG.
FileOutcome WriteHexDump(const DiskImage& image, const DirEntry& entry, const std::string& folder);

} // namespace dyskel
