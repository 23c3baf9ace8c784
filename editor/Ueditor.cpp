#include "editor/Ueditor.h"

#include "platform/Menus.h"

#include "core/BlockPatch.h"
#include "core/Directory.h"
#include "core/DiskEdits.h"
#include "core/HexText.h"
#include "core/ImageScan.h"
#include "core/Partition.h"
#include "core/Validate.h"
#include "disasm/C64Symbols.h"
#include "disasm/Disasm6502.h"
#include "editor/BamChart.h"
#include "editor/DirPage.h"
#include "editor/EditorLook.h"
#include "editor/HexPage.h"
#include "editor/Page6502.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/HostPath.h"

#include <QAction>
#include <QDateTime>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <filesystem>

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
constexpr std::array<HintRow, 13> Hints = {{
    {"GrpBoxWP", "Status of the C64 disk (not the .D64 file itself)."},
    {"PanelTimeStamp", "Time stamp on image file."},
    {"BtnTrackBack", "Track back"},
    {"BtnTrackForward", "Track forward"},
    {"BtnResetTracking", "Reset Tracking"},
    {"GrpBoxPos", "Position in file when tracking."},
    {"RBEdit", "Editor is in Edit-mode."},
    {"RBdispOnly", "Editor is in \"View Only\"-mode."},
    {"BtnDirSeparator", "Insert a separator (a DEL entry owning no block) before the entry chosen"},
    {"BtnDirUp", "Move the entry chosen up"},
    {"BtnDirDown", "Move the entry chosen down"},
    {"BtnDirExportList", "Export the listing as text"},
    {"BtnDirImportList", "Import a listing: a text, a screen grab (.prg) or a raw file of 16-byte names"},
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

    // The top panel keeps its designed size; the notebook takes the rest of
    // the window.  Below the designed size the whole shows in a scroll area.
    auto* scroll = Named(new QScrollArea(this), "EditorScroll");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* body = Named(new QWidget, "EditorBody");
    body->setMinimumSize(ClientWidth, ClientHeight);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = Named(new QFrame(body), "PanelTop");
    top->setFixedSize(ClientWidth, TopPanelHeight);
    BuildTopPanel(top);
    column->addWidget(top, 0, Qt::AlignLeft);
    TNBdisplay = Named(new QTabWidget(body), "TNBdisplay");
    column->addWidget(TNBdisplay, 1);
    scroll->setWidget(body);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(scroll);
    // The status line under it all, on every page; a long text is cut (the
    // tool tip gives it whole) rather than widening the window.
    LblStatus = Named(new QLabel(this), "LblStatus");
    LblStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    LblStatus->setTextFormat(Qt::PlainText);
    LblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    outer->addWidget(LblStatus);
    resize(ClientWidth, ClientHeight + LblStatus->sizeHint().height());
    hexPage_ = Named(new THexPage, "TabHexEditor");
    dirPage_ = Named(new TDirPage(svc_, *this), "TabDirectory");
    bamPage_ = Named(new TBamPage, "TabBAM");
    bamPage_->PanelBAM->onCellClicked = [this](int track, int sector) { JumpToBlock(track, sector); };
    page6502_ = Named(new T6502Page(svc_, *this), "Tab6502");
    TNBdisplay->addTab(hexPage_, QStringLiteral("Hex Editor"));
    TNBdisplay->addTab(dirPage_, QStringLiteral("Directory"));
    TNBdisplay->addTab(bamPage_, QStringLiteral("BAM Allocation Map"));
    TNBdisplay->addTab(page6502_, QStringLiteral("6502 DisAssembler"));

    connect(hexPage_, &THexPage::byteSelected, this, &TEditor::ShowInstruction);
    connect(hexPage_, &THexPage::blockEdited, this, &TEditor::ShowInstruction);
    connect(hexPage_, &THexPage::writeRequested, this, &TEditor::WriteBlock);

    // Keys of the whole window, wherever the focus is: F5, Ctrl+S (Write
    // Block) and Ctrl+Z (Undo).  The text boxes of the top panel leave Ctrl+S
    // and Ctrl+Z to the window.
    MnuRefresh = new QAction(QStringLiteral("&Refresh"), this);
    MnuRefresh->setObjectName(QStringLiteral("MnuEditorRefresh"));
    MnuRefresh->setShortcut(QKeySequence(Qt::Key_F5));
    connect(MnuRefresh, &QAction::triggered, this, &TEditor::Refresh);
    for (QAction* a : {MnuRefresh, hexPage_->MnuWriteBlock, dirPage_->UndoAction()}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    for (QWidget* w : {static_cast<QWidget*>(SpinEditTrack), static_cast<QWidget*>(SpinEditSector),
                       static_cast<QWidget*>(EditFileName)})
        w->installEventFilter(this);
    connect(TNBdisplay, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != 0 && page_ == 0 && !LeaveBlock()) {
            const QSignalBlocker block(TNBdisplay);
            TNBdisplay->setCurrentIndex(0);
            return;
        }
        page_ = index;
    });
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

    auto* trackSpin = Named(new TSpinEdit(QStringLiteral("Track"), false, ts), "SpinEditTrack");
    trackSpin->setRange(1, FormatMaxTracks);
    trackSpin->setValue(DirTrack);
    trackSpin->setGeometry(Inner(ts, 6, 48));
    auto* sectorSpin = Named(new TSpinEdit(QStringLiteral("Sector"), true, ts), "SpinEditSector");
    sectorSpin->setRange(-1, FormatMaxSectors + 1);
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

int TEditor::Open(const ImageRef& image) {
    FormActivate(image);
    return exec();
}

void TEditor::FormActivate(const ImageRef& image) {
    ImageRef& img = svc_.data.image;
    img = image;
    // Over the main window, which hides, and wholly on its screen; the
    // caption names the image.
    PlaceOnScreen();
    if (mainWindow_) mainWindow_->hide();
    // The file as it is now, not as the folder list found it.
    if (ImageEntry now = FindImage(img.path); !now.name.empty()) img.file = now;
    const QString fileName = FromHostPath(std::filesystem::path(img.path).filename().string());
    setWindowTitle(QStringLiteral("Dyskel V1.00beta - EDITOR  (") + fileName + QLatin1Char(')'));
    // Grid headers, file name; no block on show yet.
    hexPage_->WriteHeaders();
    hexPage_->ShowNothing();
    shownAt_ = {};
    // A long name shows from its start; the tool tip gives the whole path.
    EditFileName->setText(fileName);
    EditFileName->setCursorPosition(0);
    EditFileName->setToolTip(FromHostPath(img.path));
    // Page and mode from the options.
    TNBdisplay->setCurrentIndex(1);
    const int page = svc_.options.editorPage;
    if (page == 0 || page == 2 || page == 3) TNBdisplay->setCurrentIndex(page);
    // Opened on a search result: the Directory page, on that entry.
    if (img.showEntry) TNBdisplay->setCurrentIndex(1);
    // An image of none of the known sizes (perhaps a cut copy) opens
    // read-only, however it was opened: the write path would refuse it.
    format_ = &FormatOf(img.file.size, img.path);
    readOnly_.clear();
    if (!FormatOfSize(img.file.size) && format_->kind == FormatKind::D64)
        readOnly_ =
            QStringLiteral("Read-only: the file is %1 bytes long, which is no D64 size (174848, 175531, "
                           "196608 or 197376); it may be cut short.")
                .arg(img.file.size);
    else if (!FormatOfSize(img.file.size))
        readOnly_ =
            QStringLiteral("Read-only: the file is %1 bytes long, which is no %2 size (%3 or %4); it may "
                           "be cut short.")
                .arg(img.file.size)
                .arg(QString::fromLatin1(format_->name))
                .arg(format_->imageSize)
                .arg(format_->errorSize);
    diskReadOnly_ = readOnly_;
    svc_.data.partition.reset();
    RBEdit->setEnabled(readOnly_.isEmpty());
    if (!readOnly_.isEmpty()) {
        // Display mode for this image only: the start-mode option stays.
        const QSignalBlocker block(RBdispOnly);
        RBdispOnly->setChecked(true);
    } else if (svc_.options.editMode) {
        RBEdit->setChecked(true);
    } else {
        RBdispOnly->setChecked(true);
    }
    hexPage_->SetEditing(RBEdit->isChecked());
    page_ = TNBdisplay->currentIndex();
    // Track 18, sector 0.  The sector limit follows the track even when
    // the track was 18 already and its change handler did not run.
    SpinEditTrack->setMaximum(format_->tracks);
    SpinEditTrack->setValue(format_->dirTrack);
    SpinEditSector->setValue(0);
    SpinEditSector->setMaximum(format_->Sectors(SpinEditTrack->value()));
    // A standard D64 ends at track 35; a D71 at 70, a D81 at 80.
    SpinEditTrack->setMaximum(format_->kind == FormatKind::D64 ? TrackLimitForSize(img.file.size)
                                                               : format_->tracks);
    // The chart's sector axis, then what the image holds: header, BAM,
    // directory and the block on show.  A block that cannot be read leaves
    // empty panels and says so; nothing of an image opened before can show.
    bamPage_->WriteSectorLabels();
    ResetTracking(tracking_);
    ShowPosition();
    SetBold(PanelPos, false);
    svc_.data.undo.clear();
    dirPage_->UndoAction()->setEnabled(false);
    QString error;
    const bool shown = ShowImage(&error, false);
    ShowStatus();
    if (img.showEntry) dirPage_->SelectEntry(img.showEntry->first, img.showEntry->second);
    ShowSector();
    page6502_->PrepareForOpening();
    ApplyHints(svc_.options.hints);
    SpinEditTrack->setFocus();
    if (!shown)
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                             error + QStringLiteral("\n\rThe editor shows nothing of this image."));
}

