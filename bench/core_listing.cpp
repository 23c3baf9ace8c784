// The directory listing of a full disk and the 6502 listing of a 64 KiB
// program: the work behind the editor's Directory and 6502 pages.
#include "core/Directory.h"
#include "core/DiskHeader.h"
#include "disasm/Listing6502.h"
#include "tests/support/TempDir.h"
#include "tools/D64Builder.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace dyskel {
namespace {

constexpr int FullDirectory = 144;            // 18 blocks of 8 entries on track 18
constexpr std::uint32_t ProgramBytes = 65530; // 258 full blocks with the load address

struct BenchDisks {
    test::TempDir dir;                          // removed with the disks at exit
    std::string fullDir = dir.File("FULL.D64"); // 144 entries
    std::string bigProg = dir.File("BIG.D64");  // one 64 KiB program
    BenchDisks() {
        D64Builder full("FULL", "FD");
        for (int i = 0; i < FullDirectory; ++i)
            full.AddDirEntry(0x82, {1 + i % 35, 0}, "FILE " + std::to_string(i), i);
        full.Save(fullDir);

        // Mixed bytes, so that every opcode length and mode occurs.
        std::vector<std::uint8_t> code(ProgramBytes);
        std::uint32_t x = 12345;
        for (auto& b : code) {
            x = x * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(x >> 16);
        }
        D64Builder big("BIG", "BG");
        big.AddPrg("BIG", 0x0000, code);
        big.Save(bigProg);
    }
};

const BenchDisks& Disks() {
    static BenchDisks disks;
    return disks;
}

// The image as the editor holds it once it is read.
DiskImage Load(const std::string& path) {
    Result<DiskImage> image = DiskImage::Load(path);
    return image ? std::move(*image) : DiskImage::FromBytes(path, {});
}

void BM_DirectoryFullDiskInMemory(benchmark::State& state) {
    const DiskImage image = Load(Disks().fullDir);
    for (auto _ : state) {
        Result<DirListing> listing = ListDirectory(image, true);
        if (!listing || listing->entries.size() != FullDirectory) state.SkipWithError("listing is not full");
        benchmark::DoNotOptimize(listing);
    }
}
BENCHMARK(BM_DirectoryFullDiskInMemory)->Unit(benchmark::kMicrosecond);

// As the editor builds it: read the image, the header, the BAM, list.
void BM_DirectoryFullDiskFromFile(benchmark::State& state) {
    for (auto _ : state) {
        Result<DiskView> view = ReadDiskView(Load(Disks().fullDir), true);
        if (!view) state.SkipWithError("the image could not be read");
        benchmark::DoNotOptimize(view);
    }
}
BENCHMARK(BM_DirectoryFullDiskFromFile)->Unit(benchmark::kMicrosecond);

void BM_Gather64KProgram(benchmark::State& state) {
    const DiskImage image = Load(Disks().bigProg);
    auto file = std::make_unique<FileBuffer6502>();
    for (auto _ : state) {
        GatherResult r = GatherFile6502(image, {1, 0}, *file);
        if (file->length != ProgramBytes || r.cut()) state.SkipWithError("the gather missed bytes");
    }
    state.SetBytesProcessed(state.iterations() * ProgramBytes);
}
BENCHMARK(BM_Gather64KProgram)->Unit(benchmark::kMillisecond);

// Every row's every cell, as a view scrolled over the whole listing would ask.
void ListAllCells(benchmark::State& state, ListingMode mode) {
    auto file = std::make_unique<FileBuffer6502>();
    GatherFile6502(Load(Disks().bigProg), {1, 0}, *file);
    std::size_t rows = 0;
    for (auto _ : state) {
        Listing6502 listing(*file, mode);
        std::size_t chars = 0;
        for (int r = 1; r < listing.RowCount(); ++r)
            for (int c = 0; c < listing.ColumnCount(); ++c) chars += listing.Cell(r, c).size();
        benchmark::DoNotOptimize(chars);
        rows = static_cast<std::size_t>(listing.RowCount() - 1);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_ListDisassembly64K(benchmark::State& state) {
    ListAllCells(state, ListingMode::Asm);
}
BENCHMARK(BM_ListDisassembly64K)->Unit(benchmark::kMillisecond);

void BM_ListText64K(benchmark::State& state) {
    ListAllCells(state, ListingMode::Text);
}
BENCHMARK(BM_ListText64K)->Unit(benchmark::kMillisecond);

// Only the row offsets, which a view needs before it shows any row.
void BM_ListingRowOffsets64K(benchmark::State& state) {
    auto file = std::make_unique<FileBuffer6502>();
    GatherFile6502(Load(Disks().bigProg), {1, 0}, *file);
    for (auto _ : state) benchmark::DoNotOptimize(Listing6502(*file, ListingMode::Asm).RowCount());
}
BENCHMARK(BM_ListingRowOffsets64K)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace dyskel
