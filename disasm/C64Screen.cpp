// The directory as the C64 prints it: the 1541's lines, LIST, the screen editor.
#include "disasm/C64Screen.h"

#include "core/Bam.h"
#include "core/Petscii.h"
#include "disasm/BasicListing.h"

#include <algorithm>

namespace dyskel {

// The colours as the VIC-II shows them on a PAL set.
const std::array<std::uint32_t, 16> C64Palette = {0x000000, 0xFFFFFF, 0x68372B, 0x70A4B2, 0x6F3D86, 0x588D43,
                                                  0x352879, 0xB8C76F, 0x6F4F25, 0x433900, 0x9A6759, 0x444444,
                                                  0x6C6C6C, 0x9AD284, 0x6C5EB5, 0x959595};

namespace {

constexpr std::uint8_t ShiftedSpace = 0xA0;
constexpr std::uint8_t Quote = 0x22;
constexpr std::uint8_t Return = 0x0D;
constexpr std::uint8_t ShiftReturn = 0x8D;
constexpr std::uint8_t Del = 0x14;
constexpr std::uint8_t Inst = 0x94;

// The PETSCII byte whose glyph the upper-case set shows for a screen code.
std::uint8_t UpperSetByte(std::uint8_t code) {
    if (code < 0x20) return static_cast<std::uint8_t>(code + 0x40); // @ A-Z [ £ ] ↑ ←
    if (code < 0x40) return code;                                   // blank, punctuation, digits
    if (code < 0x60) return static_cast<std::uint8_t>(code + 0x80); // line graphics 0xC0-0xDF
    return static_cast<std::uint8_t>(code + 0x40);                  // blocks 0xA0-0xBF
}

} // namespace

char32_t ScreenCodeGlyph(std::uint8_t code, C64Charset charset) {
    code &= 0x7F;
    if (charset == C64Charset::Lower) {
        // The lower-case set: small letters where the upper-case set has
        // capitals, capitals where it has line graphics; four graphics differ.
        if (code >= 0x01 && code <= 0x1A) return U'a' + (code - 0x01);
        if (code >= 0x41 && code <= 0x5A) return U'A' + (code - 0x41);
        if (code == 0x5E) return 0x2593; // checkerboard
        if (code == 0x5F) return 0x25A8; // diagonal hatch
        if (code == 0x69) return 0x25A7; // diagonal hatch, the other way
        if (code == 0x7A) return 0x2713; // check mark
    }
    return PetsciiGlyph(UpperSetByte(code));
}

namespace {

// What the drive reads for the directory's first and last lines: the header
// block and the free count of the BAM.
struct DriveHeader {
    Block header{};
    std::uint16_t blocksFree = 0;
};

Result<DriveHeader> ReadDriveHeader(const DiskImage& image) {
    const DiskFormat& f = image.Format();
    Result<Block> header = image.ReadBlock({f.dirTrack, f.headerSector});
    if (!header) return Failure{header.Error()};
    if (f.kind == FormatKind::D64) return DriveHeader{*header, StockBlocksFree(*header)};
    Result<Bam> bam = ReadBam(image);
    if (!bam) return Failure{bam.Error()};
    return DriveHeader{*header, StockBlocksFree(*bam)};
}

} // namespace

Result<std::string> DirectoryCharacters(const std::string& path) {
    Result<DiskImage> image = DiskImage::Load(path);
    if (!image) return Failure{image.Error()};
    Result<DriveHeader> head = ReadDriveHeader(*image);
    if (!head) return Failure{head.Error()};
    Result<DirListing> dir = ListDirectory(*image, false);
    if (!dir) return Failure{dir.Error()};
    return ListedCharacters(
        DosDirectoryProgram(head->header, dir->entries, head->blocksFree, image->Format().labelOffset));
}

std::string RowText(const ScreenRow& row, C64Charset charset) {
    std::string text;
    for (const ScreenCell& cell : row) AppendUtf8(text, ScreenCodeGlyph(cell.code, charset));
    return text;
}

// --- 1. The 1541 -------------------------------------------------------------------------

std::uint16_t StockBlocksFree(const Block& header) {
    int free = 0;
    for (int track = 1; track <= 35; ++track)
        if (track != 18) free += header[static_cast<std::size_t>(4 * track)];
    return static_cast<std::uint16_t>(free);
}

std::uint16_t StockBlocksFree(const Bam& bam) {
    const DiskFormat& f = *bam.format;
    const int last = f.kind == FormatKind::D64 ? StdTracks : f.tracks;
    int free = 0;
    for (int track = 1; track <= last; ++track)
        if (track != f.dirTrack) free += bam.Count(track);
    return static_cast<std::uint16_t>(free);
}

std::vector<std::uint8_t> DosDirectoryProgram(const Block& header, const std::vector<DirEntry>& entries,
                                              std::uint16_t blocksFree, std::size_t labelOffset) {
    std::vector<std::uint8_t> out;
    auto put = [&](std::uint8_t b) { out.push_back(b); };
    auto word = [&](unsigned w) {
        put(static_cast<std::uint8_t>(w & 0xFF));
        put(static_cast<std::uint8_t>(w >> 8));
    };
    auto text = [&](std::string_view s) {
        for (char c : s) put(static_cast<std::uint8_t>(c));
    };
    auto blank = [](std::uint8_t b) { return b == ShiftedSpace ? std::uint8_t{0x20} : b; };

    // Header: line 0, reverse on, "NAME" ID.
    word(0x0101);
    word(0);
    put(0x12);
    put(Quote);
    for (std::size_t i = labelOffset; i < labelOffset + 0x10; ++i) put(blank(header[i]));
    put(Quote);
    put(0x20);
    for (std::size_t i = labelOffset + 0x12; i < labelOffset + 0x17; ++i) put(blank(header[i]));
    put(0);

    for (const DirEntry& e : entries) {
        if (e.typeByte == 0) continue;
        const std::size_t start = out.size();
        word(0x0101);
        word(e.blocks);
        if (e.blocks < 10) put(0x20);
        if (e.blocks < 100) put(0x20);
        put(0x20);
        put(Quote);
        const std::size_t name = out.size();
        for (std::uint8_t b : e.name) put(blank(b));
        put(0x20);
        const auto firstPad = std::find(e.name.begin(), e.name.end(), ShiftedSpace);
        out[name + static_cast<std::size_t>(firstPad - e.name.begin())] = Quote;
        put(e.Closed() ? 0x20 : '*');
        text(FileTypeName(e.typeByte));
        put(e.Locked() ? '<' : 0x20);
        while (out.size() - start < 31) put(0x20);
        put(0);
    }

    word(0x0101);
    word(blocksFree);
    text("BLOCKS FREE.");
    text(std::string(13, ' '));
    put(0);
    word(0); // the end of the program
    return out;
}

// --- 2. BASIC V2 -------------------------------------------------------------------------

std::string ListedCharacters(std::vector<std::uint8_t> program) {
    constexpr std::uint16_t Start = 0x0801;
    // Relink as LOAD leaves it: the link of each line is the address after the
    // first 0 from its fifth byte on.  Bytes past the end read as 0.
    for (std::size_t at = 0; at + 1 < program.size() && program[at + 1] != 0;) {
        std::size_t zero = at + 5;
        while (zero < program.size() && program[zero] != 0) ++zero;
        if (zero >= program.size()) program.resize(zero + 1, 0);
        const unsigned link = static_cast<unsigned>(Start + zero + 1);
        program[at] = static_cast<std::uint8_t>(link & 0xFF);
        program[at + 1] = static_cast<std::uint8_t>(link >> 8);
        at = zero + 1;
        if (at + 1 >= program.size()) program.resize(at + 2, 0);
    }
    const BasicListing listing = ListBasic(program, Start);
    std::string out;
    for (const BasicLine& line : listing.lines) {
        if (!out.empty()) out += static_cast<char>(Return);
        out += std::to_string(line.number);
        out += ' ';
        out += ListedBytes(line);
    }
    out += static_cast<char>(Return);
    out += "READY.";
    out += static_cast<char>(Return);
    return out;
}

// --- 3. The screen editor ----------------------------------------------------------------

namespace {

class ScreenEditor {
  public:
    explicit ScreenEditor(C64Charset charset) { screen_.charset = charset; }

