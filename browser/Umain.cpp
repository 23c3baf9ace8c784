#include "browser/Umain.h"

#include "browser/DirListBox.h"
#include "browser/FolderScan.h"
#include "browser/HealthCheck.h"
#include "browser/ImageGrid.h"
#include "browser/NewImageDialog.h"
#include "browser/Options.h"
#include "browser/PreviewPane.h"
#include "browser/RecentFiles.h"
#include "browser/SearchDialog.h"
#include "browser/Uabout.h"
#include "core/Directory.h"
#include "core/DiskFiles.h"
#include "core/ImageScan.h"
#include "platform/Dialogs.h"
#include "platform/Drives.h"
#include "platform/Fonts.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace dyskel {

namespace {

// Pixel widths of the image grid's columns.
constexpr std::array<int, 8> ImageGridWidths = {5, 101, 54, 38, 204, 52, 28, 36};

constexpr int GridTitleHeight = 15;
constexpr const char* WindowSection = "Window"; // place, size, column widths
constexpr int GridRowHeight = 18;

constexpr int NameColumn = ImageGridModel::NameColumn;
constexpr int LabelColumn = ImageGridModel::LabelColumn;

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

TMainForm::TMainForm(MainServices services, const CommandLine& commandLine, const std::string& startFolder,
                     QWidget* parent)
    : QMainWindow(parent), services_(services), commandLinePaths_(commandLine.images),
      debugMode_(commandLine.debug) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Dyskel32"));
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    // The window's own resize rule keeps it at least 230 by 230.
    setMinimumSize(1, 1);

    BuildMenu();
    BuildControls();
    if (!DirListBox->SetDirectory(startFolder, false)) DirListBox->SetDirectory("/", false);

    recent_ = std::make_unique<TRecentFiles>(services_.ini, MnuRecent,
                                             [this](const std::string& path) { OpenPaths({path}); });
    health_ = std::make_unique<THealthCheck>(this);
    connect(health_.get(), &THealthCheck::Done, this, [this] { MnuHealth->setEnabled(!Scanning()); });
    health_->OpenImage = [this](const std::string& path) { OpenFromHealth(path); };
    scan_ = std::make_unique<TFolderScan>(ScanView{FileStrGrid, PanelScanStat, RescanP, StImages});
    connect(scan_.get(), &TFolderScan::Done, this, [this] {
        MnuHealth->setEnabled(!HealthRunning());
        emit ScanDone();
    });
    setAcceptDrops(true);

    // A remembered folder that is gone leaves the start folder in place.
    std::string remembered = Options->Load(services_.ini);
    if (!remembered.empty()) DirListBox->SetDirectory(remembered, false);

    setWindowTitle(QString::fromLatin1(MainCaption));
    resize(745, 456);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    PlaceControls();
    SetUpGrid();
    SetUpPreview();
    RestoreLayout();

    const std::string& folder = DirListBox->Directory();
    driveFolders_[services_.drives.DriveOf(folder)] = folder;
    ShowDriveOf(folder);
    ScanImages();

    FileStrGrid->setFocus(); // Enter right after start opens the selected image
    connect(DirListBox, &TDirListBox::DirectoryChanged, this, &TMainForm::DirListBoxChange);
    connect(DriveCombo, &QComboBox::activated, this, &TMainForm::DriveComboChange);
    connect(Options, &TOptions::rescanRequested, this, &TMainForm::ScanImages);
}

TMainForm::~TMainForm() = default;

std::string TMainForm::Folder() const {
    return DirListBox->Directory();
}

bool TMainForm::Scanning() const {
    return scan_->Running();
}

bool TMainForm::HealthRunning() const {
    return health_->Running();
}

