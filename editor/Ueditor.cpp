#include "editor/Ueditor.h"

#include "browser/Options.h"
#include "core/DiskHeader.h"
#include "core/HexText.h"
#include "disasm/Disasm6502.h"
#include "editor/BamChart.h"
#include "editor/DirPage.h"
#include "editor/EditorLook.h"
#include "editor/HexPage.h"
#include "editor/Page6502.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"

#include <QDateTime>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <array>

namespace dyskel {

namespace {

constexpr int ClientWidth = 681;
constexpr int ClientHeight = 569;
constexpr int TopPanelHeight = 142;

constexpr const char* EditModePrompt =
    "Editor is in Display mode. You can not edit before changing to Edit mode!\n\rChange to Edit mode now?";

// Controls that show a hint while the Hints option is on (Panel6502 shows the
// description of its instruction besides these).
struct HintRow {
    const char* control;
    const char* hint;
};
constexpr std::array<HintRow, 8> Hints = {{
    {"GrpBoxWP", "Status of the C64 disk (not the .D64 file itself)."},
    {"PanelTimeStamp", "Time stamp on image file."},
    {"BtnTrackBack", "Track back"},
    {"BtnTrackForward", "Track forward"},
    {"BtnResetTracking", "Reset Tracking"},
    {"GrpBoxPos", "Position in file when tracking."},
    {"RBEdit", "Editor is in Edit-mode."},
    {"RBdispOnly", "Editor is in \"View Only\"-mode."},
}};

// Group boxes of the top panel: name, caption, place.
struct GroupRow {
    const char* name;
    const char* caption;
    int left, top, width;
};
constexpr int GroupHeight = 44;
constexpr std::array<GroupRow, 11> Groups = {{
    {"GrpBoxFileName", "File Name", 4, 2, 150},
    {"GrpBoxHeaderID", "Header && ID", 158, 2, 230},
    {"GrpBoxBlocksFree", "Blocks Free", 392, 2, 86},
    {"GrpBoxTS", "Track - Sector ", 482, 2, 112},
    {"GrpBoxEC", "Error Correction", 4, 48, 250},
    {"GrpBoxMode", "Mode", 258, 48, 130},
    {"GrpBoxWP", "Write Protection", 392, 48, 110},
    {"GrpBoxTimeStamp", "Image Time Stamp", 506, 48, 171},
    {"GrpBoxFormat", "Format Designation", 4, 94, 250},
    {"GrpBox6502", "6502 CMD", 258, 94, 150},
    {"GrpBoxPos", "Position", 412, 94, 72},
}};

// The inner area of a group box, below its caption.
QRect Inner(QGroupBox* g, int left = 6, int width = -1) {
    return {left, 18, width < 0 ? g->width() - 2 * left : width, 20};
}

template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* BluePanel(QWidget* parent, const char* name, const QFont& font) {
    auto* l = Named(new QLabel(parent), name);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 255));
    pal.setColor(QPalette::WindowText, QColor(0, 255, 255));
    l->setPalette(pal);
    l->setFont(font);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setContentsMargins(3, 0, 3, 0);
    return l;
}

QLabel* SunkenPanel(QWidget* parent, const char* name, const QString& caption) {
    auto* l = Named(new QLabel(caption, parent), name);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const QRect& r) {
    auto* b = Named(new QPushButton(QString::fromLatin1(caption), parent), name);
    b->setAutoDefault(false);
    b->setGeometry(r);
    return b;
}

void SetBold(QWidget* w, bool bold) {
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

} // namespace

