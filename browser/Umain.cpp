#include "browser/Umain.h"

#include "browser/DirListBox.h"
#include "browser/ImageGridModel.h"
#include "browser/Options.h"
#include "browser/SearchDialog.h"
#include "browser/Settings.h"
#include "browser/Uabout.h"
#include "core/ImageScan.h"
#include "platform/Dialogs.h"
#include "platform/Drives.h"
#include "platform/Fonts.h"
#include "platform/IniFile.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <filesystem>

namespace fs = std::filesystem;

namespace dyskel {

namespace {

// Pixel widths of the image grid's columns.
constexpr std::array<int, 8> ImageGridWidths = {5, 101, 54, 38, 204, 52, 28, 36};

constexpr int GridTitleHeight = 15;
constexpr int GridRowHeight = 18;

QString FromDisk(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}
std::string ToDisk(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

// A switch is "/" and a word: a path with no further "/" that names nothing.
bool IsSwitch(const std::string& arg) {
    std::error_code ec;
    return arg.size() > 1 && arg[0] == '/' && arg.find('/', 1) == std::string::npos && !fs::exists(arg, ec);
}

bool IsDebugSwitch(const std::string& arg) {
    if (!IsSwitch(arg) || arg.size() < 6) return false;
    QString head = QString::fromLatin1(arg.substr(0, 6)).toUpper();
    return head == QStringLiteral("/DEBUG");
}

} // namespace

TMainForm::TMainForm(MainServices services, const QStringList& arguments, const std::string& startFolder,
                     QWidget* parent)
    : QMainWindow(parent), services_(services), image_(services.image) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Dyskel32"));
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    // The window's own resize rule keeps it at least 230 by 230.
    setMinimumSize(1, 1);

    ProcessCommandLine(arguments);
    BuildMenu();
    BuildControls();
    if (!DirListBox->SetDirectory(startFolder, false)) DirListBox->SetDirectory("/", false);

    // A remembered folder that is gone leaves the start folder in place.
    std::string remembered = LoadSettings(*Options, services_.ini);
    if (!remembered.empty()) DirListBox->SetDirectory(remembered, false);

    setWindowTitle(QString::fromLatin1(MainCaption));
    resize(745, 456);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    PlaceControls();
    SetUpGrid();

    image_.CurrentFolder = DirListBox->Directory();
    driveFolders_[services_.drives.DriveOf(image_.CurrentFolder)] = image_.CurrentFolder;
    ShowDriveOf(image_.CurrentFolder);
    ScanImages();

    connect(DirListBox, &TDirListBox::DirectoryChanged, this, &TMainForm::DirListBoxChange);
    connect(DriveCombo, &QComboBox::activated, this, &TMainForm::DriveComboChange);
    connect(Options, &TOptions::rescanRequested, this, &TMainForm::ScanImages);
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto item = [this](const char* name, const char* caption, QKeySequence key = {}) {
        auto* a = new QAction(QString::fromLatin1(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        return a;
    };

    MnuFile = bar->addMenu(QStringLiteral("&File"));
    MnuFile->setObjectName(QStringLiteral("MnuFile"));
    MnuOpenFile = item("MnuOpenFile", "&Open File");
    MnuRefresh = item("MnuRefresh", "&Refresh", QKeySequence(Qt::Key_F5));
    MnuClose = item("MnuClose", "&Close");
    MnuFile->addActions({MnuOpenFile, MnuRefresh, MnuClose});

    MnuFind = item("MnuFind", "&Search", QKeySequence(Qt::CTRL | Qt::Key_F));
    bar->addAction(MnuFind);
    Options = new TOptions(this);
    bar->addMenu(Options->MnuOptions);
    MnuAbout = item("MnuAbout", "&About");
    bar->addAction(MnuAbout);
    MnuCloseTemp = item("MnuCloseTemp", "&Close");
    bar->addAction(MnuCloseTemp);
    // The short-cuts work while the menus are closed.
    addActions({MnuOpenFile, MnuRefresh, MnuClose, MnuFind});

    connect(MnuOpenFile, &QAction::triggered, this, &TMainForm::MnuOpenFileClick);
    connect(MnuRefresh, &QAction::triggered, this, &TMainForm::ScanImages);
    connect(MnuClose, &QAction::triggered, this, &QWidget::close);
    connect(MnuCloseTemp, &QAction::triggered, this, &QWidget::close);
    connect(MnuAbout, &QAction::triggered, this, &TMainForm::MnuAboutClick);
    connect(MnuFind, &QAction::triggered, this, &TMainForm::MnuFindClick);
}

void TMainForm::BuildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    client->installEventFilter(this);

    MainBevel = new QFrame(client);
    MainBevel->setObjectName(QStringLiteral("MainBevel"));
    MainBevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    MainBevel->setGeometry(0, 0, 577, 409);

    DriveCombo = new QComboBox(client);
    DriveCombo->setObjectName(QStringLiteral("DriveCombo"));
    DriveCombo->setGeometry(4, 4, 200, 19);
    for (const auto& root : services_.drives.List())
        DriveCombo->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), FromDisk(root),
                            QByteArray(root.data(), qsizetype(root.size())));

