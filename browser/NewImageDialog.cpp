#include "browser/NewImageDialog.h"

#include "core/Directory.h"
#include "core/Petscii.h"
#include "platform/HostPath.h"
#include "platform/Menus.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

namespace dyskel {

namespace {

// The first character of typed that the C64 cannot show; empty when none.
QString ForeignCharacter(const QString& typed) {
    for (char32_t c : typed.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (!PetsciiFromUtf8(UpperAscii(one.toStdString()), {}).Ok()) return one;
    }
    return {};
}

} // namespace

TNewImageDialog::TNewImageDialog(const QString& folder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewImageDialog"));
    setWindowTitle(QStringLiteral("New Image"));
    auto* form = new QFormLayout;
    LblNewFolder = Named(new QLabel(folder, this), "LblNewFolder");
    LblNewFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    EdtFileName = Named(new QLineEdit(QStringLiteral("NEW.D64"), this), "EdtFileName");
    EdtDiskName = Named(new QLineEdit(this), "EdtDiskName");
    EdtDiskName->setMaxLength(16);
    EdtDiskId = Named(new QLineEdit(QStringLiteral("00"), this), "EdtDiskId");
    EdtDiskId->setMaxLength(2);
    Rb35 = Named(new QRadioButton(QStringLiteral("D64, &35 tracks"), this), "Rb35");
    Rb40 = Named(new QRadioButton(QStringLiteral("D64, &40 tracks"), this), "Rb40");
    RbD71 = Named(new QRadioButton(QStringLiteral("D&71 (1571)"), this), "RbD71");
    RbD81 = Named(new QRadioButton(QStringLiteral("D&81 (1581)"), this), "RbD81");
    Rb35->setChecked(true);
    auto* tracks = new QHBoxLayout;
    for (QRadioButton* b : {Rb35, Rb40, RbD71, RbD81}) tracks->addWidget(b);
    form->addRow(QStringLiteral("Folder:"), LblNewFolder);
    form->addRow(QStringLiteral("&File name:"), EdtFileName);
    form->addRow(QStringLiteral("&Disk name:"), EdtDiskName);
    form->addRow(QStringLiteral("&ID:"), EdtDiskId);
    form->addRow(QStringLiteral("Format:"), tracks);
    LblNewError = Named(new QLabel(this), "LblNewError");
    LblNewError->setStyleSheet(QStringLiteral("color: #C00000;"));
    LblNewError->setWordWrap(true);
    BtnNewOk = Named(new QPushButton(QStringLiteral("OK"), this), "BtnNewOk");
    BtnNewCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "BtnNewCancel");
    BtnNewOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnNewOk);
    buttons->addWidget(BtnNewCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(LblNewError);
    layout->addLayout(buttons);
    connect(BtnNewOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnNewCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TNewImageDialog::Tracks() const {
    return Rb40->isChecked() ? 40 : 35;
}

const DiskFormat& TNewImageDialog::Format() const {
    if (RbD71->isChecked()) return D71Format;
    if (RbD81->isChecked()) return D81Format;
    return Rb40->isChecked() ? D64ExtFormat : D64Format;
}

std::optional<TNewImageDialog::Typed> TNewImageDialog::Values(QString* message, QLineEdit** field) const {
    auto refuse = [&](QLineEdit* at, const QString& why) -> std::optional<Typed> {
        if (message) *message = why;
        if (field) *field = at;
        return std::nullopt;
    };
    Typed typed;
    const QString file = EdtFileName->text().trimmed();
    if (file.isEmpty()) return refuse(EdtFileName, QStringLiteral("Give the new image a file name."));
    if (file.contains(QLatin1Char('/')))
        return refuse(EdtFileName,
                      QStringLiteral("The file name holds \"/\": give the name alone, without a folder."));
    typed.fileName = ToHostPath(file);
    if (std::filesystem::path(typed.fileName).extension().empty())
        typed.fileName += std::string(".") + Format().name;
    const struct {
        QLineEdit* edit;
        const char* what;
        std::string* bytes;
    } texts[] = {{EdtDiskName, "disk name", &typed.name}, {EdtDiskId, "ID", &typed.id}};
    for (const auto& t : texts) {
        if (const QString foreign = ForeignCharacter(t.edit->text()); !foreign.isEmpty())
            return refuse(t.edit, QStringLiteral("The %1 holds \"%2\", a character the C64 cannot show.")
                                      .arg(QLatin1String(t.what), foreign));
        Result<std::string> bytes =
            PetsciiFromUtf8(UpperAscii(t.edit->text().toStdString()), std::string("The ") + t.what);
        if (!bytes) return refuse(t.edit, QString::fromStdString(bytes.Error()) + QLatin1Char('.'));
        *t.bytes = *bytes;
    }
    return typed;
}

void TNewImageDialog::accept() {
    QString why;
    QLineEdit* field = nullptr;
    if (Values(&why, &field)) {
        LblNewError->clear();
        QDialog::accept();
        return;
    }
    LblNewError->setText(why);
    field->setFocus();
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
    LblHealthSummary = Named(new QLabel(this), "LblHealthSummary");
    layout->addWidget(LblHealthSummary);
    HealthProgress = Named(new QProgressBar(this), "HealthProgress");
    HealthProgress->setRange(0, 100);
    layout->addWidget(HealthProgress);
    resize(560, 400);
}

} // namespace dyskel
