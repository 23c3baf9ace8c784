#include "core/Search.h"

#include "core/DiskHeader.h"
#include "core/FactsCache.h"
#include "core/FileChain.h"
#include "core/FileIO.h"
#include "core/Uglobal.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace dyskel {

namespace fs = std::filesystem;

namespace {

// Header bytes of the disk name and its padding byte.
constexpr std::size_t DiskNameOffset = 0x90;
constexpr std::size_t DiskNameLength = 16;
constexpr std::uint8_t Padding = 0xA0;

// Listing names of the type codes a search can ask for.
constexpr std::array<const char*, 5> SearchTypeNames = {"DEL", "SEQ", "PRG", "USR", "REL"};

std::string DiskNameOf(const Block& header) {
    std::string name(header.begin() + DiskNameOffset, header.begin() + DiskNameOffset + DiskNameLength);
    if (auto pad = name.find(char(Padding)); pad != std::string::npos) name.resize(pad);
    return name;
}

ImageFacts FactsOf(const Block& header, DirListing listing) {
    ImageFacts facts;
    facts.diskName = DiskNameOf(header);
    facts.label = LabelText(header);
    facts.entries = std::move(listing.entries);
    if (listing.cut)
        facts.note = "the directory chain is broken" + (listing.note.empty() ? "" : ": " + listing.note);
    return facts;
}

bool IsD64Name(const fs::path& p) {
    std::string ext = p.extension().string();
    return ext.size() == 4 && ext[0] == '.' && (ext[1] | 0x20) == 'd' && ext[2] == '6' && ext[3] == '4';
}

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// Calls visit(path, facts) for every image of the folders, from the cache
// where it holds the image unchanged, else from the file (then kept in the
// cache).  Images that cannot be read are told through events.note.
template <class Visit>
SearchStats ForEachImage(const std::vector<std::string>& folders, bool recursive, bool needHashes,
                         const SearchEvents& events, const std::atomic<bool>* cancel, FactsCache* cache,
                         Visit visit) {
    SearchStats stats;
    const std::vector<std::string> paths = FindImageFiles(folders, recursive, cancel);
    if (cache) cache->Begin();
    for (const std::string& path : paths) {
        if (Cancelled(cancel)) break;
        ++stats.images;
        const std::optional<FileStamp> stamp = StampOf(path);
        std::optional<ImageFacts> facts;
        if (stamp && cache) facts = cache->Find(path, *stamp, needHashes);
        if (!facts) {
            Result<ImageFacts> read = ReadImageFacts(path, needHashes);
            ++stats.read;
            if (read) {
                facts = std::move(*read);
                if (stamp && cache) cache->Store(path, *stamp, *facts);
            } else {
                ++stats.skipped;
                if (events.note) events.note(path, read.Error());
            }
        }
        if (facts) {
            if (!facts->note.empty() && events.note) events.note(path, facts->note);
            visit(path, *facts);
        }
        if (events.progress) events.progress(stats.images, paths.size());
    }
    if (cache) cache->Commit();
    stats.cancelled = Cancelled(cancel);
    return stats;
}

bool EntryMatches(const SearchQuery& q, const DirEntry& e, const Sha1Digest* hash) {
    if (q.name && !MatchC64Pattern(*q.name, e.Name())) return false;
    if (q.type && e.TypeCode() != *q.type) return false;
    if (q.minBlocks && e.blocks < *q.minBlocks) return false;
    if (q.maxBlocks && e.blocks > *q.maxBlocks) return false;
    if (q.sameAs && (!hash || *hash != *q.sameAs)) return false;
    return true;
}

} // namespace

