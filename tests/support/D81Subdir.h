// A D81 image holding a 1581 partition laid out as a sub-directory, built
// by hand from the 1581's layout: entry type CBM (5) "SUB" owning tracks 41
// to 43 (120 blocks); on 41/0 its header (link 41/3, 'D', name "SUBDIR", ID
// "S1", "3D"), on 41/1 and 41/2 its BAM (all 80 tracks, only its own tracks
// free) and on 41/3 its directory: one PRG "INNER" of one block at 42/0
// holding "ABC".
#pragma once

#include "core/DiskFiles.h"
#include "core/Uglobal.h"

#include <algorithm>
#include <initializer_list>

namespace dyskel::testsupport {

inline void Put(Block& b, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(at));
}

inline DiskImage WithPartition() {
    DiskImage image = DiskImage::FromBytes("x.d81", NewImageBytes(D81Format, "OUTER", "O1"));
    Block dir = *image.ReadBlock({40, 3});
    Put(dir, 2,
        {0x85, 41, 0, 'S', 'U', 'B', 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0,
         0xA0});
    Put(dir, 30, {120, 0});
    image.PutBlock({40, 3}, dir);

    Block header{};
    Put(header, 0, {41, 3, 'D', 0, 'S', 'U', 'B', 'D', 'I', 'R'});
    std::fill(header.begin() + 0x0A, header.begin() + 0x16, 0xA0);
    Put(header, 0x14, {0xA0, 0xA0, 'S', '1', 0xA0, '3', 'D', 0xA0, 0xA0});
    image.PutBlock({41, 0}, header);
    for (int half = 0; half < 2; ++half) {
        Block bam{};
        Put(bam, 0, {std::uint8_t(half ? 0 : 41), std::uint8_t(half ? 0xFF : 2), 'D', 0xBB, 'S', '1', 0xC0});
        if (half) {
            Put(bam, 0x10, {36, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF}); // 41: 0 to 3 its own
            Put(bam, 0x16, {39, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}); // 42: 42/0 a file's
            Put(bam, 0x1C, {40, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}); // 43
        }
        image.PutBlock({41, std::uint8_t(1 + half)}, bam);
    }
    Block inner{};
    Put(inner, 0, {0, 0xFF, 0x82, 42, 0, 'I', 'N', 'N', 'E', 'R'});
    std::fill(inner.begin() + 0x0A, inner.begin() + 0x15, 0xA0);
    Put(inner, 0x1E, {1, 0});
    image.PutBlock({41, 3}, inner);
    Block data{};
    Put(data, 0, {0, 4, 'A', 'B', 'C'});
    image.PutBlock({42, 0}, data);
    return image;
}

} // namespace dyskel::testsupport
