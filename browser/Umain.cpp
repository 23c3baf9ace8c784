#include "browser/Umain.h"

#include "browser/DirListBox.h"
#include "browser/ImageGrid.h"
#include "browser/NewImageDialog.h"
#include "browser/Options.h"
#include "browser/SearchDialog.h"
#include "browser/Uabout.h"
#include "core/Directory.h"
#include "core/DiskFiles.h"
#include "core/ImageScan.h"
#include "core/Petscii.h"
#include "core/Validate.h"
#include "platform/Dialogs.h"
#include "platform/Drives.h"
#include "platform/Fonts.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QRunnable>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dyskel {

namespace {

// Pixel widths of the image grid's columns.
constexpr std::array<int, 8> ImageGridWidths = {5, 101, 54, 38, 204, 52, 28, 36};

constexpr int GridTitleHeight = 15;
constexpr const char* RecentSection = "Recent"; // File1 (newest) to File10
constexpr const char* WindowSection = "Window"; // place, size, column widths
constexpr int RecentCount = 10;
constexpr int GridRowHeight = 18;

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

constexpr int NameColumn = ImageGridModel::NameColumn;
constexpr int LabelColumn = ImageGridModel::LabelColumn;

// A scan hands its rows over in batches: when this many are ready, or when
// the last batch is this old.
constexpr std::size_t ScanBatchRows = 1000;
constexpr qint64 ScanBatchMs = 40;

// Draws its cells with an ellipsis where the text is cut.
class TElidingDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

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

    for (int i = 1; i <= RecentCount; ++i) {
        std::string path = IniReadText(services_.ini, RecentSection, "File" + std::to_string(i), "");
        if (!path.empty()) recent_.push_back(path);
    }
    ShowRecent();
    setAcceptDrops(true);

    // A remembered folder that is gone leaves the start folder in place.
    std::string remembered = Options->Load(services_.ini);
    if (!remembered.empty()) DirListBox->SetDirectory(remembered, false);

    setWindowTitle(QString::fromLatin1(MainCaption));
    resize(745, 456);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    PlaceControls();
    SetUpGrid();
    RestoreLayout();

    image_.CurrentFolder = DirListBox->Directory();
    driveFolders_[services_.drives.DriveOf(image_.CurrentFolder)] = image_.CurrentFolder;
    ShowDriveOf(image_.CurrentFolder);
    ScanImages();

    FileStrGrid->setFocus(); // Enter right after start opens the selected image
    connect(DirListBox, &TDirListBox::DirectoryChanged, this, &TMainForm::DirListBoxChange);
    connect(DriveCombo, &QComboBox::activated, this, &TMainForm::DriveComboChange);
    connect(Options, &TOptions::rescanRequested, this, &TMainForm::ScanImages);
}

