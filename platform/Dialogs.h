// Message boxes and modal dialogs, behind one interface so that windows can be
// driven by tests with scripted answers.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QFont;
class QWidget;

namespace dyskel {

enum class MsgKind { Information, Error, Confirmation };
// YesNoDefaultNo: a question before something is destroyed; Enter and Escape
// give "No".
enum class MsgButtons { Ok, YesNo, YesNoAll, YesNoDefaultNo };
enum class MsgResult { Ok, Yes, No, All, Cancel };

class IDialogs {
  public:
    virtual ~IDialogs() = default;

    // Shows a message box and returns the button chosen.  Texts join their
    // lines with LF CR as stored; the box shows them as plain line breaks.
    virtual MsgResult Message(QWidget* parent, MsgKind kind, MsgButtons buttons, const QString& text) = 0;

    // The open-file dialog; an empty result means cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& folder) = 0;

    // Shows a dialog modally and returns its result (QDialog::Accepted or
    // QDialog::Rejected).
    virtual int Exec(QDialog& dialog) = 0;
    // A question with buttons of its own ("Write", "Discard", "Cancel"):
    // the index of the button chosen, -1 when the box was closed.  Enter
    // gives the button at defaultButton (none when -1), Escape the one at
    // escapeButton (the last one when -1).
    virtual int Choose(QWidget* parent, const QString& text, const QStringList& buttons,
                       int defaultButton = -1, int escapeButton = -1) = 0;
    // One of a list of items (a list to scroll through, for lists too long
    // for buttons), shown in itemFont: the index of the item chosen; nothing
    // when cancelled.
    virtual std::optional<int> ChooseItem(QWidget* parent, const QString& title, const QString& label,
                                          const QStringList& items, const QFont& itemFont) = 0;
    // Asks for a whole number from min to max, proposing value; nothing when
    // cancelled.
    virtual std::optional<int> AskNumber(QWidget* parent, const QString& title, const QString& label,
                                         int value, int min, int max) = 0;
    // The open-file dialog for several files; empty when cancelled.
    virtual QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& folder) = 0;
    // The save-file dialog (asks before replacing a file); "" when cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& folder) = 0;
};

// The real thing: QMessageBox, QFileDialog, QDialog::exec.
class QtDialogs : public IDialogs {
  public:
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
