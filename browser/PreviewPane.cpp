#include "browser/PreviewPane.h"

#include "browser/Worker.h"
#include "disasm/C64Screen.h"
#include "editor/C64ScreenView.h"

#include <QTimer>
#include <QVBoxLayout>

namespace dyskel {

TPreviewPane::TPreviewPane(QWidget* parent)
    : QWidget(parent), view_(new TC64ScreenView(this, 1)), worker_(new TWorker(this)),
      rest_(new QTimer(this)) {
    setObjectName(QStringLiteral("PreviewPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    rest_->setSingleShot(true);
    rest_->setInterval(RestMs);
    connect(rest_, &QTimer::timeout, this, [this] { Read(); });
}

int TPreviewPane::PaneWidth() {
    return C64Columns * 8 + 8 + 30;
}

void TPreviewPane::Select(const std::string& path) {
    if (path == selected_ && (rest_->isActive() || worker_->Running() || path == shown_)) return;
    selected_ = path;
    rest_->stop();
    if (path.empty()) {
        worker_->Stop();
        shown_.clear();
        view_->ShowCharacters({});
        return;
    }
    rest_->start();
}

void TPreviewPane::Read() {
    const std::string path = selected_;
    worker_->Start([this, path](const TWorker::Job& job) {
        Result<std::string> characters = DirectoryCharacters(path);
        job.Post([this, path, characters] {
            if (path != selected_) return;
            if (characters)
                view_->ShowCharacters(*characters);
            else
                view_->ShowNote(QString::fromStdString(characters.Error()));
            shown_ = path;
            emit previewShown();
        });
    });
}

} // namespace dyskel
