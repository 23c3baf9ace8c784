// The about box.
#pragma once

#include <QDialog>
#include <QPixmap>

class QFrame;
class QLabel;
class QPushButton;

namespace dyskel {

inline constexpr const char* AboutCaption = "About Dyskel";
inline constexpr const char* ProductName = "Dyskel";
inline constexpr const char* ProductVersion = "1.00beta, build 036.";

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QFrame* BevelProd = nullptr;
    QLabel* ImgLogo = nullptr;
    QLabel* LblProdName = nullptr;
    QLabel* LblProdVersion = nullptr;
    QLabel* LblCopyRight = nullptr;
    QFrame* BevelInfo = nullptr;
    QLabel* PanelEmail = nullptr;
    QLabel* PanelURL = nullptr;
    QPushButton* OKButton = nullptr;

    // Sets the caption and the three text lines.
    void FormActivate();

  protected:
    void showEvent(QShowEvent* event) override;
};

// The program's picture: a 5.25" floppy disk, 90 by 115 pixels.
QPixmap DyskelLogo();

} // namespace dyskel
