#include "editor/DirPage.h"

#include "browser/Options.h"
#include "core/FileChain.h"
#include "core/ImageUpdate.h"
#include "editor/CharGrid.h"
#include "editor/UexportPRG.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/Menus.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <functional>

namespace dyskel {

namespace {

constexpr int NameColumn = 2;
constexpr int TypeColumn = 3;
constexpr int TrackSectorColumn = 4;
constexpr int SizeColumn = 1;
constexpr const char* GridColours = "background-color: #0000FF; color: #00FFFF;";

// The directory grid: a right press leaves the selection where it was, so
// that the pop-up menu acts on the row selected before; every press then runs
// the page's mouse-down handler.
class TDirGrid : public QTableWidget {
  public:
    using QTableWidget::QTableWidget;
    std::function<void()> onMouseDown;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::RightButton)
            QTableWidget::mousePressEvent(event);
        else
            event->accept();
        if (onMouseDown) onMouseDown();
    }
};

// The in-place editor of the name cell.  The page stores the text itself when
// Enter ends a rename, so nothing is written back on closing.
class TNameDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<void(QWidget*)> onCreate;
    // Sees every key pressed in the editor before the delegate's own handling
    // (which would end the editing on Enter); true when it took the key.
    std::function<bool(QWidget*, QKeyEvent*)> onKey;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setObjectName(QStringLiteral("StrGridDirEditor"));
        if (onCreate) onCreate(editor);
        return editor;
    }
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
    void Close(QWidget* editor) { emit closeEditor(editor, QAbstractItemDelegate::NoHint); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(watched);
        if (editor && event->type() == QEvent::KeyPress && onKey &&
            onKey(editor, static_cast<QKeyEvent*>(event)))
            return true;
        return QStyledItemDelegate::eventFilter(watched, event);
    }
};

// Every character typed into the grid or its name editor arrives as a
// capital: a key event with a lower-case letter is sent again upper-cased.
bool SendUpperCased(QObject* target, QKeyEvent* key) {
    const QString text = key->text();
    QString upper = text;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    if (upper == text) return false;
    QKeyEvent again(key->type(), key->key(), key->modifiers() | Qt::ShiftModifier, upper, key->isAutoRepeat(),
                    ushort(key->count()));
    QApplication::sendEvent(target, &again);
    return true;
}

// The box after a failed export or dump.  A chain broken by a loop or a link
// outside the image says so on a second line.
QString FailureText(const FileOutcome& outcome) {
    QString text = QString::fromStdString(outcome.message);
    if (outcome.message == ExportFailedText &&
        (outcome.end == ChainEnd::Loop || outcome.end == ChainEnd::BadLink))
        text += QStringLiteral("\n\rThe file's block chain is broken: %1 (after %2).")
                    .arg(QString::fromLatin1(ChainEndText(outcome.end)), BlockCountText(outcome.blocks));
    return text;
}

std::string Bytes(const QTableWidgetItem* item) {
    if (!item) return {};
    QByteArray raw = item->data(Qt::UserRole).toByteArray();
    return std::string(raw.constData(), std::size_t(raw.size()));
}

} // namespace

