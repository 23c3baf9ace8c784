// The main window's preview pane: the selected image's directory as the C64
// screen shows it.  The image is read on a worker thread once the selection
// has rested for a moment, so that holding the cursor key down a large folder
// never waits for an image.
#pragma once

#include <QWidget>

#include <string>

class QTimer;

namespace dyskel {

class TC64ScreenView;
class TWorker;

class TPreviewPane : public QWidget {
    Q_OBJECT
  public:
    // How long the selection rests before the image is read.
    static constexpr int RestMs = 150;

    explicit TPreviewPane(QWidget* parent = nullptr);
    // The image selected; "" for none (the pane empties at once).
    void Select(const std::string& path);
    // The path of the image on show ("" for none).
    const std::string& Shown() const { return shown_; }
    // The width the pane asks for.
    static int PaneWidth();

  signals:
    // An image's screen (or the note why it could not be read) is on show.
    void previewShown();

  private:
    void Read();

    TC64ScreenView* view_;
    TWorker* worker_;
    QTimer* rest_;
    std::string selected_, shown_;
};

} // namespace dyskel
