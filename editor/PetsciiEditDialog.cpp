#include "editor/PetsciiEditDialog.h"

#include "tools/C64Font.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <functional>

namespace dyskel {

namespace {

constexpr int Scale = 2;
constexpr int Cell = 8 * Scale;

// The C= graphic of each letter key A-Z, as printed on the key's front.
constexpr std::array<std::uint8_t, 26> CommodoreLetters = {
    0xB0, 0xBF, 0xBC, 0xAC, 0xB1, 0xBB, 0xA5, 0xB4, 0xA2, 0xB5, 0xA1, 0xB6, 0xA7,
    0xAA, 0xB9, 0xAF, 0xAB, 0xB2, 0xAE, 0xA3, 0xB8, 0xBE, 0xB3, 0xBD, 0xB7, 0xAD,
};
// The colour codes of the digit keys 1-8, with Ctrl and with C=.
constexpr std::array<std::uint8_t, 8> CtrlDigits = {0x90, 0x05, 0x1C, 0x9F, 0x9C, 0x1E, 0x1F, 0x9E};
constexpr std::array<std::uint8_t, 8> CommodoreDigits = {0x81, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B};

// How a byte shows between quotes: its screen code and whether reversed.
std::pair<std::uint8_t, bool> QuotedLook(std::uint8_t b) {
    const C64Screen s = PrintToScreen(std::string{'"', static_cast<char>(b)}, C64Charset::Upper);
    if (s.rows.empty()) return {0x20, false};
    const ScreenCell& c = s.rows[0][1];
    return {c.code, c.reversed};
}

QImage Glyph(std::uint8_t code, bool reversed, C64Charset set, QRgb ink, QRgb paper) {
    QImage image(8, 8, QImage::Format_RGB32);
    const auto& rows = C64Glyph(code, set);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, (((rows[std::size_t(y)] >> (7 - x)) & 1) != reversed) ? ink : paper);
    return image;
}

QRgb Rgb(std::uint8_t colour) {
    return 0xFF000000u | C64Palette[colour & 15];
}

} // namespace

std::optional<std::uint8_t> C64KeyByte(int key, Qt::KeyboardModifiers mods, const QString& text) {
    const bool shift = mods & Qt::ShiftModifier, commodore = mods & Qt::AltModifier,
               ctrl = mods & Qt::ControlModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const int i = key - Qt::Key_A;
        if (commodore) return CommodoreLetters[std::size_t(i)];
        if (ctrl) return std::nullopt;
        return static_cast<std::uint8_t>((shift ? 0xC1 : 0x41) + i);
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_8 && (ctrl || commodore))
        return (commodore ? CommodoreDigits : CtrlDigits)[std::size_t(key - Qt::Key_1)];
    if (key == Qt::Key_Space) return shift ? 0xA0 : 0x20;
    if (ctrl || commodore || text.size() != 1) return std::nullopt;
    const char16_t c = text[0].unicode();
    if (c >= 0x20 && c <= 0x40) return static_cast<std::uint8_t>(c); // digits and punctuation, @
    if (c == u'[' || c == u']') return static_cast<std::uint8_t>(c);
    if (c == u'£') return 0x5C;
    return std::nullopt;
}

QString ListingBreakNote(std::uint8_t b) {
    switch (b) {
    case 0x00:
        return QStringLiteral(
            "$00: BASIC ends the line here; the rest of the name becomes a line of its own.");
    case 0x0D:
    case 0x8D:
        return QStringLiteral("$%1: RETURN; the C64 goes on in the next line, out of quote mode.")
            .arg(QString::number(b, 16).toUpper());
    case 0x22:
        return QStringLiteral(
            "$22: a quote ends quote mode; the control codes after it act instead of showing.");
    case 0x14:
        return QStringLiteral("$14: DEL; the C64 deletes the character before it.");
    default:
        return {};
    }
}