TDirPage::TDirPage(EditorServices& services, IEditorHost& host, QWidget* parent)
    : QWidget(parent), svc_(services), host_(host) {
    setObjectName(QStringLiteral("DirPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);

    PanelDirHeaderID = new QLabel(QStringLiteral("HEADER/ID"), this);
    PanelDirHeaderID->setObjectName(QStringLiteral("PanelDirHeaderID"));
    PanelDirHeaderID->setFont(C64Font(8, true));
    PanelDirHeaderID->setStyleSheet(QString::fromLatin1(GridColours));
    PanelDirHeaderID->setFixedHeight(18);
    PanelDirHeaderID->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(PanelDirHeaderID);

    auto* grid = new TDirGrid(0, DirColumns, this);
    StrGridDir = grid;
    StrGridDir->setObjectName(QStringLiteral("StrGridDir"));
    SetUpCharGrid(StrGridDir, true);
    StrGridDir->setStyleSheet(QStringLiteral(
        "QTableWidget { background-color: #0000FF; color: #00FFFF; selection-background-color: #00FFFF; "
        "selection-color: #0000FF; } QTableWidget::item { padding: 0px; } QHeaderView { background-color: "
        "#0000FF; } QHeaderView::section { background-color: #0000FF; color: #00FFFF; border: none; "
        "padding: 0px; }"));
    StrGridDir->setShowGrid(false);
    StrGridDir->setCursor(Qt::PointingHandCursor);
    StrGridDir->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (int c = 0; c < DirColumns; ++c) {
        StrGridDir->setHorizontalHeaderItem(c, new QTableWidgetItem(PetsciiToQString(DirHeaders[c])));
        StrGridDir->setColumnWidth(c, DirWidths[c]);
    }
    layout->addWidget(StrGridDir, 1);

    auto* delegate = new TNameDelegate(StrGridDir);
    StrGridDir->setItemDelegateForColumn(NameColumn, delegate);
    delegate->onCreate = [](QWidget* editor) { editor->setFont(C64Font(8, true)); };
    delegate->onKey = [this](QWidget* editor, QKeyEvent* key) {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line && renaming_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            EndRename(line);
            return true;
        }
        return SendUpperCased(editor, key); // StrGridDirKeyPress
    };
    connect(delegate, &QAbstractItemDelegate::closeEditor, this, [this] {
        // Enter, Escape or leaving the cell: the grid stops editing.
        renaming_ = false;
        for (int r = 0; r < StrGridDir->rowCount(); ++r)
            if (auto* it = StrGridDir->item(r, NameColumn)) it->setFlags(it->flags() & ~Qt::ItemIsEditable);
    });
    StrGridDir->installEventFilter(this);
    grid->onMouseDown = [this] { StrGridDirMouseDown(); };

    PopupMenuDir = new QMenu(this);
    PopupMenuDir->setObjectName(QStringLiteral("PopupMenuDir"));
    PMnuDirFileName = MenuItem(PopupMenuDir, "PMnuDirFileName", "FileName");
    PMnuDirRename = MenuItem(PopupMenuDir, "PMnuDirRename", "Re&name");
    PMnuDirDelete = MenuItem(PopupMenuDir, "PMnuDirDelete", "&Delete");
    PMnuDirExportPRG = MenuItem(PopupMenuDir, "PMnuDirExportPRG", "E&xport to PRG-file");
    PMnuDirHexDump = MenuItem(PopupMenuDir, "PMnuDirHexDump", "&Hex Dump (to file)");
    PMnuDir6502 = MenuItem(PopupMenuDir, "PMnuDir6502", "Dis&Assemble File");
    PMnuDirFtype = SubMenu(PopupMenuDir, "PMnuDirFtype", "File &Type");
    auto* types = new QActionGroup(this);
    types->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    PMnuDirSEQ = MenuItem(PMnuDirFtype, "PMnuDirSEQ", "&SEQ: Sequential File", types);
    PMnuDirPRG = MenuItem(PMnuDirFtype, "PMnuDirPRG", "&PRG: Program File", types);
    PMnuDirUSR = MenuItem(PMnuDirFtype, "PMnuDirUSR", "&USR: User File", types);
    PMnuDirREL = MenuItem(PMnuDirFtype, "PMnuDirREL", "&REL: Relative File", types);
    PMnuDirWP = SubMenu(PopupMenuDir, "PMnuDirWP", "Write Pr&otected");
    auto* protection = new QActionGroup(this);
    PMnuDirWPno = MenuItem(PMnuDirWP, "PMnuDirWPno", "&No", protection);
    PMnuDirWPyes = MenuItem(PMnuDirWP, "PMnuDirWPyes", "&Yes", protection);
    PMnuDirWPno->setChecked(true);
    PMnuDirFsize = MenuItem(PopupMenuDir, "PMnuDirFsize", "File Si&ze");
    PMnuDirClrImg = MenuItem(PopupMenuDir, "PMnuDirClrImg", "&Clear Entire Image");

    // The two submenus only show the entry: choosing an item puts the marks
    // back as they were prepared.
    for (QActionGroup* group : {types, protection}) {
        connect(group, &QActionGroup::triggered, this, [this] { StrGridDirMouseDown(); });
    }
    connect(PopupMenuDir, &QMenu::aboutToShow, this, &TDirPage::PopupMenuDirPopup);
    connect(PMnuDirFileName, &QAction::triggered, this, &TDirPage::PMnuDirFileNameClick);
    connect(PMnuDirRename, &QAction::triggered, this, &TDirPage::PMnuDirRenameClick);
    connect(PMnuDirExportPRG, &QAction::triggered, this, &TDirPage::PMnuDirExportPRGClick);
    connect(PMnuDirHexDump, &QAction::triggered, this, &TDirPage::PMnuDirHexDumpClick);
    connect(PMnuDir6502, &QAction::triggered, this, &TDirPage::PMnuDir6502Click);

    StrGridDir->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StrGridDir, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuDir->popup(StrGridDir->viewport()->mapToGlobal(pos)); });
}