QString ImageTimeStampText(std::int64_t mtime) {
    if (mtime == -1) return QStringLiteral("N/A");
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(mtime);
    const QLocale locale = QLocale::system();
    QString text = locale.toString(stamp.date(), QLocale::ShortFormat);
    if (stamp.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(stamp.time(), QLocale::LongFormat);
    return text;
}

TEditor::TEditor(EditorServices& services, QWidget* mainWindow, QWidget* parent)
    : QDialog(parent), svc_(services), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("Editor"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
    setFont(SansFont(12));
    resize(ClientWidth, ClientHeight);

    auto* top = Named(new QFrame(this), "PanelTop");
    top->setGeometry(0, 0, ClientWidth, TopPanelHeight);
    BuildTopPanel(top);

    TNBdisplay = Named(new QTabWidget(this), "TNBdisplay");
    TNBdisplay->setGeometry(0, TopPanelHeight, ClientWidth, ClientHeight - TopPanelHeight);
    hexPage_ = Named(new THexPage, "TabHexEditor");
    dirPage_ = Named(new TDirPage(svc_, *this), "TabDirectory");
    bamPage_ = Named(new TBamPage, "TabBAM");
    page6502_ = Named(new T6502Page(svc_, *this), "Tab6502");
    TNBdisplay->addTab(hexPage_, QStringLiteral("Hex Editor"));
    TNBdisplay->addTab(dirPage_, QStringLiteral("Directory"));
    TNBdisplay->addTab(bamPage_, QStringLiteral("BAM Allocation Map"));
    TNBdisplay->addTab(page6502_, QStringLiteral("6502 DisAssembler"));

    connect(hexPage_, &THexPage::byteSelected, this, &TEditor::ShowInstruction);
}

TEditor::~TEditor() = default;

void TEditor::BuildTopPanel(QWidget* top) {
    std::array<QGroupBox*, Groups.size()> g{};
    for (std::size_t i = 0; i < Groups.size(); ++i) {
        g[i] = Named(new QGroupBox(QString::fromLatin1(Groups[i].caption), top), Groups[i].name);
        g[i]->setGeometry(Groups[i].left, Groups[i].top, Groups[i].width, GroupHeight);
    }
    auto [fileName, headerId, blocksFree, ts, ec, mode, wp, timeStamp, format, cmd6502, pos] = g;

    EditFileName = Named(new QLineEdit(fileName), "EditFileName");
    EditFileName->setGeometry(Inner(fileName));
    SetBold(EditFileName, true);

    PanelHeaderID = BluePanel(headerId, "PanelHeaderID", C64Font(8));
    PanelHeaderID->setGeometry(Inner(headerId));
    QFont blocksFont = font();
    blocksFont.setBold(true);
    PanelBlocksFree = BluePanel(blocksFree, "PanelBlocksFree", blocksFont);
    PanelBlocksFree->setGeometry(Inner(blocksFree));

    auto* trackSpin = Named(new TSpinEdit(ts), "SpinEditTrack");
    trackSpin->setRange(1, MaxTracks);
    trackSpin->setValue(DirTrack);
    trackSpin->setGeometry(Inner(ts, 6, 48));
    auto* sectorSpin = Named(new TSpinEdit(ts), "SpinEditSector");
    sectorSpin->setRange(-1, 22);
    sectorSpin->setValue(0);
    sectorSpin->setGeometry(Inner(ts, 58, 48));
    SpinEditTrack = trackSpin;
    SpinEditSector = sectorSpin;
    connect(SpinEditTrack, &QSpinBox::valueChanged, this, &TEditor::SpinEditTrackChange);
    connect(SpinEditSector, &QSpinBox::valueChanged, this, &TEditor::SpinEditSectorChange);

    BtnClose = Button(top, "BtnClose", "&Close", QRect(600, 8, 76, 36));
    SetBold(BtnClose, true);
    QPalette red = BtnClose->palette();
    red.setColor(QPalette::ButtonText, QColor(255, 0, 0));
    BtnClose->setPalette(red);
    connect(BtnClose, &QPushButton::clicked, this, &TEditor::BtnCloseClick);

    LblEC = Named(new QLabel(ec), "LblEC");
    LblEC->setGeometry(Inner(ec));

    RBEdit = Named(new QRadioButton(QStringLiteral("Edit"), mode), "RBEdit");
    RBEdit->setGeometry(Inner(mode, 8, 54));
    RBdispOnly = Named(new QRadioButton(QStringLiteral("Display"), mode), "RBdispOnly");
    RBdispOnly->setGeometry(Inner(mode, 62, 64));
    RBdispOnly->setChecked(true);
    connect(RBEdit, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RBEditClick();
    });
    connect(RBdispOnly, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RBdispOnlyClick();
    });

    RBWPon = Named(new QRadioButton(QStringLiteral("On"), wp), "RBWPon");
    RBWPon->setGeometry(Inner(wp, 8, 46));
    RBWPoff = Named(new QRadioButton(QStringLiteral("Off"), wp), "RBWPoff");
    RBWPoff->setGeometry(Inner(wp, 56, 48));
    RBWPon->setEnabled(false);
    RBWPoff->setEnabled(false);

    PanelTimeStamp = SunkenPanel(timeStamp, "PanelTimeStamp", QString());
    PanelTimeStamp->setGeometry(Inner(timeStamp));
    LblFormat = Named(new QLabel(format), "LblFormat");
    LblFormat->setGeometry(Inner(format));
    Panel6502 = SunkenPanel(cmd6502, "Panel6502", QStringLiteral("???"));
    Panel6502->setGeometry(Inner(cmd6502));
    PanelPos = SunkenPanel(pos, "PanelPos", QStringLiteral("$0000"));
    PanelPos->setGeometry(Inner(pos));

    BtnTrackBack = Button(top, "BtnTrackBack", "<- T", QRect(490, 110, 56, 28));
    BtnTrackForward = Button(top, "BtnTrackForward", "T ->", QRect(550, 110, 56, 28));
    BtnResetTracking = Button(top, "BtnResetTracking", "Reset", QRect(610, 110, 66, 28));
    connect(BtnTrackBack, &QPushButton::clicked, this, &TEditor::BtnTrackBackClick);
    connect(BtnTrackForward, &QPushButton::clicked, this, &TEditor::BtnTrackForwardClick);
    connect(BtnResetTracking, &QPushButton::clicked, this, &TEditor::BtnResetTrackingClick);
}

