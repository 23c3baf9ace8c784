// Searching a tree of 20,000 images (directories only): the first search,
// which reads track 18 of every image and fills the index, against the least
// any search must do (open, read the directory track, close); and the second
// search, served from the index.
#include "core/FactsCache.h"
#include "core/Search.h"
#include "core/Uglobal.h"
#include "index/SqliteIndex.h"
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

constexpr int TreeImages = 20000;
constexpr int Folders = 20;
constexpr int DistinctImages = 40; // the others are hard links to these

// 20 folders of 1000 images under one root, made once per run.
struct ImageTree {
    test::TempDir dir;
    std::vector<std::string> paths;

    ImageTree() {
        std::vector<std::string> originals;
        for (int i = 0; i < TreeImages; ++i) {
            const std::string folder = dir.File("F" + std::to_string(i % Folders));
            std::filesystem::create_directories(folder);
            const std::string path = folder + "/IMAGE" + std::to_string(i) + ".D64";
            if (i < DistinctImages) {
                D64Builder disk("DISK " + std::to_string(i), "B1");
                for (int f = 0; f < 8; ++f)
                    disk.AddPrg("PROGRAM " + std::to_string(i) + "-" + std::to_string(f), 0x0801,
                                std::vector<std::uint8_t>(300, std::uint8_t(i + f)));
                disk.Save(path);
                originals.push_back(path);
            } else {
                std::filesystem::create_hard_link(originals[std::size_t(i % DistinctImages)], path);
            }
            paths.push_back(path);
        }
    }
};

const ImageTree& Tree() {
    static ImageTree tree;
    return tree;
}

SearchQuery Query() {
    SearchQuery q;
    q.folders = {Tree().dir.Path()};
    q.recursive = true;
    q.name = "PROGRAM 7-*";
    return q;
}

std::size_t Search(FactsCache* cache, benchmark::State& state) {
    std::size_t hits = 0;
    SearchEvents ev;
    ev.hit = [&](const SearchHit&) { ++hits; };
    SearchStats stats = SearchImages(Query(), ev, nullptr, cache);
    if (stats.images != TreeImages) state.SkipWithError("the search missed images");
    return hits;
}

void BM_ReadDirectoryTracksOnce(benchmark::State& state) {
    const ImageTree& tree = Tree();
    std::vector<std::uint8_t> track(std::size_t(SectorsPerTrack(DirTrack)) * BlockSize);
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const std::string& p : tree.paths) {
            int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
            bytes += std::size_t(::pread(fd, track.data(), track.size(), BlockOffset(DirTrack, 0)));
            ::close(fd);
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadDirectoryTracksOnce)->Unit(benchmark::kMillisecond);

void BM_SearchWithoutIndex(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Search(nullptr, state));
}
BENCHMARK(BM_SearchWithoutIndex)->Unit(benchmark::kMillisecond);

void BM_FirstSearchFillingTheIndex(benchmark::State& state) {
    test::TempDir cacheDir;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(cacheDir.File("c"));
        FactsCache cache(std::move(*OpenSqliteIndex(cacheDir.File("c/index.sqlite"))));
        state.ResumeTiming();
        benchmark::DoNotOptimize(Search(&cache, state));
    }
}
BENCHMARK(BM_FirstSearchFillingTheIndex)->Unit(benchmark::kMillisecond);

void BM_SecondSearchFromTheIndex(benchmark::State& state) {
    test::TempDir cacheDir;
    FactsCache cache(std::move(*OpenSqliteIndex(cacheDir.File("index.sqlite"))));
    Search(&cache, state);
    for (auto _ : state) {
        SearchEvents ev;
        SearchStats stats = SearchImages(Query(), ev, nullptr, &cache);
        if (stats.read != 0) state.SkipWithError("images were read again");
    }
}
BENCHMARK(BM_SecondSearchFromTheIndex)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel

namespace dyskel {
namespace {

// The part of every search that the index cannot spare: finding the files
// and their sizes and times.
void BM_FindImageFilesOfTheTree(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(FindImageFiles({Tree().dir.Path()}, true).size());
}
BENCHMARK(BM_FindImageFilesOfTheTree)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
