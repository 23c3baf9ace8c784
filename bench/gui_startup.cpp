// Start-up of the main window over a folder of 2000 images, up to the filled
// and painted grid, beside the same scan done by the engine alone.
#include "browser/ImageGrid.h"
#include "browser/Umain.h"
#include "core/ImageScan.h"
#include "platform/Drives.h"
#include "platform/IniFile.h"
#include "support/ScriptedDialogs.h"
#include "tools/D64Builder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace dyskel {
namespace {

constexpr int ImageCount = 2000;

// The folder, made once: every image holds a real header block; the rest of
// its 174848 bytes is a hole, so that the folder costs little disk space.
class ImageFolder {
  public:
    ImageFolder() {
        std::string tmpl = (fs::temp_directory_path() / "dyskel-bench-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
        D64Builder disk("BENCH DISK", "42");
        const auto* header = disk.Header();
        for (int i = 0; i < ImageCount; ++i) {
            // Names in an order the sort has to work on.
            std::string file = path_ + "/disk" + std::to_string((i * 7919) % ImageCount) + ".D64";
            {
                std::ofstream out(file, std::ios::binary);
                out.seekp(91392);
                out.write(reinterpret_cast<const char*>(header), 256);
            }
            fs::resize_file(file, 174848);
        }
    }
    ~ImageFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    // A settings file with Image Details on or off.
    std::string Ini(bool details) const {
        std::string ini = path_ + (details ? "/details.ini" : "/plain.ini");
        std::ofstream(ini) << "[OPTIONS]\nImageDetails=" << (details ? 1 : 0) << "\n";
        return ini;
    }

  private:
    std::string path_;
};

const ImageFolder& Folder() {
    static ImageFolder folder;
    return folder;
}

void BM_MainWindowToFilledGrid(benchmark::State& state) {
    const bool details = state.range(0) != 0;
    IniFile ini(Folder().Ini(details));
    ScriptedDialogs dialogs;
    MountedDrives drives;
    for (auto _ : state) {
        TMainForm form(MainServices{dialogs, ini, drives}, ParseCommandLine({"/DEBUG"}), Folder().Path());
        form.show();
        QEventLoop loop;
        QObject::connect(&form, &TMainForm::ScanDone, &loop, &QEventLoop::quit);
        if (form.Scanning()) loop.exec();
        QCoreApplication::processEvents();
        if (form.findChild<TImageGrid*>("FileStrGrid")->rowCount() != ImageCount)
            state.SkipWithError("grid not filled");
    }
    state.counters["images"] = ImageCount;
}
BENCHMARK(BM_MainWindowToFilledGrid)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The engine alone: list, sort, and the texts of every row.
void BM_EngineScanAndRowTexts(benchmark::State& state) {
    const bool details = state.range(0) != 0;
    for (auto _ : state) {
        auto found = ListImages(Folder().Path());
        SortImages(found, "NAME");
        std::size_t chars = 0;
        for (const auto& e : found)
            for (const auto& cell : ImageRowCells(Folder().Path(), e, details)) chars += cell.size();
        benchmark::DoNotOptimize(chars);
    }
}
BENCHMARK(BM_EngineScanAndRowTexts)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
