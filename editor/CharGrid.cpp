#include "editor/CharGrid.h"

#include "platform/Fonts.h"

#include <QHeaderView>
#include <QTableView>

namespace dyskel {

namespace {
constexpr int RowHeight = 12;
constexpr int GlyphPixels = 8;
} // namespace

void SetUpCharGrid(QTableView* grid, bool bold) {
    grid->setFont(C64Font(GlyphPixels, bold));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    // Cells are cut at the column's edge, as a string grid does, never elided.
    grid->setTextElideMode(Qt::ElideNone);
    QHeaderView* rows = grid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(RowHeight);
    rows->setDefaultSectionSize(RowHeight);
    QHeaderView* columns = grid->horizontalHeader();
    columns->setFont(C64Font(GlyphPixels, bold));
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setFixedHeight(RowHeight + 2);
}

} // namespace dyskel
