// Reading programs: the BASIC listing of a 40 KiB BASIC program and the ca65
// source of a 64 KiB program.
#include "disasm/BasicListing.h"
#include "disasm/Ca65Source.h"
#include "tests/support/BasicProgram.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace dyskel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t BasicBytes = 40 * 1024;
constexpr std::uint32_t ProgramBytes = 65530; // 258 full blocks with the load address

// Lines of keywords, strings with colour codes and numbers, linked from
// $0801 on until the program holds 40 KiB, then the end marker.
Bytes BasicProgram() {
    // PRINT"{CLR}{WHT}HELLO";A$:FOR I=1 TO 10:POKE 53280,I:NEXT I
    const Bytes text = {0x99, 0x22, 0x93, 0x05, 'H', 'E',  'L', 'L',  'O', 0x22, ';',
                        'A',  '$',  ':',  0x81, 'I', 0xB2, '1', 0xA4, '1', '0',  ':',
                        0x97, '5',  '3',  '2',  '8', '0',  ',', 'I',  ':', 0x82, 'I'};
    std::vector<std::pair<int, Bytes>> lines;
    for (std::size_t size = 2; size + text.size() + 5 <= BasicBytes; size += text.size() + 5)
        lines.emplace_back(10 * static_cast<int>(lines.size() + 1), text);
    return test::LinkBasic(lines);
}

// Mixed bytes, so that every opcode length and mode occurs.
Bytes MachineCode() {
    Bytes code(ProgramBytes);
    std::uint32_t x = 12345;
    for (auto& b : code) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return code;
}

void BM_BasicListing40K(benchmark::State& state) {
    const Bytes program = BasicProgram();
    std::size_t lines = 0;
    for (auto _ : state) {
        BasicListing listing = ListBasic(program, 0x0801);
        if (listing.Broken()) state.SkipWithError("the program's links are broken");
        lines = listing.lines.size();
        benchmark::DoNotOptimize(listing);
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(program.size()));
}
BENCHMARK(BM_BasicListing40K)->Unit(benchmark::kMillisecond);

// The listing and its UTF-8 text, as dyskel-cli prints it.
void BM_BasicListingText40K(benchmark::State& state) {
    const Bytes program = BasicProgram();
    for (auto _ : state) benchmark::DoNotOptimize(BasicListingUtf8(ListBasic(program, 0x0801)));
}
BENCHMARK(BM_BasicListingText40K)->Unit(benchmark::kMillisecond);

void Ca65Source64K(benchmark::State& state, const AsmOptions& options) {
    const Bytes code = MachineCode();
    std::size_t size = 0;
    for (auto _ : state) {
        std::string source = Ca65Source(code, 0x1000, options);
        size = source.size();
        benchmark::DoNotOptimize(source);
    }
    state.counters["source KiB"] = static_cast<double>(size) / 1024;
}

void BM_Ca65Source64K(benchmark::State& state) {
    Ca65Source64K(state, {});
}
BENCHMARK(BM_Ca65Source64K)->Unit(benchmark::kMillisecond);

void BM_Ca65Source64KSymbolsAndNames(benchmark::State& state) {
    AsmOptions options;
    options.symbols = true;
    options.opcodes = OpcodeSet::WithUndocumented;
    Ca65Source64K(state, options);
}
BENCHMARK(BM_Ca65Source64KSymbolsAndNames)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dyskel
