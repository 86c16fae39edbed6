#include "tray/platform/ApplicationWindow.h"

#include "tray/platform/QtApplicationWindow.h"

#include <QCoreApplication>
#include <memory>
#include <vector>

namespace veska::platform {

ApplicationWindow::ApplicationWindow() = default;
ApplicationWindow::~ApplicationWindow() = default;

void ApplicationWindow::SetMainForm(QWidget* form) {
    mainForm_ = form;
    if (form != nullptr)
        WatchWindow(form);
}

bool ApplicationWindow::IsMultiDocumentFrame(const QWidget*) const {
    return false;
}

void ApplicationWindow::PostOwnerMessage(QWidget* owner, uint32_t message, uintptr_t wParam,
                                         intptr_t lParam) {
    QPointer<QWidget> target(owner);
    QMetaObject::invokeMethod(
        &guard_,
        [this, target, message, wParam, lParam] {
            if (target.isNull())
                return;
            TMessage msg{message, wParam, lParam, 0};
            DispatchOwnerMessage(target.data(), msg);
        },
        Qt::QueuedConnection);
}

int ApplicationWindow::HookMainWindow(MessageHook hook) {
    const int id = nextHookId_++;
    hooks_.emplace(id, std::move(hook));
    return id;
}

void ApplicationWindow::UnhookMainWindow(int hookId) {
    hooks_.erase(hookId);
}

bool ApplicationWindow::DispatchApplicationMessage(TMessage& message) {
    // A hook may add or remove hooks (a component created or destroyed in an event): run
    // those present now that are still present when their turn comes.
    std::vector<int> ids;
    for (const auto& entry : hooks_)
        ids.push_back(entry.first);
    for (int id : ids) {
        const auto found = hooks_.find(id);
        if (found == hooks_.end())
            continue;
        const MessageHook hook = found->second;
        if (hook(message))
            return true;
    }
    return false;
}

void ApplicationWindow::SendApplicationMessage(uint32_t message, uintptr_t wParam,
                                               intptr_t lParam) {
    TMessage msg{message, wParam, lParam, 0};
    DispatchApplicationMessage(msg);
}

WindowProcedure ApplicationWindow::GetWindowProc(QWidget* window) {
    const auto found = procedures_.find(window);
    if (found != procedures_.end())
        return found->second;
    QPointer<QWidget> target(window);
    return [this, target](TMessage& message) {
        if (!target.isNull())
            DefaultWindowProc(target.data(), message);
    };
}

WindowProcedure ApplicationWindow::SetWindowProc(QWidget* window, WindowProcedure procedure) {
    WindowProcedure previous = GetWindowProc(window);
    if (procedures_.find(window) == procedures_.end()) {
        // Forget the window's procedures when it goes, so a new window at the same
        // address starts with the default one.
        QObject::connect(window, &QObject::destroyed, &guard_,
                         [this, window] { procedures_.erase(window); });
        WatchWindow(window);
    }
    procedures_[window] = std::move(procedure);
    return previous;
}

void ApplicationWindow::DispatchOwnerMessage(QWidget* window, TMessage& message) {
    const WindowProcedure procedure = GetWindowProc(window);
    procedure(message);
}

void ApplicationWindow::DefaultWindowProc(QWidget* window, TMessage& message) {
    if (message.Msg == msg::WM_SYSCOMMAND && message.WParam == msg::SC_MINIMIZE &&
        window == MainForm())
        SendApplicationMessage(msg::WM_SIZE, msg::SIZE_MINIMIZED);
}

namespace {

ApplicationWindow* installed = nullptr;

ApplicationWindow& qtApplicationWindow() {
    static std::unique_ptr<QtApplicationWindow> window;
    if (!window) {
        window = std::make_unique<QtApplicationWindow>();
        // Qt objects must go before the application object does.
        qAddPostRoutine([] { window.reset(); });
    }
    return *window;
}

} // namespace

ApplicationWindow& CurrentApplicationWindow() {
    return installed != nullptr ? *installed : qtApplicationWindow();
}

void SetApplicationWindow(ApplicationWindow* window) {
    installed = window;
}

} // namespace veska::platform
