#include "core/Validate.h"

#include "core/DiskEdits.h"
#include "core/FileChain.h"
#include "core/FormatCheck.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace dyskel {

namespace {

constexpr std::size_t GeosSignatureOffset = 0xAD;
constexpr const char GeosSignature[] = "GEOS format";
constexpr int VlirRecords = 127;

bool GeosDisk(const Block& header) {
    return std::memcmp(header.data() + GeosSignatureOffset, GeosSignature, sizeof GeosSignature - 1) == 0;
}

// A chain of the entry broke: where, and how.
using BreakSink = std::function<void(FindingKind kind, BlockAddress at)>;

// Every block of the entry in the order it is read: GEOS info block, VLIR
// index and records, REL side sectors, then the data chain.  The entry's
// bytes 0x15 to 0x18 come from its directory block; its type byte is e's.
std::vector<BlockAddress> WalkEntry(const DiskImage& image, bool geos, const DirEntry& e,
                                    const BreakSink& broke) {
    std::vector<BlockAddress> blocks;
    if (e.OwnsNoBlock()) return blocks;
    Block dir{};
    if (Result<Block> d = image.ReadBlock({image.Format().dirTrack, e.sector})) dir = *d;
    auto raw = [&](int i) { return e.offset + i < BlockSize ? dir[std::size_t(e.offset + i)] : 0; };
    auto chain = [&](BlockAddress start) {
        ChainWalk walk;
        for (BlockAddress at : ChainBlocks(image, start, &walk)) blocks.push_back(at);
        if (walk.end == ChainEnd::Loop) broke(FindingKind::ChainLoop, walk.last);
        if (walk.end == ChainEnd::BadLink) broke(FindingKind::ChainBadLink, walk.last);
    };
    const bool geosFile = geos && raw(0x18) != 0 && e.TypeCode() != std::uint8_t(FileType::Rel);
    if (geosFile && raw(0x15)) chain({raw(0x15), raw(0x16)});
    if (geosFile && raw(0x17) == 1) {
        Result<Block> index = image.ReadBlock(e.first);
        if (!index) {
            broke(FindingKind::ChainBadLink, e.first);
            return blocks;
        }
        blocks.push_back(e.first);
        for (int i = 0; i < VlirRecords; ++i) {
            const BlockAddress rec{(*index)[std::size_t(2 + 2 * i)], (*index)[std::size_t(3 + 2 * i)]};
            if (rec.track) chain(rec);
        }
        return blocks;
    }
    if (e.Partition()) {
        // A partition owns its blocks one after another, track by track.
        const DiskFormat& f = image.Format();
        BlockAddress at = e.first;
        for (int i = 0; i < e.blocks && ValidBlock(f, at); ++i) {
            blocks.push_back(at);
            at = at.sector + 1 < f.Sectors(at.track) ? BlockAddress{at.track, at.sector + 1}
                                                     : BlockAddress{at.track + 1, 0};
        }
        if (int(blocks.size()) < e.blocks) broke(FindingKind::ChainBadLink, at);
        return blocks;
    }
    // A REL file's side sectors; on a D81 the chain starts at its super side
    // sector, which links to the first side sector.
    if (e.TypeCode() == std::uint8_t(FileType::Rel) && raw(0x15)) chain({raw(0x15), raw(0x16)});
    chain(e.first);
    return blocks;
}

class Checker {
  public:
    Checker(const DiskImage& image, const Block& header, ValidationReport& report)
        : image_(image), header_(header), r_(report) {}

    void Claim(BlockAddress at, OwnerKind kind, int entry, int index) {
        if (!ValidBlock(image_.Format(), at)) return;
        BlockOwner& o = r_.owners[std::size_t(at.track)][std::size_t(at.sector)];
        r_.claimants[std::size_t(at.track)][std::size_t(at.sector)].push_back(
            kind == OwnerKind::File ? entry : -int(kind));
        if (++o.claims == 1) {
            o.kind = kind, o.entry = entry, o.index = index;
        } else if (o.claims == 2) {
            r_.findings.push_back(
                {FindingKind::CrossLinked, at, entry, o.kind == OwnerKind::File ? o.entry : 0});
        }
    }

