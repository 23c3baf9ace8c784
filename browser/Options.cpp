#include "browser/Options.h"

#include "platform/Menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

namespace dyskel {

namespace {

QMenu* OptionsMenu(QWidget* owner) {
    auto* menu = new QMenu(QStringLiteral("&Options"), owner);
    menu->setObjectName(QStringLiteral("MnuOptions"));
    return menu;
}

} // namespace

TOptions::TOptions(QWidget* owner) : QObject(owner), MnuOptions(OptionsMenu(owner)) {
    QMenu* const files = SubMenu(MnuOptions, "MnuOptFiles", "&Files Selector");
    QMenu* const imageEditor = SubMenu(MnuOptions, "MnuOptImageEd", "Image Editor");
    const std::pair<OptionPlace, QMenu*> places[] = {
        {OptionPlace::Files, files},
        {OptionPlace::Listing, imageEditor},
        {OptionPlace::Editor, imageEditor},
        {OptionPlace::Main, MnuOptions},
    };
    QAction* hints = nullptr;
    for (auto [place, menu] : places)
        for (const OptionRow& row : OptionTable) {
            if (row.place != place) continue;
            if (row.choices.empty()) {
                QAction* item = MenuItem(menu, row.name, row.caption);
                item->setCheckable(true);
                if (row.hint) item->setToolTip(QString::fromLatin1(row.hint));
                if (auto* flag = std::get_if<bool Options::*>(&row.member); flag && *flag == &Options::hints)
                    hints = item;
                marks_.push_back({item, &row, 1});
                continue;
            }
            QMenu* sub = SubMenu(menu, row.name, row.caption);
            auto* group = new QActionGroup(this);
            if (row.traits & NoneAllowed)
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            for (const OptionChoice& choice : row.choices)
                marks_.push_back({MenuItem(sub, choice.name, choice.caption, group), &row, choice.value});
        }

    for (const Mark& mark : marks_) {
        connect(mark.item, &QAction::toggled, this, [this, mark](bool on) {
            if (mark.row->choices.empty())
                SetOptionValue(data, *mark.row, on);
            else if (on)
                SetOptionValue(data, *mark.row, mark.value);
            else if ((mark.row->traits & NoneAllowed) && OptionValue(data, *mark.row) == mark.value)
                SetOptionValue(data, *mark.row, NoChoice);
        });
        if (mark.row->traits & Rescans)
            connect(mark.item, &QAction::triggered, this, &TOptions::rescanRequested);
    }
    // Hints off also silences the hints the menu itself carries.
    if (hints)
        connect(hints, &QAction::triggered, this, [this](bool on) {
            for (const Mark& mark : marks_)
                if (mark.row->hint)
                    mark.item->setToolTip(on ? QString::fromLatin1(mark.row->hint) : QString());
        });
    QList<QMenu*> menus = MnuOptions->findChildren<QMenu*>();
    menus << MnuOptions;
    for (QMenu* menu : menus) {
        menu->setToolTipsVisible(true);
        connect(menu, &QMenu::aboutToShow, this, &TOptions::ShowOptions);
    }
    ShowOptions();
}

void TOptions::ShowOptions() {
    const Options now = data; // each mark set below writes its option back
    for (const Mark& mark : marks_) mark.item->setChecked(OptionValue(now, *mark.row) == mark.value);
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

QAction* TOptions::Item(const char* name) const {
    return MnuOptions->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace dyskel
