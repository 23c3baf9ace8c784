// The folder scan with image details against the least any scan must do:
// open each image, read the 256 bytes of its header block, close it.
#include "core/ImageScan.h"
#include "core/Uglobal.h"
#include "tests/support/TempDir.h"
#include "tools/D64Builder.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace dyskel {
namespace {

constexpr int FolderImages = 2000;
constexpr int DistinctImages = 20; // the others are hard links to these

// A folder of 2000 images, made once per run and removed at exit.
struct ImageFolder {
    test::TempDir dir; // removed with its images at exit
    std::string path = dir.Path();
    std::vector<std::string> names;

    ImageFolder() {
        for (int i = 0; i < FolderImages; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMAGE%04d.D64", (i * 7919) % FolderImages); // not in name order
            std::string file = dir.File(name);
            if (i < DistinctImages) {
                D64Builder disk("DISK " + std::to_string(i), "B" + std::to_string(i % 10), 35, i % 2 == 1);
                disk.AddPrg("PROGRAM", 0x0801, std::vector<std::uint8_t>(1000, 0xEA));
                disk.Save(file);
            } else {
                std::filesystem::create_hard_link(
                    dir.File(names[static_cast<std::size_t>(i % DistinctImages)]), file);
            }
            names.push_back(name);
        }
    }
};

const ImageFolder& Folder() {
    static ImageFolder folder;
    return folder;
}

void BM_ScanFolderWithDetails(benchmark::State& state) {
    const ImageFolder& f = Folder();
    for (auto _ : state) {
        std::vector<ImageEntry> images = ListImages(f.path);
        SortImages(images, "NAME");
        std::size_t cells = 0;
        for (const ImageEntry& e : images) cells += ImageRowCells(f.path, e, true)[4].size();
        benchmark::DoNotOptimize(cells);
        if (images.size() != FolderImages) state.SkipWithError("the scan missed images");
    }
    state.SetItemsProcessed(state.iterations() * FolderImages);
}
BENCHMARK(BM_ScanFolderWithDetails)->Unit(benchmark::kMillisecond);

void BM_ScanFolderWithoutDetails(benchmark::State& state) {
    const ImageFolder& f = Folder();
    for (auto _ : state) {
        std::vector<ImageEntry> images = ListImages(f.path);
        SortImages(images, "NAME");
        for (const ImageEntry& e : images) benchmark::DoNotOptimize(ImageRowCells(f.path, e, false));
    }
    state.SetItemsProcessed(state.iterations() * FolderImages);
}
BENCHMARK(BM_ScanFolderWithoutDetails)->Unit(benchmark::kMillisecond);

// The floor: open, read the header block, close, for the same files.
void BM_PlainHeaderReads(benchmark::State& state) {
    const ImageFolder& f = Folder();
    std::uint8_t block[BlockSize];
    for (auto _ : state) {
        for (const std::string& name : f.names) {
            int fd = ::open((f.path + "/" + name).c_str(), O_RDONLY);
            if (fd < 0) continue;
            benchmark::DoNotOptimize(::pread(fd, block, sizeof block, HeaderOffset));
            ::close(fd);
        }
    }
    state.SetItemsProcessed(state.iterations() * FolderImages);
}
BENCHMARK(BM_PlainHeaderReads)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
