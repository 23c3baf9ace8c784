#include "browser/SearchDialog.h"

#include "core/FactsCache.h"
#include "index/SqliteIndex.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/HostPath.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>
#include <array>
#include <filesystem>

namespace dyskel {

namespace {

constexpr std::array<const char*, 7> ResultTitles = {"Group", "Image",  "Entry", "Name",
                                                     "Type",  "Blocks", "TT,SS"};
constexpr int MaxBlocksShown = 65535;
// Hits go to the grid in batches: when this many are found, or when the last
// batch is this old.
constexpr std::size_t BatchRows = 1000;
constexpr qint64 BatchMs = 40;
constexpr const char* ImageFilter =
    "Disk Images: D64, D71, D81 (*.d64 *.D64 *.d71 *.D71 *.d81 *.D81);;All (*)";

// An entry as a choice: its number, quoted name and type as the listing
// shows them, e.g. "2 "INTRO" >PRG".
QString EntryChoice(const DirEntry& e, int number) {
    DirCells cells = DirRowCells(e, number);
    std::string& name = cells[2];
    name.erase(name.find_last_not_of('\xA0') + 1); // the padding after the closing quote
    std::string type = cells[3];
    if (type.starts_with(' ')) type.erase(0, 1);
    return QString::number(number) + ' ' + PetsciiToQString(name) + ' ' + PetsciiToQString(type);
}

} // namespace

int SearchResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ResultTitles.size());
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const {
    // A name holds the disk's own bytes, each shown as its C64 glyph.
    if (role == Qt::FontRole && index.isValid() && index.column() == 3 &&
        rows_[std::size_t(index.row())].hit.number > 0)
        return C64Font(8);
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const ResultRow& r = rows_[std::size_t(index.row())];
    const DirEntry& e = r.hit.entry;
    const bool entry = r.hit.number > 0;
    switch (index.column()) {
    case 0:
        return r.group ? QString::number(r.group) : QString();
    case 1:
        return FromHostPath(r.hit.path);
    case 2:
        return entry ? QString::number(r.hit.number) : QString();
    case 3:
        return entry ? PetsciiToQString(e.Name()) : QStringLiteral("(whole disk)");
    case 4:
        return entry ? QString::fromLatin1(FileTypeName(e.typeByte)) : QString();
    case 5:
        return entry ? QString::number(e.blocks) : QString();
    case 6:
        return entry ? QString::fromStdString(BlockText(e.first)) : QString();
    }
    return {};
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return QString::fromLatin1(ResultTitles[std::size_t(section)]);
}

