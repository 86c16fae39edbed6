#include "tray/TrayMenu.h"

#include <QVariant>

namespace veska {
namespace {
constexpr const char* kAutoPopup = "veskaAutoPopup";
constexpr const char* kPopupComponent = "veskaPopupComponent";
} // namespace

void SetMenuAutoPopup(QMenu* menu, bool autoPopup) {
    menu->setProperty(kAutoPopup, autoPopup);
}

bool MenuAutoPopup(const QMenu* menu) {
    const QVariant value = menu->property(kAutoPopup);
    return !value.isValid() || value.toBool();
}

void SetMenuPopupComponent(QMenu* menu, QObject* component) {
    menu->setProperty(kPopupComponent, QVariant::fromValue(component));
}

QObject* MenuPopupComponent(const QMenu* menu) {
    return menu->property(kPopupComponent).value<QObject*>();
}

QAction* MenuDefaultItem(const QMenu* menu) {
    QAction* marked = menu->defaultAction();
    if (marked == nullptr || marked->isSeparator())
        return nullptr;
    // Scanned from the last item to the first, the lowest index marked as default wins;
    // QMenu marks at most one, and only a top-level one counts.
    QAction* found = nullptr;
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        if (items[i] == marked)
            found = items[i];
    }
    return found;
}

} // namespace veska