void TEditor::PlaceOnScreen() {
    QScreen* screen = mainWindow_ ? mainWindow_->screen() : this->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    QRect place(svc_.data.place, size());
    if (screen) {
        // The window frame, once known, must fit too.
        const QSize frame = frameGeometry().size() - size();
        const QRect area = screen->availableGeometry().adjusted(0, 0, -frame.width(), -frame.height());
        place.setSize(place.size().boundedTo(area.size()));
        place.moveLeft(std::clamp(place.left(), area.left(), area.right() + 1 - place.width()));
        place.moveTop(std::clamp(place.top(), area.top(), area.bottom() + 1 - place.height()));
    }
    resize(place.size());
    move(place.topLeft());
}

bool TEditor::ShowImage(QString* error, bool keepRow) {
    ImageRef& img = svc_.data.image;
    // The time stamp of the file as it is now (after a write: the write's).
    const ImageEntry now = FindImage(img.path);
    img.file.mtime = now.name.empty() ? -1 : now.mtime;
    PanelTimeStamp->setText(ImageTimeStampText(img.file.mtime));
    Result<DiskImage> disk = DiskImage::Load(img.path);
    if (disk && svc_.data.partition) disk = OpenPartitionAt(*disk, *svc_.data.partition);
    Result<DiskView> view = disk ? ReadDiskView(*disk, svc_.options.ignoreDeleted) : Failure{disk.Error()};
    svc_.data.view = view ? std::optional<DiskView>(*view) : std::nullopt;
    const HeaderInfo header = view ? view->header : HeaderInfo{};
    PanelHeaderID->setText(PetsciiToQString(header.label));
    // The facts.
    (header.writeProtected ? RBWPon : RBWPoff)->setChecked(true);
    LblFormat->setText(QString::fromLatin1(FormatText(*format_, header.doubleSided)));
    LblEC->setText(QString::fromLatin1(ErrorInfoText(HasErrorBytes(img.file.size))));
    PanelBlocksFree->setText(view ? QString::number(view->bam.freeBlocks) : QString());
    Result<ValidationReport> report = view ? ValidateImage(*disk) : Failure{view.Error()};
    bamPage_->PanelBAM->Build(view ? view->bam.freeMap : FreeMap{}, svc_.options.hints,
                              report ? &*report : nullptr);
    const int row = keepRow ? dirPage_->CurrentRow() : 0;
    dirPage_->ShowDirectory(view ? &*view : nullptr, row);
    if (!view && error) *error = QString::fromStdString(view.Error());
    return view.Ok();
}

