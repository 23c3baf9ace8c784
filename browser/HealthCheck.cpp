#include "browser/HealthCheck.h"
#include "platform/HostPath.h"

#include "browser/NewImageDialog.h"
#include "core/Uglobal.h"
#include "core/Validate.h"

#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <filesystem>

namespace dyskel {

namespace {

constexpr int HealthRole = Qt::UserRole; // a checked row's Health; none while waiting

} // namespace

THealthCheck::THealthCheck(QWidget* window) : window_(window) {
    connect(&worker_, &TWorker::Finished, this, [this] {
        dialog_->HealthProgress->setValue(100);
        emit Done();
    });
}

THealthCheck::Checked THealthCheck::Check(const std::string& path) {
    Result<DiskImage> disk = DiskImage::Load(path);
    Result<ValidationReport> report = disk ? ValidateImage(*disk) : Failure{disk.Error()};
    if (!report) return {QString::fromStdString(report.Error()), Health::Unreadable};
    return {QString::fromStdString(ValidationSummary(*report)),
            report->Clean() ? Health::Clean : Health::Findings};
}

void THealthCheck::ShowRow(int row, const Checked& checked) {
    QTableWidgetItem* item = dialog_->GridHealth->item(row, 1);
    if (!item) return;
    item->setText(checked.text);
    item->setData(HealthRole, int(checked.health));
    ShowSummary();
}

void THealthCheck::ShowSummary() {
    int counts[3] = {0, 0, 0};
    const QTableWidget* grid = dialog_->GridHealth;
    for (int r = 0; r < grid->rowCount(); ++r) {
        const QVariant health = grid->item(r, 1) ? grid->item(r, 1)->data(HealthRole) : QVariant();
        if (health.isValid()) ++counts[health.toInt()];
    }
    QString text = QStringLiteral("%1 clean, %2 with findings").arg(counts[0]).arg(counts[1]);
    if (counts[2] > 0) text += QStringLiteral(", %1 could not be read").arg(counts[2]);
    dialog_->LblHealthSummary->setText(text);
}

void THealthCheck::RowOpened(int row) {
    if (row < 0 || std::size_t(row) >= paths_.size() || !OpenImage) return;
    const std::string path = paths_[std::size_t(row)];
    OpenImage(path);
    // The editor may have changed the image.
    ShowRow(row, Check(path));
}

void THealthCheck::Start(const std::string& folder, const std::vector<std::string>& names) {
    if (Running()) return;
    if (!dialog_) {
        dialog_ = new THealthDialog(window_);
        connect(dialog_->GridHealth, &QTableWidget::cellDoubleClicked, this,
                [this](int row, int) { RowOpened(row); });
    }
    QTableWidget* grid = dialog_->GridHealth;
    grid->setRowCount(int(names.size()));
    paths_.clear();
    for (std::size_t r = 0; r < names.size(); ++r) {
        grid->setItem(int(r), 0, new QTableWidgetItem(FromHostPath(names[r])));
        grid->setItem(int(r), 1, new QTableWidgetItem);
        paths_.push_back((std::filesystem::path(folder) / names[r]).string());
    }
    dialog_->HealthProgress->setValue(0);
    ShowSummary();
    dialog_->show();
    worker_.Start([this, paths = paths_](const TWorker::Job& job) {
        for (std::size_t r = 0; r < paths.size() && !job.Stopped(); ++r) {
            const Checked checked = Check(paths[r]);
            const int percent = int(100 * (r + 1) / paths.size());
            job.Post([this, r, checked, percent] {
                ShowRow(int(r), checked);
                dialog_->HealthProgress->setValue(percent);
            });
        }
    });
}

} // namespace dyskel
