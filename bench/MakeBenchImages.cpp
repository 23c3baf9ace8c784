// make-bench-images DIR: the images the whole-process comparisons run on.
//   DIR/FULL.D64     a full disk: 144 entries, 664 blocks of files
//   DIR/images/      2000 images of 8 files each, not made in name order;
//                    every tenth image holds the files of the one before
//                    under other names, so that dupes finds groups
#include "tools/D64Builder.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using dyskel::D64Builder;

namespace {

constexpr int FolderImages = 2000;
constexpr int FilesPerImage = 8;

std::vector<std::uint8_t> Content(int seed, std::size_t size) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t x = 2463534242u ^ std::uint32_t(seed) * 2654435761u;
    for (auto& b : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = std::uint8_t(x);
    }
    return data;
}

bool MakeFullDisk(const std::string& path) {
    D64Builder disk("FULL DISK", "FD");
    // 144 entries share the 664 free blocks: 88 of 5 blocks and 56 of 4.
    for (int i = 0; i < 144; ++i) {
        const std::size_t blocks = i < 88 ? 5 : 4;
        char name[17];
        std::snprintf(name, sizeof name, "FILE %03d", i);
        disk.AddPrg(name, 0x0801, Content(i, blocks * 254 - 2));
    }
    return disk.Save(path);
}

bool MakeFolder(const std::string& folder) {
    std::filesystem::create_directories(folder);
    for (int n = 0; n < FolderImages; ++n) {
        const int i = (n * 7919) % FolderImages; // not in name order
        char name[32];
        std::snprintf(name, sizeof name, "IMAGE%04d.D64", i);
        D64Builder disk("DISK " + std::to_string(i), "B" + std::to_string(i % 10));
        const int contentOf = i % 10 == 9 ? i - 1 : i;
        for (int f = 0; f < FilesPerImage; ++f) {
            const int seed = 1000 + contentOf * FilesPerImage + f;
            disk.AddPrg("PROGRAM " + std::to_string(i) + "-" + std::to_string(f), 0x0801,
                        Content(seed, std::size_t(300 + 97 * f)));
        }
        if (!disk.Save(folder + "/" + name)) return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bench-images DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    if (!MakeFullDisk(dir + "/FULL.D64") || !MakeFolder(dir + "/images")) {
        std::fprintf(stderr, "make-bench-images: could not write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
