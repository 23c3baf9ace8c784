// Opening an image in the editor on a full disk (144 directory entries, no
// block free): from the set-up to the window ready with every page filled,
// then the same with the window shown and painted.
#include "editor/Ueditor.h"
#include "support/ScriptedDialogs.h"
#include "tools/D64Builder.h"

#include <QPushButton>
#include <QTableWidget>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>

namespace dyskel {
namespace {

// A disk whose directory track is full (18 blocks of 8 entries) and whose
// other blocks are all in use.
std::filesystem::path FullDisk() {
    const auto folder = std::filesystem::temp_directory_path() / "dyskel-bench-editor";
    std::filesystem::create_directories(folder);
    D64Builder disk("FULL DISK", "FD");
    for (int i = 0; i < 144; ++i) {
        std::vector<std::uint8_t> code(4 * 254 - 2, std::uint8_t(i));
        disk.AddPrg("FILE " + std::to_string(i), 0x0801, code);
    }
    try {
        for (;;) disk.Allocate();
    } catch (...) {
    }
    disk.Save((folder / "FULL.D64").string());
    return folder;
}

struct Editor {
    ImageRef image;
    EditorData data;
    QWidget mainWindow;
    Options options;
    ScriptedDialogs dialogs;
    EditorServices services{data, options, dialogs, nullptr};
    TEditor editor{services, &mainWindow};

    explicit Editor(const std::filesystem::path& folder) {
        image.path = (folder / "FULL.D64").string();
        image.file = {"FULL.D64", std::int64_t(std::filesystem::file_size(folder / "FULL.D64")), 0, -1};
    }
};

void BM_EditorSetUp(benchmark::State& state) {
    const auto folder = FullDisk();
    Editor e(folder);
    for (auto _ : state) e.editor.FormActivate(e.image);
    state.counters["free"] = e.data.view ? e.data.view->bam.freeBlocks : -1;
    state.counters["dirRows"] = e.editor.findChild<QTableWidget*>(QStringLiteral("StrGridDir"))->rowCount();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_EditorSetUp)->Unit(benchmark::kMillisecond);

// The set-up, the window shown and painted on its default page, then closed
// with BtnClose.
void BM_EditorOpenShowClose(benchmark::State& state) {
    const auto folder = FullDisk();
    Editor e(folder);
    auto* close = e.editor.findChild<QPushButton*>(QStringLiteral("BtnClose"));
    for (auto _ : state) {
        e.editor.FormActivate(e.image);
        e.editor.show();
        e.editor.repaint();
        close->click();
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_EditorOpenShowClose)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