// The bytes being edited as a row of C64 cells with a cursor.
class TPetsciiCells : public QWidget {
  public:
    TPetsciiCells(QWidget* parent, std::vector<std::uint8_t> bytes)
        : QWidget(parent), bytes_(std::move(bytes)) {
        setObjectName(QStringLiteral("PetsciiCells"));
        setFocusPolicy(Qt::StrongFocus);
        setFixedSize(int(bytes_.size()) * (Cell + 2) + 4, Cell + 10);
    }
    std::vector<std::uint8_t> bytes_;
    int cursor_ = 0;
    std::function<void()> changed;

    void Put(std::uint8_t b) {
        bytes_[std::size_t(cursor_)] = b;
        if (cursor_ + 1 < int(bytes_.size())) ++cursor_;
        Done();
    }
    void Done() {
        update();
        if (changed) changed();
    }

  protected:
    // A C64 key (C= with C or O too) is this widget's, not a button's mnemonic.
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (C64KeyByte(key->key(), key->modifiers(), key->text())) {
                e->accept();
                return true;
            }
        }
        return QWidget::event(e);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor::fromRgb(Rgb(C64Blue)));
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            const auto [code, reversed] = QuotedLook(bytes_[i]);
            const QRect cell(2 + int(i) * (Cell + 2), 3, Cell, Cell);
            // The shifted space 0xA0 on grey, so that it is not taken for a blank.
            const QRgb paper = bytes_[i] == 0xA0 ? 0xFF808080u : Rgb(C64Blue);
            p.drawImage(cell, Glyph(code, reversed, C64Charset::Upper, Rgb(C64LightBlue), paper));
            if (!ListingBreakNote(bytes_[i]).isEmpty())
                p.fillRect(cell.left(), cell.bottom() + 2, Cell, 2, Qt::red);
            if (int(i) == cursor_ && hasFocus()) p.setPen(Qt::white), p.drawRect(cell.adjusted(-1, -1, 0, 0));
        }
    }
    void keyPressEvent(QKeyEvent* e) override {
        const int n = int(bytes_.size());
        switch (e->key()) {
        case Qt::Key_Left:
            cursor_ = std::max(0, cursor_ - 1);
            return update();
        case Qt::Key_Right:
            cursor_ = std::min(n - 1, cursor_ + 1);
            return update();
        case Qt::Key_Home:
            cursor_ = 0;
            return update();
        case Qt::Key_End:
            cursor_ = n - 1;
            return update();
        case Qt::Key_Backspace:
            if (cursor_ == 0) return;
            --cursor_;
            [[fallthrough]];
        case Qt::Key_Delete: // the bytes after it move up; a shifted space fills the end
            bytes_.erase(bytes_.begin() + cursor_);
            bytes_.push_back(0xA0);
            return Done();
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return QWidget::keyPressEvent(e); // the dialog's
        default:
            break;
        }
        if (auto b = C64KeyByte(e->key(), e->modifiers(), e->text())) return Put(*b);
        QWidget::keyPressEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override {
        cursor_ = std::clamp((int(e->position().x()) - 2) / (Cell + 2), 0, int(bytes_.size()) - 1);
        setFocus();
        update();
    }
};

