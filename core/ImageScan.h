// Listing the D64 images of a folder and reading each one's header block.
#pragma once

#include "core/FileAttributes.h"
#include "core/Geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dyskel {

// True when the name ends in ".d64" in any letter case.
bool EndsWithD64(std::string_view name);

// Every entry of the folder whose name ends in ".d64" in any letter case,
// files and folders alike, in the order the file system returns them.  A
// folder that cannot be read gives no entries.  progress gets the share (0 to
// 100) of the work done.
std::vector<ImageEntry> ListImages(const std::string& folder,
                                   const std::function<void(int percent)>& progress = {});

// "NAME": by name, byte by byte as unsigned characters, case-sensitive, a
// prefix before the longer name, equal names kept in their order.  Any other
// key leaves the order as it is.
void SortImages(std::vector<ImageEntry>& images, const std::string& key);

struct DiskLabel {
    bool ok = false; // the header block could be read whole
    std::string label;
    bool doubleSided = false;
    bool errorInfo = false; // the image is 175531 bytes
    bool writeProtected = false;
    const DiskFormat* format = &D64Format; // the format the file is read as
};
// The header block of the entry as ListImages or FindImage reported it: its
// size there decides whether the file holds the block.
DiskLabel ReadDiskLabel(const std::string& folder, const ImageEntry& entry);

// Four characters: "____" with S, R or H in place 1 and A in place 3.
std::string AttrText(std::uint8_t attributes);

// Columns 0 to 7 of an image row: "", name, size, attributes, then with
// details the label, "1571DS"/"1541SS", "Yes"/"No", "R/O"/"R/W".  Columns 4
// to 7 are empty without details or when the header block cannot be read.
std::array<std::string, 8> ImageRowCells(const std::string& folder, const ImageEntry& entry, bool details);

inline constexpr std::array<const char*, 8> ImageGridTitles = {"",           "FileName", "Size", "Attr",
                                                               "Disk label", "Image",    "E/C",  "Mode"};

// Stat of one path as the folder search reports it; name empty when nothing
// is there.
ImageEntry FindImage(const std::string& path);

// The test of an image named by the user (File, Open File, the command line, a
// drop): the name ends in ".d64" in any letter case and the size is one of the
// four D64 sizes (35 or 40 tracks, with or without error bytes).
bool IsValidD64(const ImageEntry& entry);
inline constexpr const char* InvalidD64Text = "The file you selected is not a valid D64 file.\n\r";

} // namespace dyskel
