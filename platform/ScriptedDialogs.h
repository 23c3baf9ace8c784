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
    };

    std::vector<Shown> shown;                         // every message box, in order
    std::deque<MsgResult> answers;                    // next answers; Ok/Yes when empty
    std::deque<QString> fileNames;                    // answers of the open-file dialog; "" when empty
    std::deque<std::function<int(QDialog&)>> dialogs; // run on the next Exec; Rejected when empty
    QStringList dialogTitles;                         // window titles of the dialogs shown
    QStringList openTitles, openFilters;              // what each open-file dialog showed

    MsgResult Message(QWidget* parent, MsgKind kind, MsgButtons buttons, const QString& text) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder) override;
    int Exec(QDialog& dialog) override;
};

} // namespace dyskel