UpdateResult WriteWithOptions(const std::string& imagePath, const ImageEdit& edit, Options& options,
                              IDialogs& dialogs, QWidget* parent) {
    UpdateOptions update{options.promptSave, options.backupFiles};
    auto confirm = [&](const Question& question) {
        // A change that destroys something says what it destroys on the
        // second line, and only Yes goes on: Enter and Escape give "No".
        std::vector<std::string> lines{question.text};
        if (!question.destructive.empty()) lines.push_back(question.destructive);
        lines.insert(lines.end(), question.warnings.begin(), question.warnings.end());
        const bool destructive = !question.destructive.empty();
        const MsgResult answer = dialogs.Message(
            parent, MsgKind::Confirmation, destructive ? MsgButtons::YesNoDefaultNo : MsgButtons::YesNoAll,
            JoinLines(lines));
        if (destructive) return answer == MsgResult::Yes ? Answer::Yes : Answer::No;
        switch (answer) {
        case MsgResult::Yes:
            return Answer::Yes;
        case MsgResult::All:
            return Answer::All;
        default: // No, or the box closed: nothing is written
            return Answer::No;
        }
    };
    UpdateResult result = UpdateImage(imagePath, edit, update, confirm);
    options.promptSave = update.promptSave; // All stops the asking
    return result;
}

