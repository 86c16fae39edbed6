#include "tray/platform/QtApplicationWindow.h"

#include "tray/platform/NotifyIcon.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QWindowStateChangeEvent>

namespace veska::platform {

QtApplicationWindow::QtApplicationWindow() = default;
QtApplicationWindow::~QtApplicationWindow() = default;

bool QtApplicationWindow::IsWindowVisible() const {
    return MainForm() != nullptr && MainForm()->isVisible();
}

void QtApplicationWindow::ShowWindow(int command) {
    QWidget* form = MainForm();
    if (form == nullptr)
        return;
    if (command == msg::SW_HIDE) {
        if (NotificationAreaAvailable())
            hideIntoTray(form);
    } else if (!form->isVisible()) {
        // A taskbar entry without the window on screen.
        form->showMinimized();
    }
}

void QtApplicationWindow::SetForegroundWindow() {
    SetForegroundWindow(MainForm());
}

void QtApplicationWindow::SetForegroundWindow(QWidget* window) {
    if (window == nullptr || !window->isVisible())
        return;
    window->window()->raise();
    window->window()->activateWindow();
}

void QtApplicationWindow::SetMainFormVisible(bool visible) {
    QWidget* form = MainForm();
    if (form == nullptr)
        return;
    if (visible) {
        hiddenIntoTray_ = false;
        form->show();
    } else if (NotificationAreaAvailable()) {
        hideIntoTray(form);
    } else {
        form->showMinimized();
    }
}

void QtApplicationWindow::hideIntoTray(QWidget* form) {
    hiddenIntoTray_ = true;
    form->hide();
}

void QtApplicationWindow::NotificationAreaGone() {
    QWidget* form = MainForm();
    const bool hidden = hiddenIntoTray_ && form != nullptr && !form->isVisible();
    hiddenIntoTray_ = false;
    if (hidden)
        form->showMinimized();
}

bool QtApplicationWindow::IsMainFormMinimized() const {
    return MainForm() != nullptr && MainForm()->isMinimized();
}

void QtApplicationWindow::SetMainFormNormal() {
    if (QWidget* form = MainForm())
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
}

void QtApplicationWindow::Restore() {
    QWidget* form = MainForm();
    if (form != nullptr && form->isVisible() && form->isMinimized())
        form->showNormal();
}

void QtApplicationWindow::ProcessMessages() {
    QCoreApplication::processEvents();
}

bool QtApplicationWindow::Terminating() const {
    return QCoreApplication::closingDown();
}

void QtApplicationWindow::TrackPopupMenu(QMenu* menu, QPoint position) {
    menu->exec(position);
}

void QtApplicationWindow::WatchWindow(QWidget* window) {
    window->removeEventFilter(this);
    window->installEventFilter(this);
}

bool QtApplicationWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWidget*>(watched);
    if (window == nullptr)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        if (!event->spontaneous())
            sendOwnerLater(window, msg::WM_SHOWWINDOW, 1);
        break;
    case QEvent::WindowStateChange: {
        const bool wasMinimized =
            static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
        const bool isMinimized = window->isMinimized();
        if (!wasMinimized && isMinimized)
            sendOwnerLater(window, msg::WM_SYSCOMMAND, msg::SC_MINIMIZE);
        else if (wasMinimized && !isMinimized && window == MainForm())
            sendApplicationLater(msg::WM_SYSCOMMAND, msg::SC_RESTORE);
        break;
    }
    case QEvent::Move:
    case QEvent::Resize:
        if (window == MainForm())
            sendApplicationLater(msg::WM_WINDOWPOSCHANGED, 0);
        break;
    default:
        break;
    }
    return false;
}

// Translated messages run from the event loop, after Qt has finished with the event that
// caused them: their handlers may hide or show the very window.
void QtApplicationWindow::sendOwnerLater(QWidget* window, uint32_t message, uintptr_t wParam) {
    PostOwnerMessage(window, message, wParam, 0);
}

void QtApplicationWindow::sendApplicationLater(uint32_t message, uintptr_t wParam) {
    QMetaObject::invokeMethod(
        this, [this, message, wParam] { SendApplicationMessage(message, wParam); },
        Qt::QueuedConnection);
}

} // namespace veska::platform
