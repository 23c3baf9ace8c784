#include "tools/D64Builder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace dyskel {

namespace {

constexpr int Sectors(int t) {
    return t <= 17 ? 21 : t <= 24 ? 19 : t <= 30 ? 18 : 17;
}

int StartBlock(int track) {
    int b = 0;
    for (int t = 1; t < track; ++t) b += Sectors(t);
    return b;
}

void PutName(std::uint8_t* dst, const std::string& name, std::size_t len) {
    for (std::size_t i = 0; i < len; ++i)
        dst[i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0xA0;
}

} // namespace

D64Builder::D64Builder(const std::string& diskName, const std::string& id, int tracks, bool errorBytes)
    : tracks_(tracks) {
    const auto blocks = static_cast<std::size_t>(StartBlock(tracks) + Sectors(tracks));
    image_.assign(blocks * 256 + (errorBytes ? blocks : 0), 0);
    // One error byte a block after the blocks; 1 says the block read well.
    if (errorBytes) std::fill(image_.begin() + std::ptrdiff_t(blocks * 256), image_.end(), 1);
    std::uint8_t* h = Header();
    h[0] = 18;
    h[1] = 1;
    h[2] = 0x41;
    h[3] = 0;
    for (int t = 1; t <= 35; ++t)
        for (int s = 0; s < Sectors(t); ++s) SetFree(t, s, t != 18 || s > 1);
    PutName(h + 0x90, diskName, 16);
    h[0xA0] = h[0xA1] = 0xA0;
    PutName(h + 0xA2, id, 2);
    h[0xA4] = 0xA0;
    h[0xA5] = '2';
    h[0xA6] = 'A';
    for (int i = 0xA7; i <= 0xAA; ++i) h[i] = 0xA0;
    std::uint8_t* d = Block(18, 1);
    d[0] = 0;
    d[1] = 0xFF;
}

std::uint8_t* D64Builder::Block(int track, int sector) {
    std::size_t off = static_cast<std::size_t>(StartBlock(track) + sector) * 256;
    if (track < 1 || track > tracks_ || sector < 0 || sector >= Sectors(track) || off + 256 > image_.size())
        throw std::out_of_range("no such block");
    return image_.data() + off;
}

void D64Builder::SetFree(int track, int sector, bool free) {
    if (track < 1 || track > 35) return;
    std::uint8_t* e = Header() + 4 * track;
    std::uint8_t& bits = e[1 + sector / 8];
    std::uint8_t mask = static_cast<std::uint8_t>(1u << (sector % 8));
    bool was = bits & mask;
    if (free && !was) {
        bits |= mask;
        ++e[0];
    } else if (!free && was) {
        bits &= static_cast<std::uint8_t>(~mask);
        --e[0];
    }
}

bool D64Builder::IsFree(int track, int sector) {
    if (track < 1 || track > 35) return false;
    return Header()[4 * track + 1 + sector / 8] & (1u << (sector % 8));
}

D64Builder::Address D64Builder::Allocate() {
    for (int t = 1; t <= 35; ++t) {
        if (t == 18) continue;
        for (int s = 0; s < Sectors(t); ++s)
            if (IsFree(t, s)) {
                SetFree(t, s, false);
                return {t, s};
            }
    }
    throw std::runtime_error("disk full");
}

std::pair<int, int> D64Builder::AddDirEntry(std::uint8_t typeByte, Address first, const std::string& name,
                                            int sizeBlocks) {
    int sector = 1;
    for (int guard = 0; guard < 19; ++guard) {
        std::uint8_t* b = Block(18, sector);
        for (int e = 0; e < 8; ++e) {
            std::uint8_t* ent = b + 32 * e;
            if (ent[2] != 0) continue;
            ent[2] = typeByte;
            ent[3] = static_cast<std::uint8_t>(first.track);
            ent[4] = static_cast<std::uint8_t>(first.sector);
            PutName(ent + 5, name, 16);
            ent[0x1E] = static_cast<std::uint8_t>(sizeBlocks & 0xFF);
            ent[0x1F] = static_cast<std::uint8_t>(sizeBlocks >> 8);
            return {sector, 32 * e};
        }
        if (b[0] == 0) {
            // Chain a new directory block: the next free sector of track 18.
            int next = -1;
            for (int s = 1; s < 19 && next < 0; ++s)
                if (IsFree(18, s)) next = s;
            if (next < 0) throw std::runtime_error("directory full");
            b[0] = 18;
            b[1] = static_cast<std::uint8_t>(next);
            SetFree(18, next, false);
            std::uint8_t* nb = Block(18, next);
            std::fill(nb, nb + 256, 0);
            nb[1] = 0xFF;
        }
        sector = b[1];
    }
    throw std::runtime_error("directory chain too long");
}

D64Builder::Address D64Builder::AddFile(const std::string& name, std::uint8_t typeByte,
                                        const std::vector<std::uint8_t>& data, std::vector<Address> blocks,
                                        int sizeBlocks) {
    std::size_t count = std::max<std::size_t>(1, (data.size() + 253) / 254);
    if (blocks.empty())
        for (std::size_t i = 0; i < count; ++i) blocks.push_back(Allocate());
    else
        for (auto& a : blocks) SetFree(a.track, a.sector, false);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::uint8_t* b = Block(blocks[i].track, blocks[i].sector);
        std::size_t from = i * 254;
        std::size_t n = from < data.size() ? std::min<std::size_t>(254, data.size() - from) : 0;
        std::fill(b, b + 256, 0);
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(std::min(from, data.size())), n, b + 2);
        if (i + 1 < blocks.size()) {
            b[0] = static_cast<std::uint8_t>(blocks[i + 1].track);
            b[1] = static_cast<std::uint8_t>(blocks[i + 1].sector);
        } else {
            b[0] = 0;
            b[1] = static_cast<std::uint8_t>(n + 1);
        }
    }
    AddDirEntry(typeByte, blocks.front(), name,
                sizeBlocks < 0 ? static_cast<int>(blocks.size()) : sizeBlocks);
    return blocks.front();
}

D64Builder::Address D64Builder::AddPrg(const std::string& name, std::uint16_t loadAddress,
                                       const std::vector<std::uint8_t>& code, bool locked) {
    std::vector<std::uint8_t> data;
    data.reserve(code.size() + 2);
    data.push_back(static_cast<std::uint8_t>(loadAddress & 0xFF));
    data.push_back(static_cast<std::uint8_t>(loadAddress >> 8));
    data.insert(data.end(), code.begin(), code.end());
    return AddFile(name, locked ? 0xC2 : 0x82, data);
}

bool D64Builder::Save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image_.data()), static_cast<std::streamsize>(image_.size()));
    return static_cast<bool>(out);
}

} // namespace dyskel
