#include "app/platform/Screen.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace veska::app::platform {

bool hasVisibleScreen() {
    const QString name = QGuiApplication::platformName();
    return !name.isEmpty() && name != QLatin1String("offscreen") &&
           name != QLatin1String("minimal");
}

QFont windowFont() {
    static const QString family = [] {
        const int id =
            QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("Tahoma") : families.first();
    }();
    QFont font(family);
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace veska::app::platform
