#include "browser/Options.h"

#include "platform/Menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

namespace dyskel {

namespace {

// A check item (a radio item with a group) with its design check mark.
QAction* Item(QMenu* menu, const char* name, const char* caption, bool checked,
              QActionGroup* group = nullptr) {
    QAction* a = MenuItem(menu, name, caption, group);
    a->setCheckable(true);
    a->setChecked(checked);
    return a;
}

QMenu* Sub(QMenu* parent, const char* name, const char* caption) {
    return SubMenu(parent, name, caption);
}

} // namespace

TOptions::TOptions(QWidget* owner) : QObject(owner) {
    MnuOptions = new QMenu(QStringLiteral("&Options"), owner);
    MnuOptions->setObjectName(QStringLiteral("MnuOptions"));
    MnuOptions->setToolTipsVisible(true);

    MnuOptFiles = Sub(MnuOptions, "MnuOptFiles", "&Files Selector");
    MnuBackupFiles = Item(MnuOptFiles, "MnuBackupFiles", "Create &backup files (.BAK)", false);
    MnuImgDetails = Item(MnuOptFiles, "MnuImgDetails", "Image &Details", true);
    MnuSortFiles = Sub(MnuOptFiles, "MnuSortFiles", "&Sort files by...");
    SortGroup = new QActionGroup(this);
    MnuSortFbyName = Item(MnuSortFiles, "MnuSortFbyName", "&Name", true, SortGroup);
    MnuSortFbyUnSort = Item(MnuSortFiles, "MnuSortFbyUnSort", "&Unsorted", false, SortGroup);

    MnuOptImageEd = Sub(MnuOptions, "MnuOptImageEd", "Image Editor");
    MnuOptImageEd->setToolTipsVisible(true);
    Mnu6502DftMode = Sub(MnuOptImageEd, "Mnu6502DftMode", "&6502 Defualt Mode");
    Mode6502Group = new QActionGroup(this);
    Mnu6502DmodeASM = Item(Mnu6502DftMode, "Mnu6502DmodeASM", "&DisAssembler", true, Mode6502Group);
    Mnu6502DmodeTXT = Item(Mnu6502DftMode, "Mnu6502DmodeTXT", "&Text", false, Mode6502Group);
    Mnu6502DmodeBAS = Item(Mnu6502DftMode, "Mnu6502DmodeBAS", "&BASIC", false, Mode6502Group);
    Mnu6502change =
        Item(MnuOptImageEd, "Mnu6502change", "6502 should change to default mode every &time", false);
    MnuC64Symbols = Item(MnuOptImageEd, "MnuC64Symbols", "Show C64 &symbols", false);
    MnuIllegalOps = Item(MnuOptImageEd, "MnuIllegalOps", "Name &undocumented opcodes", false);
    MnuEditorDefault = Sub(MnuOptImageEd, "MnuEditorDefault", "&Default page in Editor");
    EditorPageGroup = new QActionGroup(this);
    EditorPageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    MnuEdHex = Item(MnuEditorDefault, "MnuEdHex", "Hex &Editor", false, EditorPageGroup);
    MnuEdDir = Item(MnuEditorDefault, "MnuEdDir", "&Directory", true, EditorPageGroup);
    MnuEdBAM = Item(MnuEditorDefault, "MnuEdBAM", "&BAM Allocation Map", false, EditorPageGroup);
    MnuEd6502 = Item(MnuEditorDefault, "MnuEd6502", "&6502 Disassembler", false, EditorPageGroup);
    MnuEditorEditMode = Item(MnuOptImageEd, "MnuEditorEditMode", "Editor starts in Edit &Mode", true);
    MnuIgnoreDeletedFiles = Item(MnuOptImageEd, "MnuIgnoreDeletedFiles", "&Ignore Deleted Files", true);
    MnuIgnoreDeletedFiles->setToolTip(QString::fromLatin1(IgnoreDeletedHint));
    MnuJump2HexTS =
        Item(MnuOptImageEd, "MnuJump2HexTS", "&Jump to Hex Editor when Track/Sector changes", true);
    MnuPromptExport =
        Item(MnuOptImageEd, "MnuPromptExport", "Prompt for file name when e&xporting to PRG", false);
    MnuPromptSave = Item(MnuOptImageEd, "MnuPromptSave", "&Prompt when saving/updating", false);

    MnuHints = Item(MnuOptions, "MnuHints", "&Hints", true);
    MnuRemStrPath = Item(MnuOptions, "MnuRemStrPath", "&Remember Path", false);

    // Hints off also silences the one hint the menu itself carries.
    connect(MnuHints, &QAction::triggered, this, [this](bool on) {
        MnuIgnoreDeletedFiles->setToolTip(on ? QString::fromLatin1(IgnoreDeletedHint) : QString());
    });
    // Each check mark sets its option.
    const std::pair<QAction*, bool Options::*> flags[] = {
        {MnuBackupFiles, &Options::backupFiles},
        {MnuImgDetails, &Options::imageDetails},
        {Mnu6502change, &Options::change6502},
        {MnuC64Symbols, &Options::c64Symbols},
        {MnuIllegalOps, &Options::illegalOpcodes},
        {MnuEditorEditMode, &Options::editMode},
        {MnuIgnoreDeletedFiles, &Options::ignoreDeleted},
        {MnuJump2HexTS, &Options::jumpTS},
        {MnuPromptExport, &Options::promptExport},
        {MnuPromptSave, &Options::promptSave},
        {MnuHints, &Options::hints},
        {MnuRemStrPath, &Options::rememberPath},
    };
    for (auto [item, flag] : flags)
        connect(item, &QAction::toggled, this, [this, flag = flag](bool on) { data.*flag = on; });
    const QAction* pages[] = {MnuEdHex, MnuEdDir, MnuEdBAM, MnuEd6502};
    for (int i = 0; i < 4; ++i)
        connect(pages[i], &QAction::toggled, this, [this, i](bool on) {
            if (on)
                data.editorPage = i;
            else if (data.editorPage == i)
                data.editorPage = -1;
        });
    connect(MnuSortFbyUnSort, &QAction::toggled, this, [this](bool on) {
        if (on) data.sortFilesBy = 0;
    });
    connect(MnuSortFbyName, &QAction::toggled, this, [this](bool on) {
        if (on) data.sortFilesBy = 1;
    });
    for (std::size_t i = 0; i < ListingModes.size(); ++i)
        connect(ModeItem(ListingModes[i].mode), &QAction::toggled, this, [this, i](bool on) {
            if (on) data.default6502Mode = ListingModes[i].mode;
        });
    for (QMenu* menu :
         {MnuOptions, MnuOptFiles, MnuSortFiles, MnuOptImageEd, Mnu6502DftMode, MnuEditorDefault})
        connect(menu, &QMenu::aboutToShow, this, &TOptions::ShowOptions);
    ShowOptions();

    connect(MnuImgDetails, &QAction::triggered, this, &TOptions::rescanRequested);
    connect(MnuSortFbyName, &QAction::triggered, this, &TOptions::rescanRequested);
    connect(MnuSortFbyUnSort, &QAction::triggered, this, &TOptions::rescanRequested);
}

void TOptions::ShowOptions() {
    const Options now = data; // each mark set below writes its option back
    MnuBackupFiles->setChecked(now.backupFiles);
    MnuImgDetails->setChecked(now.imageDetails);
    (now.sortFilesBy == 0 ? MnuSortFbyUnSort : MnuSortFbyName)->setChecked(true);
    ModeItem(now.default6502Mode)->setChecked(true);
    Mnu6502change->setChecked(now.change6502);
    MnuC64Symbols->setChecked(now.c64Symbols);
    MnuIllegalOps->setChecked(now.illegalOpcodes);
    QAction* pages[] = {MnuEdHex, MnuEdDir, MnuEdBAM, MnuEd6502};
    for (int i = 0; i < 4; ++i) pages[i]->setChecked(i == now.editorPage);
    MnuEditorEditMode->setChecked(now.editMode);
    MnuIgnoreDeletedFiles->setChecked(now.ignoreDeleted);
    MnuJump2HexTS->setChecked(now.jumpTS);
    MnuPromptExport->setChecked(now.promptExport);
    MnuPromptSave->setChecked(now.promptSave);
    MnuHints->setChecked(now.hints);
    MnuRemStrPath->setChecked(now.rememberPath);
    data = now;
}

std::string TOptions::Load(const IIniFile& ini) {
    std::string folder = LoadOptions(data, ini);
    ShowOptions();
    return folder;
}

bool TOptions::Save(IIniFile& ini, const std::string& folder) const {
    return SaveOptions(data, ini, folder);
}

QAction* TOptions::ModeItem(ListingMode mode) const {
    switch (mode) {
    case ListingMode::Text:
        return Mnu6502DmodeTXT;
    case ListingMode::Basic:
        return Mnu6502DmodeBAS;
    case ListingMode::Asm:
        break;
    }
    return Mnu6502DmodeASM;
}

} // namespace dyskel
