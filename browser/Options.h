// The Options menu, made from the options' table (options/Options.h): a check
// item per flag, a submenu of radio items per choice.  Its marks show and set
// the options' data, which the windows read.
#pragma once

#include "options/Options.h"

#include <QObject>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace dyskel {

class TOptions : public QObject {
    Q_OBJECT
  public:
    // Builds the menu "&Options" with every item and group, its check marks
    // showing the defaults.
    explicit TOptions(QWidget* owner);

    Options data;
    QMenu* const MnuOptions; // for the menu bar

    // Loads the options from the settings file and sets the check marks;
    // returns the remembered folder as LoadOptions does.
    std::string Load(const IIniFile& ini);
    bool Save(IIniFile& ini, const std::string& folder) const;

    // Sets every check mark from the data (also done whenever a menu of it
    // opens, so that it shows what the windows changed).
    void ShowOptions();

    // A menu item or a submenu's item by its object name; nullptr when the
    // menu has none of that name.
    QAction* Item(const char* name) const;

  signals:
    // Image Details or a sort order was picked: the folder is to be scanned.
    void rescanRequested();

  private:
    // Each check item with its row and the value it stands for (a flag's
    // item stands for on).
    struct Mark {
        QAction* item;
        const OptionRow* row;
        int value;
    };
    std::vector<Mark> marks_;
};

} // namespace dyskel
