#include "core/Format.h"

#include <string>

namespace dyskel {

namespace {

std::string LowerExtension(std::string_view path) {
    if (path.size() < 4) return {};
    std::string ext(path.substr(path.size() - 4));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

} // namespace

const DiskFormat& FormatOfExtension(std::string_view path) {
    const std::string ext = LowerExtension(path);
    if (ext == ".d71") return D71Format;
    if (ext == ".d81") return D81Format;
    return D64ExtFormat;
}

const DiskFormat& FormatOf(std::int64_t size, std::string_view path) {
    if (const DiskFormat* f = FormatOfSize(size)) return *f;
    return FormatOfExtension(path);
}

const DiskFormat* FormatNamed(std::string_view name, int tracks) {
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "d64") return tracks > 35 ? &D64ExtFormat : &D64Format;
    if (lower == "d71") return &D71Format;
    if (lower == "d81") return &D81Format;
    return nullptr;
}

bool EndsWithImageExtension(std::string_view name) {
    const std::string ext = LowerExtension(name);
    return ext == ".d64" || ext == ".d71" || ext == ".d81";
}

const char* KnownSizesText() {
    return "174848, 175531, 196608, 197376, 349696, 351062, 819200 or 822400";
}

} // namespace dyskel
