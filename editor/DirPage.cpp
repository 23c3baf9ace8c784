#include "editor/DirPage.h"

#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/FileChain.h"
#include "core/Validate.h"
#include "disasm/C64Screen.h"
#include "editor/C64ScreenView.h"
#include "editor/CharGrid.h"
#include "editor/DirArtBar.h"
#include "editor/ImportNames.h"
#include "editor/PetsciiEditDialog.h"
#include "editor/UexportPRG.h"
#include "editor/ValidateDialog.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/HostPath.h"
#include "platform/Menus.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QDropEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace dyskel {

namespace {

constexpr int NameColumn = 2;
constexpr int SizeColumn = 1;
constexpr int NameLength = 16; // characters of a name
constexpr const char* GridColours = "background-color: #0000FF; color: #00FFFF;";
// The text of a scratched entry's row: grey, so that it is not taken for a
// DEL file, whose row reads the same.
const QColor ScratchedText(0xA0, 0xA0, 0xA0);
constexpr std::array<int, DirColumns> DirWidths = {32, 50, 166, 40, 60}; // pixels

// The directory grid: a right press selects the row under the mouse without
// starting a drag, so that the pop-up menu acts on the row clicked; every
// press then runs the page's mouse-down handler.
class TDirGrid : public QTableWidget {
  public:
    using QTableWidget::QTableWidget;
    std::function<void()> onMouseDown;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::RightButton) {
            QTableWidget::mousePressEvent(event);
        } else {
            const QModelIndex at = indexAt(event->position().toPoint());
            if (at.isValid()) setCurrentCell(at.row(), currentColumn() < 0 ? 1 : currentColumn());
            event->accept();
        }
        if (onMouseDown) onMouseDown();
    }
};

