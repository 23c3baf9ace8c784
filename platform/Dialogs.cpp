#include "platform/Dialogs.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>

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
    case MsgButtons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
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

int QtDialogs::Choose(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton,
                      int escapeButton) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Dyskel"));
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    box.setText(shown);
    box.setIcon(QMessageBox::Question);
    std::vector<QPushButton*> made;
    for (const QString& caption : buttons) made.push_back(box.addButton(caption, QMessageBox::AcceptRole));
    auto at = [&](int i) -> QPushButton* {
        return i >= 0 && i < int(made.size()) ? made[std::size_t(i)] : nullptr;
    };
    if (QPushButton* enter = at(defaultButton)) box.setDefaultButton(enter);
    if (!made.empty()) box.setEscapeButton(escapeButton < 0 ? made.back() : at(escapeButton));
    box.exec();
    for (std::size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return int(i);
    return -1;
}

std::optional<int> QtDialogs::ChooseItem(QWidget* parent, const QString& title, const QString& label,
                                         const QStringList& items, const QFont& itemFont) {
    QInputDialog box(parent);
    box.setWindowTitle(title);
    box.setLabelText(label);
    box.setOption(QInputDialog::UseListViewForComboBoxItems);
    box.setComboBoxItems(items);
    // The rows are laid out anew in the items' font.
    for (QListView* list : box.findChildren<QListView*>()) {
        list->setFont(itemFont);
        list->setUniformItemSizes(true);
        list->setSpacing(2);
        list->doItemsLayout();
    }
    if (!items.isEmpty()) box.setTextValue(items.first());
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    const qsizetype chosen = items.indexOf(box.textValue());
    if (chosen < 0) return std::nullopt;
    return int(chosen);
}

std::optional<int> QtDialogs::AskNumber(QWidget* parent, const QString& title, const QString& label,
                                        int value, int min, int max) {
    bool ok = false;
    int n = QInputDialog::getInt(parent, title, label, value, min, max, 1, &ok);
    if (!ok) return std::nullopt;
    return n;
}

QStringList QtDialogs::OpenFileNames(QWidget* parent, const QString& title, const QString& folder) {
    return QFileDialog::getOpenFileNames(parent, title, folder);
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& folder) {
    return QFileDialog::getSaveFileName(parent, title, folder, filter);
}

} // namespace dyskel
