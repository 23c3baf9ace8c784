#include "editor/UexportPRG.h"

#include "platform/Menus.h"

#include "editor/EditorLook.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace dyskel {

TExportFileName::TExportFileName(const QString& folder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ExportFileName"));
    setWindowTitle(QStringLiteral("Export to PRG-file"));
    setFixedSize(504, 97);
    setModal(true);
    // The window font of the other dialogs: the captions fit their places.
    setFont(SansFont(11));

    Bevel1 = Named(new QFrame(this), "Bevel1");
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 505, 97);

    LblDir = Named(new QLabel(QStringLiteral("Directory"), this), "LblDir");
    LblDir->move(8, 10);

    PanelDir = Named(new QLabel(folder, this), "PanelDir");
    PanelDir->setGeometry(72, 8, 425, 17);
    PanelDir->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    PanelDir->setFrameShape(QFrame::Panel);
    PanelDir->setFrameShadow(QFrame::Sunken);

    LblFileName = Named(new QLabel(QStringLiteral("LblFileName"), this), "LblFileName");
    LblFileName->move(8, 42);

    EditFileName = Named(new QLineEdit(this), "EditFileName");
    EditFileName->setGeometry(72, 40, 337, 21);

    LblFNHelp =
        Named(new QLabel(QStringLiteral(".PRG is automatically added to the file name you specify."), this),
              "LblFNHelp");
    LblFNHelp->move(72, 64);

    OKBtn = Named(new QPushButton(QStringLiteral("&Start Export"), this), "OKBtn");
    OKBtn->setGeometry(420, 32, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    // QDialog answers Escape with reject(), the Cancel result.
    CancelBtn = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelBtn");
    CancelBtn->setGeometry(420, 64, 75, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TExportFileName::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    EditFileName->setFocus(Qt::OtherFocusReason);
}

} // namespace dyskel