    void Directory() {
        const DiskFormat& f = image_.Format();
        // The header and BAM blocks.
        Claim({f.dirTrack, f.headerSector}, OwnerKind::Bam, 0, 1);
        for (int i = 0; i < f.bamBlocks; ++i) {
            const BlockAddress bam{f.bamAt[std::size_t(2 * i)], f.bamAt[std::size_t(2 * i + 1)]};
            if (bam != BlockAddress{f.dirTrack, f.headerSector}) Claim(bam, OwnerKind::Bam, 0, i + 1);
        }
        std::vector<BlockAddress> walked;
        BlockAddress at{f.dirTrack, f.firstDirSector};
        while (image_.HoldsBlock(at)) {
            walked.push_back(at);
            Result<Block> block = image_.ReadBlock(at);
            if (!block || (*block)[0] == 0) break;
            const BlockAddress next{(*block)[0], (*block)[1]};
            if (next.track != f.dirTrack || !ValidBlock(f, next)) {
                r_.findings.push_back({FindingKind::DirLeavesTrack18, next});
                break;
            }
            if (std::find(walked.begin(), walked.end(), next) != walked.end()) {
                r_.findings.push_back({FindingKind::DirLoop, next});
                break;
            }
            at = next;
        }
        for (std::size_t i = 0; i < walked.size(); ++i) Claim(walked[i], OwnerKind::Directory, 0, int(i) + 1);
    }

    void Files() {
        for (std::size_t i = 0; i < r_.entries.size(); ++i) {
            const int number = int(i) + 1;
            const DirEntry& e = r_.entries[i];
            std::vector<BlockAddress> blocks =
                WalkEntry(image_, r_.geos, e, [&](FindingKind kind, BlockAddress at) {
                    r_.findings.push_back({kind, at, number});
                });
            for (std::size_t k = 0; k < blocks.size(); ++k) {
                Claim(blocks[k], OwnerKind::File, number, int(k) + 1);
                BlockOwner& o = r_.owners[std::size_t(blocks[k].track)][std::size_t(blocks[k].sector)];
                if (o.entry == number) o.count = int(blocks.size());
            }
            if (int(blocks.size()) != e.blocks)
                r_.findings.push_back(
                    {FindingKind::SizeMismatch, e.first, number, 0, e.blocks, int(blocks.size())});
            r_.entryBlocks.push_back(std::move(blocks));
        }
        if (r_.geos && (header_[0xAB] || header_[0xAC]))
            Claim({header_[0xAB], header_[0xAC]}, OwnerKind::GeosBorder, 0, 1);
    }

    // The 1571 keeps all of track 53 for the BAM of side two: its blocks no
    // file owns are the BAM's (other tools put files there; those stay the
    // files').
    void FlipSide() {
        const DiskFormat& f = image_.Format();
        for (int s = 0; f.flipDirTrack && s < f.Sectors(f.flipDirTrack); ++s)
            if (r_.Owner({f.flipDirTrack, s}).claims == 0) Claim({f.flipDirTrack, s}, OwnerKind::Bam, 0, 1);
    }

    void CheckBam(const dyskel::Bam& bam) {
        for (int t = 1; t <= r_.lastBamTrack; ++t) {
            int freeBits = 0;
            for (int s = 0; s < bam.format->Sectors(t); ++s) {
                const bool free = BamBlockFree(bam, {t, s});
                freeBits += free;
                const BlockOwner& o = r_.owners[std::size_t(t)][std::size_t(s)];
                if (o.claims && free)
                    r_.findings.push_back(
                        {FindingKind::UsedButFree, {t, s}, o.kind == OwnerKind::File ? o.entry : 0});
                if (!o.claims && !free) r_.findings.push_back({FindingKind::Orphan, {t, s}});
            }
            const int count = bam.Count(t);
            if (count != freeBits)
                r_.findings.push_back({FindingKind::TrackCount, {t, 0}, 0, 0, count, freeBits});
        }
    }

  private:
    const DiskImage& image_;
    const Block& header_;
    ValidationReport& r_;
};

std::string Shown(const NameFormat& format, const std::string& bytes) {
    return format ? format(bytes) : bytes;
}

std::string EntryText(const ValidationReport& report, int number, const NameFormat& name) {
    if (number < 1 || number > int(report.entries.size())) return "";
    return "entry " + std::to_string(number) + " \"" +
           Shown(name, report.entries[std::size_t(number - 1)].Name()) + "\"";
}

} // namespace

