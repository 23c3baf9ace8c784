#include "editor/ValidateDialog.h"

#include "core/Petscii.h"
#include "platform/Fonts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dyskel {

QStringList FindingCells(const ValidationReport& report, const Finding& f) {
    const QString block = QString::fromStdString(BlockText(f.block));
    const std::string text = FindingText(report, f, PetsciiToUtf8);
    return {QString::fromLatin1(FindingKindName(f.kind)), block,
            f.entry ? QString::number(f.entry) : QString(), QString::fromStdString(text)};
}

TValidateDialog::TValidateDialog(const ValidationReport& report, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ValidateDialog"));
    setWindowTitle(QStringLiteral("Validate"));
    auto* layout = new QVBoxLayout(this);
    LblValidateSummary = new QLabel(this);
    LblValidateSummary->setObjectName(QStringLiteral("LblValidateSummary"));
    LblValidateSummary->setText(report.Clean() ? QStringLiteral("The image is clean.")
                                               : QStringLiteral("%1 findings.").arg(report.findings.size()));
    layout->addWidget(LblValidateSummary);
    GridValidate = new QTableWidget(int(report.findings.size()), 4, this);
    GridValidate->setObjectName(QStringLiteral("GridValidate"));
    GridValidate->setHorizontalHeaderLabels({QStringLiteral("Kind"), QStringLiteral("Block"),
                                             QStringLiteral("Entry"), QStringLiteral("Finding")});
    GridValidate->verticalHeader()->hide();
    GridValidate->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridValidate->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < int(report.findings.size()); ++r) {
        const QStringList cells = FindingCells(report, report.findings[std::size_t(r)]);
        for (int c = 0; c < cells.size(); ++c) GridValidate->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    layout->addWidget(GridValidate, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BtnValidateFix = new QPushButton(QStringLiteral("&Fix BAM"), this);
    BtnValidateFix->setObjectName(QStringLiteral("BtnValidateFix"));
    BtnValidateFix->setToolTip(QStringLiteral("Rewrite the BAM from what the files and the directory own"));
    BtnValidateFix->setEnabled(!report.Clean());
    BtnValidateClose = new QPushButton(QStringLiteral("Close"), this);
    BtnValidateClose->setObjectName(QStringLiteral("BtnValidateClose"));
    buttons->addWidget(BtnValidateFix);
    buttons->addWidget(BtnValidateClose);
    layout->addLayout(buttons);
    connect(BtnValidateFix, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnValidateClose, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 360);
}

} // namespace dyskel