    DirListBox = new TDirListBox(client);
    DirListBox->setObjectName(QStringLiteral("DirListBox"));
    DirListBox->setGeometry(4, 26, 200, 369);

    FileStrGrid = new QTableView(client);
    FileStrGrid->setObjectName(QStringLiteral("FileStrGrid"));
    FileStrGrid->setGeometry(208, 8, 353, 385);
    FileStrGrid->installEventFilter(this);
    connect(FileStrGrid, &QTableView::doubleClicked, this, [this] { OpenFromGrid(true); });

    PanelScanStat = new QLabel(QStringLiteral("Analyzing"), client);
    PanelScanStat->setObjectName(QStringLiteral("PanelScanStat"));
    PanelScanStat->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelScanStat->setAlignment(Qt::AlignCenter);
    PanelScanStat->setGeometry(280, 416, 89, 17);

    RescanP = new QProgressBar(client);
    RescanP->setObjectName(QStringLiteral("RescanP"));
    RescanP->setGeometry(376, 416, 252, 17);
    RescanP->setRange(0, 100);
    RescanP->setValue(0);
    RescanP->setTextVisible(true);
    RescanP->setAlignment(Qt::AlignCenter);
    QPalette gauge = RescanP->palette();
    gauge.setColor(QPalette::Highlight, Qt::blue);
    gauge.setColor(QPalette::HighlightedText, Qt::cyan);
    gauge.setColor(QPalette::Text, Qt::cyan);
    RescanP->setPalette(gauge);
    RescanP->setEnabled(false);

    StImages = new QLabel(QStringLiteral("1"), client);
    StImages->setObjectName(QStringLiteral("StImages"));
    StImages->move(8, 424);
    StImages->setMinimumWidth(60);

    setTabOrder(DriveCombo, DirListBox);
    setTabOrder(DirListBox, FileStrGrid);
}

void TMainForm::SetUpGrid() {
    QTableView* g = FileStrGrid;
    g->setEnabled(false);
    g->setFont(FixedsysFont());
    GridModel = new ImageGridModel(g->palette().button(), g);
    g->setModel(GridModel);
    g->setFrameStyle(QFrame::Box | QFrame::Plain);
    g->setLineWidth(1);
    g->setShowGrid(true);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setWordWrap(false);
    // A text wider than its column is cut at the edge, as in a string grid:
    // "Yes" in the 28-pixel E/C column must not turn into "Y...".
    g->setTextElideMode(Qt::ElideNone);
    g->verticalHeader()->hide();
    g->verticalHeader()->setMinimumSectionSize(GridRowHeight);
    g->verticalHeader()->setDefaultSectionSize(GridRowHeight);
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* titles = g->horizontalHeader();
    titles->setFixedHeight(GridTitleHeight);
    titles->setMinimumSectionSize(ImageGridWidths[0]);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setHighlightSections(false);
    titles->setSectionsClickable(false);
    for (int c = 0; c < GridModel->columnCount(); ++c) g->setColumnWidth(c, ImageGridWidths[std::size_t(c)]);
}