void TEditor::ShowStatus(const std::vector<std::string>& notes) {
    QStringList lines;
    if (!readOnly_.isEmpty()) lines << readOnly_;
    for (const std::string& note : notes) lines << QString::fromStdString(note);
    const QString soft = QString::fromStdString(SoftWriteProtectedTextFor(*format_));
    const bool softProtected = svc_.data.view && svc_.data.view->header.writeProtected;
    if (softProtected && !lines.contains(soft)) lines << soft;
    LblStatus->setText(lines.join(QStringLiteral("; ")));
    LblStatus->setToolTip(lines.join(QLatin1Char('\n')));
    // A note of the Directory page was about the image as it was.
    dirPage_->ClearNote();
}

UpdateResult TEditor::Write(const ImageEdit& edit) {
    UpdateResult result = WriteWithOptions(svc_.data.image.path, edit, svc_.options, svc_.dialogs, this);
    if (result.status == UpdateStatus::Failed)
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(result.message));
    else if (!result.warning.empty())
        svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok,
                             QString::fromStdString(result.warning));
    // Whatever happened, the pages show the file as it is now.
    ShowImage(nullptr, true);
    ShowStatus(result.status == UpdateStatus::Updated ? result.notes : std::vector<std::string>{});
    // Bytes typed on the Hex Editor page stay until written or discarded.
    if (!hexPage_->HasChanges()) ShowSector();
    return result;
}

bool TEditor::ApplyEdit(const ImageEdit& edit) {
    // Nothing is written inside a partition.
    if (svc_.data.partition) {
        svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok, readOnly_);
        return false;
    }
    UpdateResult result = Write(edit);
    if (result.status != UpdateStatus::Updated) return false;
    svc_.data.undo.push_back(std::move(result));
    dirPage_->UndoAction()->setEnabled(true);
    return true;
}

void TEditor::Refresh() {
    if (!LeaveBlock()) return;
    QString error;
    const bool shown = ShowImage(&error, true);
    ShowStatus();
    ShowSector();
    if (!shown)
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                             error + QStringLiteral("\n\rThe editor shows nothing of this image."));
}

void TEditor::Undo() {
    if (!EnsureEditMode() || !LeaveBlock()) return;
    if (svc_.data.undo.empty()) {
        svc_.dialogs.Message(
            this, MsgKind::Information, MsgButtons::Ok,
            QStringLiteral("Nothing to undo: the image has not been changed since it was opened."));
        return;
    }
    if (Write(UndoWrite(svc_.data.undo.back())).status == UpdateStatus::Updated) svc_.data.undo.pop_back();
    dirPage_->UndoAction()->setEnabled(!svc_.data.undo.empty());
}

