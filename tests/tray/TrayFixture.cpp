#include "TrayFixture.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace veska::test {
namespace {

std::string buttonName(TMouseButton button) {
    switch (button) {
    case TMouseButton::mbLeft:
        return "L";
    case TMouseButton::mbRight:
        return "R";
    default:
        return "M";
    }
}

} // namespace

void TrayFixture::SetUp() {
    ASSERT_EQ(TTrayIconHandler::Instance(), nullptr);
    platform::SetNotifyIconBackend(&area);
    platform::SetApplicationWindow(&app);
    savedDoubleClickMs = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(kDoubleClickMs);
    owner = std::make_unique<QWidget>();
}

void TrayFixture::TearDown() {
    owner.reset();
    EXPECT_EQ(TTrayIconHandler::Instance(), nullptr);
    platform::SetNotifyIconBackend(nullptr);
    platform::SetApplicationWindow(nullptr);
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(savedDoubleClickMs);
}

std::unique_ptr<TNotifyTrayIcon> TrayFixture::MakeIcon(bool designing) {
    // The window is its owner; the test destroys it first, which takes it off the window.
    return std::make_unique<TNotifyTrayIcon>(owner.get(), designing);
}

void TrayFixture::LogEvents(TNotifyTrayIcon& icon) {
    icon.OnClick = [this](QObject*) { events.push_back("Click"); };
    icon.OnDblClick = [this](QObject*) { events.push_back("DblClick"); };
    icon.OnMouseDown = [this](QObject*, TMouseButton b, TShiftState s, int, int) {
        events.push_back("Down" + buttonName(b) + "/" + std::to_string(s));
    };
    icon.OnMouseUp = [this](QObject*, TMouseButton b, TShiftState s, int, int) {
        events.push_back("Up" + buttonName(b) + "/" + std::to_string(s));
    };
}

QMenu* TrayFixture::MakeMenu() {
    menu = new QMenu(owner.get());
    QAction* open = menu->addAction(QStringLiteral("Abrir"));
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Sair"));
    menu->setDefaultAction(open);
    QObject::connect(open, &QAction::triggered, menu, [this] { events.push_back("Abrir"); });
    QObject::connect(quit, &QAction::triggered, menu, [this] { events.push_back("Sair"); });
    return menu;
}

void TrayFixture::Notify(const TNotifyTrayIcon& icon, uint32_t event) {
    platform::SendMessageW(icon.Handle(), msg::WM_TRAYICON, icon.IconID(),
                           static_cast<intptr_t>(event));
}

void TrayFixture::Notify(const TNotifyTrayIcon& icon, std::initializer_list<uint32_t> list) {
    for (uint32_t event : list)
        Notify(icon, event);
}

} // namespace veska::test
