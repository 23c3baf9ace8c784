// The Search dialog of the main window: entries of the images of a folder
// (and its subfolders) by name, disk label, type, size or content, and groups
// of duplicate files and disks.  The engine works on a thread of its own;
// results stream into the grid while it runs, the gauge follows, and Stop
// ends it.
#pragma once

#include "browser/BatchModel.h"
#include "browser/Worker.h"
#include "core/Search.h"

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace dyskel {

class IDialogs;

// One row of the result grid: an entry found, or a member of a group of
// duplicates (entry number 0 for a whole disk).
struct ResultRow {
    int group = 0; // 0 for a search hit
    SearchHit hit;
};

class SearchResultModel : public BatchModel<ResultRow> {
    Q_OBJECT
  public:
    explicit SearchResultModel(QObject* parent = nullptr) : BatchModel(false, parent) {}
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ResultRow& Row(int row) const { return rows_[std::size_t(row)]; }
};

class TSearchDialog : public QDialog {
    Q_OBJECT
  public:
    TSearchDialog(IDialogs& dialogs, const std::string& folder, QWidget* parent = nullptr);
    ~TSearchDialog() override;

    // Called on a double click with the image and the entry (entry 0: the
    // image only); set by the main window.
    std::function<void(const SearchHit&)> OpenHit;
    // The index file; FactsCache::DefaultFile() unless a test sets another.
    std::string cacheFile;

    bool Running() const { return worker_.Running(); }
    SearchResultModel* Results() { return &model_; }

    QLineEdit* EditFolder = nullptr;
    QCheckBox* CBSubfolders = nullptr;
    QLineEdit* EditName = nullptr;
    QLineEdit* EditLabel = nullptr;
    QComboBox* ComboType = nullptr;
    QSpinBox* SpinMinBlocks = nullptr;
    QSpinBox* SpinMaxBlocks = nullptr;
    QLineEdit* EditSameAs = nullptr;
    QPushButton* BtnSameAs = nullptr;
    QPushButton* BtnSameAsEntry = nullptr;
    QPushButton* BtnSearch = nullptr;
    QPushButton* BtnDupes = nullptr;
    QPushButton* BtnStop = nullptr;
    QProgressBar* ProgressSearch = nullptr;
    QLabel* LblStatus = nullptr;
    QTableView* ResultGrid = nullptr;
    QPlainTextEdit* NoteList = nullptr;

    void BtnSearchClick();
    void BtnDupesClick();
    void BtnStopClick();
    void BtnSameAsClick();
    void BtnSameAsEntryClick();
    void OpenRow(int row);

  protected:
    void reject() override;

  private:
    std::optional<SearchQuery> Query();
    // The work of the worker; rows it returns (groups) come after the hits.
    using Work = std::function<SearchStats(const SearchEvents&, const std::atomic<bool>*, FactsCache*,
                                           std::vector<ResultRow>& rows)>;
    void Start(Work work);
    void Finished();
    void StopAndWait();

    // An entry of an image picked as the file to find: its SHA-1, for as
    // long as EditSameAs shows the text it was picked with.
    struct PickedEntry {
        QString shown;
        Sha1Digest sha;
    };
    std::optional<PickedEntry> pickedEntry_;
    IDialogs& dialogs_;
    SearchResultModel model_;
    SearchStats stats_; // of the last search
    TWorker worker_;
};

} // namespace dyskel
