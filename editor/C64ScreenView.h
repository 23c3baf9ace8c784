// The directory as the C64's screen shows it after LOAD"$",8 and LIST: 40
// columns of the C-64 font's glyphs in the C64's colours, with a switch
// between the two character sets.  The Directory page and the main window's
// preview pane show it.
#pragma once

#include "disasm/C64Screen.h"

#include <QWidget>

#include <string>

class QCheckBox;
class QLabel;
class QScrollArea;

namespace dyskel {

class TC64ScreenView : public QWidget {
    Q_OBJECT
  public:
    // Each C64 pixel drawn scale by scale screen pixels.
    explicit TC64ScreenView(QWidget* parent = nullptr, int scale = 2);

    // Shows what LIST prints (from DirectoryCharacters); an empty text shows
    // an empty screen, a note (an image that could not be read) instead of
    // the screen.
    void ShowCharacters(const std::string& characters);
    void ShowNote(const QString& note);
    // Reads the image file and shows its directory (or why it cannot).
    void ShowImageFile(const std::string& path);

    C64Charset Charset() const;
    void SetCharset(C64Charset charset);
    // The screen on show.
    const C64Screen& Screen() const { return screen_; }

  private:
    void Redraw();

    int scale_;
    std::string characters_;
    C64Screen screen_;
    QCheckBox* ChkC64Lower = nullptr;
    QScrollArea* ScrollC64 = nullptr;
    QLabel* LblC64Screen = nullptr;
};

} // namespace dyskel