void TMainForm::PlaceControls() {
    QWidget* client = centralWidget();
    const int cw = client->width();
    const int ch = client->height();
    MainBevel->setGeometry(1, 0, cw - 2, ch - 20);
    FileStrGrid->setGeometry(205, 4, cw - 209, ch - 27);
    PanelScanStat->setGeometry(cw - 360, ch - 18, 89, 17);
    RescanP->setGeometry(cw - 260, ch - 18, 252, 17);
    StImages->move(StImages->x(), ch - 18);
    DirListBox->resize(DirListBox->width(), MainBevel->height() - 29);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (width() < MinWindowSide || height() < MinWindowSide) resize(MinWindowSide, MinWindowSide);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        PlaceControls();
    } else if (watched == FileStrGrid && event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenFromGrid(false);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ProcessCommandLine(const QStringList& arguments) {
    for (const QString& a : arguments) {
        std::string arg = ToDisk(a);
        if (IsDebugSwitch(arg)) {
            debugMode_ = true;
        } else if (IsSwitch(arg)) {
            // Unknown switches are ignored.
        } else if (auto checked = CheckImage(arg)) {
            // Recorded here, opened once the window is up.
            image_.CurrentFolder = checked->first;
            image_.ImageFileName = checked->second.name;
            image_.ImageFindRec = checked->second;
            image_.HasErrorInfo = checked->second.size == ErrImageSize;
            commandLineImage_ = checked;
        }
    }
}

std::optional<std::pair<std::string, ImageEntry>> TMainForm::CheckImage(const std::string& path) {
    std::error_code ec;
    std::string full = fs::absolute(fs::path(path), ec).lexically_normal().string();
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    ImageEntry e = FindImage(full);
    if (!IsValidD64(e)) {
        services_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                                  QString::fromLatin1(InvalidD64Text) + FromDisk(path));
        return std::nullopt;
    }
    std::string folder = full.substr(0, full.size() - std::min(full.size(), e.name.size() + 1));
    return std::make_pair(folder.empty() ? std::string("/") : folder, e);
}

void TMainForm::OpenChecked(const std::pair<std::string, ImageEntry>& checked) {
    image_.CurrentFolder = checked.first;
    image_.ImageFileName = checked.second.name;
    image_.ImageFindRec = checked.second;
    image_.HasErrorInfo = checked.second.size == ErrImageSize;
    OpenImage();
    image_.CurrentFolder = DirListBox->Directory();
    ShowDriveOf(image_.CurrentFolder);
    ScanImages();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, &TMainForm::StartUp);
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Without a window manager a window may never be activated.
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, &TMainForm::StartUp);
    }
}

void TMainForm::StartUp() {
    if (!debugMode_) MnuAboutClick();
    if (auto named = std::exchange(commandLineImage_, std::nullopt)) OpenChecked(*named);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!SaveSettings(*Options, services_.ini, DirListBox->Directory()))
        services_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                                  FromDisk(UnableToWriteText(services_.ini.Path())));
    event->accept();
}

void TMainForm::ShowDriveOf(const std::string& folder) {
    std::string root = services_.drives.DriveOf(folder);
    int index = DriveCombo->findData(QByteArray(root.data(), qsizetype(root.size())));
    if (index >= 0) DriveCombo->setCurrentIndex(index);
}

void TMainForm::DriveComboChange(int index) {
    QByteArray raw = DriveCombo->itemData(index).toByteArray();
    std::string root(raw.constData(), std::size_t(raw.size()));
    // A drive that does not answer is refused without a word.
    bool moved = false;
    if (services_.drives.Ready(root)) {
        auto last = driveFolders_.find(root);
        moved = (last != driveFolders_.end() && DirListBox->SetDirectory(last->second)) ||
                DirListBox->SetDirectory(root);
    }
    if (!moved) ShowDriveOf(DirListBox->Directory());
}