    void Print(std::uint8_t b) {
        if (b == Return || b == ShiftReturn) return NewLine();
        const bool control = b < 0x20 || (b >= 0x80 && b < 0xA0);
        if (!control) {
            if (b == Quote) quote_ = !quote_;
            return Put(PrintableCode(b), reverse_);
        }
        // The insert count and quote mode make control codes visible; DEL
        // acts in quote mode, but not while inserting.
        if (inserts_ > 0 || (quote_ && b != Del)) return Put(ControlCode(b), true);
        Act(b);
    }

    C64Screen Finish() {
        while (!rows_.empty() && Blank(screen_.rows.back())) {
            screen_.rows.pop_back();
            rows_.pop_back();
        }
        return std::move(screen_);
    }

  private:
    // A printable byte's screen code.
    static std::uint8_t PrintableCode(std::uint8_t b) {
        if (b < 0x40) return b;
        if (b < 0x60) return b & 0x3F;
        if (b < 0x80) return b & 0xDF;
        const std::uint8_t low = (b & 0x7F) == 0x7F ? 0x5E : b & 0x7F; // 0xFF is π
        return low | 0x40;
    }
    // The screen code a control code shows as, reversed.
    static std::uint8_t ControlCode(std::uint8_t b) { return b < 0x80 ? b : (b & 0x7F) | 0x40; }

