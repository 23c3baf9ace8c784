// The report of Validate: one table row a finding, and the offer to rewrite
// the BAM from what the files own.
#pragma once

#include "core/Validate.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace dyskel {

class TValidateDialog : public QDialog {
    Q_OBJECT
  public:
    // Accepted means "Fix BAM" was chosen.
    TValidateDialog(const ValidationReport& report, QWidget* parent = nullptr);

    QLabel* LblValidateSummary = nullptr;
    QTableWidget* GridValidate = nullptr;
    QPushButton* BtnValidateFix = nullptr;
    QPushButton* BtnValidateClose = nullptr;
};

// The cells of a finding's row: kind, block (TT,SS), entry number, text.
QStringList FindingCells(const ValidationReport& report, const Finding& finding);

} // namespace dyskel