TSearchDialog::TSearchDialog(IDialogs& dialogs, const std::string& folder, QWidget* parent)
    : QDialog(parent), cacheFile(FactsCache::DefaultFile()), dialogs_(dialogs) {
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(QStringLiteral("Search"));
    resize(760, 520);
    const auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    EditFolder = new QLineEdit(FromHostPath(folder), this);
    named(EditFolder, "EditFolder");
    CBSubfolders = new QCheckBox(QStringLiteral("Include subfolders"), this);
    named(CBSubfolders, "CBSubfolders");
    CBSubfolders->setChecked(true);
    EditName = new QLineEdit(this);
    named(EditName, "EditName");
    EditName->setPlaceholderText(QStringLiteral("C64 wildcards: ? one character, * any run"));
    EditLabel = new QLineEdit(this);
    named(EditLabel, "EditLabel");
    ComboType = new QComboBox(this);
    named(ComboType, "ComboType");
    ComboType->addItem(QStringLiteral("(any)"));
    for (std::uint8_t code = 0; code <= std::uint8_t(FileType::Rel); ++code)
        ComboType->addItem(QString::fromLatin1(FileTypeName(code)));
    SpinMinBlocks = new QSpinBox(this);
    named(SpinMinBlocks, "SpinMinBlocks");
    SpinMaxBlocks = new QSpinBox(this);
    named(SpinMaxBlocks, "SpinMaxBlocks");
    for (QSpinBox* s : {SpinMinBlocks, SpinMaxBlocks}) s->setRange(0, MaxBlocksShown);
    SpinMaxBlocks->setValue(MaxBlocksShown);
    EditSameAs = new QLineEdit(this);
    named(EditSameAs, "EditSameAs");
    EditSameAs->setPlaceholderText(
        QStringLiteral("a host file, or an image's entry, whose bytes the entry holds"));
    BtnSameAs = new QPushButton(QStringLiteral("..."), this);
    named(BtnSameAs, "BtnSameAs");
    BtnSameAs->setToolTip(QStringLiteral("A host file"));
    BtnSameAsEntry = new QPushButton(QStringLiteral("&Entry..."), this);
    named(BtnSameAsEntry, "BtnSameAsEntry");
    BtnSameAsEntry->setToolTip(QStringLiteral("An entry of a D64, D71 or D81 image"));
    BtnSearch = new QPushButton(QStringLiteral("&Search"), this);
    named(BtnSearch, "BtnSearch");
    BtnSearch->setDefault(true);
    BtnDupes = new QPushButton(QStringLiteral("Find &duplicates"), this);
    named(BtnDupes, "BtnDupes");
    BtnStop = new QPushButton(QStringLiteral("S&top"), this);
    named(BtnStop, "BtnStop");
    BtnStop->setEnabled(false);
    ProgressSearch = new QProgressBar(this);
    named(ProgressSearch, "ProgressSearch");
    ProgressSearch->setRange(0, 100);
    ProgressSearch->setValue(0);
    LblStatus = new QLabel(this);
    named(LblStatus, "LblStatus");
    ResultGrid = new QTableView(this);
    named(ResultGrid, "ResultGrid");
    ResultGrid->setModel(&model_);
    ResultGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResultGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ResultGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultGrid->verticalHeader()->hide();
    ResultGrid->verticalHeader()->setDefaultSectionSize(18);
    ResultGrid->horizontalHeader()->setStretchLastSection(true);
    ResultGrid->setColumnWidth(0, 44);
    ResultGrid->setColumnWidth(1, 300);
    ResultGrid->setColumnWidth(2, 44);
    ResultGrid->setColumnWidth(3, 150);
    NoteList = new QPlainTextEdit(this);
    named(NoteList, "NoteList");
    NoteList->setReadOnly(true);
    NoteList->setMaximumHeight(60);

    auto* form = new QFormLayout;
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(EditFolder);
    folderRow->addWidget(CBSubfolders);
    form->addRow(QStringLiteral("Folder"), folderRow);
    form->addRow(QStringLiteral("File name"), EditName);
    form->addRow(QStringLiteral("Disk label"), EditLabel);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(ComboType);
    typeRow->addWidget(new QLabel(QStringLiteral("Blocks from"), this));
    typeRow->addWidget(SpinMinBlocks);
    typeRow->addWidget(new QLabel(QStringLiteral("to"), this));
    typeRow->addWidget(SpinMaxBlocks);
    typeRow->addStretch();
    form->addRow(QStringLiteral("File type"), typeRow);
    auto* sameRow = new QHBoxLayout;
    sameRow->addWidget(EditSameAs);
    sameRow->addWidget(BtnSameAs);
    sameRow->addWidget(BtnSameAsEntry);
    form->addRow(QStringLiteral("Same file as"), sameRow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnSearch);
    buttons->addWidget(BtnDupes);
    buttons->addWidget(BtnStop);
    buttons->addWidget(ProgressSearch, 1);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(buttons);
    all->addWidget(LblStatus);
    all->addWidget(ResultGrid, 1);
    all->addWidget(NoteList);

    connect(&worker_, &TWorker::Finished, this, &TSearchDialog::Finished);
    connect(BtnSearch, &QPushButton::clicked, this, &TSearchDialog::BtnSearchClick);
    connect(BtnDupes, &QPushButton::clicked, this, &TSearchDialog::BtnDupesClick);
    connect(BtnStop, &QPushButton::clicked, this, &TSearchDialog::BtnStopClick);
    connect(BtnSameAs, &QPushButton::clicked, this, &TSearchDialog::BtnSameAsClick);
    connect(BtnSameAsEntry, &QPushButton::clicked, this, &TSearchDialog::BtnSameAsEntryClick);
    connect(ResultGrid, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { OpenRow(i.row()); });
}