void TEditor::ApplyHints(bool on) {
    hintsOn_ = on;
    for (const HintRow& row : Hints)
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(row.control)))
            w->setToolTip(on ? QString::fromLatin1(row.hint) : QString());
    Panel6502->setToolTip(on ? hint6502_ : QString());
}

void TEditor::SpinEditTrackChange() {
    const int n = format_->Sectors(SpinEditTrack->value());
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
            const int n = format_->Sectors(SpinEditTrack->value());
            SpinEditSector->setMaximum(n);
            SpinEditSector->setValue(n - 1);
        } else {
            SpinEditSector->setValue(0);
        }
    } else if (sector == SpinEditSector->maximum()) {
        if (track < SpinEditTrack->maximum()) {
            SpinEditTrack->setValue(track + 1);
            SpinEditSector->setMaximum(format_->Sectors(SpinEditTrack->value()));
            SpinEditSector->setValue(0);
        } else {
            SpinEditSector->setValue(sector - 1);
        }
    }
    ShowSector();
}

void TEditor::ShowSector() {
    if (restoring_) return;
    const int track = SpinEditTrack->value();
    const int sector = SpinEditSector->value();
    // A passing value while a step wraps to another track shows nothing.
    if (sector < 0 || sector >= format_->Sectors(track)) return;
    if (BlockAddress{track, sector} != shownAt_ && !LeaveBlock()) {
        // Cancel: the selectors go back to the block with the typed bytes.
        restoring_ = true;
        SpinEditTrack->setValue(shownAt_.track);
        SpinEditSector->setMaximum(format_->Sectors(shownAt_.track));
        SpinEditSector->setValue(shownAt_.sector);
        restoring_ = false;
        return;
    }
    shownAt_ = {track, sector};
    Result<Block> block = ReadBlock(svc_.data.image.path, {track, sector});
    if (block) {
        hexPage_->ShowBlock(block->data());
    } else {
        hexPage_->ShowNothing();
        if (isVisible())
            svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(block.Error()));
    }
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
        const OpcodeSet set = ListingOptions(svc_.options, {}).opcodes;
        std::string text = Disasm6502(b[i], b[i + 1], b[i + 2], set);
        // With C64 symbols on, the name of the address follows the operand.
        if (std::string symbol = SymbolicOperand(b[i], b[i + 1], b[i + 2], set);
            svc_.options.c64Symbols && !symbol.empty())
            text += " " + symbol;
        Panel6502->setText(QString::fromStdString(text));
        hint6502_ = QString::fromStdString(Describe6502(b[i], b[i + 1], b[i + 2], set));
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
    if (svc_.options.jumpTS) ShowPage(0);
    SetBold(PanelPos, true);
    // The link is read from the block on show, whatever track another page
    // has since read into the track buffer.
    const TrackStep step = TrackForward(tracking_, SpinEditTrack->value(), SpinEditSector->value(),
                                        hexPage_->ShownBlock().data(), format_->dirTrack);
    if (step.positionChanged) ShowPosition();
    if (step.move) MoveTo(step.track, step.sector);
}

void TEditor::BtnTrackBackClick() {
    if (!tracking_.active) return;
    if (svc_.options.jumpTS) ShowPage(0);
    const TrackStep step = TrackBack(tracking_, SpinEditTrack->value(), format_->dirTrack);
    if (step.positionChanged) ShowPosition();
    if (step.move) MoveTo(step.track, step.sector);
}

void TEditor::BtnResetTrackingClick() {
    ResetTracking(tracking_);
    ShowPosition();
    SetBold(PanelPos, false);
}

bool TEditor::LeaveBlock() {
    if (!hexPage_->HasChanges()) return true;
    const QString text =
        QStringLiteral("The bytes typed into track %1, sector %2 are not written.\n\rWrite them now?")
            .arg(shownAt_.track)
            .arg(shownAt_.sector);
    switch (svc_.dialogs.Choose(
        this, text, {QStringLiteral("Write"), QStringLiteral("Discard"), QStringLiteral("Cancel")})) {
    case 0:
        WriteBlock();
        return !hexPage_->HasChanges();
    case 1:
        hexPage_->DiscardChanges();
        return true;
    default:
        return false;
    }
}

