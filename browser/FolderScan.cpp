#include "browser/FolderScan.h"
#include "platform/HostPath.h"

#include "browser/ImageGrid.h"
#include "browser/Umain.h"
#include "core/ImageScan.h"
#include "platform/Fonts.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace dyskel {

namespace {

// A scan hands its rows over in batches: when this many are ready, or when
// the last batch is this old.
constexpr std::size_t BatchRows = 1000;
constexpr qint64 BatchMs = 40;

} // namespace

TFolderScan::TFolderScan(ScanView view, QObject* parent) : QObject(parent), view_(view) {
    connect(&worker_, &TWorker::Finished, this, &TFolderScan::Finished);
}

void TFolderScan::Start(const std::string& folder, bool byName, bool details) {
    note_.clear();
    noteTip_.clear();
    pendingSelect_.clear();
    fallbackRow_ = -1;
    TImageGrid* grid = view_.grid;
    grid->Rows()->Clear();
    grid->setEnabled(true);
    grid->scrollToTop();
    view_.count->setText(QStringLiteral("0"));
    view_.gauge->setEnabled(true);
    view_.status->setToolTip(QString());
    ShowStatus(QStringLiteral("Analyzing"));

    worker_.Start([this, folder, byName, details](const TWorker::Job& job) {
        // The window's thread goes first when the machine is busy.
        setpriority(PRIO_PROCESS, id_t(gettid()), 10);
        int shown = -1;
        auto progress = [&](int percent) {
            if (percent == shown) return;
            shown = percent;
            job.Post([this, percent] { SetProgress(percent); });
        };
        std::vector<ImageEntry> images = ListImages(folder, progress);
        if (job.Stopped()) return;
        if (byName && images.size() > 1) {
            job.Post([this] { ShowStatus(QStringLiteral("Sorting")); });
            SortImages(images, "NAME");
        }
        if (!images.empty()) job.Post([this] { ShowStatus(QStringLiteral("Updating")); });
        std::vector<ImageRow> batch;
        QElapsedTimer age;
        age.start();
        auto handOver = [&] {
            if (batch.empty()) return;
            job.Post([this, rows = std::move(batch)]() mutable { RowsArrived(std::move(rows)); });
            batch.clear();
            age.restart();
        };
        for (std::size_t r = 0; r < images.size(); ++r) {
            if (job.Stopped()) return;
            const auto cells = ImageRowCells(folder, images[r], details);
            ImageRow row{images[r], {}};
            for (std::size_t c = 1; c < cells.size(); ++c)
                row.cells[c] = int(c) == ImageGridModel::LabelColumn ? PetsciiToQString(cells[c])
                                                                     : FromHostPath(cells[c]);
            batch.push_back(std::move(row));
            if (batch.size() >= BatchRows || age.elapsed() >= BatchMs) handOver();
            progress(int(100 * (r + 1) / images.size()));
        }
        handOver();
    });
}

void TFolderScan::SetProgress(int percent) {
    if (view_.gauge->value() == percent) return;
    view_.gauge->setValue(percent);
    view_.gauge->repaint();
}

void TFolderScan::ShowStatus(const QString& text) {
    view_.status->setText(text);
    view_.status->repaint();
}

void TFolderScan::RowsArrived(std::vector<ImageRow> rows) {
    TImageGrid* grid = view_.grid;
    ImageGridModel* model = grid->Rows();
    const bool first = model->Images() == 0;
    model->Append(std::move(rows));
    view_.count->setText(QString::number(model->Images()));
    grid->setEnabled(true);
    if (first) {
        grid->setCurrentCell(0, ImageGridModel::NameColumn);
        grid->scrollToTop();
    }
    if (!pendingSelect_.empty()) Select(pendingSelect_);
}

void TFolderScan::Finished() {
    TImageGrid* grid = view_.grid;
    grid->setEnabled(grid->Rows()->Images() > 0);
    ShowStatus(note_.isEmpty() ? QString::fromLatin1(IdleScanText) : note_);
    view_.status->setToolTip(noteTip_);
    view_.gauge->setEnabled(false);
    if (!pendingSelect_.empty()) Select(pendingSelect_);
    if (!pendingSelect_.empty() && fallbackRow_ >= 0 && grid->Rows()->Images() > 0) {
        grid->setCurrentCell(std::min(fallbackRow_, grid->Rows()->Images() - 1), ImageGridModel::NameColumn);
        grid->scrollTo(grid->currentIndex());
    }
    pendingSelect_.clear();
    fallbackRow_ = -1;
    emit Done();
}

void TFolderScan::Note(const QString& text, const QString& tip) {
    note_ = text;
    noteTip_ = tip;
    if (!Running()) Finished();
}

void TFolderScan::Select(const std::string& name) {
    TImageGrid* grid = view_.grid;
    const int row = grid->Rows()->RowOf(name);
    if (row >= 0) {
        grid->setCurrentCell(row, ImageGridModel::NameColumn);
        grid->scrollTo(grid->currentIndex());
        pendingSelect_.clear();
    } else if (Running()) {
        pendingSelect_ = name;
    }
}

} // namespace dyskel

namespace dyskel {

void TFolderScan::SelectOrRow(const std::string& name, int row) {
    fallbackRow_ = row;
    Select(name);
    if (pendingSelect_.empty()) fallbackRow_ = -1;
}

} // namespace dyskel
