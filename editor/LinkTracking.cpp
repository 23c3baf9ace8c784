#include "editor/LinkTracking.h"

#include "core/Uglobal.h"

namespace dyskel {

namespace {

constexpr std::uint16_t FirstBlockData = 252; // after link and load address
constexpr std::uint16_t NextBlockData = 254;  // after the link

} // namespace

TrackStep TrackForward(LinkTracking& t, int track, int sector, const std::uint8_t* block, int dirTrack) {
    TrackStep step;
    t.active = true;
    if (t.depth >= LinkTracking::HistorySize || block[0] == 0) return step;

    if (track != dirTrack) {
        if (t.depth == 0)
            t.position = static_cast<std::uint16_t>(block[2] | (block[3] << 8));
        else
            t.position += t.depth == 1 ? FirstBlockData : NextBlockData;
        step.positionChanged = true;
    }
    t.history[t.depth] = {static_cast<std::uint8_t>(track), static_cast<std::uint8_t>(sector)};
    if (track == dirTrack || t.depth > 0) {
        step.move = true;
        step.track = block[0];
        step.sector = block[1];
    }
    ++t.depth;
    return step;
}

TrackStep TrackBack(LinkTracking& t, int shownTrack, int dirTrack) {
    TrackStep step;
    if (!t.active || t.depth == 0) return step;
    --t.depth;
    if (shownTrack != dirTrack) {
        if (t.depth == 0)
            t.position = 0;
        else
            t.position -= t.depth == 1 ? FirstBlockData : NextBlockData;
        step.positionChanged = true;
    }
    step.move = true;
    step.track = t.history[t.depth].track;
    step.sector = t.history[t.depth].sector;
    return step;
}

void ResetTracking(LinkTracking& t) {
    t.position = 0;
    t.depth = 0;
    t.active = false;
}

} // namespace dyskel
