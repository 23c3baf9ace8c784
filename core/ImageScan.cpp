#include "core/ImageScan.h"

#include "core/DiskHeader.h"
#include "core/FileIO.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace dyskel {

namespace {

// The entry as a folder search reports it.  Linux knows no archive or system
// bit: read-only means the owner may not write, hidden a leading dot.
ImageEntry EntryFromStat(const std::string& name, const struct stat* st) {
    ImageEntry e;
    e.name = name;
    if (!name.empty() && name[0] == '.') e.attributes |= AttrHidden;
    if (!st) return e;
    if (S_ISDIR(st->st_mode))
        e.attributes |= AttrDirectory;
    else
        e.size = static_cast<std::int64_t>(st->st_size);
    if (!(st->st_mode & S_IWUSR)) e.attributes |= AttrReadOnly;
    e.mtime = static_cast<std::int64_t>(st->st_mtime);
    return e;
}

} // namespace

bool EndsWithD64(std::string_view name) {
    if (name.size() < 4) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".d64";
}

std::vector<ImageEntry> ListImages(const std::string& folder,
                                   const std::function<void(int percent)>& progress) {
    std::vector<ImageEntry> found;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return found;
    while (const dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (!EndsWithImageExtension(name)) continue;
        // Looked up relative to the open folder: no path walk per entry.
        struct stat st {};
        bool known = ::fstatat(::dirfd(dir), d->d_name, &st, 0) == 0;
        found.push_back(EntryFromStat(name, known ? &st : nullptr));
        // The share of a 2000-entry list in use, as the gauge has always shown it.
        if (found.size() > 1 && progress)
            progress(static_cast<int>(std::min<std::size_t>(100, found.size() / 20)));
    }
    ::closedir(dir);
    return found;
}

void SortImages(std::vector<ImageEntry>& images, const std::string& key) {
    if (key != "NAME") return;
    // The order of the entries is found first, then each is moved once.
    // std::string compares its bytes as unsigned char (memcmp).
    std::vector<std::size_t> order(images.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return images[a].name < images[b].name; });
    std::vector<ImageEntry> sorted;
    sorted.reserve(images.size());
    for (std::size_t i : order) sorted.push_back(std::move(images[i]));
    images = std::move(sorted);
}

DiskLabel ReadDiskLabel(const std::string& folder, const ImageEntry& entry) {
    DiskLabel label;
    // The listing's stat of the file tells whether it holds the header block
    // (a folder, a device or a pipe has no size), so it is not asked again.
    const DiskFormat& format = FormatOf(entry.size, entry.name);
    const std::int64_t headerOffset = BlockOffset(format, {format.dirTrack, format.headerSector});
    if ((entry.attributes & AttrDirectory) || headerOffset + BlockSize > BlockBytesOfSize(entry.size))
        return label;
    const std::string path =
        folder.empty() ? entry.name : folder + (folder.ends_with('/') ? "" : "/") + entry.name;
    Block block;
    if (fileio::Fd in = fileio::Fd::OpenRead(path);
        !in.IsOpen() || fileio::ReadAt(in.Get(), headerOffset, block.data(), BlockSize) != BlockSize)
        return label;
    HeaderInfo header = ParseHeader(format, block);
    label.format = &format;
    label.ok = true;
    label.label = std::move(header.label);
    label.doubleSided = header.doubleSided;
    label.writeProtected = header.writeProtected;
    label.errorInfo = HasErrorBytes(entry.size);
    return label;
}

std::string AttrText(std::uint8_t a) {
    std::string text = "____";
    if (a & AttrHidden) text[0] = 'H';
    if (a & AttrReadOnly) text[0] = 'R';
    if (a & AttrArchive) text[2] = 'A';
    if (a & AttrSystem) text[0] = 'S';
    return text;
}

std::array<std::string, 8> ImageRowCells(const std::string& folder, const ImageEntry& entry, bool details) {
    std::array<std::string, 8> cells;
    cells[1] = entry.name;
    cells[2] = std::to_string(entry.size);
    cells[3] = AttrText(entry.attributes);
    if (!details) return cells;
    DiskLabel label = ReadDiskLabel(folder, entry);
    if (!label.ok) return cells;
    cells[4] = std::move(label.label);
    cells[5] =
        label.doubleSided && label.format->kind == FormatKind::D64 ? "1571DS" : label.format->imageType;
    cells[6] = label.errorInfo ? "Yes" : "No";
    cells[7] = label.writeProtected ? "R/O" : "R/W";
    return cells;
}

ImageEntry FindImage(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    std::size_t slash = name.rfind('/');
    if (slash != std::string::npos && name.size() > 1) name.erase(0, slash + 1);
    return EntryFromStat(name, &st);
}

bool IsValidD64(const ImageEntry& entry) {
    return EndsWithImageExtension(entry.name) && FormatOfSize(entry.size) != nullptr;
}

} // namespace dyskel
