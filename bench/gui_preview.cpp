// The preview: the C64 screen of a full disk (144 entries) read and drawn,
// and the longest pause of the main window's event loop while the cursor
// key is held down a folder of 20,000 images with the preview pane on.
#include "browser/DirListBox.h"
#include "browser/ImageGrid.h"
#include "browser/PreviewPane.h"
#include "browser/Umain.h"
#include "editor/C64ScreenView.h"
#include "platform/Drives.h"
#include "platform/IniFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>

namespace dyskel {
namespace {

void BM_PreviewOfAFullDiskDraws(benchmark::State& state) {
    test::TempDir dir;
    D64Builder disk("FULL DISK", "01");
    for (int i = 0; i < 144; ++i) disk.AddPrg("FILE " + std::to_string(i), 0x0801, {0x60});
    const std::string path = dir.File("FULL.D64");
    disk.Save(path);
    TC64ScreenView view(nullptr, 1);
    view.show();
    for (auto _ : state) {
        view.ShowImageFile(path);
        view.repaint();
    }
    if (view.Screen().rows.size() < 147) state.SkipWithError("not listed");
}
BENCHMARK(BM_PreviewOfAFullDiskDraws)->Unit(benchmark::kMillisecond);

void BM_LongestStallWhileTheCursorRunsDownTheFolder(benchmark::State& state) {
    constexpr int Images = 20000, Presses = 400;
    test::TempDir dir;
    const std::string images = dir.File("images");
    std::filesystem::create_directory(images);
    const std::vector<std::uint8_t> bytes = D64Builder("STALL", "01").Bytes();
    const std::string first = images + "/disk0.D64";
    std::ofstream(first, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    for (int i = 1; i < Images; ++i)
        std::filesystem::create_hard_link(first, images + "/disk" + std::to_string(i) + ".D64");
    test::TempDir config;
    std::ofstream(config.File("Dyskel.ini")) << "[OPTIONS]\nPreview=1\n";
    IniFile ini(config.File("Dyskel.ini"));
    ScriptedDialogs dialogs;
    MountedDrives drives;
    qint64 worst = 0;
    for (auto _ : state) {
        TMainForm form(MainServices{dialogs, ini, drives}, ParseCommandLine({"/DEBUG"}), images);
        form.show();
        QEventLoop scanned;
        QObject::connect(&form, &TMainForm::ScanDone, &scanned, &QEventLoop::quit);
        scanned.exec();
        auto* grid = form.findChild<TImageGrid*>("FileStrGrid");
        grid->setFocus();
        grid->setCurrentCell(0, 1);
        QCoreApplication::processEvents();
        // Key repeat faster than a keyboard's: a Down every 5 ms, then the
        // preview of where the cursor stops.
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        int pressed = 0;
        QTimer keys;
        keys.setInterval(5);
        QObject::connect(&keys, &QTimer::timeout, [&] {
            if (++pressed > Presses) return keys.stop();
            QTest::keyClick(grid, Qt::Key_Down);
        });
        QSignalSpy shown(form.findChild<TPreviewPane*>("PreviewPane"), &TPreviewPane::previewShown);
        clock.start();
        ticker.start();
        keys.start();
        QEventLoop running;
        QTimer::singleShot(Presses * 5 + 2000, &running, &QEventLoop::quit);
        running.exec();
        if (grid->currentRow() != Presses || shown.count() < 1)
            state.SkipWithError("cursor or preview did not follow");
        worst = std::max(worst, longest);
    }
    state.counters["longest_stall_ms"] = double(worst);
}
BENCHMARK(BM_LongestStallWhileTheCursorRunsDownTheFolder)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
