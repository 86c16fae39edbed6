#pragma once
// What the tray icon needs of its popup menu beyond QMenu: the automatic popup switch (on
// unless switched off), the menu's popup component, and the default item, which is the
// menu's default action (QMenu shows it in bold).

#include <QAction>
#include <QMenu>
#include <QObject>

namespace veska {

void SetMenuAutoPopup(QMenu* menu, bool autoPopup);
bool MenuAutoPopup(const QMenu* menu);

void SetMenuPopupComponent(QMenu* menu, QObject* component);
QObject* MenuPopupComponent(const QMenu* menu);

// The top-level item marked as the default one, or nullptr.
QAction* MenuDefaultItem(const QMenu* menu);

} // namespace veska
