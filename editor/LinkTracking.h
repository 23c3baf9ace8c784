// Link tracking: following the track/sector links of a file block by block
// from the block on show, with the C64 load address of each block's data.
//
// Every block of a file or of the directory starts with a link: byte 0 the
// track, byte 1 the sector of the next block; a track byte of 0 marks the
// last block.  The first block of a program file carries its load address in
// bytes 2 (low) and 3 (high) and 252 data bytes after it, every later block
// 254 data bytes after its link.
#pragma once

#include <array>
#include <cstdint>

namespace dyskel {

struct BlockRef {
    std::uint8_t track = 0;
    std::uint8_t sector = 0;
};

struct LinkTracking {
    static constexpr int HistorySize = 512;

    bool active = false;                         // set by the first forward step; back works only then
    std::uint16_t depth = 0;                     // entries in the history
    std::array<BlockRef, HistorySize> history{}; // blocks forward steps were taken from
    std::uint16_t position = 0;                  // load address of the shown block's data, wraps at 64K
};

// What the window does after a step: move to a block (track first, then the
// sector) and show the position when it changed.
struct TrackStep {
    bool move = false;
    int track = 0;
    int sector = 0;
    bool positionChanged = false;
};

// A forward step from the shown block (track, sector) whose 256 bytes are
// block.  The first step on a block outside the directory track (18; 40 on
// a D81) only records it and takes its load address; later steps move along
// the link.  On the directory track every
// step moves and the position stays.  Nothing moves at a link track of 0 or
// with a full history.
TrackStep TrackForward(LinkTracking& t, int track, int sector, const std::uint8_t* block, int dirTrack = 18);

// A back step from a block of shownTrack: returns to the block the last
// forward step was taken from.  Does nothing before the first forward step or
// with an empty history.
TrackStep TrackBack(LinkTracking& t, int shownTrack, int dirTrack = 18);

// Forgets the way taken: position and depth 0, tracking off.
void ResetTracking(LinkTracking& t);

} // namespace dyskel
