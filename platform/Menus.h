// Menu items and submenus named as the program names them, so that tests
// find them with findChild as a user finds them by their caption.
#pragma once

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace dyskel {

// A widget given its object name, for tests and style sheets to find it.
template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// An item; with a group it is a radio item of that group.
inline QAction* MenuItem(QMenu* menu, const char* name, const char* caption, QActionGroup* group = nullptr) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (group) {
        a->setCheckable(true);
        group->addAction(a);
    }
    return a;
}

// A submenu; its action in the parent menu is named name + "Action".
inline QMenu* SubMenu(QMenu* parent, const char* name, const char* caption) {
    QMenu* m = parent->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
    return m;
}

} // namespace dyskel
