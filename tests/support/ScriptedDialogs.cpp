#include "support/ScriptedDialogs.h"

#include <QDialog>

namespace dyskel {

MsgResult ScriptedDialogs::Message(QWidget* parent, MsgKind kind, MsgButtons buttons, const QString& text) {
    shown.push_back({kind, buttons, text, parent});
    if (answers.empty()) return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Yes;
    MsgResult r = answers.front();
    answers.pop_front();
    return r;
}

QString ScriptedDialogs::OpenFileName(QWidget*, const QString& title, const QString& filter, const QString&) {
    openTitles << title;
    openFilters << filter;
    if (fileNames.empty()) return {};
    QString r = fileNames.front();
    fileNames.pop_front();
    return r;
}

int ScriptedDialogs::Exec(QDialog& dialog) {
    dialogTitles << dialog.windowTitle();
    if (dialogs.empty()) return QDialog::Rejected;
    auto run = std::move(dialogs.front());
    dialogs.pop_front();
    return run(dialog);
}

int ScriptedDialogs::Choose(QWidget*, const QString& text, const QStringList& buttons, int defaultButton,
                            int escapeButton) {
    questions.push_back(text);
    choiceButtons.push_back(buttons);
    choiceDefaults.push_back(defaultButton);
    choiceEscapes.push_back(escapeButton < 0 ? int(buttons.size()) - 1 : escapeButton);
    if (choices.empty()) return 0;
    int r = choices.front();
    choices.pop_front();
    return r;
}

std::optional<int> ScriptedDialogs::ChooseItem(QWidget* parent, const QString&, const QString& label,
                                               const QStringList& items, const QFont&) {
    const int r = Choose(parent, label, items);
    if (r < 0) return std::nullopt;
    return r;
}

std::optional<int> ScriptedDialogs::AskNumber(QWidget*, const QString&, const QString&, int value, int, int) {
    proposed.push_back(value);
    if (numbers.empty()) return value;
    auto r = numbers.front();
    numbers.pop_front();
    return r;
}

QStringList ScriptedDialogs::OpenFileNames(QWidget*, const QString& title, const QString& folder) {
    openTitles << title;
    openFolders << folder;
    if (fileLists.empty()) return {};
    QStringList r = fileLists.front();
    fileLists.pop_front();
    return r;
}

QString ScriptedDialogs::SaveFileName(QWidget*, const QString&, const QString&, const QString& folder) {
    saveFolders << folder;
    if (saveNames.empty()) return {};
    QString r = saveNames.front();
    saveNames.pop_front();
    return r;
}

} // namespace dyskel