TMainForm::~TMainForm() {
    if (scanStop_) scanStop_->store(true);
    scanPool_.waitForDone();
    if (healthThread_) {
        healthStop_->store(true);
        healthThread_->wait();
    }
}

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
    MnuNewImage = item("MnuNewImage", "&New Image...", QKeySequence::New);
    MnuHealth = item("MnuHealth", "Image &Health...");
    MnuClose = item("MnuClose", "&Close");
    MnuFile->addActions({MnuOpenFile, MnuNewImage});
    MnuRecent = MnuFile->addMenu(QStringLiteral("Open &Recent"));
    MnuRecent->setObjectName(QStringLiteral("MnuRecent"));
    MnuFile->addActions({MnuRefresh, MnuHealth, MnuClose});

    // Search has no action of its own.
    MnuFind = item("MnuFind", "&Search", QKeySequence(Qt::CTRL | Qt::Key_F));
    bar->addAction(MnuFind);
    Options = new TOptions(this);
    bar->addMenu(Options->MnuOptions);
    MnuAbout = item("MnuAbout", "&About");
    bar->addAction(MnuAbout);
    MnuCloseTemp = item("MnuCloseTemp", "&Close");
    bar->addAction(MnuCloseTemp);
    // The short-cuts work while the menus are closed.
    addActions({MnuOpenFile, MnuNewImage, MnuRefresh, MnuClose, MnuFind});
    connect(MnuNewImage, &QAction::triggered, this, &TMainForm::MnuNewImageClick);
    connect(MnuHealth, &QAction::triggered, this, &TMainForm::MnuHealthClick);

    connect(MnuOpenFile, &QAction::triggered, this, &TMainForm::MnuOpenFileClick);
    connect(MnuRefresh, &QAction::triggered, this, &TMainForm::Refresh);
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
        DriveCombo->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), FromHostPath(root),
                            QByteArray(root.data(), qsizetype(root.size())));

    DirListBox = new TDirListBox(client);
    DirListBox->setObjectName(QStringLiteral("DirListBox"));
    DirListBox->setGeometry(4, 26, 200, 369);

    FileStrGrid = new TImageGrid(client);
    FileStrGrid->setObjectName(QStringLiteral("FileStrGrid"));
    FileStrGrid->setGeometry(208, 8, 353, 385);
    FileStrGrid->installEventFilter(this);
    connect(FileStrGrid, &QTableView::doubleClicked, this, [this] { OpenFromGrid(true); });
    // The fixed column 0 is never current: the highlighted row is the one
    // Enter and a double click open.
    connect(FileStrGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.column() == 0) FileStrGrid->setCurrentCell(current.row(), 1);
            });

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
    // The percentage shows cyan on the blue part, black on the empty part.
    gauge.setColor(QPalette::Text, Qt::black);
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
    TImageGrid* g = FileStrGrid;
    g->setEnabled(false);
    g->setFont(FixedsysFont());
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
    // A click on a title sorts by that column, a second one reverses it.
    titles->setSectionsClickable(true);
    titles->setSortIndicatorShown(false);
    connect(titles, &QHeaderView::sectionClicked, this, [this](int column) {
        if (column == 0) return;
        sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                               : Qt::AscendingOrder;
        sortColumn_ = column;
        FileStrGrid->Rows()->sort(sortColumn_, sortOrder_);
        FileStrGrid->scrollTo(FileStrGrid->currentIndex());
    });
    for (int c = 0; c < g->columnCount(); ++c) g->setColumnWidth(c, ImageGridWidths[std::size_t(c)]);
    // A cut name or label shows an ellipsis where it is cut.
    auto* elided = new TElidingDelegate(g);
    g->setItemDelegateForColumn(NameColumn, elided);
    g->setItemDelegateForColumn(LabelColumn, elided);
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
        std::string arg = ToHostPath(a);
        if (IsDebugSwitch(arg)) {
            debugMode_ = true;
        } else if (IsSwitch(arg)) {
            // Unknown switches are ignored.
        } else {
            // Made absolute against the folder the program was started in;
            // checked and opened once the window is up, so that a message
            // stands over it.
            std::error_code ec;
            commandLinePaths_.push_back(fs::absolute(fs::path(arg), ec).string());
        }
    }
}

std::optional<std::pair<std::string, ImageEntry>> TMainForm::CheckImage(const std::string& path) {
    std::error_code ec;
    std::string full = fs::absolute(fs::path(path), ec).lexically_normal().string();
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    // One rule wherever an image is opened from: a ".d64" file of any size.
    // One of none of the four D64 sizes (perhaps a cut copy) opens, and the
    // editor shows it read-only, saying why.
    ImageEntry e = FindImage(full);
    if (e.name.empty() || (e.attributes & AttrDirectory) || !EndsWithD64(e.name)) {
        services_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                                  QString::fromLatin1(InvalidD64Text) + FromHostPath(path));
        return std::nullopt;
    }
    std::string folder = full.substr(0, full.size() - std::min(full.size(), e.name.size() + 1));
    return std::make_pair(folder.empty() ? std::string("/") : folder, e);
}

void TMainForm::OpenChecked(const std::pair<std::string, ImageEntry>& checked) {
    image_.CurrentFolder = checked.first;
    image_.ImageFileName = checked.second.name;
    image_.ImageFindRec = checked.second;
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
    OpenPaths(std::exchange(commandLinePaths_, {}));
}

void TMainForm::OpenPaths(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    // The image's folder is listed with the image selected, before and after
    // the editor; the window shows it before any message.
    auto checked = CheckImage(paths[0]);
    if (checked) {
        DirListBox->SetDirectory(checked->first);
        SelectImage(checked->second.name);
    }
    if (paths.size() > 1) {
        QString text = QStringLiteral("Dyskel opens one image at a time, the first one named; not opened:");
        for (std::size_t i = 1; i < paths.size(); ++i) text += QStringLiteral("\n") + FromHostPath(paths[i]);
        services_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok, text);
    }
    if (!checked) return;
    OpenChecked(*checked);
    SelectImage(checked->second.name);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(ToHostPath(url.toLocalFile()));
    event->acceptProposedAction();
    // The editor opens after the drop has ended, not inside it.
    QTimer::singleShot(0, this, [this, paths] { OpenPaths(paths); });
}

