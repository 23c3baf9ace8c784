#include "editor/HexPage.h"

#include "core/HexText.h"
#include "platform/Fonts.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolTip>
#include <algorithm>
#include <string>
#include <vector>

namespace dyskel {

namespace {

constexpr int HexCellWidth = 23;
constexpr int TextCellWidth = 14;
constexpr int CellHeight = 20;
constexpr int GridMargin = 8;
constexpr int HexPixels = 11;          // the hex grid's font at the designed size
constexpr int C64Pixels = 8;           // a C64 character is 8 x 8 pixels
constexpr QSize GlyphOnScreen(12, 16); // drawn this large in a 14 x 20 cell
constexpr char HexDigits[] = "0123456789ABCDEF";

// Cells of cellWidth x cellHeight; the grid as large as its cells.
void SizeGrid(QTableWidget* g, int cellWidth, int cellHeight) {
    g->horizontalHeader()->setDefaultSectionSize(cellWidth);
    g->verticalHeader()->setDefaultSectionSize(cellHeight);
    for (int c = 0; c < g->columnCount(); ++c) g->setColumnWidth(c, cellWidth);
    for (int r = 0; r < g->rowCount(); ++r) g->setRowHeight(r, cellHeight);
    const int frame = 2 * g->frameWidth();
    g->setFixedSize(g->columnCount() * cellWidth + frame, g->rowCount() * cellHeight + frame);
}

// A string grid of fixed size whose row 0 (and column 0 when fixedColumn) are
// header cells: shown like a header, never current, never selected.
QTableWidget* MakeGrid(QWidget* parent, const char* name, int columns, int rows, int cellWidth,
                       bool fixedColumn, const QFont& font) {
    auto* g = new QTableWidget(rows, columns, parent);
    g->setObjectName(QString::fromLatin1(name));
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->horizontalHeader()->setMinimumSectionSize(1);
    g->verticalHeader()->setMinimumSectionSize(1);
    g->horizontalHeader()->setDefaultSectionSize(cellWidth);
    g->verticalHeader()->setDefaultSectionSize(CellHeight);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setFont(font);
    g->setWordWrap(false);
    g->setTextElideMode(Qt::ElideNone);
    SizeGrid(g, cellWidth, CellHeight);

    const QBrush fixedBack = g->palette().button();
    const QBrush fixedText = g->palette().buttonText();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (r == 0 || (fixedColumn && c == 0)) {
                item->setFlags(Qt::NoItemFlags);
                item->setBackground(fixedBack);
                item->setForeground(fixedText);
            }
            g->setItem(r, c, item);
        }
    }
    return g;
}

const QString& HexText(std::uint8_t b) {
    static const auto table = [] {
        std::array<QString, 256> t;
        for (int i = 0; i < 256; ++i) t[i] = QString::fromStdString(ByteToHex(static_cast<std::uint8_t>(i)));
        return t;
    }();
    return table[b];
}

const QString& GlyphText(std::uint8_t b) {
    static const auto table = [] {
        std::array<QString, 256> t;
        for (int i = 0; i < 256; ++i) t[i] = PetsciiToQString(std::string(1, static_cast<char>(i)));
        return t;
    }();
    return table[b];
}

// Draws the text grid's characters from an 8 x 8 rendering of the C64 font,
// enlarged pixel by pixel: the outline font drawn straight at the cell's size
// loses pixels of the thin lines.
class TGlyphDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString glyph = opt.text;
        opt.text.clear();
        const QWidget* w = opt.widget;
        w->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
        if (glyph.isEmpty()) return;
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor ink = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        // 12 x 16 in a 14 x 20 cell, larger in the cells of a larger window.
        const QRect& cell = opt.rect;
        const auto* view = qobject_cast<const QTableView*>(opt.widget);
        const double grow = view ? double(view->columnWidth(index.column())) / TextCellWidth : 1.0;
        const QSize glyphSize = GlyphOnScreen * grow;
        const QRect target(cell.x() + (cell.width() - glyphSize.width()) / 2,
                           cell.y() + (cell.height() - glyphSize.height()) / 2, glyphSize.width(),
                           glyphSize.height());
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter->drawImage(target, Bitmap(glyph, ink));
        painter->restore();
    }

  private:
    const QImage& Bitmap(const QString& glyph, const QColor& ink) const {
        const QString key = glyph + QLatin1Char('/') + ink.name();
        auto it = cache_.find(key);
        if (it != cache_.end()) return *it;
        static const QFont font = C64Font(C64Pixels);
        QImage img(C64Pixels, C64Pixels, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(0, QFontMetrics(font).ascent(), glyph);
        p.end();
        return *cache_.insert(key, img);
    }

    mutable QHash<QString, QImage> cache_;
};

} // namespace

