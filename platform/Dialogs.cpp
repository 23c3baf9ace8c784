#include "platform/Dialogs.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace dyskel {

MsgResult QtDialogs::Message(QWidget* parent, MsgKind kind, MsgButtons buttons, const QString& text) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Dyskel"));
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    box.setText(shown);
    box.setIcon(kind == MsgKind::Information ? QMessageBox::Information
                : kind == MsgKind::Error     ? QMessageBox::Critical
                                             : QMessageBox::Question);
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoAll:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll);
        box.button(QMessageBox::YesToAll)->setText(QStringLiteral("&All"));
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::YesToAll:
        return MsgResult::All;
    case QMessageBox::Ok:
        return MsgResult::Ok;
    default:
        return MsgResult::Cancel;
    }
}

QString QtDialogs::OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& folder) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

int QtDialogs::Exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace dyskel