// The in-place editor of the name cell.  The page stores the text itself when
// Enter ends a rename, so nothing is written back on closing.
class TNameDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<void(QWidget*)> onCreate;
    // Fills the editor when it opens; the item's text when not set.
    std::function<void(QWidget*, const QModelIndex&)> onEditorData;
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
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (onEditorData)
            onEditorData(editor, index);
        else
            QStyledItemDelegate::setEditorData(editor, index);
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
        StrGridDir->setColumnWidth(c, DirWidths[std::size_t(c)]);
    }
    layout->addWidget(AddC64Screen(StrGridDir), 1);
    DirArtBar = new TDirArtBar(svc_, host_, *this);
    layout->addWidget(DirArtBar);

    LblDirStatus = new QLabel(this);
    LblDirStatus->setObjectName(QStringLiteral("LblDirStatus"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LblDirStatus, 1);
    bottom->addWidget(ChkDirC64);
    layout->addLayout(bottom);

    auto* delegate = new TNameDelegate(StrGridDir);
    StrGridDir->setItemDelegateForColumn(NameColumn, delegate);
    delegate->onCreate = [](QWidget* editor) {
        editor->setFont(C64Font(8, true));
        if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setMaxLength(NameLength);
    };
    // The name alone: no quotes, no padding bytes.
    delegate->onEditorData = [this](QWidget* editor, const QModelIndex& index) {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (const DirEntry* entry = EntryAt(index.row()); line && entry)
            line->setText(PetsciiToQString(entry->Name()));
    };
    delegate->onKey = [this](QWidget* editor, QKeyEvent* key) {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line && renaming_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            EndRename(line);
            return true;
        }
        // A character with no C64 byte is refused as it is typed.
        const QString text = key->text().toUpper();
        if (line && text.size() == 1 && text[0].isPrint() && QStringToPetscii(text).empty()) {
            LblDirStatus->setText(QStringLiteral("\"%1\" has no C64 character.").arg(key->text()));
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
    PMnuDirOpenPartition = MenuItem(PopupMenuDir, "PMnuDirOpenPartition", "&Open Partition");
    PMnuDirLeavePartition = MenuItem(PopupMenuDir, "PMnuDirLeavePartition", "&Back to the Disk");
    PMnuDirRename = MenuItem(PopupMenuDir, "PMnuDirRename", "Re&name");
    PMnuDirPetscii = MenuItem(PopupMenuDir, "PMnuDirPetscii", "&PETSCII Editor...");
    PMnuDirLabel = MenuItem(PopupMenuDir, "PMnuDirLabel", "Disk Name and &ID...");
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
    PMnuDirUndelete = MenuItem(PopupMenuDir, "PMnuDirUndelete", "Undele&te...");
    PMnuDirWP = SubMenu(PopupMenuDir, "PMnuDirWP", "Write Pr&otected");
    auto* protection = new QActionGroup(this);
    PMnuDirWPno = MenuItem(PMnuDirWP, "PMnuDirWPno", "&No", protection);
    PMnuDirWPyes = MenuItem(PMnuDirWP, "PMnuDirWPyes", "&Yes", protection);
    PMnuDirWPno->setChecked(true);
    PMnuDirFsize = MenuItem(PopupMenuDir, "PMnuDirFsize", "File Si&ze");
    PMnuDirClrImg = MenuItem(PopupMenuDir, "PMnuDirClrImg", "&Clear Entire Image");
    PMnuDirImport = MenuItem(PopupMenuDir, "PMnuDirImport", "&Import File...");
    PMnuDirValidate = MenuItem(PopupMenuDir, "PMnuDirValidate", "&Validate");
    PMnuDirUndo = MenuItem(PopupMenuDir, "PMnuDirUndo", "&Undo");
    PMnuDirUndo->setShortcut(QKeySequence::Undo);
    PMnuDirUndo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(PMnuDirUndo);

    // The two submenus set the entry's type and lock mark.
    const std::pair<QAction*, FileType> typeItems[] = {{PMnuDirSEQ, FileType::Seq},
                                                       {PMnuDirPRG, FileType::Prg},
                                                       {PMnuDirUSR, FileType::Usr},
                                                       {PMnuDirREL, FileType::Rel}};
    for (auto [item, type] : typeItems)
        connect(item, &QAction::triggered, this, [this, type = type] { PMnuDirTypeClick(type); });
    connect(PMnuDirWPyes, &QAction::triggered, this, [this] { PMnuDirWPClick(true); });
    connect(PMnuDirWPno, &QAction::triggered, this, [this] { PMnuDirWPClick(false); });
    connect(PMnuDirDelete, &QAction::triggered, this, &TDirPage::PMnuDirDeleteClick);
    connect(PMnuDirUndelete, &QAction::triggered, this, &TDirPage::PMnuDirUndeleteClick);
    connect(PMnuDirFsize, &QAction::triggered, this, &TDirPage::PMnuDirFsizeClick);
    connect(PMnuDirClrImg, &QAction::triggered, this, &TDirPage::PMnuDirClrImgClick);
    connect(PMnuDirUndo, &QAction::triggered, this, [this] { host_.Undo(); });
    connect(PMnuDirImport, &QAction::triggered, this, &TDirPage::PMnuDirImportClick);
    connect(PMnuDirValidate, &QAction::triggered, this, &TDirPage::PMnuDirValidateClick);
    connect(PMnuDirOpenPartition, &QAction::triggered, this, [this] {
        if (const DirEntry* entry = EntryAt(StrGridDir->currentRow()); entry && entry->Partition())
            host_.OpenPartition(entry);
    });
    connect(PMnuDirLeavePartition, &QAction::triggered, this, [this] { host_.OpenPartition(nullptr); });
    // Host files dropped from a file manager are imported.
    StrGridDir->setAcceptDrops(true);
    StrGridDir->viewport()->setAcceptDrops(true);
    StrGridDir->viewport()->installEventFilter(this);
    connect(PopupMenuDir, &QMenu::aboutToShow, this, &TDirPage::PopupMenuDirPopup);
    connect(PMnuDirFileName, &QAction::triggered, this, &TDirPage::PMnuDirFileNameClick);
    connect(PMnuDirRename, &QAction::triggered, this, &TDirPage::PMnuDirRenameClick);
    connect(PMnuDirPetscii, &QAction::triggered, this, [this] { PetsciiEdit(true); });
    connect(PMnuDirLabel, &QAction::triggered, this, [this] { PetsciiEdit(false); });
    connect(PMnuDirExportPRG, &QAction::triggered, this, &TDirPage::PMnuDirExportPRGClick);
    connect(PMnuDirHexDump, &QAction::triggered, this, &TDirPage::PMnuDirHexDumpClick);
    connect(PMnuDir6502, &QAction::triggered, this, &TDirPage::PMnuDir6502Click);

    StrGridDir->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StrGridDir, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuDir->popup(StrGridDir->viewport()->mapToGlobal(pos)); });
    // A double click on a listed entry is Jump To.
    connect(StrGridDir, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        const DirEntry* entry = EntryAt(row);
        if (entry && FileTypeName(entry->typeByte) != std::string("DEL")) PMnuDirFileNameClick();
    });
}