    static bool Blank(const ScreenRow& row) {
        return std::all_of(row.begin(), row.end(),
                           [](const ScreenCell& c) { return c.code == 0x20 && !c.reversed; });
    }

    void Ensure(std::size_t row) {
        while (screen_.rows.size() <= row) {
            ScreenRow blank;
            blank.fill(ScreenCell{});
            screen_.rows.push_back(blank);
            rows_.push_back(false);
        }
    }
    // Rows of the logical line the cursor is in: its first and its last.
    std::size_t LineStart() const {
        std::size_t r = row_;
        while (r > 0 && rows_[r]) --r;
        return r;
    }
    std::size_t LineEnd() const {
        std::size_t r = row_;
        while (r + 1 < rows_.size() && rows_[r + 1]) ++r;
        return r;
    }
    std::size_t WindowTop() const {
        return screen_.rows.size() > C64ScreenRows ? screen_.rows.size() - C64ScreenRows : 0;
    }
    ScreenCell& At(std::size_t row, int col) { return screen_.rows[row][static_cast<std::size_t>(col)]; }

    void Put(std::uint8_t code, bool reversed) {
        Ensure(row_);
        At(row_, col_) = {code, reversed, colour_};
        if (inserts_ > 0) --inserts_;
        if (++col_ < C64Columns) return;
        // Past the 40th column: the line goes on in the row below (a logical
        // line holds two rows), pushing the rows below down when one follows.
        col_ = 0;
        const bool extend = row_ == LineStart();
        ++row_;
        if (extend && row_ < screen_.rows.size() && !rows_[row_]) {
            ScreenRow blank;
            blank.fill(ScreenCell{});
            screen_.rows.insert(screen_.rows.begin() + static_cast<std::ptrdiff_t>(row_), blank);
            rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row_), false);
        }
        Ensure(row_);
        rows_[row_] = extend;
    }

    void NewLine() {
        Ensure(row_);
        row_ = LineEnd() + 1;
        col_ = 0;
        Ensure(row_);
        quote_ = false;
        reverse_ = false;
        inserts_ = 0;
    }

    // The logical line's cells from the cursor on, in order.
    std::vector<ScreenCell*> RestOfLine() {
        std::vector<ScreenCell*> cells;
        for (std::size_t r = row_; r <= LineEnd(); ++r)
            for (int c = r == row_ ? col_ : 0; c < C64Columns; ++c) cells.push_back(&At(r, c));
        return cells;
    }