std::vector<std::string> TMainForm::RecentImages() const {
    return recent_->Paths();
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
        if (column == 0) return ShowSortMark();
        sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                               : Qt::AscendingOrder;
        sortColumn_ = column;
        FileStrGrid->Rows()->sort(sortColumn_, sortOrder_);
        FileStrGrid->scrollTo(FileStrGrid->currentIndex());
        ShowSortMark();
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
    const int pane = Preview && !Preview->isHidden() ? TPreviewPane::PaneWidth() + 4 : 0;
    FileStrGrid->setGeometry(205, 4, cw - 209 - pane, ch - 27);
    if (pane) Preview->setGeometry(cw - pane, 4, pane - 4, ch - 27);
    PanelScanStat->setGeometry(cw - 360, ch - 18, 89, 17);
    RescanP->setGeometry(cw - 260, ch - 18, 252, 17);
    StImages->move(StImages->x(), ch - 18);
    DirListBox->resize(DirListBox->width(), MainBevel->height() - 29);
}

void TMainForm::SetUpPreview() {
    Preview = new TPreviewPane(centralWidget());
    const auto selected = [this] {
        const ImageEntry* e =
            !Preview->isHidden() ? FileStrGrid->Rows()->Entry(FileStrGrid->currentRow()) : nullptr;
        Preview->Select(e && !(e->attributes & AttrDirectory)
                            ? (fs::path(DirListBox->Directory()) / e->name).string()
                            : std::string());
    };
    const auto show = [this, selected](bool on) {
        Preview->setVisible(on);
        PlaceControls();
        selected();
    };
    show(Options->data.preview);
    connect(Options->Item("MnuPreview"), &QAction::toggled, this, show);
    connect(FileStrGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, selected);
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

std::optional<std::pair<std::string, ImageEntry>> TMainForm::CheckImage(const std::string& path) {
    std::error_code ec;
    std::string full = fs::absolute(fs::path(path), ec).lexically_normal().string();
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    // One rule wherever an image is opened from: a ".d64", ".d71" or ".d81"
    // file of any size.  One of none of the known sizes (perhaps a cut copy)
    // opens, and the editor shows it read-only, saying why.
    ImageEntry e = FindImage(full);
    if (e.name.empty() || (e.attributes & AttrDirectory) || !EndsWithImageExtension(e.name)) {
        services_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok,
                                  QString::fromLatin1(InvalidD64Text) + FromHostPath(path));
        return std::nullopt;
    }
    std::string folder = full.substr(0, full.size() - std::min(full.size(), e.name.size() + 1));
    return std::make_pair(folder.empty() ? std::string("/") : folder, e);
}

void TMainForm::OpenChecked(const std::pair<std::string, ImageEntry>& checked,
                            const std::optional<std::pair<int, int>>& showEntry) {
    OpenImage({(fs::path(checked.first) / checked.second.name).string(), checked.second, showEntry});
    ShowDriveOf(DirListBox->Directory());
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
    const std::string& folder = DirListBox->Directory();
    driveFolders_[services_.drives.DriveOf(folder)] = folder;
    ShowDriveOf(folder);
    ScanImages();
}

void TMainForm::Refresh() {
    const std::string shown = DirListBox->Directory();
    std::error_code ec;
    fs::path folder = shown;
    while (!fs::is_directory(folder, ec) && folder.has_parent_path() && folder != folder.parent_path())
        folder = folder.parent_path();
    if (folder.string() == shown) {
        // The image selected stays selected; when it has gone, the row that
        // took its place is.
        const ImageEntry* current = FileStrGrid->Rows()->Entry(FileStrGrid->currentRow());
        const std::string selected = current ? current->name : std::string();
        const int row = FileStrGrid->currentRow();
        DirListBox->SetDirectory(shown, false); // the folder list read anew
        ScanImages();
        if (!selected.empty()) scan_->SelectOrRow(selected, row);
        return;
    }
    // The folder is gone: its nearest parent that is still there.
    DirListBox->SetDirectory(folder.string());
    scan_->Note(QStringLiteral("Folder gone"),
                QStringLiteral("The folder %1 is gone; %2 is shown.")
                    .arg(FromHostPath(shown), FromHostPath(DirListBox->Directory())));
}

