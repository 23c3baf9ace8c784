// Message boxes and modal dialogs, behind one interface so that windows can be
// driven by tests with scripted answers.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace dyskel {

enum class MsgKind { Information, Error, Confirmation };
enum class MsgButtons { Ok, YesNo, YesNoAll };
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
};

// The real thing: QMessageBox, QFileDialog, QDialog::exec.
class QtDialogs : public IDialogs {
  public:
    MsgResult Message(QWidget* parent, MsgKind kind, MsgButtons buttons, const QString& text) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder) override;
    int Exec(QDialog& dialog) override;
};

} // namespace dyskel