std::string TDirPage::ImagePath() const {
    return svc_.data.image.path;
}

int TDirPage::CurrentRow() const {
    return StrGridDir->currentRow();
}

bool TDirPage::SelectEntry(int sector, int offset) {
    for (int r = 0; EntryAt(r); ++r)
        if (EntryAt(r)->sector == sector && EntryAt(r)->offset == offset) {
            StrGridDir->setCurrentCell(r, std::max(StrGridDir->currentColumn(), 0));
            return true;
        }
    return false;
}

void TDirPage::ClearNote() {
    LblDirStatus->clear();
}

std::string TDirPage::CellBytes(int row, int column) const {
    return Bytes(StrGridDir->item(row, column));
}

bool TDirPage::IsEntryRow(int row) const {
    return EntryAt(row) != nullptr;
}

const DirEntry* TDirPage::EntryAt(int row) const {
    if (row < 0 || row >= int(listing_.entries.size())) return nullptr;
    return &listing_.entries[std::size_t(row)];
}

QWidget* TDirPage::AddC64Screen(QWidget* table) {
    // The table and the C64 screen share the place; the check box switches.
    auto* stack = new QStackedWidget(this);
    stack->setObjectName(QStringLiteral("StackDirView"));
    c64View_ = new TC64ScreenView(stack, 1);
    stack->addWidget(table);
    stack->addWidget(c64View_);
    ChkDirC64 = new QCheckBox(QStringLiteral("C64 &screen"), this);
    ChkDirC64->setObjectName(QStringLiteral("ChkDirC64"));
    connect(ChkDirC64, &QCheckBox::toggled, stack, [stack](bool on) { stack->setCurrentIndex(on ? 1 : 0); });
    return stack;
}

void TDirPage::ShowDirectory(const DiskView* view, int keepRow) {
    listing_ = view ? view->dir : DirListing{};
    renaming_ = false;
    StrGridDir->setRowCount(0);
    PanelDirHeaderID->setText(view ? PetsciiToQString(view->header.label) : QString());
    DirArtBar->Show(view);
    if (view)
        c64View_->ShowImageFile(ImagePath());
    else
        c64View_->ShowCharacters({});
    if (!view) return;
    StrGridDir->setRowCount(int(listing_.entries.size()) + 1);
    auto put = [this](int row, const DirCells& cells, bool scratched) {
        for (int c = 0; c < DirColumns; ++c) {
            const std::string& cell = cells[std::size_t(c)];
            auto* item = new QTableWidgetItem(PetsciiToQString(cell));
            item->setData(Qt::UserRole, QByteArray(cell.data(), qsizetype(cell.size())));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (scratched) item->setForeground(ScratchedText);
            StrGridDir->setItem(row, c, item);
        }
    };
    int row = 0;
    for (const DirEntry& entry : listing_.entries) {
        put(row, DirRowCells(entry, row + 1), entry.Scratched());
        ++row;
    }
    put(row, FreeRowCells(view->bam.freeBlocks), false);
    const int current = keepRow >= 0 && keepRow < StrGridDir->rowCount() ? keepRow : 0;
    StrGridDir->setCurrentCell(current, SizeColumn);
    if (current == 0) StrGridDir->scrollToTop();
}

void TDirPage::StrGridDirMouseDown() {
    const int row = StrGridDir->currentRow();
    const DirEntry* entry = EntryAt(row);
    if (!entry) return;
    QString name = PetsciiToQString(CellBytes(row, NameColumn));
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    PMnuDirFileName->setText(QStringLiteral("Jump To: ") + name);

    PMnuDirWPyes->setChecked(entry->Locked());
    PMnuDirWPno->setChecked(!entry->Locked());
    QAction* types[] = {nullptr, PMnuDirSEQ, PMnuDirPRG, PMnuDirUSR, PMnuDirREL};
    for (QAction* a : types)
        if (a) a->setChecked(false);
    if (entry->TypeCode() >= 1 && entry->TypeCode() <= 4) types[entry->TypeCode()]->setChecked(true);
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

    // A scratched entry is taken back with Undelete, not given a type (which
    // would leave an unclosed file whose blocks are free) nor deleted again
    // (its old chain may hold blocks of another file by now).
    const bool scratched = entry && EntryAt(row)->Scratched();
    PMnuDirDelete->setVisible(entry && !scratched);
    PMnuDirFtype->menuAction()->setVisible(entry && !scratched);
    PMnuDirUndelete->setVisible(scratched);
    const std::string name = entry ? FileTypeName(EntryAt(row)->typeByte) : "";
    const bool listed = entry && name != "DEL";
    PMnuDirFileName->setVisible(listed);
    PMnuDirHexDump->setVisible(listed);
    PMnuDirExportPRG->setVisible(name == "PRG");
    PMnuDir6502->setVisible(name == "PRG");
    PMnuDirClrImg->setVisible(!svc_.data.image.path.empty());
    PMnuDirPetscii->setVisible(entry);
    PMnuDirLabel->setVisible(!svc_.data.image.path.empty());
    PMnuDirUndo->setVisible(true);
    PMnuDirUndo->setEnabled(!svc_.data.undo.empty());
    PMnuDirOpenPartition->setVisible(entry && !svc_.data.partition && EntryAt(row)->Partition());
    PMnuDirLeavePartition->setVisible(svc_.data.partition.has_value());
}