std::optional<FindingKind> ValidationReport::Flag(BlockAddress at) const {
    for (const Finding& f : findings)
        if (f.block == at && (f.kind == FindingKind::UsedButFree || f.kind == FindingKind::Orphan ||
                              f.kind == FindingKind::CrossLinked))
            return f.kind;
    return std::nullopt;
}

int ValidationReport::Row(const DirEntry& entry) const {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].sector == entry.sector && entries[i].offset == entry.offset) return int(i) + 1;
    return 0;
}

std::vector<int> ValidationReport::OtherOwners(BlockAddress at, int row) const {
    std::vector<int> others;
    if (!AnyFormatBlock(at.track, at.sector)) return others;
    for (int c : claimants[std::size_t(at.track)][std::size_t(at.sector)])
        if (c != row && std::find(others.begin(), others.end(), c) == others.end()) others.push_back(c);
    return others;
}

EntryBlockList EntryBlocksOf(const DiskImage& image, const DirEntry& entry) {
    EntryBlockList list;
    const DiskFormat& f = image.Format();
    Result<Block> header = image.ReadBlock({f.dirTrack, f.headerSector});
    list.blocks = WalkEntry(image, f.kind != FormatKind::D81 && header && GeosDisk(*header), entry,
                            [&](FindingKind, BlockAddress) { list.broken = true; });
    return list;
}

std::string OwnerName(const ValidationReport& report, int claimant, const NameFormat& name) {
    if (claimant > 0) return EntryText(report, claimant, name);
    switch (OwnerKind(-claimant)) {
    case OwnerKind::Bam:
        return "the BAM";
    case OwnerKind::Directory:
        return "the directory";
    case OwnerKind::GeosBorder:
        return "the GEOS border block";
    default:
        return "";
    }
}

Result<ValidationReport> ValidateImage(const DiskImage& image) {
    const DiskFormat& f = image.Format();
    Result<Block> header = image.ReadBlock({f.dirTrack, f.headerSector});
    if (!header) return Failure{header.Error()};
    Result<Bam> bam = ReadBam(image);
    if (!bam) return Failure{bam.Error()};
    ValidationReport report;
    Result<DirListing> listing = ListDirectory(image, true);
    if (listing) report.entries = listing->entries;
    report.geos = f.kind != FormatKind::D81 && GeosDisk(*header);
    report.lastBamTrack =
        f.kind == FormatKind::D64 ? LastBamTrack(*header, image.Tracks()) : LastBamTrack(*bam);
    Checker check(image, *header, report);
    check.Directory();
    check.Files();
    check.FlipSide();
    check.CheckBam(*bam);
    for (HeaderFault& fault : HeaderFaultsAt(image))
        report.findings.push_back({FindingKind::Header, fault.at, 0, 0, 0, 0, std::move(fault.text)});
    return report;
}

const char* FindingKindName(FindingKind kind) {
    switch (kind) {
    case FindingKind::ChainLoop:
        return "loop";
    case FindingKind::ChainBadLink:
        return "bad-link";
    case FindingKind::SizeMismatch:
        return "size";
    case FindingKind::UsedButFree:
        return "used-but-free";
    case FindingKind::Orphan:
        return "orphan";
    case FindingKind::CrossLinked:
        return "cross-linked";
    case FindingKind::TrackCount:
        return "track-count";
    case FindingKind::DirLoop:
        return "dir-loop";
    case FindingKind::DirLeavesTrack18:
        return "dir-off-track";
    case FindingKind::Header:
        return "header";
    }
    return "";
}

std::string FindingText(const ValidationReport& report, const Finding& f, const NameFormat& name) {
    const std::string entry = EntryText(report, f.entry, name);
    const std::string at = BlockText(f.block);
    switch (f.kind) {
    case FindingKind::ChainLoop:
        return entry + ": the chain loops at " + at;
    case FindingKind::ChainBadLink:
        return entry + ": the chain links outside the disk (" + at + ")";
    case FindingKind::SizeMismatch:
        return entry + ": the entry says " + BlockCountText(f.expected) + ", the chain holds " +
               std::to_string(f.actual);
    case FindingKind::UsedButFree:
        // Track 18 of a D64 is the directory's; the BAM's other blocks (a
        // D71's track 53, a D81's 40/1 and 40/2) are kept for the BAM.
        if (!f.entry && report.Owner(f.block).kind == OwnerKind::Bam && f.block != BlockAddress{18, 0})
            return at + ": kept for the BAM but free in the BAM";
        return at + ": used by " + (f.entry ? entry : "the directory") + " but free in the BAM";
    case FindingKind::Orphan:
        return at + ": marked used in the BAM, but nothing owns it";
    case FindingKind::CrossLinked:
        return at + ": claimed by " + entry + " and by " +
               (f.other ? EntryText(report, f.other, name) : OwnerText(report, f.block, name));
    case FindingKind::TrackCount:
        return "track " + std::to_string(f.block.track) + ": the BAM counts " + std::to_string(f.expected) +
               " free, its bitmap " + std::to_string(f.actual);
    case FindingKind::DirLoop:
        return "the directory chain loops at " + at;
    case FindingKind::DirLeavesTrack18:
        return "the directory chain leaves track 18 (" + at + ")";
    case FindingKind::Header:
        return f.text;
    }
    return "";
}

