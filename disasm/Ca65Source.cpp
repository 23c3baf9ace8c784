// The ca65 source writer.
#include "disasm/Ca65Source.h"

#include "core/HexText.h"
#include "disasm/C64Symbols.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

namespace dyskel {

namespace {

constexpr std::size_t CodeColumn = 8;     // where instructions start, after a label
constexpr std::size_t CommentColumn = 32; // where a line's "; $0801" starts

std::string Label(std::uint16_t address) {
    return "L" + WordToHex(address);
}

// Appends one line: the label field, the code from CodeColumn on and the
// comment, if any, from CommentColumn on.
void PutLine(std::string& out, std::string_view label, std::string_view code, std::string_view comment = {}) {
    const std::size_t begin = out.size();
    auto padTo = [&](std::size_t column) {
        const std::size_t at = out.size() - begin;
        out.append(at < column ? column - at : 1, ' ');
    };
    out += label;
    padTo(CodeColumn);
    out += code;
    if (!comment.empty()) {
        padTo(CommentColumn);
        out += "; ";
        out += comment;
    }
    out += '\n';
}

// What the writer knows of the program while it writes.
class Writer {
  public:
    Writer(std::span<const std::uint8_t> bytes, std::uint16_t load, const AsmOptions& options)
        : bytes_(bytes), load_(load), options_(options), length_(static_cast<std::uint32_t>(bytes.size())),
          start_(StartOffset6502(options.start, load, length_)) {
        offsets_ = RowOffsets6502(bytes.data(), start_, length_, options.opcodes);
        rowStart_.assign(length_, false);
        labelled_.assign(length_, false);
        for (std::uint32_t o : offsets_) rowStart_[o] = true;
        for (std::size_t i = 0; i < offsets_.size(); ++i) MarkTargets(i);
    }

    std::string Write() {
        std::string out;
        out.reserve(offsets_.size() * 48 + 4096);
        WriteHeader(out);
        WriteSymbols(out);
        PutLine(out, "", ".org " + DollarWord(static_cast<std::uint16_t>(load_ - 2)));
        PutLine(out, "", ".word " + DollarWord(load_), "the load address");
        PutLine(out, "", ".org " + DollarWord(load_));
        bool wrapped = false;
        for (std::size_t i = 0; i < offsets_.size(); ++i) {
            const std::uint32_t o = offsets_[i];
            // Past $FFFF the addresses go on at $0000, and so must ca65's.
            if (!wrapped && load_ + o > 0xFFFF) {
                PutLine(out, "", ".org " + DollarWord(Address(o)));
                wrapped = true;
            }
            WriteRow(out, i);
        }
        return out;
    }

  private:
    // The address of an offset, which is also the value ca65 gives it: past
    // $FFFF the source goes on at $0000.
    std::uint16_t Address(std::uint32_t offset) const { return static_cast<std::uint16_t>(load_ + offset); }

    std::uint32_t RowLength(std::size_t i) const {
        const std::uint32_t next = i + 1 < offsets_.size() ? offsets_[i + 1] : length_;
        return std::min(next, length_) - offsets_[i];
    }

    // True when the row is an instruction the source can write as one:
    // documented and inside the file.
    bool IsCode(std::size_t i) const {
        const std::uint32_t o = offsets_[i];
        if (o < start_) return false;
        const std::uint8_t op = bytes_[o];
        return Opcode6502(op).mode != AddrMode::None &&
               o + static_cast<std::uint32_t>(OpcodeLength6502(op)) <= length_;
    }

    // The offset of an address inside the file that starts a row.
    std::optional<std::uint32_t> RowAt(std::uint16_t address) const {
        const std::uint32_t offset = static_cast<std::uint16_t>(address - load_);
        if (offset < length_ && rowStart_[offset]) return offset;
        return std::nullopt;
    }

    // A branch's target offset, when a label there gives ca65 the same
    // displacement.
    std::optional<std::uint32_t> BranchRow(std::uint32_t o) const {
        const long target = static_cast<long>(o) + 2 + static_cast<std::int8_t>(bytes_[o + 1]);
        if (target < 0 || target >= static_cast<long>(length_) || !rowStart_[target]) return std::nullopt;
        const auto t = static_cast<std::uint32_t>(target);
        if (Address(t) != Address(o) + 2 + static_cast<std::int8_t>(bytes_[o + 1])) return std::nullopt;
        return t;
    }

    // Labels the row an instruction branches or jumps to, or notes the C64
    // symbol its operand names.
    void MarkTargets(std::size_t i) {
        if (!IsCode(i)) return;
        const std::uint32_t o = offsets_[i];
        const AddrMode mode = Opcode6502(bytes_[o]).mode;
        if (mode == AddrMode::Relative) {
            if (auto t = BranchRow(o)) labelled_[*t] = true;
            return;
        }
        const int n = OpcodeLength6502(bytes_[o]);
        auto address = OperandAddress(mode, n > 1 ? bytes_[o + 1] : 0, n > 2 ? bytes_[o + 2] : 0);
        if (!address) return;
        if (n == 3)
            if (auto row = RowAt(*address)) {
                labelled_[*row] = true;
                return;
            }
        if (options_.symbols)
            if (const C64Symbol* s = FindC64Symbol(*address)) used_.insert(s);
    }

