#include "app/ApplicationError.h"

#include "app/platform/Screen.h"
#include "core/ErrorText.h"

#include <QMessageBox>
#include <cstdio>

namespace veska::app {

QString applicationErrorText(const Error& error, const QString& programFile, const void* address) {
    const auto addressText = QStringLiteral("%1")
                                 .arg(reinterpret_cast<quintptr>(address), 16, 16, QLatin1Char('0'))
                                 .toUpper();
    return QStringLiteral("Exception %1 in module %2 at %3.\n%4")
        .arg(QLatin1String(error.kind()), programFile, addressText, errorDialogText(error.text()));
}

void reportApplicationError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (platform::hasVisibleScreen())
        QMessageBox(QMessageBox::Critical, QStringLiteral("Application Error"), text,
                    QMessageBox::Ok)
            .exec();
}

} // namespace veska::app