std::string TDirPage::ImagePath() const {
    return svc_.data.image.ImagePath();
}

std::string TDirPage::CellBytes(int row, int column) const {
    return Bytes(StrGridDir->item(row, column));
}

bool TDirPage::IsEntryRow(int row) const {
    return row >= 0 && row < StrGridDir->rowCount() - 1;
}

void TDirPage::ShowDirectory(const std::string& label) {
    EditorData& data = svc_.data;
    ReadTrack(ImagePath(), DirTrack, data.track);
    listing_ = ListDirectory(data.track, data.image.FreeBlocks);

    renaming_ = false;
    StrGridDir->setRowCount(0);
    StrGridDir->setRowCount(listing_.RowCount() - 1);
    auto put = [this](int row, const DirCells& cells) {
        for (int c = 0; c < DirColumns; ++c) {
            auto* item = new QTableWidgetItem(PetsciiToQString(cells[c]));
            item->setData(Qt::UserRole, QByteArray(cells[c].data(), qsizetype(cells[c].size())));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            StrGridDir->setItem(row, c, item);
        }
    };
    int row = 0;
    for (const DirRow& entry : listing_.entries) put(row++, entry.cells);
    put(row, listing_.freeRow);
    StrGridDir->setCurrentCell(0, SizeColumn);
    StrGridDir->scrollToTop();

    PanelDirHeaderID->setText(PetsciiToQString(label));
}

void TDirPage::StrGridDirMouseDown() {
    const int row = StrGridDir->currentRow();
    if (!IsEntryRow(row)) return;
    QString name = PetsciiToQString(CellBytes(row, NameColumn));
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    PMnuDirFileName->setText(QStringLiteral("Jump To: ") + name);

    const std::string type = CellBytes(row, TypeColumn);
    const bool locked = !type.empty() && type[0] != ' ';
    PMnuDirWPyes->setChecked(locked);
    PMnuDirWPno->setChecked(!locked);

    for (QAction* a : {PMnuDirSEQ, PMnuDirPRG, PMnuDirUSR, PMnuDirREL}) a->setChecked(false);
    const char kind = type.size() > 1 ? type[1] : '\0';
    if (kind == 'P')
        PMnuDirPRG->setChecked(true);
    else if (kind == 'R')
        PMnuDirREL->setChecked(true);
    else if (kind == 'S')
        PMnuDirSEQ->setChecked(true);
    else if (kind == 'U')
        PMnuDirUSR->setChecked(true);
}