void TEditor::WriteBlock() {
    if (!hexPage_->HasChanges() || !EnsureEditMode()) return;
    // Only the typed bytes are written, and only over the block as it was
    // read: another program may have written it since.
    Result<Block> now = ReadBlock(svc_.data.image.path, shownAt_);
    if (now && *now != hexPage_->ReadBytes()) {
        const QString text =
            QString::fromStdString(BlockChangedText(shownAt_)) +
            QStringLiteral(".\n\rShow the block as the disk holds it now, the bytes typed kept on top?");
        if (svc_.dialogs.Choose(this, text,
                                {QStringLiteral("Show Disk's Block"), QStringLiteral("Cancel")}) == 0) {
            hexPage_->ShowUnderTyped(*now);
            ShowInstruction();
        }
        return;
    }
    if (ApplyEdit(PatchBlock(shownAt_, hexPage_->ReadBytes(), hexPage_->Typed()))) {
        hexPage_->DiscardChanges(); // then the block as the file holds it now
        ShowSector();
    }
}

void TEditor::BtnCloseClick() {
    if (!LeaveBlock()) return;
    if (mainWindow_) mainWindow_->show();
    bamPage_->PanelBAM->Destroy();
    done(QDialog::Accepted);
}

void TEditor::reject() {
    BtnCloseClick();
}

void TEditor::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) PlaceOnScreen(); // the frame is known now
}

bool TEditor::eventFilter(QObject* watched, QEvent* event) {
    // The text boxes of the top panel would take Ctrl+Z as their own undo:
    // they take the key (the override accepted) and hand it to the window.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QAction* action = key->matches(QKeySequence::Undo)   ? dirPage_->UndoAction()
                          : key->matches(QKeySequence::Save) ? hexPage_->MnuWriteBlock
                                                             : nullptr;
        if (action) {
            if (event->type() == QEvent::KeyPress && action->isEnabled()) action->trigger();
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
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
    svc_.options.editMode = true;
    hexPage_->SetEditing(true);
}

void TEditor::RBdispOnlyClick() {
    svc_.options.editMode = false;
    hexPage_->SetEditing(false);
}

void TEditor::JumpToBlock(int track, int sector) {
    MoveTo(track, sector);
    ShowPage(0);
    hexPage_->SelectFirstByte();
}

bool TEditor::EnsureEditMode() {
    if (RBEdit->isChecked()) return true;
    if (!readOnly_.isEmpty()) {
        svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok, readOnly_);
        return false;
    }
    if (svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::YesNo,
                             QString::fromLatin1(EditModePrompt)) == MsgResult::Yes)
        RBEdit->setChecked(true);
    return RBEdit->isChecked();
}

void TEditor::OpenPartition(const DirEntry* entry) {
    if (!LeaveBlock()) return;
    svc_.data.partition.reset();
    if (entry) {
        Result<DiskImage> disk = DiskImage::Load(svc_.data.image.path);
        Result<DiskImage> part = disk ? dyskel::OpenPartition(*disk, *entry) : Failure{disk.Error()};
        if (!part) {
            svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(part.Error()));
            return;
        }
        svc_.data.partition = entry->first;
        readOnly_ = QStringLiteral("Read-only: the partition \"%1\" is shown; nothing is written inside "
                                   "partitions.")
                        .arg(PetsciiToQString(entry->Name()));
    } else {
        readOnly_ = diskReadOnly_;
    }
    RBEdit->setEnabled(readOnly_.isEmpty());
    if (!readOnly_.isEmpty()) {
        const QSignalBlocker block(RBdispOnly);
        RBdispOnly->setChecked(true);
        hexPage_->SetEditing(false);
    }
    QString error;
    const bool shown = ShowImage(&error, false);
    ShowStatus();
    ShowPage(1);
    if (!shown)
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                             error + QStringLiteral("\n\rThe editor shows nothing of this image."));
}

void TEditor::ShowPage(int index) {
    TNBdisplay->setCurrentIndex(index);
}

void TEditor::DisassembleFile(int track, int sector) {
    page6502_->DisassembleFile(track, sector);
}

} // namespace dyskel