bool MatchC64Pattern(std::string_view pattern, std::string_view name) {
    // Greedy match with one back-track point: the last "*" seen.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

Result<ImageFacts> ReadImageFacts(const std::string& path, bool withHashes) {
    if (!withHashes) {
        if (fileio::RegularFileSize(path) < 0)
            return Failure{"The image \"" + path + "\" is no readable regular file."};
        Result<TrackData> track = ReadTrack(path, DirTrack);
        if (!track) return Failure{track.Error()};
        const auto block = [&](int sector) -> Result<Block> {
            Block b;
            std::copy_n(track->Block(sector), BlockSize, b.begin());
            return b;
        };
        const auto read = [&](int sector) -> Result<Block> {
            if (sector < 0 || sector >= SectorsPerTrack(DirTrack))
                return Failure{BlockReadError(path, {DirTrack, sector}, "a D64 image has no such block.")};
            return block(sector);
        };
        Result<DirListing> listing = ListDirectory(read, true);
        if (!listing) return Failure{listing.Error()};
        return FactsOf(*block(0), std::move(*listing));
    }
    Result<DiskImage> image = DiskImage::Load(path);
    if (!image) return Failure{image.Error()};
    Result<Block> header = image->ReadBlock({DirTrack, 0});
    if (!header) return Failure{header.Error()};
    Result<DirListing> listing = ListDirectory(*image, true);
    if (!listing) return Failure{listing.Error()};
    ImageFacts facts = FactsOf(*header, std::move(*listing));
    for (const DirEntry& e : facts.entries) {
        Sha1 sha;
        WalkChain(*image, e.first, ExportBlockLimit, [&](BlockAddress, const Block& b, int) {
            sha.Add(b.data() + 2, DataBytesInBlock(b));
            return true;
        });
        facts.hashes.push_back(sha.Finish());
    }
    return facts;
}

Result<Sha1Digest> HostFileSha1(const std::string& path) {
    fileio::Fd in = fileio::Fd::OpenRead(path);
    if (!in.IsOpen()) return Failure{"The file \"" + path + "\" could not be opened: " + fileio::LastError()};
    Sha1 sha;
    std::array<std::uint8_t, 65536> buffer;
    for (;;) {
        errno = 0;
        const std::size_t got = fileio::ReadSome(in.Get(), buffer.data(), buffer.size());
        if (got == 0) {
            if (errno != 0) return Failure{"Reading \"" + path + "\" failed: " + fileio::LastError()};
            break;
        }
        sha.Add(buffer.data(), got);
    }
    return sha.Finish();
}

std::optional<std::uint8_t> FileTypeCode(std::string_view name) {
    for (std::size_t i = 0; i < SearchTypeNames.size(); ++i)
        if (name == SearchTypeNames[i]) return static_cast<std::uint8_t>(i);
    return std::nullopt;
}

std::vector<std::string> FindImageFiles(const std::vector<std::string>& folders, bool recursive,
                                        const std::atomic<bool>* cancel) {
    std::vector<std::string> paths;
    const auto take = [&](const fs::directory_entry& e) {
        std::error_code ec;
        if (IsD64Name(e.path()) && e.is_regular_file(ec)) paths.push_back(e.path().string());
    };
    for (const std::string& folder : folders) {
        std::error_code ec;
        constexpr auto opts = fs::directory_options::skip_permission_denied;
        if (recursive) {
            for (fs::recursive_directory_iterator it(folder, opts, ec), end; !ec && it != end;
                 it.increment(ec)) {
                if (Cancelled(cancel)) return paths;
                take(*it);
            }
        } else {
            for (fs::directory_iterator it(folder, opts, ec), end; !ec && it != end; it.increment(ec))
                take(*it);
        }
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

SearchStats SearchImages(const SearchQuery& query, const SearchEvents& events,
                         const std::atomic<bool>* cancel, FactsCache* cache) {
    const bool needHashes = query.sameAs.has_value();
    return ForEachImage(query.folders, query.recursive, needHashes, events, cancel, cache,
                        [&](const std::string& path, const ImageFacts& facts) {
                            if (query.label && !MatchC64Pattern(*query.label, facts.diskName)) return;
                            for (std::size_t i = 0; i < facts.entries.size(); ++i) {
                                const Sha1Digest* hash = i < facts.hashes.size() ? &facts.hashes[i] : nullptr;
                                if (EntryMatches(query, facts.entries[i], hash) && events.hit)
                                    events.hit({path, int(i) + 1, facts.entries[i]});
                            }
                        });
}

DuplicateGroups FindDuplicates(const std::vector<std::string>& folders, bool recursive,
                               const SearchEvents& events, const std::atomic<bool>* cancel, FactsCache* cache,
                               SearchStats* stats) {
    const Sha1Digest empty = Sha1Of(nullptr, 0);
    std::map<Sha1Digest, std::vector<SearchHit>> byHash;
    std::map<std::vector<Sha1Digest>, std::vector<std::string>> bySet;
    SearchStats s =
        ForEachImage(folders, recursive, true, events, cancel, cache,
                     [&](const std::string& path, const ImageFacts& facts) {
                         std::vector<Sha1Digest> set;
                         for (std::size_t i = 0; i < facts.hashes.size(); ++i) {
                             if (facts.hashes[i] == empty) continue; // no data bytes
                             byHash[facts.hashes[i]].push_back({path, int(i) + 1, facts.entries[i]});
                             set.push_back(facts.hashes[i]);
                         }
                         std::sort(set.begin(), set.end());
                         set.erase(std::unique(set.begin(), set.end()), set.end());
                         if (!set.empty()) bySet[set].push_back(path);
                     });
    if (stats) *stats = s;
    DuplicateGroups groups;
    for (auto& [hash, hits] : byHash)
        if (hits.size() > 1) groups.files.push_back(std::move(hits));
    for (auto& [set, paths] : bySet)
        if (paths.size() > 1) groups.disks.push_back(std::move(paths));
    // Groups in the order of their first member, as the files were walked.
    std::sort(groups.files.begin(), groups.files.end(), [](const auto& a, const auto& b) {
        return std::tie(a[0].path, a[0].number) < std::tie(b[0].path, b[0].number);
    });
    std::sort(groups.disks.begin(), groups.disks.end());
    return groups;
}

} // namespace dyskel
