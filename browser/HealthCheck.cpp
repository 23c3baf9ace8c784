#include "browser/HealthCheck.h"
#include "platform/HostPath.h"

#include "browser/NewImageDialog.h"
#include "core/Uglobal.h"
#include "core/Validate.h"

#include <QProgressBar>
#include <QTableWidget>
#include <filesystem>

namespace dyskel {

namespace {} // namespace

THealthCheck::THealthCheck(QWidget* window) : window_(window) {
    connect(&worker_, &TWorker::Finished, this, [this] {
        dialog_->HealthProgress->setValue(100);
        emit Done();
    });
}

void THealthCheck::Start(const std::string& folder, const std::vector<std::string>& names) {
    if (Running()) return;
    if (!dialog_) dialog_ = new THealthDialog(window_);
    QTableWidget* grid = dialog_->GridHealth;
    grid->setRowCount(int(names.size()));
    std::vector<std::string> paths;
    for (std::size_t r = 0; r < names.size(); ++r) {
        grid->setItem(int(r), 0, new QTableWidgetItem(FromHostPath(names[r])));
        grid->setItem(int(r), 1, new QTableWidgetItem);
        paths.push_back((std::filesystem::path(folder) / names[r]).string());
    }
    dialog_->HealthProgress->setValue(0);
    dialog_->show();
    worker_.Start([this, paths](const TWorker::Job& job) {
        for (std::size_t r = 0; r < paths.size() && !job.Stopped(); ++r) {
            Result<DiskImage> disk = DiskImage::Load(paths[r]);
            Result<ValidationReport> report = disk ? ValidateImage(*disk) : Failure{disk.Error()};
            const QString text = QString::fromStdString(report ? ValidationSummary(*report) : report.Error());
            const int percent = int(100 * (r + 1) / paths.size());
            job.Post([this, r, text, percent] {
                if (auto* item = dialog_->GridHealth->item(int(r), 1)) item->setText(text);
                dialog_->HealthProgress->setValue(percent);
            });
        }
    });
}

} // namespace dyskel