namespace {

// All 256 codes in one character set, 16 by 16; a click puts the code.
class TPetsciiPalette : public QWidget {
  public:
    TPetsciiPalette(QWidget* parent, C64Charset set, std::function<void(std::uint8_t)> pick)
        : QWidget(parent), set_(set), pick_(std::move(pick)) {
        setObjectName(set == C64Charset::Upper ? QStringLiteral("PetsciiPaletteUpper")
                                               : QStringLiteral("PetsciiPaletteLower"));
        setFixedSize(16 * (Cell + 1), 16 * (Cell + 1));
        setToolTip(QStringLiteral("Click a code to put it at the cursor"));
    }
    static QPoint Place(int code) {
        return {(code % 16) * (Cell + 1) + Cell / 2, (code / 16) * (Cell + 1) + Cell / 2};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        for (int b = 0; b < 256; ++b) {
            const auto [code, reversed] = QuotedLook(std::uint8_t(b));
            const QRect cell((b % 16) * (Cell + 1), (b / 16) * (Cell + 1), Cell, Cell);
            p.drawImage(
                cell, Glyph(code, reversed, set_, Rgb(C64LightBlue), b == 0xA0 ? 0xFF808080u : Rgb(C64Blue)));
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        const int col = int(e->position().x()) / (Cell + 1), row = int(e->position().y()) / (Cell + 1);
        if (col < 16 && row < 16) pick_(std::uint8_t(row * 16 + col));
    }

  private:
    C64Charset set_;
    std::function<void(std::uint8_t)> pick_;
};

} // namespace

TPetsciiEditDialog::TPetsciiEditDialog(QWidget* parent, const Block& header, std::optional<DirEntry> entry,
                                       std::vector<std::uint8_t> bytes, std::size_t labelOffset,
                                       std::uint16_t blocksFree)
    : QDialog(parent), header_(header), labelOffset_(labelOffset), blocksFree_(blocksFree),
      entry_(std::move(entry)) {
    setObjectName(QStringLiteral("PetsciiEditDialog"));
    setWindowTitle(entry_ ? QStringLiteral("PETSCII Editor: Entry Name")
                          : QStringLiteral("PETSCII Editor: Disk Name and ID"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Type as on a C64: Shift+letter for the graphic on its right, left Alt "
                                  "(the C= key)+letter for the one on its left, Shift+Space for $A0."),
                   this));
    cells_ = new TPetsciiCells(this, std::move(bytes));
    layout->addWidget(cells_);
    auto* palettes = new QHBoxLayout;
    for (C64Charset set : {C64Charset::Upper, C64Charset::Lower})
        palettes->addWidget(new TPetsciiPalette(this, set, [this](std::uint8_t b) {
            cells_->Put(b);
            cells_->setFocus();
        }));
    layout->addLayout(palettes);
    LblPetsciiNote = new QLabel(this);
    LblPetsciiNote->setObjectName(QStringLiteral("LblPetsciiNote"));
    LblPetsciiNote->setWordWrap(true);
    layout->addWidget(LblPetsciiNote);
    layout->addWidget(new QLabel(QStringLiteral("As the C64 lists it:"), this));
    LblPetsciiPreview = new QLabel(this);
    LblPetsciiPreview->setObjectName(QStringLiteral("LblPetsciiPreview"));
    layout->addWidget(LblPetsciiPreview);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    cells_->changed = [this] { Changed(); };
    cells_->setFocus();
    Changed();
}

const std::vector<std::uint8_t>& TPetsciiEditDialog::Bytes() const {
    return cells_->bytes_;
}

void TPetsciiEditDialog::Changed() {
    const std::vector<std::uint8_t>& b = cells_->bytes_;
    Block header = header_;
    std::vector<DirEntry> entries;
    if (entry_) {
        DirEntry e = *entry_;
        std::copy(b.begin(), b.begin() + 16, e.name.begin());
        entries.push_back(e);
    } else {
        std::copy(b.begin(), b.begin() + 16, header.begin() + std::ptrdiff_t(labelOffset_));
        std::copy(b.begin() + 16, b.end(), header.begin() + std::ptrdiff_t(labelOffset_ + 0x12));
    }
    const C64Screen screen = DirectoryScreen(header, labelOffset_, blocksFree_, entries, C64Charset::Upper);
    const C64Picture picture = DrawScreen(screen, 1);
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, 0xFF000000u | picture.pixels[std::size_t(y * picture.width + x)]);
    LblPetsciiPreview->setPixmap(QPixmap::fromImage(image));
    QStringList notes;
    for (std::uint8_t byte : b) {
        const QString note = ListingBreakNote(byte);
        if (!note.isEmpty() && !notes.contains(note)) notes << note;
    }
    LblPetsciiNote->setText(notes.join(QLatin1Char('\n')));
}

} // namespace dyskel