void TDirPage::ShowError(const QString& text) {
    svc_.dialogs.Message(this, MsgKind::Error, MsgButtons::Ok, text);
}

void TDirPage::PMnuDirFileNameClick() {
    if (const DirEntry* entry = EntryAt(StrGridDir->currentRow()))
        host_.JumpToBlock(entry->first.track, entry->first.sector);
}

void TDirPage::PMnuDirRenameClick() {
    const int row = StrGridDir->currentRow();
    if (!IsEntryRow(row) || !host_.EnsureEditMode()) return;
    QTableWidgetItem* item = StrGridDir->item(row, NameColumn);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    StrGridDir->setCurrentCell(row, NameColumn);
    renaming_ = true;
    LblDirStatus->clear();
    StrGridDir->editItem(item);
}

void TDirPage::PetsciiEdit(bool entryName) {
    const DirEntry* entry = entryName ? EntryToEdit() : nullptr;
    if (entryName ? !entry : !host_.EnsureEditMode()) return;
    Result<DiskImage> image = DiskImage::Load(ImagePath());
    if (!image) return ShowError(QString::fromStdString(image.Error()));
    const DiskFormat& f = image->Format();
    Result<Block> header = image->ReadBlock({f.dirTrack, f.headerSector});
    Result<std::uint16_t> blocksFree = header ? StockBlocksFree(*image) : Failure{header.Error()};
    if (!blocksFree) return ShowError(QString::fromStdString(blocksFree.Error()));
    const auto label = header->begin() + std::ptrdiff_t(f.labelOffset);
    std::vector<std::uint8_t> bytes;
    if (entry)
        bytes.assign(entry->name.begin(), entry->name.end());
    else
        bytes.assign(label, label + 0x10), bytes.insert(bytes.end(), label + 0x12, label + 0x17);
    TPetsciiEditDialog dialog(this, *header, entry ? std::optional<DirEntry>(*entry) : std::nullopt, bytes,
                              f.labelOffset, *blocksFree);
    if (dialog.exec() != QDialog::Accepted || dialog.Bytes() == bytes) return;
    const std::vector<std::uint8_t>& b = dialog.Bytes();
    std::array<std::uint8_t, 16> name{};
    std::copy(b.begin(), b.begin() + 16, name.begin());
    if (entry) {
        host_.ApplyEdit(RenameEntry(*entry, name));
    } else {
        std::array<std::uint8_t, 5> id{};
        std::copy(b.begin() + 16, b.end(), id.begin());
        host_.ApplyEdit(SetDiskLabel(name, id));
    }
}

bool TDirPage::eventFilter(QObject* watched, QEvent* event) {
    // StrGridDirKeyPress: capitals only, in the grid as in its name editor.
    // Shift+F10 opens the pop-up menu at the current row, as the Menu key does.
    if (watched == StrGridDir && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            const QRect cell = StrGridDir->visualItemRect(StrGridDir->currentItem());
            PopupMenuDir->popup(StrGridDir->viewport()->mapToGlobal(cell.center()));
            return true;
        }
        return SendUpperCased(watched, key);
    }
    if (watched == StrGridDir->viewport() && DropEvent(event)) return true;
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
    const DirEntry* entry = EntryAt(row);
    if (!entry) return;
    // The entry is written into the open image, found again by its place on
    // track 18 in the blocks read right before the write.
    host_.ApplyEdit(RenameEntry(*entry, NameBytesFromCell(cell)));
}

