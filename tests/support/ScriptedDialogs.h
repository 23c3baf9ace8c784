// Dialogs for tests: answers come from a script, and every box shown is
// recorded for the test to read back.
#pragma once

#include "platform/Dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace dyskel {

class ScriptedDialogs : public IDialogs {
  public:
    struct Shown {
        MsgKind kind;
        MsgButtons buttons;
        QString text;
        QWidget* parent = nullptr; // the window the box stands over
    };

    std::vector<Shown> shown;                         // every message box, in order
    std::deque<MsgResult> answers;                    // next answers; Ok/Yes when empty (Yes also
                                                      // for YesNoDefaultNo: the user clicks Yes)
    std::deque<QString> fileNames;                    // answers of the open-file dialog; "" when empty
    std::deque<std::function<int(QDialog&)>> dialogs; // run on the next Exec; Rejected when empty
    QStringList dialogTitles;                         // window titles of the dialogs shown
    QStringList openTitles, openFilters;              // what each open-file dialog showed
    std::deque<int> choices;                // answers of Choose and ChooseItem (-1: cancelled); 0 when empty
    std::vector<QString> questions;         // texts of Choose, labels of ChooseItem
    std::vector<QStringList> choiceButtons; // the buttons of each Choose, the items of each ChooseItem
    std::vector<int> choiceDefaults;        // the button Enter gives in each Choose (-1: none)
    std::vector<int> choiceEscapes;         // and the one Escape gives
    std::deque<std::optional<int>> numbers; // answers of AskNumber; the value proposed when empty
    std::vector<int> proposed;              // values AskNumber proposed
    std::deque<QStringList> fileLists;      // answers of OpenFileNames; none when empty
    QStringList openFolders;                // the folder each OpenFileNames dialog opened in
    std::deque<QString> saveNames;          // answers of SaveFileName; "" when empty
    QStringList saveFolders;                // the folder each save-file dialog opened in

    MsgResult Message(QWidget* parent, MsgKind kind, MsgButtons buttons, const QString& text) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder) override;
    int Exec(QDialog& dialog) override;
    int Choose(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton = -1,
               int escapeButton = -1) override;
    std::optional<int> ChooseItem(QWidget* parent, const QString& title, const QString& label,
                                  const QStringList& items, const QFont& itemFont) override;
    std::optional<int> AskNumber(QWidget* parent, const QString& title, const QString& label, int value,
                                 int min, int max) override;
    QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& folder) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder) override;
};

} // namespace dyskel
