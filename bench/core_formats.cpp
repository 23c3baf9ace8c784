// D71 and D81 images: the listing of a full D81 directory (296 entries) per
// entry against a full D64 one (144), and the labels of a folder of 2000
// mixed images (D64, D71, D81) against reading each header block once.
#include "core/Directory.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/FileIO.h"
#include "core/ImageScan.h"
#include "tests/support/TempDir.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace dyskel {
namespace {

// A fresh image of the format with every directory slot taken by a
// one-block file.
std::vector<std::uint8_t> FullImage(const DiskFormat& f) {
    DiskImage image = DiskImage::FromBytes(std::string("full.") + f.name, NewImageBytes(f, "FULL", "FD"));
    std::vector<ImportFile> files;
    for (int i = 0; i < f.maxDirEntries; ++i)
        files.push_back({"FILE " + std::to_string(i), FileType::Prg, {1, 2, 3}, OnClash::Refuse});
    Result<EditPlan> plan = ImportEntries(files)(image);
    if (plan)
        for (const BlockChange& c : plan->changes) image.PutBlock(c.at, c.bytes);
    return image.Bytes();
}

struct FormatDisks {
    test::TempDir dir;
    std::vector<std::uint8_t> d64 = FullImage(D64Format);
    std::vector<std::uint8_t> d81 = FullImage(D81Format);
    std::string folder = dir.Path();
    std::vector<ImageEntry> entries;
    FormatDisks() {
        const DiskFormat* formats[] = {&D64Format, &D71Format, &D81Format};
        for (int i = 0; i < 2000; ++i) {
            const DiskFormat& f = *formats[i % 3];
            const std::string name = "IMG" + std::to_string(i) + "." + f.name;
            const std::vector<std::uint8_t> bytes = NewImageBytes(f, "DISK " + std::to_string(i), "ID");
            (void)CreateImageFile(dir.File(name), bytes);
            entries.push_back(FindImage(dir.File(name)));
        }
    }
};

const FormatDisks& Disks() {
    static FormatDisks disks;
    return disks;
}

// Per entry: the counter "entries" is the time of one entry listed.
void ListFull(benchmark::State& state, const std::vector<std::uint8_t>& bytes, const char* path,
              std::size_t n) {
    const DiskImage image = DiskImage::FromBytes(path, bytes);
    for (auto _ : state) {
        Result<DirListing> listing = ListDirectory(image, true);
        if (!listing || listing->entries.size() != n) state.SkipWithError("listing is not full");
        benchmark::DoNotOptimize(listing);
    }
    state.counters["entry"] = benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate |
                                                                benchmark::Counter::kInvert);
}

void BM_FullDirectoryD64PerEntry(benchmark::State& state) {
    ListFull(state, Disks().d64, "full.d64", 144);
}
BENCHMARK(BM_FullDirectoryD64PerEntry)->Unit(benchmark::kMicrosecond);

void BM_FullDirectoryD81PerEntry(benchmark::State& state) {
    ListFull(state, Disks().d81, "full.d81", 296);
}
BENCHMARK(BM_FullDirectoryD81PerEntry)->Unit(benchmark::kMicrosecond);

// The main window's labels of a mixed folder of 2000 images.
void BM_MixedFolderLabels(benchmark::State& state) {
    const FormatDisks& d = Disks();
    for (auto _ : state)
        for (const ImageEntry& e : d.entries) benchmark::DoNotOptimize(ReadDiskLabel(d.folder, e));
}
BENCHMARK(BM_MixedFolderLabels)->Unit(benchmark::kMillisecond);

// The yardstick: each image's header block read once, nothing else.
void BM_MixedFolderHeaderBlocksOnly(benchmark::State& state) {
    const FormatDisks& d = Disks();
    for (auto _ : state)
        for (const ImageEntry& e : d.entries) {
            const DiskFormat& f = FormatOf(e.size, e.name);
            Block block;
            fileio::Fd in = fileio::Fd::OpenRead(d.folder + "/" + e.name);
            benchmark::DoNotOptimize(fileio::ReadAt(in.Get(), BlockOffset(f, {f.dirTrack, f.headerSector}),
                                                    block.data(), BlockSize));
        }
}
BENCHMARK(BM_MixedFolderHeaderBlocksOnly)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