int TEditor::OpenImage() {
    FormActivate();
    return exec();
}

void TEditor::FormActivate() {
    OpenImageState& img = svc_.data.image;
    // 1-2: over the main window, which hides; the caption names the image.
    move(img.MainFormLeft, img.MainFormTop);
    if (mainWindow_) mainWindow_->hide();
    const QString fileName = QString::fromStdString(img.ImageFileName);
    setWindowTitle(QStringLiteral("Dyskel V1.00beta - EDITOR  (") + fileName + QLatin1Char(')'));
    // 3-5: grid headers, file name.
    hexPage_->WriteHeaders();
    EditFileName->setText(fileName);
    // 6: the header probe sets the flags shown below.
    const std::string label = ReadDiskHeader(img);
    PanelHeaderID->setText(PetsciiToQString(label));
    // 7-8: page and mode from the options.
    TNBdisplay->setCurrentIndex(1);
    const int page = svc_.options.DefaultEditorPage();
    if (page == 0 || page == 2 || page == 3) TNBdisplay->setCurrentIndex(page);
    if (svc_.options.MnuEditorEditMode->isChecked())
        RBEdit->setChecked(true);
    else
        RBdispOnly->setChecked(true);
    // 9-12: the facts.
    LblFormat->setText(img.DoubleSided ? QStringLiteral("1571 disk image, Double Sided.")
                                       : QStringLiteral("1540/1541/1570 disk image, Single Sided."));
    (img.WriteProtected ? RBWPon : RBWPoff)->setChecked(true);
    PanelTimeStamp->setText(ImageTimeStampText(img.ImageFindRec.mtime));
    LblEC->setText(img.HasErrorInfo ? QStringLiteral("Image contains error information.")
                                    : QStringLiteral("Image does not contain error information."));
    // 13: track 18, sector 0.  The sector limit follows the track even when
    // the track was 18 already and its change handler did not run.
    SpinEditTrack->setValue(DirTrack);
    SpinEditSector->setValue(0);
    SpinEditSector->setMaximum(SectorsPerTrack(SpinEditTrack->value()));
    // 14: a standard image ends at track 35.
    SpinEditTrack->setMaximum(TrackLimitForSize(img.ImageFindRec.size));
    // 15-16: the chart's sector axis, the BAM.
    bamPage_->WriteSectorLabels();
    img.FreeBlocks = DecodeBAM(img.ImagePath(), svc_.data.track, svc_.data.freeMap);
    PanelBlocksFree->setText(QString::number(img.FreeBlocks));
    // 17-21: every page.
    ShowSector();
    tracking_.active = false;
    tracking_.depth = 0;
    bamPage_->PanelBAM->Build(svc_.data.freeMap, svc_.options.MnuHints->isChecked());
    dirPage_->ShowDirectory(label);
    page6502_->PrepareForOpening();
    // 22-23.
    ApplyHints(svc_.options.MnuHints->isChecked());
    SpinEditTrack->setFocus();
}

void TEditor::ApplyHints(bool on) {
    hintsOn_ = on;
    for (const HintRow& row : Hints)
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(row.control)))
            w->setToolTip(on ? QString::fromLatin1(row.hint) : QString());
    Panel6502->setToolTip(on ? hint6502_ : QString());
}

void TEditor::SpinEditTrackChange() {
    const int n = SectorsPerTrack(SpinEditTrack->value());
    if (SpinEditSector->value() > n - 1) SpinEditSector->setValue(n - 1);
    // The value n is never shown: it stands for a step past the last sector.
    SpinEditSector->setMaximum(n);
    ShowSector();
}