void TMainForm::DirListBoxChange() {
    image_.CurrentFolder = DirListBox->Directory();
    driveFolders_[services_.drives.DriveOf(image_.CurrentFolder)] = image_.CurrentFolder;
    ShowDriveOf(image_.CurrentFolder);
    ScanImages();
}

void TMainForm::SetProgress(int percent) {
    if (RescanP->value() == percent) return;
    RescanP->setValue(percent);
    RescanP->repaint();
}

void TMainForm::ScanImages() {
    QTableView* g = FileStrGrid;
    const std::string folder = image_.CurrentFolder;
    g->scrollToTop();
    RescanP->setEnabled(true);
    PanelScanStat->setText(QStringLiteral("Analyzing"));
    PanelScanStat->repaint();

    found_ = ListImages(folder, [this](int percent) { SetProgress(percent); });
    if (Options->data.sortFilesBy == 1 && found_.size() > 1) {
        PanelScanStat->setText(QStringLiteral("Sorting"));
        PanelScanStat->repaint();
        SortImages(found_, "NAME");
    }

    const int count = int(found_.size());
    std::vector<ImageGridModel::Cells> rows(found_.size());
    if (count > 0) {
        PanelScanStat->setText(QStringLiteral("Updating"));
        PanelScanStat->repaint();
        const bool details = Options->data.imageDetails;
        for (int r = 0; r < count; ++r) {
            SetProgress(int(100LL * (r + 1) / count));
            auto cells = ImageRowCells(folder, found_[std::size_t(r)], details);
            for (int c = 1; c < int(cells.size()); ++c) {
                const std::string& text = cells[std::size_t(c)];
                // The label holds the disk's own bytes, one character each.
                rows[std::size_t(r)][std::size_t(c)] =
                    c == 4 ? QString::fromLatin1(text.data(), qsizetype(text.size())) : FromDisk(text);
            }
        }
    }
    GridModel->SetRows(std::move(rows));

    StImages->setText(QString::number(count));
    g->setEnabled(count > 0);
    if (count > 0) g->setCurrentIndex(GridModel->index(0, 1));
    g->scrollToTop();
    PanelScanStat->setText(QString::fromLatin1(IdleScanText));
    RescanP->setEnabled(false);
}

void TMainForm::OpenFromGrid(bool rescanAfter) {
    int r = FileStrGrid->currentIndex().row();
    if (r < 0 || r >= int(found_.size())) return;
    const ImageEntry& entry = found_[std::size_t(r)];
    image_.ImageFileName = entry.name;
    image_.ImageFindRec = entry;
    image_.HasErrorInfo = entry.size == ErrImageSize;
    OpenImage();
    if (rescanAfter) ScanImages();
}

void TMainForm::OpenImage() {
    if (OpenImageHook) OpenImageHook();
}

void TMainForm::MnuOpenFileClick() {
    QString path =
        services_.dialogs.OpenFileName(this, QString::fromLatin1(OpenImageTitle),
                                       QString::fromLatin1(OpenImageFilter), FromDisk(image_.CurrentFolder));
    if (path.isEmpty()) return;
    if (auto checked = CheckImage(ToDisk(path))) OpenChecked(*checked);
}

void TMainForm::MnuAboutClick() {
    if (AboutBox) services_.dialogs.Exec(*AboutBox);
}

} // namespace dyskel

namespace dyskel {

void TMainForm::MnuFindClick() {
    TSearchDialog dialog(services_.dialogs, image_.CurrentFolder, this);
    dialog.OpenHit = [this](const SearchHit& hit) { OpenSearchHit(hit); };
    services_.dialogs.Exec(dialog);
}

void TMainForm::OpenSearchHit(const SearchHit& hit) {
    const ImageEntry entry = FindImage(hit.path);
    if (entry.name.empty()) return;
    const std::string folder = fs::path(hit.path).parent_path().string();
    if (hit.number > 0) image_.ShowEntry = std::make_pair(int(hit.entry.sector), int(hit.entry.offset));
    OpenChecked({folder.empty() ? std::string("/") : folder, entry});
    image_.ShowEntry.reset();
}

} // namespace dyskel
