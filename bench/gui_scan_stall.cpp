// The longest time the main window's event loop is kept from running while
// a folder of 20,000 images fills the grid: a 1 ms timer notes the gaps
// between its ticks while the folder list moves to that folder.
#include "browser/DirListBox.h"
#include "browser/Umain.h"
#include "platform/Drives.h"
#include "platform/IniFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableWidget>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <filesystem>

namespace dyskel {
namespace {

constexpr int StallImages = 20000;

struct BigFolder {
    test::TempDir dir;
    std::string images = dir.File("images");
    BigFolder() {
        std::filesystem::create_directory(images);
        const std::string first = images + "/disk0.D64";
        D64Builder("STALL", "01").Save(first);
        for (int i = 1; i < StallImages; ++i)
            std::filesystem::create_hard_link(first, images + "/disk" + std::to_string(i) + ".D64");
    }
};

void BM_LongestEventLoopStallWhileAFolderFills(benchmark::State& state) {
    static BigFolder folder;
    test::TempDir empty;
    IniFile ini(empty.File("Dyskel.ini"));
    ScriptedDialogs dialogs;
    MountedDrives drives;
    OpenImageState image;
    qint64 worst = 0;
    for (auto _ : state) {
        TMainForm form(MainServices{image, dialogs, ini, drives}, {"/DEBUG"}, empty.Path());
        form.show();
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        QEventLoop loop;
        QTimer::singleShot(5, [&] { form.DirListBox->SetDirectory(folder.images); });
        QTimer::singleShot(1500, &loop, &QEventLoop::quit);
        clock.start();
        ticker.start();
        loop.exec();
        if (form.FileStrGrid->model()->rowCount() != StallImages) state.SkipWithError("grid not filled");
        worst = std::max(worst, longest);
    }
    state.counters["longest_stall_ms"] = double(worst);
}
BENCHMARK(BM_LongestEventLoopStallWhileAFolderFills)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
