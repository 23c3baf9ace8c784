#include "core/DiskHeader.h"

#include <filesystem>

namespace dyskel {

namespace {

// Bytes that the label shows: the blank, "!", and "#" up to 0x9D.  The quote,
// control codes, the 0xA0 padding and the shifted range are dropped.
constexpr bool KeptInLabel(std::uint8_t b) {
    return b == 0x20 || b == 0x21 || (b >= 0x23 && b <= 0x9D);
}

void AppendKept(std::string& out, const Block& header, int from, int to) {
    for (int i = from; i <= to; ++i)
        if (KeptInLabel(header[std::size_t(i)])) out.push_back(static_cast<char>(header[std::size_t(i)]));
}

} // namespace

std::string LabelText(const DiskFormat& format, const Block& header) {
    const int name = int(format.labelOffset);
    std::string label = "\"";
    AppendKept(label, header, name, name + 0x10); // name and the byte after it
    label += "\" ";
    AppendKept(label, header, name + 0x12, name + 0x16); // ID, separator, format letters
    return label;
}

std::string LabelText(const Block& header) {
    return LabelText(D64Format, header);
}

HeaderInfo ParseHeader(const DiskFormat& format, const Block& header) {
    HeaderInfo info;
    info.label = LabelText(format, header);
    info.doubleSided = format.kind != FormatKind::D81 && (header[0x03] & 0x80) != 0;
    info.writeProtected = header[0x02] != format.dosVersion;
    return info;
}

HeaderInfo ParseHeader(const Block& header) {
    return ParseHeader(D64Format, header);
}

Result<HeaderInfo> ReadHeaderBlock(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    const DiskFormat& format = FormatOf(ec ? 0 : std::int64_t(size), path);
    Result<Block> header = ReadBlock(path, {format.dirTrack, format.headerSector});
    if (!header) return Failure{header.Error()};
    return ParseHeader(format, *header);
}

} // namespace dyskel