void TMainForm::ScanImages() {
    // The health report covers the whole folder: it waits for the scan.
    MnuHealth->setEnabled(false);
    scan_->Start(DirListBox->Directory(), Options->data.sortFilesBy == 1, Options->data.imageDetails);
    ShowSortMark();
}

void TMainForm::ShowSortMark() {
    QHeaderView* titles = FileStrGrid->horizontalHeader();
    // The column a title click sorted by; without one, FileName while the
    // Sort option sorts by name; none while the grid is unsorted.
    const bool byName = Options->data.sortFilesBy == 1;
    const int column = sortColumn_ > 0 ? sortColumn_ : byName ? NameColumn : -1;
    titles->setSortIndicatorShown(column > 0);
    titles->setSortIndicator(column, sortColumn_ > 0 ? sortOrder_ : Qt::AscendingOrder);
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
    const std::string path = (fs::path(DirListBox->Directory()) / name).string();
    const auto checked = CheckImage(path);
    if (!checked) return;
    OpenImage({path, checked->second, std::nullopt});
    if (!rescanAfter) return;
    ScanImages();
    SelectImage(name);
}

void TMainForm::SelectImage(const std::string& name) {
    scan_->Select(name);
}

void TMainForm::OpenImage(const ImageRef& image) {
    recent_->Remember(image.path);
    if (OpenImageHook) OpenImageHook(image);
}

void TMainForm::MnuOpenFileClick() {
    QString path = services_.dialogs.OpenFileName(this, QString::fromLatin1(OpenImageTitle),
                                                  QString::fromLatin1(OpenImageFilter),
                                                  FromHostPath(DirListBox->Directory()));
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
    TNewImageDialog dialog(FromHostPath(DirListBox->Directory()), this);
    while (services_.dialogs.Exec(dialog) == QDialog::Accepted) {
        const std::optional<TNewImageDialog::Typed> typed = dialog.Values();
        if (!typed) return;
        const std::string path = (std::filesystem::path(DirListBox->Directory()) / typed->fileName).string();
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
            CreateImageFile(path, NewImageBytes(dialog.Format(), typed->name, typed->id), exists);
        if (!made) {
            services_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, FromHostPath(made.Error()));
            continue;
        }
        ScanImages();
        SelectImage(typed->fileName);
        return;
    }
}

void TMainForm::MnuHealthClick() {
    if (HealthRunning() || Scanning()) return;
    const ImageGridModel* rows = FileStrGrid->Rows();
    std::vector<std::string> names;
    for (int r = 0; r < rows->Images(); ++r) names.push_back(rows->Entry(r)->name);
    MnuHealth->setEnabled(false);
    health_->Start(DirListBox->Directory(), names);
}

void TMainForm::MnuFindClick() {
    TSearchDialog dialog(services_.dialogs, DirListBox->Directory(), this);
    dialog.OpenHit = [this](const SearchHit& hit) { OpenSearchHit(hit); };
    services_.dialogs.Exec(dialog);
}

void TMainForm::OpenSearchHit(const SearchHit& hit) {
    const ImageEntry entry = FindImage(hit.path);
    if (entry.name.empty()) return;
    const std::string folder = std::filesystem::path(hit.path).parent_path().string();
    std::optional<std::pair<int, int>> showEntry;
    if (hit.number > 0) showEntry = std::make_pair(int(hit.entry.sector), int(hit.entry.offset));
    OpenChecked({folder.empty() ? std::string("/") : folder, entry}, showEntry);
}

void TMainForm::OpenFromHealth(const std::string& path) {
    const auto checked = CheckImage(path);
    // The Directory page, on the first entry of a 1541 directory (18/1,
    // offset 0) when there is one.
    if (checked) OpenImage({path, checked->second, std::make_pair(1, 0)});
}

} // namespace dyskel