void TMainForm::RememberRecent(const std::string& path) {
    std::erase(recent_, path);
    recent_.insert(recent_.begin(), path);
    if (recent_.size() > std::size_t(RecentCount)) recent_.resize(std::size_t(RecentCount));
    for (std::size_t i = 0; i < recent_.size(); ++i)
        if (!services_.ini.Write(RecentSection, "File" + std::to_string(i + 1), recent_[i])) break;
    ShowRecent();
}

void TMainForm::ShowRecent() {
    MnuRecent->clear();
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        const std::string path = recent_[i];
        QString caption = FromHostPath(path);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = MnuRecent->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(caption));
        a->setObjectName(QStringLiteral("MnuRecent%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, path] { OpenPaths({path}); });
    }
    MnuRecent->setEnabled(!recent_.empty());
}

void TMainForm::RestoreLayout() {
    const IIniFile& ini = services_.ini;
    const long long width = IniReadNumber(ini, WindowSection, "Width", 0);
    const long long height = IniReadNumber(ini, WindowSection, "Height", 0);
    if (width >= MinWindowSide && height >= MinWindowSide) resize(int(width), int(height));
    const auto left = ini.Read(WindowSection, "Left");
    const auto top = ini.Read(WindowSection, "Top");
    // A place on no screen (one taken away since) is not used.
    if (left && top && ParseIniNumber(*left) && ParseIniNumber(*top)) {
        const QPoint place(int(*ParseIniNumber(*left)), int(*ParseIniNumber(*top)));
        if (QGuiApplication::screenAt(place)) move(place);
    }
    for (int c = 0; c < FileStrGrid->columnCount(); ++c) {
        const long long w = IniReadNumber(ini, WindowSection, "Column" + std::to_string(c), 0);
        if (w > 0) FileStrGrid->setColumnWidth(c, int(w));
    }
}

bool TMainForm::SaveLayout() {
    // The place as move() takes it (frame included), the size of the client.
    std::vector<std::pair<std::string, int>> keys = {
        {"Left", x()}, {"Top", y()}, {"Width", width()}, {"Height", height()}};
    for (int c = 0; c < FileStrGrid->columnCount(); ++c)
        keys.emplace_back("Column" + std::to_string(c), FileStrGrid->columnWidth(c));
    for (const auto& [key, value] : keys)
        if (!services_.ini.Write(WindowSection, key, std::to_string(value))) return false;
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!Options->Save(services_.ini, DirListBox->Directory()) || !SaveLayout())
        services_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                                  FromHostPath(UnableToWriteText(services_.ini.Path())));
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

void TMainForm::Refresh() {
    const std::string shown = DirListBox->Directory();
    std::error_code ec;
    fs::path folder = shown;
    while (!fs::is_directory(folder, ec) && folder.has_parent_path() && folder != folder.parent_path())
        folder = folder.parent_path();
    if (folder.string() == shown) {
        DirListBox->SetDirectory(shown, false); // the folder list read anew
        ScanImages();
        return;
    }
    // The folder is gone: its nearest parent that is still there.
    DirListBox->SetDirectory(folder.string());
    scanNote_ = QStringLiteral("Folder gone");
    scanNoteTip_ = QStringLiteral("The folder %1 is gone; %2 is shown.")
                       .arg(FromHostPath(shown), FromHostPath(DirListBox->Directory()));
    if (!Scanning()) ScanFinished(scanNumber_);
}

void TMainForm::SetProgress(int percent) {
    if (RescanP->value() == percent) return;
    RescanP->setValue(percent);
    RescanP->repaint();
}

void TMainForm::ShowScanStatus(const QString& text) {
    PanelScanStat->setText(text);
    PanelScanStat->repaint();
}

