#include "core/DiskHeader.h"

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

std::string LabelText(const Block& header) {
    std::string label = "\"";
    AppendKept(label, header, 0x90, 0xA0); // name and the byte after it
    label += "\" ";
    AppendKept(label, header, 0xA2, 0xA6); // ID, separator, format letters
    return label;
}

HeaderInfo ParseHeader(const Block& header) {
    HeaderInfo info;
    info.label = LabelText(header);
    info.doubleSided = (header[0x03] & 0x80) != 0;
    info.writeProtected = header[0x02] != 0x41;
    return info;
}

Result<HeaderInfo> ReadHeaderBlock(const std::string& path) {
    Result<Block> header = ReadBlock(path, {DirTrack, 0});
    if (!header) return Failure{header.Error()};
    return ParseHeader(*header);
}

} // namespace dyskel