TSearchDialog::~TSearchDialog() {
    StopAndWait();
}

std::optional<SearchQuery> TSearchDialog::Query() {
    SearchQuery q;
    q.folders = {ToHostPath(EditFolder->text())};
    q.recursive = CBSubfolders->isChecked();
    if (!EditName->text().isEmpty()) q.name = QStringToPetscii(EditName->text());
    if (!EditLabel->text().isEmpty()) q.label = QStringToPetscii(EditLabel->text());
    if (ComboType->currentIndex() > 0) q.type = std::uint8_t(ComboType->currentIndex() - 1);
    if (SpinMinBlocks->value() > 0) q.minBlocks = std::uint16_t(SpinMinBlocks->value());
    if (SpinMaxBlocks->value() < MaxBlocksShown) q.maxBlocks = std::uint16_t(SpinMaxBlocks->value());
    if (pickedEntry_ && EditSameAs->text() == pickedEntry_->shown) {
        q.sameAs = pickedEntry_->sha;
    } else if (!EditSameAs->text().isEmpty()) {
        Result<Sha1Digest> hash = HostFileSha1(ToHostPath(EditSameAs->text()));
        if (!hash) {
            dialogs_.Message(this, MsgKind::Error, MsgButtons::Ok, FromHostPath(hash.Error()));
            return std::nullopt;
        }
        q.sameAs = *hash;
    }
    return q;
}

void TSearchDialog::BtnSearchClick() {
    if (Running()) return;
    std::optional<SearchQuery> q = Query();
    if (!q) return;
    Start([q = *q](const SearchEvents& ev, const std::atomic<bool>* cancel, FactsCache* cache,
                   std::vector<ResultRow>&) { return SearchImages(q, ev, cancel, cache); });
}

void TSearchDialog::BtnDupesClick() {
    if (Running()) return;
    std::vector<std::string> folders{ToHostPath(EditFolder->text())};
    const bool recursive = CBSubfolders->isChecked();
    Start([folders, recursive](const SearchEvents& ev, const std::atomic<bool>* cancel, FactsCache* cache,
                               std::vector<ResultRow>& rows) {
        SearchStats stats;
        DuplicateGroups groups = FindDuplicates(folders, recursive, ev, cancel, cache, &stats);
        int group = 0;
        for (auto& files : groups.files) {
            ++group;
            for (auto& hit : files) rows.push_back({group, std::move(hit)});
        }
        for (auto& disks : groups.disks) {
            ++group;
            for (auto& path : disks) rows.push_back({group, {std::move(path), 0, {}}});
        }
        return stats;
    });
}

void TSearchDialog::Start(Work work) {
    model_.Clear();
    NoteList->clear();
    ProgressSearch->setValue(0);
    LblStatus->setText(QStringLiteral("Searching..."));
    worker_.Start([this, cacheFile = cacheFile, work = std::move(work)](const TWorker::Job& job) {
        std::vector<ResultRow> batch;
        QElapsedTimer age;
        age.start();
        auto handOver = [&] {
            if (batch.empty()) return;
            job.Post([this, rows = std::move(batch)]() mutable { model_.Append(std::move(rows)); });
            batch.clear();
            age.restart();
        };
        int shown = -1;
        SearchEvents ev;
        ev.hit = [&](const SearchHit& hit) {
            batch.push_back({0, hit});
            if (batch.size() >= BatchRows || age.elapsed() >= BatchMs) handOver();
        };
        ev.note = [&](const std::string& path, const std::string& note) {
            job.Post([this, text = FromHostPath(path + ": " + note)] { NoteList->appendPlainText(text); });
        };
        ev.skipped = [&](const std::string& path, const std::string& why) {
            job.Post(
                [this, text = FromHostPath(path + ": skipped: " + why)] { NoteList->appendPlainText(text); });
        };
        ev.progress = [&](std::size_t done, std::size_t total) {
            if (age.elapsed() >= BatchMs) handOver();
            const int percent = total ? int(100 * done / total) : 0;
            if (percent == shown) return;
            shown = percent;
            job.Post([this, percent] { ProgressSearch->setValue(percent); });
        };
        Result<std::unique_ptr<IndexStore>> index = OpenSqliteIndex(cacheFile);
        if (!index) ev.note(cacheFile, index.Error());
        std::optional<FactsCache> cache;
        if (index) cache.emplace(std::move(*index));
        std::vector<ResultRow> groups;
        const SearchStats stats = work(ev, job.StopFlag(), cache ? &*cache : nullptr, groups);
        handOver();
        job.Post([this, stats, groups = std::move(groups)]() mutable {
            model_.Append(std::move(groups));
            stats_ = stats;
        });
    });
    BtnSearch->setEnabled(false);
    BtnDupes->setEnabled(false);
    BtnStop->setEnabled(true);
}