void TDirPage::PopupMenuDirPopup() {
    // A menu opened from the keyboard (Menu key, Shift+F10) had no mouse press
    // to prepare it: prepare it for the current row here too.  After a mouse
    // press this gives the same captions and marks again.
    StrGridDirMouseDown();
    const int row = StrGridDir->currentRow();
    const bool entry = IsEntryRow(row);
    for (QAction* a : {PMnuDirFileName, PMnuDirRename, PMnuDirDelete, PMnuDirHexDump,
                       PMnuDirFtype->menuAction(), PMnuDirWP->menuAction(), PMnuDirFsize})
        a->setVisible(entry);

    const std::string type = entry ? CellBytes(row, TypeColumn) : std::string();
    const std::string name = type.size() > 1 ? type.substr(1, 3) : std::string();
    const bool listed = !name.empty() && name != "DEL";
    PMnuDirFileName->setVisible(listed);
    PMnuDirHexDump->setVisible(listed);
    PMnuDirExportPRG->setVisible(name == "PRG");
    PMnuDir6502->setVisible(name == "PRG");
    PMnuDirClrImg->setVisible(true);
}

void TDirPage::ShowError(const QString& text) {
    svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, text);
}

void TDirPage::PMnuDirFileNameClick() {
    const int row = StrGridDir->currentRow();
    if (!IsEntryRow(row)) return;
    if (auto at = ParseTrackSectorCell(CellBytes(row, TrackSectorColumn)))
        host_.JumpToBlock(at->track, at->sector);
}

void TDirPage::PMnuDirRenameClick() {
    const int row = StrGridDir->currentRow();
    if (!IsEntryRow(row) || !host_.EnsureEditMode()) return;
    QTableWidgetItem* item = StrGridDir->item(row, NameColumn);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    StrGridDir->setCurrentCell(row, NameColumn);
    renaming_ = true;
    StrGridDir->editItem(item);
}

