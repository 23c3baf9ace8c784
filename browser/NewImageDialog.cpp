#include "browser/NewImageDialog.h"

#include "platform/Menus.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dyskel {

TNewImageDialog::TNewImageDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewImageDialog"));
    setWindowTitle(QStringLiteral("New Image"));
    auto* form = new QFormLayout;
    EdtFileName = Named(new QLineEdit(QStringLiteral("NEW.D64"), this), "EdtFileName");
    EdtDiskName = Named(new QLineEdit(this), "EdtDiskName");
    EdtDiskName->setMaxLength(16);
    EdtDiskId = Named(new QLineEdit(QStringLiteral("00"), this), "EdtDiskId");
    EdtDiskId->setMaxLength(2);
    Rb35 = Named(new QRadioButton(QStringLiteral("&35 tracks"), this), "Rb35");
    Rb40 = Named(new QRadioButton(QStringLiteral("&40 tracks"), this), "Rb40");
    Rb35->setChecked(true);
    auto* tracks = new QHBoxLayout;
    tracks->addWidget(Rb35);
    tracks->addWidget(Rb40);
    form->addRow(QStringLiteral("&File name:"), EdtFileName);
    form->addRow(QStringLiteral("&Disk name:"), EdtDiskName);
    form->addRow(QStringLiteral("&ID:"), EdtDiskId);
    form->addRow(QStringLiteral("Tracks:"), tracks);
    BtnNewOk = Named(new QPushButton(QStringLiteral("OK"), this), "BtnNewOk");
    BtnNewCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "BtnNewCancel");
    BtnNewOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnNewOk);
    buttons->addWidget(BtnNewCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(BtnNewOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnNewCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TNewImageDialog::Tracks() const {
    return Rb40->isChecked() ? 40 : 35;
}

THealthDialog::THealthDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HealthDialog"));
    setWindowTitle(QStringLiteral("Image Health"));
    auto* layout = new QVBoxLayout(this);
    GridHealth = Named(new QTableWidget(0, 2, this), "GridHealth");
    GridHealth->setHorizontalHeaderLabels({QStringLiteral("Image"), QStringLiteral("Health")});
    GridHealth->verticalHeader()->hide();
    GridHealth->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridHealth->horizontalHeader()->setStretchLastSection(true);
    GridHealth->setColumnWidth(0, 180);
    layout->addWidget(GridHealth, 1);
    HealthProgress = Named(new QProgressBar(this), "HealthProgress");
    HealthProgress->setRange(0, 100);
    layout->addWidget(HealthProgress);
    resize(560, 400);
}

} // namespace dyskel