    void WriteHeader(std::string& out) const {
        out += "; ca65 source of a program of " + std::to_string(length_) + " bytes that loads at " +
               DollarWord(load_) + ", made by Dyskel.\n";
        out += "; Assembled, it gives back the program file, load address first:\n"
               ";   ca65 -o prog.o prog.s\n"
               ";   ld65 -C prg.cfg -o prog.prg prog.o\n"
               "; with prg.cfg holding\n";
        std::string_view config = Ca65LinkerConfig;
        while (!config.empty()) {
            auto eol = config.find('\n');
            out += ";   ";
            out += config.substr(0, eol);
            out += '\n';
            config.remove_prefix(eol == std::string_view::npos ? config.size() : eol + 1);
        }
        out += "\n        .setcpu \"6502\"\n\n";
    }

    void WriteSymbols(std::string& out) const {
        if (used_.empty()) return;
        std::vector<const C64Symbol*> symbols(used_.begin(), used_.end());
        std::sort(symbols.begin(), symbols.end(),
                  [](const C64Symbol* a, const C64Symbol* b) { return a->address < b->address; });
        for (const C64Symbol* s : symbols) {
            const std::string value = s->address < 0x100 ? DollarByte(static_cast<std::uint8_t>(s->address))
                                                         : DollarWord(s->address);
            PutLine(out, s->name, "= " + value, s->description);
        }
        out += '\n';
    }

    // The operand's address as a label inside the program, a C64 symbol or hex.
    std::string AddressText(std::uint16_t address, bool zeroPage) const {
        if (!zeroPage)
            if (auto row = RowAt(address); row && labelled_[*row]) return Label(address);
        if (options_.symbols)
            if (std::string name = C64SymbolText(address); !name.empty()) return name;
        return zeroPage ? DollarByte(static_cast<std::uint8_t>(address)) : DollarWord(address);
    }

    std::string Instruction(std::uint32_t o) const {
        const std::uint8_t op = bytes_[o];
        const std::uint8_t lo = bytes_[o + 1 < length_ ? o + 1 : o];
        const std::uint8_t hi = bytes_[o + 2 < length_ ? o + 2 : o];
        const OpcodeEntry& entry = Opcode6502(op);
        std::string text = entry.mnemonic;
        switch (entry.mode) {
        case AddrMode::None:
        case AddrMode::Implied:
            return text;
        case AddrMode::Accumulator:
            return text + " A";
        case AddrMode::Immediate:
            return text + " #" + DollarByte(lo);
        case AddrMode::Relative: {
            if (auto t = BranchRow(o)) return text + " " + Label(Address(*t));
            const int step = 2 + static_cast<std::int8_t>(lo);
            return text + (step < 0 ? " *-" : " *+") + std::to_string(step < 0 ? -step : step);
        }
        case AddrMode::ZeroPage:
        case AddrMode::ZeroPageX:
        case AddrMode::ZeroPageY:
        case AddrMode::IndexedIndirect:
        case AddrMode::IndirectIndexed:
            return text + " " + OperandForm(entry.mode, AddressText(lo, true));
        default: {
            const auto address = static_cast<std::uint16_t>(lo | hi << 8);
            // ca65 would take an absolute operand below $0100 for zero page.
            const bool forceAbsolute = address < 0x100 && entry.mode != AddrMode::Indirect;
            return text + " " +
                   OperandForm(entry.mode, (forceAbsolute ? "a:" : "") + AddressText(address, false));
        }
        }
    }

    void WriteRow(std::string& out, std::size_t i) const {
        const std::uint32_t o = offsets_[i];
        const std::string label = labelled_[o] ? Label(Address(o)) + ":" : std::string();
        std::string comment = DollarWord(Address(o));
        if (IsCode(i)) return PutLine(out, label, Instruction(o), comment);

        const std::uint32_t count = RowLength(i);
        const std::string code = ByteRowText(bytes_.data() + o, count);
        // An undocumented instruction keeps its name in the comment.
        if (o >= start_ && options_.opcodes == OpcodeSet::WithUndocumented && count > 0 &&
            static_cast<std::uint32_t>(OpcodeLength6502(bytes_[o], options_.opcodes)) == count)
            comment += " " + Disasm6502(bytes_[o], bytes_[o + (count > 1)], bytes_[o + (count > 2) * 2],
                                        options_.opcodes);
        PutLine(out, label, code, comment);
    }

    std::span<const std::uint8_t> bytes_;
    std::uint16_t load_;
    AsmOptions options_;
    std::uint32_t length_;
    std::uint32_t start_;
    std::vector<std::uint32_t> offsets_;
    std::vector<bool> rowStart_;
    std::vector<bool> labelled_;
    std::set<const C64Symbol*> used_;
};

} // namespace

std::string Ca65Source(std::span<const std::uint8_t> bytes, std::uint16_t load, const AsmOptions& options) {
    return Writer(bytes, load, options).Write();
}

} // namespace dyskel