const DirEntry* TDirPage::EntryToEdit() {
    const int row = StrGridDir->currentRow();
    if (!EntryAt(row) || !host_.EnsureEditMode()) {
        StrGridDirMouseDown(); // the marks go back to what the disk says
        return nullptr;
    }
    return EntryAt(row);
}

void TDirPage::PMnuDirDeleteClick() {
    if (const DirEntry* entry = EntryToEdit()) host_.ApplyEdit(DeleteEntry(*entry));
}

void TDirPage::PMnuDirTypeClick(FileType type) {
    if (const DirEntry* entry = EntryToEdit()) host_.ApplyEdit(SetEntryType(*entry, type));
}

void TDirPage::PMnuDirUndeleteClick() {
    const DirEntry* entry = EntryToEdit();
    if (!entry) return;
    const QString text =
        QStringLiteral("Undelete \"%1\" as which file type?").arg(PetsciiToQString(entry->Name()));
    constexpr FileType types[] = {FileType::Seq, FileType::Prg, FileType::Usr, FileType::Rel};
    // PRG is the one Enter gives.
    const int choice =
        svc_.dialogs.Choose(this, text,
                            {QStringLiteral("SEQ"), QStringLiteral("PRG"), QStringLiteral("USR"),
                             QStringLiteral("REL"), QStringLiteral("Cancel")},
                            1, 4);
    if (choice >= 0 && choice < 4) host_.ApplyEdit(UndeleteEntry(*entry, types[choice]));
}

void TDirPage::PMnuDirWPClick(bool locked) {
    if (const DirEntry* entry = EntryToEdit()) host_.ApplyEdit(SetEntryLocked(*entry, locked));
}

void TDirPage::PMnuDirFsizeClick() {
    const DirEntry* entry = EntryToEdit();
    if (!entry) return;
    Result<DiskImage> image = DiskImage::Load(ImagePath());
    if (!image) return ShowError(QString::fromStdString(image.Error()));
    std::optional<int> blocks = svc_.dialogs.AskNumber(
        this, QStringLiteral("File Size"), QStringLiteral("Blocks shown in the listing (0 to 65535):"),
        ChainLength(*image, *entry), 0, 65535);
    if (blocks) host_.ApplyEdit(SetEntrySize(*entry, static_cast<std::uint16_t>(*blocks)));
}

void TDirPage::PMnuDirClrImgClick() {
    // The write path asks first, saying what is cleared.
    if (host_.EnsureEditMode()) host_.ApplyEdit(ClearImage());
}

void TDirPage::PMnuDirExportPRGClick() {
    const DirEntry* entry = EntryAt(StrGridDir->currentRow());
    if (!entry) return;
    EditorData& data = svc_.data;
    const std::string folder = data.image.Folder();
    const bool prompt = svc_.options.promptExport;
    std::string name = ExportBaseName(*entry);
    bool cancelled = false;
    if (prompt) {
        TExportFileName* dialog = svc_.exportDialog;
        std::unique_ptr<TExportFileName> own;
        if (!dialog) {
            own = std::make_unique<TExportFileName>(FromHostPath(folder), this);
            dialog = own.get();
        }
        dialog->PanelDir->setText(FromHostPath(folder));
        dialog->EditFileName->setText(FromHostPath(name));
        cancelled = svc_.dialogs.Exec(*dialog) != QDialog::Accepted;
        name = SafeFileName(ToHostPath(dialog->EditFileName->text()));
    }
    const std::string fileName = name + ".PRG";
    FileOutcome outcome;
    if (!cancelled) {
        Result<DiskImage> image = DiskImage::Load(ImagePath());
        if (!image) return ShowError(JoinLines({ExportFailedText, image.Error()}));
        outcome = ExportPRG(*image, *entry, folder, fileName);
        if (outcome.failed) ShowError(JoinLines(FailureLines(outcome)));
    }
    if (!prompt) return;
    if (cancelled)
        ShowError(QString::fromLatin1(ExportCancelledText));
    else if (!outcome.failed)
        svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok,
                             JoinLines(SavedLines(fileName, outcome.blocks, folder)));
}

void TDirPage::PMnuDirHexDumpClick() {
    const DirEntry* entry = EntryAt(StrGridDir->currentRow());
    if (!entry) return;
    const std::string folder = svc_.data.image.Folder();
    Result<DiskImage> image = DiskImage::Load(ImagePath());
    if (!image) return ShowError(JoinLines({ExportFailedText, image.Error()}));
    FileOutcome outcome = WriteHexDump(*image, *entry, folder);
    if (outcome.failed)
        ShowError(JoinLines(FailureLines(outcome)));
    else if (svc_.options.promptExport)
        svc_.dialogs.Message(this, MsgKind::Information, MsgButtons::Ok,
                             JoinLines(SavedLines(HexDumpFileName(*entry), outcome.blocks, folder)));
}