bool TDirPage::eventFilter(QObject* watched, QEvent* event) {
    // StrGridDirKeyPress: capitals only, in the grid as in its name editor.
    if (watched == StrGridDir && event->type() == QEvent::KeyPress)
        return SendUpperCased(watched, static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

void TDirPage::EndRename(QLineEdit* editor) {
    const int row = StrGridDir->currentRow();
    const std::string cell = NormaliseRenameText(QStringToPetscii(editor->text()));
    QTableWidgetItem* item = StrGridDir->item(row, NameColumn);
    item->setText(PetsciiToQString(cell));
    item->setData(Qt::UserRole, QByteArray(cell.data(), qsizetype(cell.size())));
    static_cast<TNameDelegate*>(StrGridDir->itemDelegateForColumn(NameColumn))->Close(editor);
    StrGridDir->setCurrentCell(row, SizeColumn);
    if (row < 0 || row >= int(listing_.entries.size())) return;
    listing_.entries[std::size_t(row)].cells[NameColumn] = cell;

    // The update writes the track buffer back as track 18, so the buffer must
    // hold track 18 of the very file being written, whatever an export, a dump
    // or a disassembly left in it since.
    EditorData& data = svc_.data;
    const std::string imageName = host_.FileNameBox().toStdString();
    const std::string path = OpenImageState::JoinPath(data.image.CurrentFolder, imageName);
    const std::size_t want = std::size_t(SectorsPerTrack(DirTrack)) * BlockSize;
    const DirRow& entry = listing_.entries[std::size_t(row)];
    if (ReadTrack(path, DirTrack, data.track) < want) {
        ShowError(
            QStringLiteral("The directory track of \"%1\" could not be read.\n\rThe new name was not stored.")
                .arg(QString::fromStdString(imageName)));
        return;
    }
    if (!WriteEntryName(data.track, entry.sector, entry.offset, cell)) {
        ShowError(
            QStringLiteral("The directory entry could not be found on track 18.\n\rThe new name was not "
                           "stored."));
        return;
    }
    UpdateOptions options{svc_.options.MnuPromptSave->isChecked(), svc_.options.MnuBackupFiles->isChecked()};
    auto confirm = [this](const std::string& text) {
        switch (svc_.dialogs.Message(this, MsgKind::Confirmation, MsgButtons::YesNoAll,
                                     QString::fromStdString(text))) {
        case MsgResult::No:
            return Answer::No;
        case MsgResult::All:
            return Answer::All;
        default:
            return Answer::Yes;
        }
    };
    UpdateResult result =
        UpdateImageFile(data.image.CurrentFolder, imageName, DirTrack, data.track, options, confirm);
    if (!options.promptSave) svc_.options.MnuPromptSave->setChecked(false);
    if (result.status == UpdateStatus::Failed) ShowError(QString::fromStdString(result.message));
}

void TDirPage::PMnuDirExportPRGClick() {
    const int row = StrGridDir->currentRow();
    if (!IsEntryRow(row)) return;
    EditorData& data = svc_.data;
    const std::string& folder = data.image.CurrentFolder;
    const bool prompt = svc_.options.MnuPromptExport->isChecked();
    std::string name = ExportBaseName(CellBytes(row, NameColumn));
    bool cancelled = false;
    if (prompt) {
        TExportFileName* dialog = svc_.exportDialog;
        std::unique_ptr<TExportFileName> own;
        if (!dialog) {
            own = std::make_unique<TExportFileName>(QString::fromStdString(folder), this);
            dialog = own.get();
        }
        // Latin-1 keeps every byte of the name as it is through the edit box.
        dialog->EditFileName->setText(QString::fromLatin1(name.data(), qsizetype(name.size())));
        cancelled = svc_.dialogs.Exec(*dialog) != QDialog::Accepted;
        name = SafeFileName(dialog->EditFileName->text().toLatin1().toStdString());
    }
    const std::string fileName = name + ".PRG";
    FileOutcome outcome;
    if (!cancelled) {
        auto start = ParseTrackSectorCell(CellBytes(row, TrackSectorColumn));
        if (!start) {
            ShowError(QString::fromLatin1(ExportFailedText));
            return;
        }
        outcome = ExportPRG(ImagePath(), *start, folder, fileName, data.track);
        if (outcome.failed) ShowError(FailureText(outcome));
    }
    if (!prompt) return;
    if (cancelled)
        ShowError(QString::fromLatin1(ExportCancelledText));
    else if (!outcome.failed)
        svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok,
                             QString::fromStdString(SavedMessage(fileName, outcome.blocks, folder)));
}

void TDirPage::PMnuDirHexDumpClick() {
    const int row = StrGridDir->currentRow();
    if (!IsEntryRow(row)) return;
    EditorData& data = svc_.data;
    const std::string& folder = data.image.CurrentFolder;
    const std::string nameCell = CellBytes(row, NameColumn);
    const std::string typeCell = CellBytes(row, TypeColumn);
    auto start = ParseTrackSectorCell(CellBytes(row, TrackSectorColumn));
    if (!start) {
        ShowError(QString::fromLatin1(ExportFailedText));
        return;
    }
    FileOutcome outcome =
        WriteHexDump(ImagePath(), *start, folder, nameCell, typeCell, CellBytes(row, SizeColumn), data.track);
    if (outcome.failed)
        ShowError(FailureText(outcome));
    else if (svc_.options.MnuPromptExport->isChecked())
        svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok,
                             QString::fromStdString(
                                 SavedMessage(HexDumpFileName(nameCell, typeCell), outcome.blocks, folder)));
}

void TDirPage::PMnuDir6502Click() {
    const int row = StrGridDir->currentRow();
    if (!IsEntryRow(row)) return;
    auto start = ParseTrackSectorCell(CellBytes(row, TrackSectorColumn));
    if (!start) {
        ShowError(QStringLiteral("The entry's first block is not given as two numbers."));
        return;
    }
    host_.DisassembleFile(start->track, start->sector);
}

} // namespace dyskel