void TMainForm::ScanImages() {
    if (scanStop_) scanStop_->store(true);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    scanStop_ = stop;
    const unsigned number = ++scanNumber_;
    scanNote_.clear();
    scanNoteTip_.clear();
    pendingSelect_.clear();
    FileStrGrid->Rows()->Clear();
    FileStrGrid->setEnabled(true);
    FileStrGrid->scrollToTop();
    // The health report covers the whole folder: it waits for the scan.
    MnuHealth->setEnabled(false);
    StImages->setText(QStringLiteral("0"));
    RescanP->setEnabled(true);
    PanelScanStat->setToolTip(QString());
    ShowScanStatus(QStringLiteral("Analyzing"));

    // What the worker hands over runs here only while its scan is the
    // running one.
    auto post = [this, number](auto work) {
        QMetaObject::invokeMethod(
            this,
            [this, number, work = std::move(work)]() mutable {
                if (number == scanNumber_) work();
            },
            Qt::QueuedConnection);
    };
    const std::string folder = image_.CurrentFolder;
    const bool byName = Options->data.sortFilesBy == 1;
    const bool details = Options->data.imageDetails;
    scanPool_.start([this, post, stop, number, folder, byName, details] {
        // The window's thread goes first when the machine is busy.
        setpriority(PRIO_PROCESS, id_t(gettid()), 10);
        int shown = -1;
        auto progress = [&](int percent) {
            if (percent == shown) return;
            shown = percent;
            post([this, percent] { SetProgress(percent); });
        };
        std::vector<ImageEntry> images = ListImages(folder, progress);
        if (stop->load()) return;
        if (byName && images.size() > 1) {
            post([this] { ShowScanStatus(QStringLiteral("Sorting")); });
            SortImages(images, "NAME");
        }
        if (!images.empty()) post([this] { ShowScanStatus(QStringLiteral("Updating")); });
        std::vector<ImageRow> batch;
        QElapsedTimer age;
        age.start();
        auto handOver = [&] {
            if (batch.empty()) return;
            post([this, number, rows = std::move(batch)]() mutable {
                ScanRowsArrived(number, std::move(rows));
            });
            batch.clear();
            age.restart();
        };
        for (std::size_t r = 0; r < images.size(); ++r) {
            if (stop->load()) return;
            const auto cells = ImageRowCells(folder, images[r], details);
            ImageRow row{images[r], {}};
            for (std::size_t c = 1; c < cells.size(); ++c)
                row.cells[c] = int(c) == LabelColumn ? PetsciiToQString(cells[c]) : FromHostPath(cells[c]);
            batch.push_back(std::move(row));
            if (batch.size() >= ScanBatchRows || age.elapsed() >= ScanBatchMs) handOver();
            progress(int(100 * (r + 1) / images.size()));
        }
        handOver();
        post([this, number] { ScanFinished(number); });
    });
}

void TMainForm::ScanRowsArrived(unsigned number, std::vector<ImageRow> rows) {
    if (number != scanNumber_) return;
    ImageGridModel* model = FileStrGrid->Rows();
    const bool first = model->Images() == 0;
    model->Append(std::move(rows));
    StImages->setText(QString::number(model->Images()));
    FileStrGrid->setEnabled(true);
    if (first) {
        FileStrGrid->setCurrentCell(0, NameColumn);
        FileStrGrid->scrollToTop();
    }
    if (!pendingSelect_.empty()) SelectImage(pendingSelect_);
}

void TMainForm::ScanFinished(unsigned number) {
    if (number != scanNumber_) return;
    scanStop_.reset();
    FileStrGrid->setEnabled(FileStrGrid->Rows()->Images() > 0);
    MnuHealth->setEnabled(!healthThread_);
    ShowScanStatus(scanNote_.isEmpty() ? QString::fromLatin1(IdleScanText) : scanNote_);
    PanelScanStat->setToolTip(scanNoteTip_);
    RescanP->setEnabled(false);
    if (!pendingSelect_.empty()) SelectImage(pendingSelect_);
    pendingSelect_.clear();
    emit ScanDone();
}

QString TMainForm::CurrentName() const {
    const ImageEntry* entry = FileStrGrid->Rows()->Entry(FileStrGrid->currentRow());
    return entry ? FromHostPath(entry->name) : QString();
}

void TMainForm::OpenFromGrid(bool rescanAfter) {
    const ImageEntry* current = FileStrGrid->Rows()->Entry(FileStrGrid->currentRow());
    if (!current) return;
    const std::string name = current->name;
    // The rule of File, Open File: a folder, or a file gone since the folder
    // was read, is refused.
    const auto checked = CheckImage((fs::path(image_.CurrentFolder) / name).string());
    if (!checked) return;
    image_.ImageFileName = checked->second.name;
    image_.ImageFindRec = checked->second;
    OpenImage();
    if (!rescanAfter) return;
    ScanImages();
    SelectImage(name);
}

void TMainForm::SelectImage(const std::string& name) {
    const int row = FileStrGrid->Rows()->RowOf(name);
    if (row >= 0) {
        FileStrGrid->setCurrentCell(row, NameColumn);
        FileStrGrid->scrollTo(FileStrGrid->currentIndex());
        pendingSelect_.clear();
    } else if (Scanning()) {
        pendingSelect_ = name;
    }
}

void TMainForm::OpenImage() {
    RememberRecent(image_.ImagePath());
    if (OpenImageHook) OpenImageHook();
}