    void Act(std::uint8_t b) {
        Ensure(row_);
        switch (b) {
        case Del: {
            if (col_ > 0) {
                --col_;
            } else if (row_ > 0 && rows_[row_]) {
                --row_;
                col_ = C64Columns - 1;
            } else {
                return;
            }
            auto cells = RestOfLine();
            for (std::size_t i = 0; i + 1 < cells.size(); ++i) *cells[i] = *cells[i + 1];
            *cells.back() = ScreenCell{0x20, false, colour_};
            return;
        }
        case Inst: {
            auto cells = RestOfLine();
            for (std::size_t i = cells.size() - 1; i > 0; --i) *cells[i] = *cells[i - 1];
            *cells.front() = ScreenCell{0x20, false, colour_};
            ++inserts_;
            return;
        }
        case 0x12:
            reverse_ = true;
            return;
        case 0x92:
            reverse_ = false;
            return;
        case 0x0E:
            screen_.charset = C64Charset::Lower;
            return;
        case 0x8E:
            screen_.charset = C64Charset::Upper;
            return;
        case 0x11: // cursor down
            ++row_;
            Ensure(row_);
            return;
        case 0x91: // cursor up, not above the screen's top row
            if (row_ > WindowTop()) --row_;
            return;
        case 0x1D: // cursor right
            if (++col_ == C64Columns) {
                col_ = 0;
                ++row_;
                Ensure(row_);
            }
            return;
        case 0x9D: // cursor left
            if (col_ > 0) {
                --col_;
            } else if (row_ > WindowTop()) {
                --row_;
                col_ = C64Columns - 1;
            }
            return;
        case 0x13: // home
            row_ = WindowTop();
            col_ = 0;
            return;
        case 0x93: // clear screen
            for (std::size_t r = WindowTop(); r < screen_.rows.size(); ++r) {
                screen_.rows[r].fill(ScreenCell{0x20, false, colour_});
                rows_[r] = false;
            }
            row_ = WindowTop();
            col_ = 0;
            return;
        default:
            break;
        }
        static constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 16> Colours = {{
            {0x90, 0},
            {0x05, 1},
            {0x1C, 2},
            {0x9F, 3},
            {0x9C, 4},
            {0x1E, 5},
            {0x1F, 6},
            {0x9E, 7},
            {0x81, 8},
            {0x95, 9},
            {0x96, 10},
            {0x97, 11},
            {0x98, 12},
            {0x99, 13},
            {0x9A, 14},
            {0x9B, 15},
        }};
        for (const auto& [code, colour] : Colours)
            if (code == b) colour_ = colour;
    }

    C64Screen screen_;
    std::vector<bool> rows_; // per row: it goes on the logical line of the row above
    std::size_t row_ = 0;
    int col_ = 0;
    std::uint8_t colour_ = C64LightBlue;
    bool quote_ = false;
    bool reverse_ = false;
    int inserts_ = 0;
};

} // namespace

C64Screen PrintToScreen(std::string_view characters, C64Charset charset) {
    ScreenEditor editor(charset);
    for (char c : characters) editor.Print(static_cast<std::uint8_t>(c));
    return editor.Finish();
}

C64Screen DirectoryScreen(const Block& header, const std::vector<DirEntry>& entries, C64Charset charset) {
    return DirectoryScreen(header, D64Format.labelOffset, StockBlocksFree(header), entries, charset);
}

C64Screen DirectoryScreen(const Block& header, std::size_t labelOffset, std::uint16_t blocksFree,
                          const std::vector<DirEntry>& entries, C64Charset charset) {
    return PrintToScreen(ListedCharacters(DosDirectoryProgram(header, entries, blocksFree, labelOffset)),
                         charset);
}

Result<std::uint16_t> StockBlocksFree(const DiskImage& image) {
    Result<DriveHeader> head = ReadDriveHeader(image);
    if (!head) return Failure{head.Error()};
    return head->blocksFree;
}

Result<C64Screen> DirectoryScreen(const DiskImage& image, C64Charset charset) {
    Result<DriveHeader> head = ReadDriveHeader(image);
    if (!head) return Failure{head.Error()};
    Result<DirListing> dir = ListDirectory(image, false);
    if (!dir) return Failure{dir.Error()};
    return DirectoryScreen(head->header, image.Format().labelOffset, head->blocksFree, dir->entries, charset);
}

} // namespace dyskel
