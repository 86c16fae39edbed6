// Hidden message windows, registered messages, icon handles and the tray picture.
#include "TrayTestDoubles.h"
#include "tray/TrayPicture.h"
#include "tray/platform/IconRegistry.h"
#include "tray/platform/MessageWindow.h"
#include "tray/platform/NotifyIcon.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>
#include <string>

using namespace veska;
using namespace veska::msg;
using veska::test::WaitUntil;

namespace {

TEST(MessageWindowTest, HandlesAreNeverReusedAndLateMessagesAreDropped) {
    int received = 0;
    const uint32_t first = platform::CreateMessageWindow([&](TMessage&) { ++received; });
    platform::PostMessageW(first, WM_NULL, 0, 0);
    platform::DestroyMessageWindow(first);
    const uint32_t second = platform::CreateMessageWindow([&](TMessage& m) {
        ++received;
        m.Result = 7;
    });
    EXPECT_NE(first, second);
    EXPECT_NE(second, 0u);
    QCoreApplication::processEvents(); // the posted message's turn
    EXPECT_EQ(received, 0);
    EXPECT_EQ(platform::SendMessageW(first, WM_NULL, 0, 0), 0);
    EXPECT_EQ(platform::SendMessageW(second, WM_NULL, 0, 0), 7);
    platform::DestroyMessageWindow(second);
}

TEST(MessageWindowTest, AProcedureMayDestroyItsOwnWindow) {
    uint32_t self = 0;
    std::string captured = "kept alive while it runs";
    self = platform::CreateMessageWindow([&self, captured](TMessage& m) {
        platform::DestroyMessageWindow(self);
        m.Result = static_cast<intptr_t>(captured.size());
    });
    EXPECT_EQ(platform::SendMessageW(self, WM_NULL, 0, 0), static_cast<intptr_t>(captured.size()));
    EXPECT_FALSE(platform::IsWindow(self));
}

TEST(MessageWindowTest, RegisteredMessagesAreStablePerName) {
    const uint32_t taskbar = platform::RegisterWindowMessageW(u"TaskbarCreated");
    EXPECT_GE(taskbar, 0xC000u);
    EXPECT_EQ(platform::RegisterWindowMessageW(u"TaskbarCreated"), taskbar);
    EXPECT_EQ(platform::TaskbarCreatedMessage(), taskbar);
    EXPECT_NE(platform::RegisterWindowMessageW(u"OutraMensagem"), taskbar);
}

TEST(IconRegistryTest, HandlesNamePicturesUntilReleased) {
    const std::size_t before = platform::RegisteredIconCount();
    EXPECT_EQ(platform::RegisterIcon(QIcon()), 0u);
    QPixmap red(8, 8);
    red.fill(Qt::red);
    const uint32_t a = platform::RegisterIcon(QIcon(red));
    const uint32_t b = platform::RegisterIcon(QIcon(red));
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_FALSE(platform::LookupIcon(a).isNull());
    platform::ReleaseIcon(a);
    EXPECT_TRUE(platform::LookupIcon(a).isNull());
    EXPECT_FALSE(platform::LookupIcon(b).isNull());
    platform::ReleaseIcon(b);
    EXPECT_EQ(platform::RegisteredIconCount(), before);
}

TEST(TrayPictureTest, TheTerminalPictureIs32By32WithoutAlpha) {
    const QIcon picture = TerminalTrayPicture();
    ASSERT_FALSE(picture.isNull());
    const QImage image(QStringLiteral(":/tray/terminal-32.png"));
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_FALSE(image.hasAlphaChannel());
    EXPECT_EQ(image.depth() >= 24, true);
}

} // namespace