TSpinEdit::TSpinEdit(const QString& what, bool wrapEnds, QWidget* parent)
    : QSpinBox(parent), what_(what), wrapEnds_(wrapEnds) {
    setKeyboardTracking(false);
}

QValidator::State TSpinEdit::validate(QString& text, int&) const {
    if (text.isEmpty()) return QValidator::Intermediate;
    if (text.size() > 3) return QValidator::Invalid;
    for (QChar c : text)
        if (!c.isDigit()) return QValidator::Invalid;
    const int n = text.toInt();
    return n >= LowestTyped() && n <= HighestTyped() ? QValidator::Acceptable : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString& input) const {
    // Called when the typed text is no value of the range: refused.
    const QString hint = QStringLiteral("%1 %2 to %3").arg(what_).arg(LowestTyped()).arg(HighestTyped());
    auto* self = const_cast<TSpinEdit*>(this);
    self->setToolTip(hint);
    QToolTip::showText(mapToGlobal(QPoint(0, height())), hint, self);
    input = QString::number(value());
}

THexPage::THexPage(QWidget* parent) : QWidget(parent) {
    QFont hexFont = font();
    hexFont.setPixelSize(HexPixels);
    hexFont.setBold(true);
    StrGridHexEd = MakeGrid(this, "StrGridHexEd", HexColumns, Rows, HexCellWidth, true, hexFont);
    StrGridHexEd->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StrGridHexEd->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::AnyKeyPressed);
    StrGridHexEd->move(GridMargin, GridMargin);

    StrGridTextEd = MakeGrid(this, "StrGridTextEd", TextColumns, Rows, TextCellWidth, false,
                             C64Font(GlyphOnScreen.width(), true));
    StrGridTextEd->setItemDelegate(new TGlyphDelegate(StrGridTextEd));
    StrGridTextEd->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StrGridTextEd->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StrGridTextEd->move(StrGridHexEd->x() + StrGridHexEd->width() + 2 * GridMargin, GridMargin);

    GridMenu = new QMenu(this);
    GridMenu->setObjectName(QStringLiteral("HexGridMenu"));
    MnuWriteBlock = GridMenu->addAction(QStringLiteral("&Write Block"));
    MnuWriteBlock->setObjectName(QStringLiteral("MnuWriteBlock"));
    MnuWriteBlock->setShortcut(QKeySequence::Save);
    // Ctrl+S wherever the focus is in the window; the item is enabled
    // while typed bytes wait.
    MnuWriteBlock->setShortcutContext(Qt::WindowShortcut);
    MnuWriteBlock->setEnabled(false);
    addAction(MnuWriteBlock);
    connect(MnuWriteBlock, &QAction::triggered, this, [this] {
        if (HasChanges()) emit writeRequested();
    });
    for (QTableWidget* g : {StrGridHexEd, StrGridTextEd}) {
        g->setTabKeyNavigation(false); // Tab leaves the grid
        g->installEventFilter(this);
        g->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(g, &QWidget::customContextMenuRequested, this,
                [this, g](const QPoint& pos) { GridMenu->popup(g->viewport()->mapToGlobal(pos)); });
    }

    connect(StrGridHexEd, &QTableWidget::currentCellChanged, this, &THexPage::StrGridHexEdClick);
    connect(StrGridTextEd, &QTableWidget::currentCellChanged, this, &THexPage::StrGridTextEdClick);
}

void THexPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The grids at their designed size, or larger by the share the page has
    // grown in its smaller direction.
    const int frame = 2 * StrGridHexEd->frameWidth();
    const int designedWidth =
        4 * GridMargin + HexColumns * HexCellWidth + TextColumns * TextCellWidth + 2 * frame;
    const int designedHeight = 2 * GridMargin + Rows * CellHeight + frame;
    const double grow =
        std::max(1.0, std::min(double(width()) / designedWidth, double(height()) / designedHeight));
    const int cellHeight = int(CellHeight * grow);
    SizeGrid(StrGridHexEd, int(HexCellWidth * grow), cellHeight);
    SizeGrid(StrGridTextEd, int(TextCellWidth * grow), cellHeight);
    QFont hexFont = StrGridHexEd->font();
    hexFont.setPixelSize(int(HexPixels * grow));
    StrGridHexEd->setFont(hexFont);
    StrGridHexEd->move(GridMargin, GridMargin);
    StrGridTextEd->move(StrGridHexEd->x() + StrGridHexEd->width() + 2 * GridMargin, GridMargin);
}

void THexPage::WriteHeaders() {
    StrGridHexEd->item(0, 0)->setText(QStringLiteral("$$"));
    for (int i = 0; i < 16; ++i) {
        StrGridHexEd->item(0, i + 1)->setText(HexText(static_cast<std::uint8_t>(i)));
        StrGridHexEd->item(i + 1, 0)->setText(HexText(static_cast<std::uint8_t>(i * 16)));
        StrGridTextEd->item(0, i)->setText(GlyphText(static_cast<std::uint8_t>(HexDigits[i])));
    }
    StrGridHexEd->setCurrentCell(1, 1);
}

void THexPage::ShowBlock(const std::uint8_t* block) {
    std::copy(block, block + BlockSize, read_.begin());
    typed_ = {};
    typing_.clear();
    PaintAll();
}

void THexPage::ShowUnderTyped(const Block& block) {
    read_ = block;
    PaintAll();
}

void THexPage::DiscardChanges() {
    ShowBlock(read_.data());
}

void THexPage::PaintAll() {
    shown_ = WithTypedBytes(read_, typed_);
    pendingDigit_ = -1;
    atEnd_ = false;
    for (int i = 0; i < BlockSize; ++i) Paint(i);
    MnuWriteBlock->setEnabled(HasChanges());
}

void THexPage::SetEditing(bool on) {
    editing_ = on;
    pendingDigit_ = -1;
    // In Edit mode the page takes the keys itself; in Display mode the hex
    // grid edits its cells' text as a plain string grid does.
    StrGridHexEd->setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                                     : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                           QAbstractItemView::AnyKeyPressed);
}

void THexPage::Paint(int i) {
    const std::uint8_t b = shown_[std::size_t(i)];
    QTableWidgetItem* hex = StrGridHexEd->item(i / 16 + 1, i % 16 + 1);
    QTableWidgetItem* text = StrGridTextEd->item(i / 16 + 1, i % 16);
    hex->setText(HexText(b));
    text->setText(GlyphText(b));
    // Typed bytes stand out until they are written.
    const QBrush ink = Changed(i) ? QBrush(QColor(220, 0, 0)) : QBrush();
    hex->setForeground(ink);
    text->setForeground(ink);
}

void THexPage::SetByte(int i, std::optional<std::uint8_t> value) {
    const auto at = std::size_t(i);
    typed_[at] = value;
    shown_[at] = value.value_or(read_[at]);
    Paint(i);
    MnuWriteBlock->setEnabled(HasChanges());
    emit blockEdited();
}

void THexPage::TakeBackLast() {
    if (pendingDigit_ >= 0) { // the half-typed byte shows as it was
        const int i = SelectedIndex();
        pendingDigit_ = -1;
        Paint(i);
        return;
    }
    if (typing_.empty()) return;
    const auto [i, before] = typing_.back();
    typing_.pop_back();
    atEnd_ = false;
    SetByte(i, before);
    Select(i);
}

void THexPage::Select(int i) {
    StrGridHexEd->setCurrentCell(i / 16 + 1, i % 16 + 1);
}

