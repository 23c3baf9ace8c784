// The longest time the main window's event loop is kept from running while
// a folder of 20,000 (and of 100,000) images fills the grid: a 1 ms timer
// notes the gaps between its ticks from the moment the folder list moves to
// that folder until the last row is in.
#include "browser/DirListBox.h"
#include "browser/ImageGrid.h"
#include "browser/Umain.h"
#include "platform/Drives.h"
#include "platform/IniFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableWidget>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>

namespace dyskel {
namespace {

struct BigFolder {
    test::TempDir dir;
    std::string images = dir.File("images");
    explicit BigFolder(int count) {
        std::filesystem::create_directory(images);
        // Hard links to a few real images: a file takes no more than 65,000.
        const std::vector<std::uint8_t> disk = D64Builder("STALL", "01").Bytes();
        std::string first;
        for (int i = 0; i < count; ++i) {
            const std::string name = images + "/disk" + std::to_string(i) + ".D64";
            if (i % 50000 == 0) {
                first = name;
                std::ofstream(name, std::ios::binary)
                    .write(reinterpret_cast<const char*>(disk.data()), std::streamsize(disk.size()));
            } else {
                std::filesystem::create_hard_link(first, name);
            }
        }
    }
};

void BM_LongestEventLoopStallWhileAFolderFills(benchmark::State& state) {
    const int count = int(state.range(0));
    const BigFolder folder(count);
    test::TempDir empty;
    IniFile ini(empty.File("Dyskel.ini"));
    ScriptedDialogs dialogs;
    MountedDrives drives;
    qint64 worst = 0, fill = 0;
    for (auto _ : state) {
        TMainForm form(MainServices{dialogs, ini, drives}, ParseCommandLine({"/DEBUG"}), empty.Path());
        form.show();
        // The window's first paint (fonts loaded, the empty folder drawn) is
        // not part of the scan.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
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
        QObject::connect(&form, &TMainForm::ScanDone, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        form.findChild<TDirListBox*>("DirListBox")->SetDirectory(folder.images);
        clock.start();
        ticker.start();
        loop.exec();
        fill = std::max(fill, clock.elapsed());
        if (form.findChild<TImageGrid*>("FileStrGrid")->rowCount() != count)
            state.SkipWithError("grid not filled");
        worst = std::max(worst, longest);
    }
    state.counters["longest_stall_ms"] = double(worst);
    state.counters["fill_ms"] = double(fill);
}
BENCHMARK(BM_LongestEventLoopStallWhileAFolderFills)
    ->Arg(20000)
    ->Arg(100000)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
