#include "editor/DirArtBar.h"

#include "core/DirArt.h"
#include "core/DirOrder.h"
#include "core/FileIO.h"
#include "editor/DirPage.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace dyskel {

namespace {

// An action and its button (Btn... for Act...); the window gives the
// button its hint while the Hints option is on.
QAction* Button(QWidget* bar, QHBoxLayout* row, const char* name, const char* text,
                const QKeySequence& keys = {}) {
    auto* action = new QAction(QString::fromLatin1(text), bar);
    action->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty()) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name).replace(0, 3, QStringLiteral("Btn")));
    button->setDefaultAction(action);
    button->setToolTip(QString());
    row->addWidget(button);
    return action;
}

} // namespace

TDirArtBar::TDirArtBar(EditorServices& services, IEditorHost& host, TDirPage& page)
    : QWidget(&page), svc_(services), host_(host), page_(page) {
    setObjectName(QStringLiteral("DirArtBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    LblDirGauge = new QLabel(this);
    LblDirGauge->setObjectName(QStringLiteral("LblDirGauge"));
    row->addWidget(LblDirGauge, 1);
    ActDirSeparator =
        Button(this, row, "ActDirSeparator", "Separator", QKeySequence(Qt::CTRL | Qt::Key_Insert));
    ActDirUp = Button(this, row, "ActDirUp", "Up", QKeySequence(Qt::CTRL | Qt::Key_Up));
    ActDirDown = Button(this, row, "ActDirDown", "Down", QKeySequence(Qt::CTRL | Qt::Key_Down));
    ActDirExportList = Button(this, row, "ActDirExportList", "Export...");
    ActDirImportList = Button(this, row, "ActDirImportList", "Import...");
    for (QAction* a : {ActDirSeparator, ActDirUp, ActDirDown}) page.addAction(a);
    connect(ActDirSeparator, &QAction::triggered, this, &TDirArtBar::InsertSeparatorClick);
    connect(ActDirUp, &QAction::triggered, this, [this] { MoveClick(-1); });
    connect(ActDirDown, &QAction::triggered, this, [this] { MoveClick(1); });
    connect(ActDirExportList, &QAction::triggered, this, &TDirArtBar::ExportListingClick);
    connect(ActDirImportList, &QAction::triggered, this, &TDirArtBar::ImportListingClick);
}

void TDirArtBar::Show(const DiskView* view) {
    LblDirGauge->clear();
    if (!view) return;
    Result<DiskImage> image = DiskImage::Load(svc_.data.image.path);
    Result<DirUsage> usage = image ? DirectoryUsage(*image) : Failure{image.Error()};
    if (usage) LblDirGauge->setText(QString::fromStdString(DirUsageText(*usage)));
}

std::optional<DiskImage> TDirArtBar::Load() {
    Result<DiskImage> image = DiskImage::Load(svc_.data.image.path);
    if (image) return std::move(*image);
    svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(image.Error()));
    return std::nullopt;
}

void TDirArtBar::InsertSeparatorClick() {
    if (!host_.EnsureEditMode()) return;
    const std::vector<DirEntry>& listed = page_.Listing().entries;
    const int row = page_.CurrentRow();
    host_.ApplyEdit(InsertSeparator(listed, row < 0 ? listed.size() : std::size_t(row)));
}

void TDirArtBar::MoveClick(int step) {
    const std::vector<DirEntry> listed = page_.Listing().entries;
    const int row = page_.CurrentRow();
    if (row < 0 || std::size_t(row) >= listed.size() || !host_.EnsureEditMode()) return;
    // The entry takes its neighbour's slot: select it there afterwards.
    std::optional<DirEntry> neighbour;
    for (int r = row + step; r >= 0 && std::size_t(r) < listed.size() && !neighbour; r += step)
        if (!listed[std::size_t(r)].Scratched()) neighbour = listed[std::size_t(r)];
    if (host_.ApplyEdit(MoveEntry(listed, std::size_t(row), step)) && neighbour)
        page_.SelectEntry(neighbour->sector, neighbour->offset);
}

void TDirArtBar::ExportListingClick() {
    std::optional<DiskImage> image = Load();
    if (!image) return;
    const QString path =
        svc_.dialogs.SaveFileName(this, QStringLiteral("Export Listing"), QStringLiteral("Text (*.txt)"),
                                  QString::fromStdString(svc_.data.image.Folder()));
    if (path.isEmpty()) return;
    const DiskFormat& f = image->Format();
    Result<Block> header = image->ReadBlock({f.dirTrack, f.headerSector});
    Result<DirListing> listing = ListDirectory(*image, true);
    std::string error = !header ? header.Error() : !listing ? listing.Error() : "";
    if (error.empty())
        error =
            fileio::WriteWholeFile(path.toStdString(), DirArtText(*header, listing->entries, f.labelOffset));
    if (!error.empty())
        svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, QString::fromStdString(error));
}

void TDirArtBar::ImportListingClick() {
    if (!host_.EnsureEditMode()) return;
    const QString path =
        svc_.dialogs.OpenFileName(this, QStringLiteral("Import Listing"),
                                  QStringLiteral("Directory art (*.txt *.prg *.bin);;All files (*)"),
                                  QString::fromStdString(svc_.data.image.Folder()));
    if (path.isEmpty()) return;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return (void)svc_.dialogs.Message(
            this, MsgKind::Error, MsgButtons::Ok,
            QStringLiteral("Cannot read \"%1\": %2").arg(path, in.errorString()));
    const QByteArray raw = in.readAll();
    const std::vector<std::uint8_t> bytes(raw.begin(), raw.end());
    const std::string name = QFileInfo(path).fileName().toStdString();
    bool append = false;
    if (!DirArtFileIsText(name, bytes)) {
        // Names drawn elsewhere: onto the entries, or added after them.
        const int choice = svc_.dialogs.Choose(
            this,
            QStringLiteral(
                "Put the names of \"%1\" onto the entries from the first, or add each as a separator?")
                .arg(QFileInfo(path).fileName()),
            {QStringLiteral("Rename"), QStringLiteral("Add"), QStringLiteral("Cancel")}, 2, 2);
        if (choice != 0 && choice != 1) return;
        append = choice == 1;
    }
    std::optional<DiskImage> image = Load();
    if (!image) return;
    Result<DirListing> listing = ListDirectory(*image, true);
    Result<DirArtImport> art =
        listing ? ReadDirArtFile(name, bytes, listing->entries, DirectoryCapacity(*image).entries, append)
                : Failure{listing.Error()};
    if (!art)
        return (void)svc_.dialogs.Message(
            this, MsgKind::Error, MsgButtons::Ok,
            QStringLiteral("\"%1\": %2")
                .arg(QFileInfo(path).fileName(), QString::fromStdString(art.Error())));
    host_.ApplyEdit(ArrangeDirectory(art->order, art->label));
}

} // namespace dyskel