void TEditor::SpinEditSectorChange() {
    const int sector = SpinEditSector->value();
    const int track = SpinEditTrack->value();
    if (sector == -1) {
        if (track > SpinEditTrack->minimum()) {
            SpinEditTrack->setValue(track - 1);
            const int n = SectorsPerTrack(SpinEditTrack->value());
            SpinEditSector->setMaximum(n);
            SpinEditSector->setValue(n - 1);
        } else {
            SpinEditSector->setValue(0);
        }
    } else if (sector == SpinEditSector->maximum()) {
        if (track < SpinEditTrack->maximum()) {
            SpinEditTrack->setValue(track + 1);
            SpinEditSector->setMaximum(SectorsPerTrack(SpinEditTrack->value()));
            SpinEditSector->setValue(0);
        } else {
            SpinEditSector->setValue(sector - 1);
        }
    }
    ShowSector();
}

void TEditor::ShowSector() {
    const int track = SpinEditTrack->value();
    ReadTrack(svc_.data.image.ImagePath(), track, svc_.data.track);
    const int sector = SpinEditSector->value();
    // A passing value while a step wraps to another track shows nothing.
    if (sector < 0 || sector >= SectorsPerTrack(track)) return;
    hexPage_->ShowBlock(svc_.data.track.Block(sector));
    ShowInstruction();
}

void TEditor::ShowInstruction() {
    const int i = hexPage_->SelectedIndex();
    const auto& b = hexPage_->ShownBlock();
    // An instruction is shown only where three bytes of the block start.
    if (i >= 254) {
        Panel6502->setText(QStringLiteral("???"));
        hint6502_.clear();
    } else {
        Panel6502->setText(QString::fromStdString(Disasm6502(b[i], b[i + 1], b[i + 2])));
        hint6502_ = QString::fromStdString(Describe6502(b[i], b[i + 1], b[i + 2]));
    }
    if (hintsOn_) Panel6502->setToolTip(hint6502_);
}

void TEditor::ShowPosition() {
    PanelPos->setText(QLatin1Char('$') + QString::fromStdString(WordToHex(tracking_.position)));
}

void TEditor::MoveTo(int track, int sector) {
    SpinEditTrack->setValue(track);
    SpinEditSector->setValue(sector);
}

void TEditor::BtnTrackForwardClick() {
    if (svc_.options.MnuJump2HexTS->isChecked()) ShowPage(0);
    SetBold(PanelPos, true);
    // The link is read from the block on show, whatever track another page
    // has since read into the track buffer.
    const TrackStep step = TrackForward(tracking_, SpinEditTrack->value(), SpinEditSector->value(),
                                        hexPage_->ShownBlock().data());
    if (step.positionChanged) ShowPosition();
    if (step.move) MoveTo(step.track, step.sector);
}

void TEditor::BtnTrackBackClick() {
    if (!tracking_.active) return;
    if (svc_.options.MnuJump2HexTS->isChecked()) ShowPage(0);
    const TrackStep step = TrackBack(tracking_, SpinEditTrack->value());
    if (step.positionChanged) ShowPosition();
    if (step.move) MoveTo(step.track, step.sector);
}

void TEditor::BtnResetTrackingClick() {
    ResetTracking(tracking_);
    ShowPosition();
    SetBold(PanelPos, false);
}

void TEditor::BtnCloseClick() {
    if (mainWindow_) mainWindow_->show();
    bamPage_->PanelBAM->Destroy();
    done(QDialog::Accepted);
}

void TEditor::reject() {
    BtnCloseClick();
}

void TEditor::keyPressEvent(QKeyEvent* e) {
    // No default or cancel button: Enter and Escape do not close the window.
    switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        e->accept();
        return;
    default:
        QDialog::keyPressEvent(e);
    }
}

void TEditor::RBEditClick() {
    svc_.options.MnuEditorEditMode->setChecked(true);
}

void TEditor::RBdispOnlyClick() {
    svc_.options.MnuEditorEditMode->setChecked(false);
}

void TEditor::JumpToBlock(int track, int sector) {
    MoveTo(track, sector);
    ShowPage(0);
    hexPage_->SelectFirstByte();
}

bool TEditor::EnsureEditMode() {
    if (RBEdit->isChecked()) return true;
    if (svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::YesNo,
                             QString::fromLatin1(EditModePrompt)) == MsgResult::Yes)
        RBEdit->setChecked(true);
    return RBEdit->isChecked();
}

void TEditor::ShowPage(int index) {
    TNBdisplay->setCurrentIndex(index);
}

QString TEditor::FileNameBox() const {
    return EditFileName->text();
}

void TEditor::DisassembleFile(int track, int sector) {
    page6502_->DisassembleFile(track, sector);
}

} // namespace dyskel