void TSearchDialog::Finished() {
    const SearchStats s = stats_;
    LblStatus->setText(QStringLiteral("%1 found in %2 images (%3 read, %4 from the index, %5 skipped)%6")
                           .arg(model_.rowCount())
                           .arg(s.images)
                           .arg(s.read)
                           .arg(s.fromIndex)
                           .arg(s.skipped)
                           .arg(s.cancelled ? QStringLiteral(", stopped") : QString()));
    if (!s.cancelled) ProgressSearch->setValue(100);
    BtnSearch->setEnabled(true);
    BtnDupes->setEnabled(true);
    BtnStop->setEnabled(false);
}

void TSearchDialog::BtnStopClick() {
    worker_.Stop();
}

void TSearchDialog::StopAndWait() {
    worker_.StopAndWait();
}

void TSearchDialog::BtnSameAsClick() {
    QString path = dialogs_.OpenFileName(this, QStringLiteral("Same file as"), QStringLiteral("All (*)"),
                                         EditFolder->text());
    if (path.isEmpty()) return;
    pickedEntry_.reset();
    EditSameAs->setText(path);
}

void TSearchDialog::BtnSameAsEntryClick() {
    const QString path = dialogs_.OpenFileName(this, QStringLiteral("Same file as an entry of"),
                                               QString::fromLatin1(ImageFilter), EditFolder->text());
    if (path.isEmpty()) return;
    const std::string file = ToHostPath(path);
    Result<ImageFacts> facts = ReadImageFacts(file, true);
    if (!facts) {
        dialogs_.Message(this, MsgKind::Error, MsgButtons::Ok, FromHostPath(facts.Error()));
        return;
    }
    const QString image = FromHostPath(std::filesystem::path(file).filename().string());
    if (facts->entries.empty()) {
        dialogs_.Message(this, MsgKind::Information, MsgButtons::Ok,
                         QStringLiteral("The image \"%1\" lists no entries.").arg(image));
        return;
    }
    QStringList choices;
    for (std::size_t i = 0; i < facts->entries.size(); ++i)
        choices << EntryChoice(facts->entries[i], int(i) + 1);
    const std::optional<int> chosen = dialogs_.ChooseItem(
        this, QStringLiteral("Same file as an entry of"),
        QStringLiteral("Which entry of \"%1\" is the file to find?").arg(image), choices, C64Font(8));
    if (!chosen || std::size_t(*chosen) >= facts->entries.size()) return;
    const std::size_t i = std::size_t(*chosen);
    pickedEntry_ = PickedEntry{
        image + QStringLiteral(": \"") + PetsciiToQString(facts->entries[i].Name()) + '"', facts->hashes[i]};
    EditSameAs->setText(pickedEntry_->shown);
}

void TSearchDialog::OpenRow(int row) {
    if (row < 0 || row >= model_.rowCount() || !OpenHit) return;
    OpenHit(model_.Row(row).hit);
}

void TSearchDialog::reject() {
    StopAndWait();
    QDialog::reject();
}

} // namespace dyskel
