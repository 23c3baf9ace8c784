// Searching whole folders of images: which disk holds a file of this name,
// type, size or content, and which files and disks are the same.  Results
// stream through callbacks; a flag stops the work; an image that cannot be
// read is skipped with a note.  What is read of each image may be kept in a
// FactsCache, so that an unchanged tree is searched without reading images.
#pragma once

#include "core/Directory.h"
#include "core/Result.h"
#include "core/Sha1.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dyskel {

class FactsCache;

// A name matched as the drive matches file names, on the name bytes: "?"
// stands for any one byte, "*" for any run of bytes (so "AB*" takes every
// name starting with AB, as on the drive); every other byte stands for
// itself, case as typed.
bool MatchC64Pattern(std::string_view pattern, std::string_view name);

// What a search knows of one image.
struct ImageFacts {
    std::string diskName;          // header bytes 0x90 on, up to the 0xA0 padding
    std::string label;             // LabelText of the header block
    std::vector<DirEntry> entries; // the listing, scratched entries left out
    // Per entry, the SHA-1 of its data bytes along its chain (as a PRG export
    // writes them); empty when the image's files were not read.
    std::vector<Sha1Digest> hashes;
    std::string note; // why the directory was cut, when it was
};

// Reads the header and directory blocks (the directory track only), and with withHashes
// the whole image to hash every entry's chain.
// size: the file's, when the caller took it (-1: looked up).
[[nodiscard]] Result<ImageFacts> ReadImageFacts(const std::string& path, bool withHashes,
                                                std::int64_t size = -1);

// The SHA-1 of a host file's bytes, as a search for the same file compares it.
[[nodiscard]] Result<Sha1Digest> HostFileSha1(const std::string& path);

struct SearchQuery {
    std::vector<std::string> folders;
    bool recursive = false;
    std::optional<std::string> name;                   // a pattern of name bytes
    std::optional<std::string> label;                  // a pattern of disk name bytes
    std::optional<std::uint8_t> type;                  // a type code, 0 (DEL) to 4 (REL)
    std::optional<std::uint16_t> minBlocks, maxBlocks; // the size shown, in blocks
    std::optional<Sha1Digest> sameAs;                  // the SHA-1 of the file's data bytes
};

// One entry found: the image, the entry's number in the listing, the entry.
struct SearchHit {
    std::string path;
    int number = 0;
    DirEntry entry;
};

struct SearchEvents {
    std::function<void(const SearchHit&)> hit;
    std::function<void(const std::string& path, const std::string& note)> note; // an image skipped or cut
    // An image that could not be read, and why; when unset, told through note.
    std::function<void(const std::string& path, const std::string& why)> skipped;
    std::function<void(std::size_t done, std::size_t total)> progress; // images looked at
};

struct SearchStats {
    // images == read + fromIndex + skipped
    std::size_t images = 0;    // images looked at
    std::size_t read = 0;      // images read from their files (a cut directory too)
    std::size_t fromIndex = 0; // images the index held unchanged, not read
    std::size_t skipped = 0;   // images that could not be read
    bool cancelled = false;
};

// A file's size and modification time (nanoseconds): what the index is keyed
// by besides the path.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// nullopt when the path names no regular file.
std::optional<FileStamp> StampOf(const std::string& path);

struct ImageFile {
    std::string path;
    FileStamp stamp;
};

// The ".d64" files of the folders (any letter case, regular files, also
// through a symbolic link), with subfolders when recursive (a linked folder is
// not entered), sorted by path.
std::vector<ImageFile> FindImageFiles(const std::vector<std::string>& folders, bool recursive,
                                      const std::atomic<bool>* cancel = nullptr);

// Every entry of every image of the folders that matches all parts of the
// query; hits come in path and listing order.
SearchStats SearchImages(const SearchQuery& query, const SearchEvents& events,
                         const std::atomic<bool>* cancel = nullptr, FactsCache* cache = nullptr);

// Files with the same data bytes (two or more, any name, any place), and disks
// holding the same set of files (whatever their label, ID or layout).
struct DuplicateGroups {
    std::vector<std::vector<SearchHit>> files;
    std::vector<std::vector<std::string>> disks;
};
DuplicateGroups FindDuplicates(const std::vector<std::string>& folders, bool recursive,
                               const SearchEvents& events, const std::atomic<bool>* cancel = nullptr,
                               FactsCache* cache = nullptr, SearchStats* stats = nullptr);

} // namespace dyskel
