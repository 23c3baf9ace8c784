#include "editor/ImportNames.h"

#include "core/Directory.h"
#include "core/Petscii.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

namespace dyskel {

namespace {

// Beside the recent images, not among the options.
constexpr const char* ImportSection = "Recent";
constexpr const char* ImportKey = "ImportFolder";

} // namespace

std::string ImportStartFolder(const IIniFile* ini, const std::string& imageFolder) {
    if (!ini) return imageFolder;
    const std::optional<std::string> kept = ini->Read(ImportSection, ImportKey);
    std::error_code ec;
    if (kept && !kept->empty() && std::filesystem::is_directory(*kept, ec)) return *kept;
    return imageFolder;
}

void RememberImportFolder(IIniFile* ini, const std::string& hostFile) {
    if (!ini) return;
    const std::string folder = std::filesystem::path(hostFile).parent_path().string();
    // A settings file that cannot be written only loses the folder.
    if (!folder.empty()) (void)ini->Write(ImportSection, ImportKey, folder);
}

TImportNamesDialog::TImportNamesDialog(const std::vector<std::string>& paths,
                                       const std::vector<HostFileName>& names, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ImportNamesDialog"));
    setWindowTitle(QStringLiteral("Names on the disk"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Some file names have characters the C64 cannot show. "
                                            "These names will be given; change any of them here."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    GridImportNames = new QTableWidget(int(paths.size()), 2, this);
    GridImportNames->setObjectName(QStringLiteral("GridImportNames"));
    GridImportNames->setHorizontalHeaderLabels({QStringLiteral("File"), QStringLiteral("Name on the disk")});
    GridImportNames->verticalHeader()->hide();
    GridImportNames->horizontalHeader()->setStretchLastSection(true);
    for (std::size_t r = 0; r < paths.size() && r < names.size(); ++r) {
        auto* file = new QTableWidgetItem(FromHostPath(std::filesystem::path(paths[r]).filename().string()));
        file->setFlags(file->flags() & ~Qt::ItemIsEditable);
        GridImportNames->setItem(int(r), 0, file);
        GridImportNames->setItem(int(r), 1,
                                 new QTableWidgetItem(QString::fromStdString(PetsciiToUtf8(names[r].name))));
    }
    GridImportNames->resizeColumnToContents(0);
    layout->addWidget(GridImportNames, 1);
    LblImportNamesError = new QLabel(this);
    LblImportNamesError->setObjectName(QStringLiteral("LblImportNamesError"));
    layout->addWidget(LblImportNamesError);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtnImportNamesOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnImportNamesCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TImportNamesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(480, 260);
}

void TImportNamesDialog::accept() {
    std::vector<std::string> names;
    for (int r = 0; r < GridImportNames->rowCount(); ++r) {
        const QString typed = GridImportNames->item(r, 1)->text();
        const QString file = GridImportNames->item(r, 0)->text();
        const Result<std::string> bytes = PetsciiFromUtf8(UpperAscii(typed.toStdString()), "The name");
        QString why;
        if (!bytes)
            why = QStringLiteral("The name of %1 holds a character the C64 cannot show.").arg(file);
        else if (bytes->empty())
            why = QStringLiteral("Give %1 a name.").arg(file);
        else if (bytes->size() > 16)
            why = QStringLiteral("The name of %1 is longer than 16 characters.").arg(file);
        if (!why.isEmpty()) {
            LblImportNamesError->setText(why);
            GridImportNames->setCurrentCell(r, 1);
            return;
        }
        names.push_back(*bytes);
    }
    names_ = std::move(names);
    LblImportNamesError->clear();
    QDialog::accept();
}

} // namespace dyskel
