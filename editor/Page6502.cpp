#include "editor/Page6502.h"

#include "editor/CharGrid.h"
#include "editor/Listing6502Model.h"
#include "platform/Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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
    svc_.data.listingMode = 'A';
}

void T6502Page::List6502() {
    const FileBuffer6502& file = svc_.data.file6502;
    Gauge6502->setRange(0, int(std::max<std::uint32_t>(file.length, 1)));
    Gauge6502->setValue(0);
    Gauge6502->show();
    // The rows are made as the grid draws them; building the listing walks
    // the file once to find where each instruction starts.
    model_->List(file, svc_.data.listingMode);
    SetColumnWidths();
    Gauge6502->setValue(Gauge6502->maximum());
    Gauge6502->hide();
    StrGrid6502->scrollToTop();
    StrGrid6502->setCurrentIndex(model_->index(0, 0));
}

void T6502Page::Btn6502ModeClick() {
    char& mode = svc_.data.listingMode;
    mode = mode == 'A' ? 'T' : 'A';
    List6502();
}

void T6502Page::DisassembleFile(int track, int sector) {
    EditorData& data = svc_.data;
    if (svc_.options.change6502) data.listingMode = svc_.options.default6502Mode;
    host_.ShowPage(3);
    StrGrid6502->scrollToTop();
    StrGrid6502->setCurrentIndex(model_->index(0, 0));

    Result<DiskImage> image = DiskImage::Load(data.image.ImagePath());
    if (!image) {
        data.file6502.bytes.fill(0);
        data.file6502.length = 0;
        data.file6502.loadAddress = 0;
        data.gather = {};
        List6502();
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(image.Error()));
        return;
    }
    data.gather = GatherFile6502(*image, {track, sector}, data.file6502);
    PanelBlocks->setText(QString::fromStdString(BlocksCaption(data.gather, data.file6502)));
    PanelLoadAdr->setText(QString::fromStdString(LoadAdrCaption(data.file6502)));
    PanelEndAdr->setText(QString::fromStdString(EndAdrCaption(data.file6502)));
    List6502();

    if (data.gather.cut())
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                             JoinLines(GatherCutLines(data.gather, data.file6502)));
}

} // namespace dyskel