void TMainForm::MnuOpenFileClick() {
    QString path = services_.dialogs.OpenFileName(this, QString::fromLatin1(OpenImageTitle),
                                                  QString::fromLatin1(OpenImageFilter),
                                                  FromHostPath(image_.CurrentFolder));
    // As from Open Recent or a drop: the image's folder is listed, the image
    // selected.
    if (!path.isEmpty()) OpenPaths({ToHostPath(path)});
}

void TMainForm::MnuAboutClick() {
    if (AboutBox) services_.dialogs.Exec(*AboutBox);
}

void TMainForm::MnuNewImageClick() {
    // The dialog checks what is typed before it closes; it opens again as it
    // was left when an existing file is not to be replaced or cannot be made.
    TNewImageDialog dialog(FromHostPath(image_.CurrentFolder), this);
    while (services_.dialogs.Exec(dialog) == QDialog::Accepted) {
        const std::optional<TNewImageDialog::Typed> typed = dialog.Values();
        if (!typed) return;
        const std::string path = (std::filesystem::path(image_.CurrentFolder) / typed->fileName).string();
        std::error_code ec;
        const bool exists = std::filesystem::exists(path, ec);
        if (exists) {
            const QString ask = QStringLiteral("\"%1\" already exists.\n\rReplace it with a new empty image?")
                                    .arg(FromHostPath(typed->fileName));
            if (services_.dialogs.Message(this, MsgKind::Confirmation, MsgButtons::YesNoDefaultNo, ask) !=
                MsgResult::Yes)
                continue;
        }
        const Result<void> made =
            CreateImageFile(path, NewImageBytes(dialog.Tracks(), typed->name, typed->id), exists);
        if (!made) {
            services_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, FromHostPath(made.Error()));
            continue;
        }
        ScanImages();
        SelectImage(typed->fileName);
        return;
    }
}

bool TMainForm::HealthRunning() const {
    return healthThread_ != nullptr;
}

void TMainForm::MnuHealthClick() {
    if (healthThread_ || Scanning()) return;
    if (!HealthDialog) HealthDialog = new THealthDialog(this);
    QTableWidget* grid = HealthDialog->GridHealth;
    const ImageGridModel* rows = FileStrGrid->Rows();
    grid->setRowCount(rows->Images());
    std::vector<std::string> paths;
    for (int r = 0; r < rows->Images(); ++r) {
        const std::string& name = rows->Entry(r)->name;
        grid->setItem(r, 0, new QTableWidgetItem(FromHostPath(name)));
        grid->setItem(r, 1, new QTableWidgetItem);
        paths.push_back((std::filesystem::path(image_.CurrentFolder) / name).string());
    }
    HealthDialog->HealthProgress->setValue(0);
    HealthDialog->show();
    MnuHealth->setEnabled(false);
    healthStop_ = std::make_shared<std::atomic<bool>>(false);
    healthThread_ = QThread::create([this, paths, stop = healthStop_] {
        for (std::size_t r = 0; r < paths.size() && !stop->load(); ++r) {
            Result<DiskImage> disk = DiskImage::Load(paths[r]);
            Result<ValidationReport> report = disk ? ValidateImage(*disk) : Failure{disk.Error()};
            const QString text = QString::fromStdString(report ? ValidationSummary(*report) : report.Error());
            const int percent = int(100 * (r + 1) / paths.size());
            QMetaObject::invokeMethod(
                this,
                [this, r, text, percent] {
                    if (auto* item = HealthDialog->GridHealth->item(int(r), 1)) item->setText(text);
                    HealthDialog->HealthProgress->setValue(percent);
                },
                Qt::QueuedConnection);
        }
    });
    connect(healthThread_, &QThread::finished, this, [this] {
        healthThread_->deleteLater();
        healthThread_ = nullptr;
        HealthDialog->HealthProgress->setValue(100);
        MnuHealth->setEnabled(!Scanning());
    });
    healthThread_->start();
}

void TMainForm::MnuFindClick() {
    TSearchDialog dialog(services_.dialogs, image_.CurrentFolder, this);
    dialog.OpenHit = [this](const SearchHit& hit) { OpenSearchHit(hit); };
    services_.dialogs.Exec(dialog);
}

void TMainForm::OpenSearchHit(const SearchHit& hit) {
    const ImageEntry entry = FindImage(hit.path);
    if (entry.name.empty()) return;
    const std::string folder = std::filesystem::path(hit.path).parent_path().string();
    if (hit.number > 0) image_.ShowEntry = std::make_pair(int(hit.entry.sector), int(hit.entry.offset));
    OpenChecked({folder.empty() ? std::string("/") : folder, entry});
    image_.ShowEntry.reset();
}

} // namespace dyskel
