// The Options menu: its check items show and set the program's options, which
// are plain data (platform/Options.h) that the windows read.
#pragma once

#include "platform/Options.h"

#include <QObject>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace dyskel {

inline constexpr const char* IgnoreDeletedHint = "Ignore deleted files when shoing the directory (Editor).";

class TOptions : public QObject {
    Q_OBJECT
  public:
    // Builds the menu "&Options" with every item and group, its check marks
    // bound to data.
    explicit TOptions(QWidget* owner);

    Options data;

    // Loads the options from the settings file and sets the check marks;
    // returns the remembered folder as LoadOptions does.
    std::string Load(const IIniFile& ini);
    bool Save(IIniFile& ini, const std::string& folder) const;

    // Sets every check mark from the data (also done whenever a menu of it
    // opens, so that it shows what the windows changed).
    void ShowOptions();

    QMenu* MnuOptions = nullptr;
    QMenu* MnuOptFiles = nullptr;
    QMenu* MnuSortFiles = nullptr;
    QMenu* MnuOptImageEd = nullptr;
    QMenu* Mnu6502DftMode = nullptr;
    QMenu* MnuEditorDefault = nullptr;

    QAction* MnuBackupFiles = nullptr;
    QAction* MnuImgDetails = nullptr;
    QAction* MnuSortFbyName = nullptr;
    QAction* MnuSortFbyUnSort = nullptr;
    QAction* Mnu6502DmodeASM = nullptr;
    QAction* Mnu6502DmodeTXT = nullptr;
    QAction* Mnu6502DmodeBAS = nullptr;
    QAction* Mnu6502change = nullptr;
    QAction* MnuC64Symbols = nullptr;
    QAction* MnuIllegalOps = nullptr;
    QAction* MnuEdHex = nullptr;
    QAction* MnuEdDir = nullptr;
    QAction* MnuEdBAM = nullptr;
    QAction* MnuEd6502 = nullptr;
    QAction* MnuEditorEditMode = nullptr;
    QAction* MnuIgnoreDeletedFiles = nullptr;
    QAction* MnuJump2HexTS = nullptr;
    QAction* MnuPromptExport = nullptr;
    QAction* MnuPromptSave = nullptr;
    QAction* MnuHints = nullptr;
    QAction* MnuRemStrPath = nullptr;

    QActionGroup* SortGroup = nullptr;       // exclusive
    QActionGroup* Mode6502Group = nullptr;   // exclusive
    QActionGroup* EditorPageGroup = nullptr; // exclusive, may have none checked

  private:
    QAction* ModeItem(ListingMode mode) const;

  signals:
    // Image Details or a sort order was picked: the folder is to be scanned.
    void rescanRequested();
};

} // namespace dyskel
