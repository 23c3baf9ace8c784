#include "editor/Page6502.h"

#include "core/FileIO.h"
#include "disasm/Ca65Source.h"
#include "editor/CharGrid.h"
#include "editor/Listing6502Model.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/HostPath.h"
#include "platform/Menus.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace dyskel {

namespace {

// The panels and the button to the right of the grid: narrow enough that the
// grid shows a whole text-listing row (44 + 380 + 132 pixels) beside its
// scroll bar.
constexpr int SideWidth = 84;

QLabel* Panel(QWidget* parent, const char* name, const char* caption) {
    auto* p = new QLabel(QString::fromLatin1(caption), parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setFrameShape(QFrame::Panel);
    p->setFrameShadow(QFrame::Raised);
    p->setAlignment(Qt::AlignCenter);
    p->setFixedSize(SideWidth, 22);
    return p;
}

// Draws a BASIC line's text with its control codes reversed, as LIST shows
// them on the C64's screen: glyph in the background colour on the text
// colour.  Every other cell is drawn as usual.
class ReversedCells : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QByteArray mask = index.data(TListing6502Model::ReversedRole).toByteArray();
        if (!mask.contains('\1')) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        o.widget->style()->drawControl(QStyle::CE_ItemViewItem, &o, painter, o.widget);
        const bool selected = o.state & QStyle::State_Selected;
        const QColor ink = o.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        const QColor paper = o.palette.color(selected ? QPalette::Highlight : QPalette::Base);
        painter->save();
        painter->setFont(o.font);
        const QFontMetrics metrics(o.font);
        int x = o.rect.left();
        const QList<uint> glyphs = text.toUcs4();
        for (qsizetype i = 0; i < glyphs.size() && x < o.rect.right(); ++i) {
            const char32_t c = glyphs[i];
            const QString glyph = QString::fromUcs4(&c, 1);
            const QRect cell(x, o.rect.top(), metrics.horizontalAdvance(glyph), o.rect.height());
            const bool reversed = i < mask.size() && mask[i];
            if (reversed) painter->fillRect(cell, ink);
            painter->setPen(reversed ? paper : ink);
            painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, glyph);
            x = cell.right() + 1;
        }
        painter->restore();
    }
};