void TDirPage::PMnuDir6502Click() {
    if (const DirEntry* entry = EntryAt(StrGridDir->currentRow()))
        host_.DisassembleFile(entry->first.track, entry->first.sector);
}

namespace {

QStringList LocalFiles(const QMimeData* mime) {
    QStringList paths;
    if (mime)
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

} // namespace

bool TDirPage::DropEvent(QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (LocalFiles(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() != QEvent::Drop) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = LocalFiles(drop->mimeData());
    if (paths.isEmpty()) return false;
    drop->acceptProposedAction();
    ImportFiles(paths);
    return true;
}

void TDirPage::PMnuDirImportClick() {
    if (!host_.EnsureEditMode()) return;
    // Where the last import was taken from.
    const QStringList paths =
        svc_.dialogs.OpenFileNames(this, QStringLiteral("Import File"),
                                   FromHostPath(ImportStartFolder(svc_.ini, svc_.data.image.Folder())));
    if (!paths.isEmpty()) ImportFiles(paths);
}

void TDirPage::ImportFiles(const QStringList& paths) {
    if (!host_.EnsureEditMode()) return;
    Result<DiskImage> image = DiskImage::Load(ImagePath());
    if (!image) return ShowError(QString::fromStdString(image.Error()));
    RememberImportFolder(svc_.ini, ToHostPath(paths.first()));
    const std::optional<std::vector<HostFileName>> names = ImportNames(paths);
    if (!names) return;
    std::vector<ImportFile> files;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        const HostFileName* host = &(*names)[std::size_t(i)];
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return ShowError(QStringLiteral("Cannot read \"%1\": %2").arg(path, in.errorString()));
        const QByteArray bytes = in.readAll();
        ImportFile f{host->name, host->type, {bytes.begin(), bytes.end()}, OnClash::Refuse};
        const bool clash =
            FindEntryNamed(*image, f.name) ||
            std::any_of(files.begin(), files.end(), [&](const ImportFile& o) { return o.name == f.name; });
        if (clash) {
            const QString text =
                QStringLiteral("A file named \"%1\" is already on the disk.").arg(PetsciiToQString(f.name));
            // Enter and Escape give the harmless "Cancel".
            const int choice = svc_.dialogs.Choose(
                this, text,
                {QStringLiteral("Replace"), QStringLiteral("Keep both"), QStringLiteral("Cancel")}, 2, 2);
            if (choice != 0 && choice != 1) return;
            f.onClash = choice == 0 ? OnClash::Replace : OnClash::KeepBoth;
        }
        files.push_back(std::move(f));
    }
    host_.ApplyEdit(ImportEntries(files));
}

void TDirPage::PMnuDirValidateClick() {
    Result<DiskImage> image = DiskImage::Load(ImagePath());
    if (!image) return ShowError(QString::fromStdString(image.Error()));
    Result<ValidationReport> report = ValidateImage(*image);
    if (!report) return ShowError(QString::fromStdString(report.Error()));
    TValidateDialog dialog(*report, this);
    if (svc_.dialogs.Exec(dialog) != QDialog::Accepted || report->Clean()) return;
    if (host_.EnsureEditMode()) host_.ApplyEdit(FixBam());
}

std::optional<std::vector<HostFileName>> TDirPage::ImportNames(const QStringList& paths) {
    std::vector<std::string> hostPaths;
    std::vector<HostFileName> names;
    bool changed = false;
    for (const QString& path : paths) {
        hostPaths.push_back(ToHostPath(path));
        Result<HostFileName> host = NameOfHostFile(hostPaths.back());
        if (!host) {
            ShowError(QString::fromStdString(host.Error()));
            return std::nullopt;
        }
        changed = changed || host->changed;
        names.push_back(*host);
    }
    if (!changed) return names;
    // One dialog for all files of the import, every name proposed editable.
    TImportNamesDialog dialog(hostPaths, names, this);
    if (svc_.dialogs.Exec(dialog) != QDialog::Accepted) return std::nullopt;
    for (std::size_t i = 0; i < names.size() && i < dialog.Names().size(); ++i)
        names[i].name = dialog.Names()[i];
    return names;
}

} // namespace dyskel