std::string ValidationSummary(const ValidationReport& report) {
    if (report.Clean()) return "clean";
    std::array<int, FindingKinds> counts{};
    for (const Finding& f : report.findings) ++counts[std::size_t(f.kind)];
    const std::size_t n = report.findings.size();
    std::string text = std::to_string(n) + (n == 1 ? " finding:" : " findings:");
    const char* sep = " ";
    for (std::size_t k = 0; k < counts.size(); ++k)
        if (counts[k]) {
            text += sep + std::to_string(counts[k]) + " " + FindingKindName(FindingKind(k));
            sep = ", ";
        }
    return text;
}

std::string OwnerText(const ValidationReport& report, BlockAddress at, const NameFormat& name) {
    if (!AnyFormatBlock(at.track, at.sector)) return "";
    const BlockOwner& o = report.Owner(at);
    switch (o.kind) {
    case OwnerKind::None:
        return "";
    case OwnerKind::Bam:
        return "BAM";
    case OwnerKind::Directory:
        return "directory";
    case OwnerKind::GeosBorder:
        return "GEOS border block";
    case OwnerKind::File:
        return "\"" + Shown(name, report.entries[std::size_t(o.entry - 1)].Name()) + "\", block " +
               std::to_string(o.index) + " of " + std::to_string(o.count);
    }
    return "";
}

Bam BamFromOwners(const Bam& bam, const ValidationReport& report) {
    Bam out = bam;
    for (int t = 1; t <= report.lastBamTrack; ++t) {
        const BamRun* run = out.layout.RunOf(t);
        if (!run) continue;
        std::uint64_t bits = 0;
        for (int s = 0; s < out.format->Sectors(t); ++s)
            if (report.Owner({t, s}).claims == 0) bits |= std::uint64_t(1) << s;
        out.bytes[out.layout.Entry(t)] = std::uint8_t(std::popcount(bits));
        const std::size_t map = out.layout.Map(t);
        for (int i = 0; i < run->mapBytes; ++i)
            out.bytes[map + std::size_t(i)] = std::uint8_t(bits >> (8 * i));
    }
    return out;
}

Block BamFromOwners(const Block& header, const ValidationReport& report) {
    return BamFromOwners(D64Bam(header, MaxTracks), report).BlockAt(0);
}

ImageEdit FixBam() {
    return [](const DiskImage& image) -> Result<EditPlan> {
        Result<ValidationReport> report = ValidateImage(image);
        if (!report) return Failure{report.Error() + " Nothing was written."};
        for (const Finding& f : report->findings)
            if (f.kind == FindingKind::DirLoop || f.kind == FindingKind::DirLeavesTrack18)
                return Failure{"The directory chain is broken; the BAM was not rewritten, for files past the "
                               "break would lose their blocks. Nothing was written."};
        // A D71's or D81's header and BAM blocks mended first, then the BAM
        // rewritten over them.
        EditPlan plan{MendHeader(image), "Rewrite the BAM from what the files own", {}};
        DiskImage work = DiskImage::FromBytes(image.Path(), image.Bytes());
        for (const BlockChange& c : plan.changes) work.PutBlock(c.at, c.bytes);
        Result<Bam> bam = ReadBam(work);
        if (!bam) return Failure{bam.Error() + " Nothing was written."};
        const Bam fixed = BamFromOwners(*bam, *report);
        for (int i = 0; i < fixed.BlockCount(); ++i)
            if (image.HoldsBlock(fixed.At(i))) PutChange(plan.changes, fixed.At(i), fixed.BlockAt(i));
        return plan;
    };
}

} // namespace dyskel