// "$080D" for the address.
QString Hex4(std::uint32_t address) {
    return QStringLiteral("$%1").arg(address & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

T6502Page::T6502Page(EditorServices& services, IEditorHost& host, QWidget* parent)
    : QWidget(parent), svc_(services), host_(host) {
    setObjectName(QStringLiteral("Page6502"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    model_ = new TListing6502Model(this);
    StrGrid6502 = new QTableView(this);
    StrGrid6502->setObjectName(QStringLiteral("StrGrid6502"));
    StrGrid6502->setModel(model_);
    SetUpCharGrid(StrGrid6502, false);
    StrGrid6502->setStyleSheet(QStringLiteral("QTableView::item { padding: 0px; }"));
    StrGrid6502->setItemDelegate(new ReversedCells(StrGrid6502));
    Popup6502 = new QMenu(this);
    Popup6502->setObjectName(QStringLiteral("Popup6502"));
    PMnu6502StartAt = MenuItem(Popup6502, "PMnu6502StartAt", "&Start at...");
    PMnu6502Source = MenuItem(Popup6502, "PMnu6502Source", "Save as s&ource...");
    connect(PMnu6502StartAt, &QAction::triggered, this, &T6502Page::StartAt);
    connect(PMnu6502Source, &QAction::triggered, this, &T6502Page::SaveAsSource);
    StrGrid6502->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StrGrid6502, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Popup6502->popup(StrGrid6502->viewport()->mapToGlobal(at)); });
    layout->addWidget(StrGrid6502, 1);

    auto* side = new QVBoxLayout;
    PanelLoadAdr = Panel(this, "PanelLoadAdr", "");
    PanelBlocks = Panel(this, "PanelBlocks", "");
    PanelStartAdr = Panel(this, "PanelStartAdr", "");
    PanelEndAdr = Panel(this, "PanelEndAdr", "");
    for (QLabel* p : {PanelLoadAdr, PanelBlocks, PanelStartAdr, PanelEndAdr}) side->addWidget(p);
    Gauge6502 = new QProgressBar(this);
    Gauge6502->setObjectName(QStringLiteral("Gauge6502"));
    Gauge6502->setOrientation(Qt::Vertical);
    Gauge6502->setTextVisible(false);
    Gauge6502->setFixedWidth(24);
    Gauge6502->hide();
    side->addWidget(Gauge6502, 1, Qt::AlignHCenter);
    side->addStretch();
    Btn6502Mode = new QPushButton(QStringLiteral("6502 Mode"), this);
    Btn6502Mode->setObjectName(QStringLiteral("Btn6502Mode"));
    Btn6502Mode->setFixedWidth(SideWidth);
    side->addWidget(Btn6502Mode);
    layout->addLayout(side);
    connect(Btn6502Mode, &QPushButton::clicked, this, &T6502Page::Btn6502ModeClick);

    SetColumnWidths();
    ShowEmptyPanels();
}

void T6502Page::SetColumnWidths() {
    for (int c = 0; c < model_->columnCount(); ++c) StrGrid6502->setColumnWidth(c, model_->ColumnWidth(c));
}

void T6502Page::ShowEmptyPanels() {
    for (auto [panel, caption] : {std::pair{PanelLoadAdr, "LoadAdr"}, std::pair{PanelBlocks, "Blocks"},
                                  std::pair{PanelStartAdr, "StartAdr"}, std::pair{PanelEndAdr, "EndAdr"}})
        panel->setText(QString::fromLatin1(caption));
    Gauge6502->hide();
}

void T6502Page::PrepareForOpening() {
    // Nothing of a file listed from the image opened before stays.
    ShowEmptyPanels();
    model_->Prepare(svc_.options.default6502Mode);
    SetColumnWidths();
    svc_.data.listingMode = ListingMode::Asm;
    svc_.data.start6502.reset();
}

void T6502Page::List6502() {
    const FileBuffer6502& file = svc_.data.file6502;
    Gauge6502->setRange(0, int(std::max<std::uint32_t>(file.length, 1)));
    Gauge6502->setValue(0);
    Gauge6502->show();
    // The rows are made as the grid draws them; building the listing walks
    // the file once to find where each instruction starts.
    model_->List(file, svc_.data.listingMode, ListingOptions(svc_.options, svc_.data.start6502));
    SetColumnWidths();
    PanelStartAdr->setText(svc_.data.start6502 ? Hex4(*svc_.data.start6502) : QStringLiteral("StartAdr"));
    Gauge6502->setValue(Gauge6502->maximum());
    Gauge6502->hide();
    StrGrid6502->scrollToTop();
    StrGrid6502->setCurrentIndex(model_->index(0, 0));
}

void T6502Page::Btn6502ModeClick() {
    svc_.data.listingMode = NextMode(svc_.data.listingMode);
    List6502();
}

void T6502Page::StartAt() {
    const FileBuffer6502& file = svc_.data.file6502;
    const int load = file.loadAddress;
    const int last = load + int(std::max<std::uint32_t>(file.length, 1)) - 1;
    const QString label = QStringLiteral("Start address, decimal (%1 to %2 is %3 to %4):")
                              .arg(load)
                              .arg(last)
                              .arg(Hex4(std::uint32_t(load)), Hex4(std::uint32_t(last)));
    const int now = svc_.data.start6502.value_or(file.loadAddress);
    std::optional<int> chosen =
        svc_.dialogs.AskNumber(this, QStringLiteral("Start at"), label, now, load, last);
    if (!chosen) return;
    svc_.data.start6502 = static_cast<std::uint16_t>(*chosen);
    svc_.data.listingMode = ListingMode::Asm; // the start is the disassembly's
    List6502();
}

void T6502Page::SaveAsSource() {
    const FileBuffer6502& file = svc_.data.file6502;
    const QString path =
        svc_.dialogs.SaveFileName(this, QStringLiteral("Save as source"), QStringLiteral("ca65 source (*.s)"),
                                  FromHostPath(svc_.data.image.Folder()));
    if (path.isEmpty()) return;
    const std::string source = Ca65Source(std::span(file.bytes.data(), file.length), file.loadAddress,
                                          ListingOptions(svc_.options, svc_.data.start6502));
    const std::string failed = fileio::WriteWholeFile(ToHostPath(path), source);
    if (!failed.empty())
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(failed));
}

void T6502Page::DisassembleFile(int track, int sector) {
    EditorData& data = svc_.data;
    if (svc_.options.change6502) data.listingMode = svc_.options.default6502Mode;
    host_.ShowPage(3);
    StrGrid6502->scrollToTop();
    StrGrid6502->setCurrentIndex(model_->index(0, 0));

    Result<DiskImage> image = DiskImage::Load(data.image.path);
    if (!image) {
        data.file6502.bytes.fill(0);
        data.file6502.length = 0;
        data.file6502.loadAddress = 0;
        data.gather = {};
        data.start6502.reset();
        List6502();
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(image.Error()));
        return;
    }
    data.gather = GatherFile6502(*image, {track, sector}, data.file6502);
    data.start6502 =
        SysStart(std::span(data.file6502.bytes.data(), data.file6502.length), data.file6502.loadAddress);
    PanelBlocks->setText(QString::fromStdString(BlocksCaption(data.gather, data.file6502)));
    PanelLoadAdr->setText(QString::fromStdString(LoadAdrCaption(data.file6502)));
    PanelEndAdr->setText(QString::fromStdString(EndAdrCaption(data.file6502)));
    List6502();

    if (data.gather.cut())
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                             JoinLines(GatherCutLines(data.gather, data.file6502)));
}

} // namespace dyskel
