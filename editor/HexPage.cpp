#include "editor/HexPage.h"

#include "core/HexText.h"
#include "platform/Fonts.h"

#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>
#include <string>

namespace dyskel {

namespace {

constexpr int HexCellWidth = 23;
constexpr int TextCellWidth = 14;
constexpr int CellHeight = 20;
constexpr int C64Pixels = 8;           // a C64 character is 8 x 8 pixels
constexpr QSize GlyphOnScreen(12, 16); // drawn this large in a 14 x 20 cell
constexpr char HexDigits[] = "0123456789ABCDEF";

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
    const int frame = 2 * g->frameWidth();
    g->setFixedSize(columns * cellWidth + frame, rows * CellHeight + frame);

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
        const QRect& cell = opt.rect;
        const QRect target(cell.x() + (cell.width() - GlyphOnScreen.width()) / 2,
                           cell.y() + (cell.height() - GlyphOnScreen.height()) / 2, GlyphOnScreen.width(),
                           GlyphOnScreen.height());
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

THexPage::THexPage(QWidget* parent) : QWidget(parent) {
    QFont hexFont = font();
    hexFont.setPixelSize(11);
    hexFont.setBold(true);
    StrGridHexEd = MakeGrid(this, "StrGridHexEd", HexColumns, Rows, HexCellWidth, true, hexFont);
    StrGridHexEd->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StrGridHexEd->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::AnyKeyPressed);
    StrGridHexEd->move(8, 8);

    StrGridTextEd = MakeGrid(this, "StrGridTextEd", TextColumns, Rows, TextCellWidth, false,
                             C64Font(GlyphOnScreen.width(), true));
    StrGridTextEd->setItemDelegate(new TGlyphDelegate(StrGridTextEd));
    StrGridTextEd->setSelectionMode(QAbstractItemView::SingleSelection);
    StrGridTextEd->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StrGridTextEd->move(StrGridHexEd->x() + StrGridHexEd->width() + 16, 8);

    connect(StrGridHexEd, &QTableWidget::currentCellChanged, this, &THexPage::StrGridHexEdClick);
    connect(StrGridTextEd, &QTableWidget::currentCellChanged, this, &THexPage::StrGridTextEdClick);
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
    std::copy(block, block + 256, shown_.begin());
    for (int i = 0; i < 256; ++i) {
        StrGridHexEd->item(i / 16 + 1, i % 16 + 1)->setText(HexText(block[i]));
        StrGridTextEd->item(i / 16 + 1, i % 16)->setText(GlyphText(block[i]));
    }
}

int THexPage::SelectedIndex() const {
    return (StrGridTextEd->currentColumn() + (StrGridTextEd->currentRow() - 1) * 16) & 0xFF;
}

void THexPage::SelectFirstByte() {
    StrGridHexEd->setCurrentCell(1, 1);
}

void THexPage::StrGridTextEdClick() {
    StrGridHexEd->setCurrentCell(StrGridTextEd->currentRow(), StrGridTextEd->currentColumn() + 1);
    emit byteSelected();
}

void THexPage::StrGridHexEdClick() {
    StrGridTextEd->setCurrentCell(StrGridHexEd->currentRow(), StrGridHexEd->currentColumn() - 1);
    StrGridHexEd->setFocus();
}

} // namespace dyskel
