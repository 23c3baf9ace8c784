// Files onto disks and Validate: a 600-block file written into a fresh image
// through the one write path, and Validate of a folder of 2000 images against
// the least any check must do, reading every image once.
#include "core/DiskFiles.h"
#include "core/Validate.h"
#include "tests/support/TempDir.h"
#include "tools/D64Builder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace dyskel {
namespace {

constexpr int FolderImages = 2000;

// A folder of 2000 images with a few files each, made once per run.
struct ValidateFolder {
    test::TempDir dir;
    std::vector<std::string> paths;

    ValidateFolder() {
        for (int i = 0; i < FolderImages; ++i) {
            D64Builder disk("DISK " + std::to_string(i), "V1");
            for (int f = 0; f < 4; ++f)
                disk.AddPrg("FILE " + std::to_string(f), 0x0801,
                            std::vector<std::uint8_t>(2000 + 300 * f, 0xEA));
            paths.push_back(dir.File("IMAGE" + std::to_string(i) + ".D64"));
            disk.Save(paths.back());
        }
    }
};

const ValidateFolder& Folder() {
    static ValidateFolder folder;
    return folder;
}

void BM_Import600BlockFile(benchmark::State& state) {
    test::TempDir dir;
    const std::string path = dir.File("WORK.D64");
    const std::vector<std::uint8_t> fresh = NewImageBytes(35, "BENCH", "01");
    ImportFile file{"BIG", FileType::Prg, std::vector<std::uint8_t>(600 * 254, 0x42), OnClash::Refuse};
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        if (!CreateImageFile(path, fresh)) state.SkipWithError("cannot write the image");
        state.ResumeTiming();
        UpdateOptions options;
        UpdateResult r = UpdateImage(path, ImportEntry(file), options, {});
        if (r.status != UpdateStatus::Updated) state.SkipWithError(r.message.c_str());
    }
}
BENCHMARK(BM_Import600BlockFile)->Unit(benchmark::kMillisecond);

void BM_ReadFolderOnce(benchmark::State& state) {
    const ValidateFolder& f = Folder();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const std::string& p : f.paths) bytes += DiskImage::Load(p)->Bytes().size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadFolderOnce)->Unit(benchmark::kMillisecond);

void BM_ValidateFolder(benchmark::State& state) {
    const ValidateFolder& f = Folder();
    for (auto _ : state) {
        int clean = 0;
        for (const std::string& p : f.paths) clean += ValidateImage(*DiskImage::Load(p))->Clean();
        if (clean != FolderImages) state.SkipWithError("an image was not clean");
    }
}
BENCHMARK(BM_ValidateFolder)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
