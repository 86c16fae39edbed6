#include "app/MessageBoxes.h"

#include "app/platform/Screen.h"
#include "core/ErrorText.h"

#include <QMessageBox>
#include <cstdio>

namespace veska::app {

QString applicationTitle() {
    return QStringLiteral("Veska - Programa de Consulta preço");
}

namespace {

void show(QMessageBox::Icon icon, const QString& kind, const QString& text) {
    if (!platform::hasVisibleScreen()) {
        std::fprintf(stderr, "%s: %s\n", kind.toLocal8Bit().constData(),
                     text.toLocal8Bit().constData());
        return;
    }
    // No parent: the box is centred on the screen, also while the window is hidden.
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok);
    box.exec();
}

} // namespace

void QtMessageBoxes::showError(const QString& message) {
    show(QMessageBox::Critical, QStringLiteral("error"), errorDialogText(message));
}

void QtMessageBoxes::showNotice(const QString& text) {
    show(QMessageBox::NoIcon, QStringLiteral("notice"), text);
}

} // namespace veska::app
