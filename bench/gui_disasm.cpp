// "Dis&Assemble File" on a 64 KiB program, from the menu command to a painted
// grid: the walk along 258 blocks, the listing and the first screen of rows.
#include "editor/Page6502.h"
#include "support/ScriptedDialogs.h"
#include "tools/D64Builder.h"

#include <QAbstractItemModel>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace dyskel {
namespace {

class BenchHost : public IEditorHost {
  public:
    T6502Page* page = nullptr;
    void JumpToBlock(int, int) override {}
    bool EnsureEditMode() override { return true; }
    void ShowPage(int) override {}
    void DisassembleFile(int track, int sector) override { page->DisassembleFile(track, sector); }
    bool ApplyEdit(const ImageEdit&) override { return false; }
    void Undo() override {}
};

void BM_DisassembleFile64K(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "dyskel-bench-disasm";
    std::filesystem::create_directories(folder);
    D64Builder disk("BENCH", "64");
    std::vector<std::uint8_t> code(65530); // 258 blocks: the most the file buffer keeps
    std::mt19937 random(6502);
    for (auto& b : code) b = std::uint8_t(random());
    D64Builder::Address first = disk.AddPrg("BIG", 0x0801, code);
    disk.Save((folder / "BIG.D64").string());

    EditorData data;
    data.image.path = (folder / "BIG.D64").string();
    Options options;
    ScriptedDialogs dialogs;
    EditorServices services{data, options, dialogs, nullptr};
    BenchHost host;
    T6502Page page(services, host);
    host.page = &page;
    page.resize(760, 520);
    page.show();
    page.PrepareForOpening();

    for (auto _ : state) {
        host.DisassembleFile(first.track, first.sector);
        page.StrGrid6502->viewport()->repaint();
    }
    state.counters["rows"] = page.StrGrid6502->model()->rowCount();
    state.counters["bytes"] = data.file6502.length;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DisassembleFile64K)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