QString THexPage::SelectedText(bool hex) const {
    QTableWidget* g = hex ? StrGridHexEd : StrGridTextEd;
    std::vector<int> bytes;
    for (const QModelIndex& at : g->selectionModel()->selectedIndexes()) {
        const int column = at.column() - (hex ? 1 : 0);
        if (at.row() >= 1 && column >= 0) bytes.push_back((at.row() - 1) * 16 + column);
    }
    std::sort(bytes.begin(), bytes.end());
    QStringList parts;
    for (int i : bytes) parts << (hex ? HexText : GlyphText)(shown_[std::size_t(i)]);
    return parts.join(hex ? QStringLiteral(" ") : QString());
}

bool THexPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) &&
        (watched == StrGridHexEd || watched == StrGridTextEd)) {
        QGuiApplication::clipboard()->setText(SelectedText(watched == StrGridHexEd));
        return true;
    }
    if (!editing_ || event->type() != QEvent::KeyPress ||
        (watched != StrGridHexEd && watched != StrGridTextEd))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return QWidget::eventFilter(watched, event);
    if (key->key() == Qt::Key_Backspace) {
        TakeBackLast();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        if (pendingDigit_ >= 0 || HasChanges()) {
            DiscardChanges();
            emit blockEdited();
        }
        return true;
    }
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint()) return QWidget::eventFilter(watched, event);
    const int i = SelectedIndex();
    // Past byte 0xFF the block has ended: nothing more is typed into it.
    if (atEnd_ && i == BlockSize - 1) return true;
    if (watched == StrGridHexEd) {
        const int digit = QStringLiteral("0123456789ABCDEF").indexOf(text.toUpper());
        if (digit < 0) return true; // only hex digits are bytes
        if (pendingDigit_ < 0) {
            pendingDigit_ = digit;
            StrGridHexEd->item(i / 16 + 1, i % 16 + 1)->setText(text.toUpper() + QLatin1Char('_'));
            return true;
        }
        const auto value = static_cast<std::uint8_t>(pendingDigit_ * 16 + digit);
        pendingDigit_ = -1;
        Type(i, value);
    } else {
        // Typed in capitals, as the directory takes names: the C64 byte the
        // character stands for.
        const std::string bytes = QStringToPetscii(text.toUpper());
        if (bytes.size() != 1) return true;
        Type(i, static_cast<std::uint8_t>(bytes[0]));
    }
    return true;
}

void THexPage::Type(int i, std::uint8_t value) {
    typing_.emplace_back(i, typed_[std::size_t(i)]);
    SetByte(i, value);
    if (i < BlockSize - 1)
        Select(i + 1);
    else
        atEnd_ = true;
}

void THexPage::ShowNothing() {
    shown_.fill(0);
    read_ = shown_;
    typed_ = {};
    typing_.clear();
    pendingDigit_ = -1;
    atEnd_ = false;
    MnuWriteBlock->setEnabled(false);
    for (int i = 0; i < 256; ++i) {
        StrGridHexEd->item(i / 16 + 1, i % 16 + 1)->setText(QString());
        StrGridTextEd->item(i / 16 + 1, i % 16)->setText(QString());
    }
}

int THexPage::SelectedIndex() const {
    return (StrGridTextEd->currentColumn() + (StrGridTextEd->currentRow() - 1) * 16) & 0xFF;
}

void THexPage::SelectFirstByte() {
    StrGridHexEd->setCurrentCell(1, 1);
}

void THexPage::StrGridTextEdClick() {
    // The grid whose cell moved keeps its selection: a dragged range stays.
    const int row = StrGridTextEd->currentRow();
    const int column = StrGridTextEd->currentColumn() + 1;
    if (StrGridHexEd->currentRow() != row || StrGridHexEd->currentColumn() != column)
        StrGridHexEd->setCurrentCell(row, column);
    emit byteSelected();
}

void THexPage::StrGridHexEdClick() {
    atEnd_ = false;
    if (pendingDigit_ >= 0) { // a byte left half typed shows as it is
        pendingDigit_ = -1;
        for (int i = 0; i < BlockSize; ++i) Paint(i);
    }
    const int row = StrGridHexEd->currentRow();
    const int column = StrGridHexEd->currentColumn() - 1;
    if (StrGridTextEd->currentRow() != row || StrGridTextEd->currentColumn() != column)
        StrGridTextEd->setCurrentCell(row, column);
    if (!StrGridTextEd->hasFocus()) StrGridHexEd->setFocus();
}

} // namespace dyskel
