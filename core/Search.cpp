#include "core/Search.h"

#include "core/DiskHeader.h"
#include "core/FactsCache.h"
#include "core/FileChain.h"
#include "core/FileIO.h"
#include "core/ImageScan.h"
#include "core/Uglobal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace dyskel {

namespace {

// Header bytes of the disk name and its padding byte.
constexpr std::size_t DiskNameLength = 16;
constexpr std::uint8_t Padding = 0xA0;

std::string DiskNameOf(const DiskFormat& f, const Block& header) {
    const auto at = header.begin() + std::ptrdiff_t(f.labelOffset);
    std::string name(at, at + DiskNameLength);
    if (auto pad = name.find(char(Padding)); pad != std::string::npos) name.resize(pad);
    return name;
}

// The format an image file is read as, from its size.
const DiskFormat& FormatOfPath(const std::string& path) {
    struct stat st {};
    return FormatOf(::stat(path.c_str(), &st) == 0 ? std::int64_t(st.st_size) : 0, path);
}

ImageFacts FactsOf(const DiskFormat& f, const Block& header, DirListing listing) {
    ImageFacts facts;
    facts.diskName = DiskNameOf(f, header);
    facts.label = LabelText(f, header);
    facts.entries = std::move(listing.entries);
    if (listing.cut)
        facts.note = "the directory chain is broken" + (listing.note.empty() ? "" : ": " + listing.note);
    return facts;
}

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

FileStamp StampOfStat(const struct stat& st) {
    return {st.st_size, std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Adds the images of one folder, and with recursive those of its subfolders.
// Names are looked up relative to the open folder (fstatat), which costs less
// than a lookup of the whole path.
void WalkFolder(const std::string& folder, bool recursive, const std::atomic<bool>* cancel,
                std::vector<ImageFile>& out) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = folder.ends_with('/') ? folder : folder + '/';
    std::vector<std::string> subfolders;
    while (const dirent* d = ::readdir(dir)) {
        const std::string_view name = d->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (EndsWithD64(name) && d->d_type != DT_DIR && ::fstatat(::dirfd(dir), d->d_name, &st, 0) == 0 &&
            S_ISREG(st.st_mode))
            out.push_back({prefix + d->d_name, StampOfStat(st)});
        else if (recursive &&
                 (d->d_type == DT_DIR ||
                  (d->d_type == DT_UNKNOWN &&
                   ::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))))
            subfolders.push_back(prefix + d->d_name);
    }
    ::closedir(dir);
    for (const std::string& sub : subfolders) {
        if (Cancelled(cancel)) return;
        WalkFolder(sub, recursive, cancel, out);
    }
}

// Calls visit(path, facts) for every image of the folders, from the cache
// where it holds the image unchanged, else from the file (then kept in the
// cache).  Images that cannot be read are told through events.note.
template <class Visit>
SearchStats ForEachImage(const std::vector<std::string>& folders, bool recursive, bool needHashes,
                         const SearchEvents& events, const std::atomic<bool>* cancel, FactsCache* cache,
                         Visit visit) {
    SearchStats stats;
    // The index knows an image by one name however its folder was given:
    // "f", "./f" and "/home/me/f" are the same folder.
    std::vector<std::string> whole;
    for (const std::string& folder : folders) whole.push_back(fileio::NormalFolder(folder));
    const std::vector<ImageFile> files = FindImageFiles(whole, recursive, cancel);
    if (cache) {
        cache->Begin();
        for (const std::string& folder : whole) cache->Preload(folder);
        // A walk that was not stopped saw every image it could reach; the
        // index forgets the images gone since the last search.
        if (!Cancelled(cancel))
            for (const std::string& folder : whole) cache->ForgetGone(folder, recursive, files);
    }
    for (const auto& [path, stamp] : files) {
        if (Cancelled(cancel)) break;
        ++stats.images;
        std::optional<ImageFacts> facts;
        if (cache) facts = cache->Find(path, stamp, needHashes);
        if (facts) {
            ++stats.fromIndex;
        } else {
            Result<ImageFacts> read = ReadImageFacts(path, needHashes, stamp.size);
            if (read) {
                ++stats.read;
                facts = std::move(*read);
                if (cache) cache->Store(path, stamp, *facts);
            } else {
                ++stats.skipped;
                if (events.skipped)
                    events.skipped(path, read.Error());
                else if (events.note)
                    events.note(path, read.Error());
            }
        }
        if (facts) {
            if (!facts->note.empty() && events.note) events.note(path, facts->note);
            visit(path, *facts);
        }
        if (events.progress) events.progress(stats.images, files.size());
    }
    if (cache) cache->Commit();
    stats.cancelled = Cancelled(cancel);
    return stats;
}

// The name bytes up to the padding, as DirEntry::Name without a copy.
std::string_view NameBytes(const DirEntry& e) {
    const std::string_view name(reinterpret_cast<const char*>(e.name.data()), e.name.size());
    return name.substr(0, name.find('\xA0'));
}

bool EntryMatches(const SearchQuery& q, const DirEntry& e, const Sha1Digest* hash) {
    if (q.name && !MatchC64Pattern(*q.name, NameBytes(e))) return false;
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

namespace {

// The facts of an image from its track 18 alone.
Result<ImageFacts> FactsOfTrack18(const std::string& path, const TrackData& track) {
    const auto block = [&](int sector) -> Result<Block> {
        Block b;
        std::copy_n(track.Block(sector), BlockSize, b.begin());
        return b;
    };
    const DiskFormat& f = *track.format;
    const auto read = [&](int sector) -> Result<Block> {
        if (sector < 0 || sector >= f.Sectors(f.dirTrack))
            return Failure{BlockReadError(path, {f.dirTrack, sector},
                                          std::string("a ") + f.name + " image has no such block.")};
        return block(sector);
    };
    Result<DirListing> listing = ListDirectory(read, true, f);
    if (!listing) return Failure{listing.Error()};
    return FactsOf(f, *block(f.headerSector), std::move(*listing));
}

} // namespace

Result<ImageFacts> ReadImageFacts(const std::string& path, bool withHashes, std::int64_t size) {
    // Without hashes the directory track alone tells what a search asks.  An
    // image cut short inside that track is listed from the blocks it holds,
    // as with hashes.  A size the caller took gives the format without
    // another look at the file.
    if (!withHashes) {
        const DiskFormat& format = size >= 0 ? FormatOf(size, path) : FormatOfPath(path);
        if (Result<TrackData> track = ReadTrack(path, &format, format.dirTrack))
            return FactsOfTrack18(path, *track);
    }
    Result<DiskImage> image = DiskImage::Load(path);
    if (!image) return Failure{image.Error()};
    const DiskFormat& f = image->Format();
    Result<Block> header = image->ReadBlock({f.dirTrack, f.headerSector});
    if (!header) return Failure{header.Error()};
    Result<DirListing> listing = ListDirectory(*image, true);
    if (!listing) return Failure{listing.Error()};
    ImageFacts facts = FactsOf(f, *header, std::move(*listing));
    if (!withHashes) return facts;
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

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return StampOfStat(st);
}

std::vector<ImageFile> FindImageFiles(const std::vector<std::string>& folders, bool recursive,
                                      const std::atomic<bool>* cancel) {
    std::vector<ImageFile> files;
    for (const std::string& folder : folders) WalkFolder(folder, recursive, cancel, files);
    std::sort(files.begin(), files.end(),
              [](const ImageFile& a, const ImageFile& b) { return a.path < b.path; });
    files.erase(std::unique(files.begin(), files.end(),
                            [](const ImageFile& a, const ImageFile& b) { return a.path == b.path; }),
                files.end());
    return files;
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
    // Flat tables, sorted once at the end: every file with data bytes, and
    // each disk's set of files (sorted, without repeats) in one run of sets.
    // The deques grow without copying what they hold; the files, sorted
    // once, are a vector.
    struct File {
        Sha1Digest hash;
        std::uint32_t image; // into paths
        std::uint32_t entry; // into entries
    };
    struct Disk {
        std::uint32_t image, first, count; // the set: sets[first, first + count)
    };
    std::vector<std::string> paths;
    std::vector<File> files;
    std::deque<std::pair<int, DirEntry>> entries; // number in the listing, entry
    std::vector<Sha1Digest> set;
    std::deque<Sha1Digest> sets;
    std::vector<Disk> disks;
    SearchStats s =
        ForEachImage(folders, recursive, true, events, cancel, cache,
                     [&](const std::string& path, const ImageFacts& facts) {
                         const auto image = std::uint32_t(paths.size());
                         paths.push_back(path);
                         set.clear();
                         for (std::size_t i = 0; i < facts.hashes.size(); ++i) {
                             // No data bytes, or a separator: no file.
                             if (facts.hashes[i] == empty || facts.entries[i].OwnsNoBlock()) continue;
                             files.push_back({facts.hashes[i], image, std::uint32_t(entries.size())});
                             entries.emplace_back(int(i) + 1, facts.entries[i]);
                             set.push_back(facts.hashes[i]);
                         }
                         std::sort(set.begin(), set.end());
                         set.erase(std::unique(set.begin(), set.end()), set.end());
                         if (set.empty()) return;
                         disks.push_back({image, std::uint32_t(sets.size()), std::uint32_t(set.size())});
                         sets.insert(sets.end(), set.begin(), set.end());
                     });
    if (stats) *stats = s;
    DuplicateGroups groups;
    // Files: equal hashes side by side, each run in the order walked (the
    // entries were numbered in that order).
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) {
        const int order = std::memcmp(a.hash.data(), b.hash.data(), a.hash.size());
        return order != 0 ? order < 0 : a.entry < b.entry;
    });
    for (std::size_t i = 0, j; i < files.size(); i = j) {
        for (j = i + 1; j < files.size() && files[j].hash == files[i].hash;) ++j;
        if (j - i < 2) continue;
        std::vector<SearchHit>& group = groups.files.emplace_back();
        for (std::size_t k = i; k < j; ++k) {
            const auto& [number, entry] = entries[files[k].entry];
            group.push_back({paths[files[k].image], number, entry});
        }
    }
    // Disks: equal sets side by side, each run in the order walked.
    const auto begin = [&](const Disk& d) { return sets.begin() + std::ptrdiff_t(d.first); };
    const auto end = [&](const Disk& d) { return begin(d) + std::ptrdiff_t(d.count); };
    std::stable_sort(disks.begin(), disks.end(), [&](const Disk& a, const Disk& b) {
        return std::lexicographical_compare(begin(a), end(a), begin(b), end(b));
    });
    for (std::size_t i = 0, j; i < disks.size(); i = j) {
        const Disk& first = disks[i];
        for (j = i + 1;
             j < disks.size() && std::equal(begin(disks[j]), end(disks[j]), begin(first), end(first));)
            ++j;
        if (j - i < 2) continue;
        std::vector<std::string>& group = groups.disks.emplace_back();
        for (std::size_t k = i; k < j; ++k) group.push_back(paths[disks[k].image]);
    }
    // Groups in the order of their first member, as the files were walked.
    std::sort(groups.files.begin(), groups.files.end(), [](const auto& a, const auto& b) {
        return std::tie(a[0].path, a[0].number) < std::tie(b[0].path, b[0].number);
    });
    std::sort(groups.disks.begin(), groups.disks.end());
    return groups;
}

} // namespace dyskel
