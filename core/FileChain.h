// Following a file's block chain, and the two files made from one: the PRG
// export (the data bytes as the disk stores them) and the hex dump text.
#pragma once

#include "core/Directory.h"
#include "core/Uglobal.h"

#include <cstdint>
#include <functional>
#include <string>

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
};

// Called for each block, in chain order, with its address and its 256 bytes
// (inside the track buffer); index counts from 1.  Return false to stop.
using ChainVisitor = std::function<bool(int track, int sector, const std::uint8_t* block, int index)>;

// Walks the chain from start, reading each block's whole track into the track
// buffer with ReadTrack (so the buffer ends holding the track of the last
// block).  The walk stops after maxBlocks blocks (TooLong, also when that block
// was the last), before a block it has already walked (Loop) and before a
// block the image file does not hold whole (BadLink); the start block too is
// checked.  Nothing outside the image or the buffer is read.
ChainWalk WalkChain(const std::string& imagePath, BlockAddress start, TrackBuffer& buffer, int maxBlocks,
                    const ChainVisitor& visit);

// --- PRG export -----------------------------------------------------------

constexpr int ExportBlockLimit = 731; // the export fails when its count reaches this
constexpr int DumpBlockLimit = 732;   // the dump fails after writing this many blocks
inline constexpr const char* ExportFailedText = "File Export FAILED!";
inline constexpr const char* ExportCancelledText = "File Export was cancelled.";

// A file name that stays inside its folder: every "/" and NUL becomes "_";
// "", "." and ".." become "_".
std::string SafeFileName(std::string name);

// Base name from a name cell: characters 2-17, "a"-"z" made capitals, cut
// before the first double quote, the first "/" removed, then made safe.
std::string ExportBaseName(const std::string& nameCell);

// "File "NAME" (N Blocks) saved in:" LF CR folder
std::string SavedMessage(const std::string& fileName, int blocks, const std::string& folder);

struct FileOutcome {
    bool failed = false;
    int blocks = 0;   // blocks walked
    std::string path; // the file written (it stays also after a failure)
    ChainEnd end = ChainEnd::LastBlock;
    std::string message; // on failure: ExportFailedText, or a clearer text when the file could not be written
};

// Writes folder/fileName with the data bytes of the chain from start: bytes 2
// to 255 of every block but the last, bytes 2 to n of the last (n its second
// byte; nothing when n is below 2).  An existing file is overwritten, but
// never the image itself (failed, nothing written).
FileOutcome ExportPRG(const std::string& imagePath, BlockAddress start, const std::string& folder,
                      const std::string& fileName, TrackBuffer& buffer);

// --- Hex dump -------------------------------------------------------------

// base + "." + type + "_HexDump.txt", leading blanks removed.
std::string HexDumpFileName(const std::string& nameCell, const std::string& typeCell);

// The whole dump text (CR LF lines) of the chain from start, and how the walk
// ended; failed when the chain ran past 731 blocks or broke.
struct HexDumpText {
    std::string text;
    ChainWalk walk;
    bool failed = false;
};
HexDumpText BuildHexDump(const std::string& imagePath, BlockAddress start, const std::string& nameCell,
                         const std::string& sizeCell, TrackBuffer& buffer);

// Builds the dump and writes it to folder/HexDumpFileName(...).
FileOutcome WriteHexDump(const std::string& imagePath, BlockAddress start, const std::string& folder,
                         const std::string& nameCell, const std::string& typeCell,
                         const std::string& sizeCell, TrackBuffer& buffer);

} // namespace dyskel
