// The tray icon's record and properties: construction, the tip, the picture, IconIndex,
// the shell calls that each assignment makes, Behavior, AfterLoad and removal notices.
#include "TrayFixture.h"
#include "tray/TImageList.h"
#include "tray/platform/IconRegistry.h"

#include <QImage>
#include <QPixmap>
#include <cstring>

using namespace veska;
using namespace veska::nim;

namespace {

class TrayIconRecordTest : public veska::test::TrayFixture {
protected:
    static QString Tip(const TNotifyIconDataEx& data) {
        qsizetype length = 0;
        while (length < 128 && data.szTip[length] != 0)
            ++length;
        return QString::fromUtf16(data.szTip, length);
    }
    std::unique_ptr<TImageList> ThreeImages() {
        auto list = std::make_unique<TImageList>();
        list->Add(Filled(Qt::red));
        list->Add(Filled(Qt::green));
        list->Add(Filled(Qt::blue));
        return list;
    }
};

TEST_F(TrayIconRecordTest, ConstructionFillsTheRecordAndCallsNothing) {
    auto icon = MakeIcon();
    TNotifyIconDataEx expected;
    std::memset(&expected, 0, sizeof(expected));
    expected.cbSize = 616;
    expected.hWnd = icon->Handle();
    expected.uID = icon->IconID();
    expected.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    expected.uCallbackMessage = 0x800;
    // The record as the shell will get it: add it and compare byte for byte.
    ASSERT_TRUE(area.calls.empty());
    icon->SetIconVisible(true);
    ASSERT_EQ(area.calls.size(), 1u);
    EXPECT_EQ(std::memcmp(&area.calls[0].data, &expected, sizeof(expected)), 0);
    EXPECT_NE(icon->Handle(), 0u);
    EXPECT_TRUE(platform::IsWindow(icon->Handle()));
}

TEST_F(TrayIconRecordTest, NewInstanceDefaults) {
    auto icon = MakeIcon();
    EXPECT_TRUE(icon->Enabled());
    EXPECT_TRUE(icon->ShowHint());
    EXPECT_FALSE(icon->IconVisible());
    EXPECT_FALSE(icon->DesignPreview());
    EXPECT_FALSE(icon->CycleIcons());
    EXPECT_EQ(icon->CycleInterval(), 0u);
    EXPECT_EQ(icon->IconIndex(), 0);
    EXPECT_EQ(icon->IconList(), nullptr);
    EXPECT_EQ(icon->PopupMenu(), nullptr);
    EXPECT_FALSE(icon->LeftPopup());
    EXPECT_FALSE(icon->WantEnterExitEvents());
    EXPECT_FALSE(icon->MinimizeToTray());
    EXPECT_EQ(icon->Behavior(), TBehavior::bhWin95);
    EXPECT_TRUE(icon->Hint().isEmpty());
    EXPECT_TRUE(icon->Icon().Empty());
}

TEST_F(TrayIconRecordTest, IconVisibleAddsAndRemovesOnce) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    EXPECT_TRUE(icon->IconVisible());
    EXPECT_TRUE(area.Shows(icon->IconID()));
    icon->SetIconVisible(true);
    EXPECT_EQ(area.icons.size(), 1u);
    icon->SetIconVisible(false);
    EXPECT_FALSE(icon->IconVisible());
    EXPECT_FALSE(area.Shows(icon->IconID()));
    icon->SetIconVisible(false);
    EXPECT_EQ(area.MessagesFor(icon->IconID()),
              (std::vector<uint32_t>{NIM_ADD, NIM_ADD, NIM_DELETE, NIM_DELETE}));
}

TEST_F(TrayIconRecordTest, IconVisibleRecordsTheIntentEvenWhenTheShellRefuses) {
    auto icon = MakeIcon();
    area.available = false;
    icon->SetIconVisible(true);
    EXPECT_TRUE(icon->IconVisible());
    EXPECT_FALSE(area.Shows(icon->IconID()));
}

TEST_F(TrayIconRecordTest, HintIsSentAsTipAndRefreshReportsTheShell) {
    auto icon = MakeIcon();
    icon->SetHint(QStringLiteral("Lumivex - Servidor de Terminais Marvok"));
    EXPECT_EQ(area.MessagesFor(icon->IconID()), std::vector<uint32_t>{NIM_MODIFY});
    EXPECT_FALSE(icon->Refresh());
    icon->SetIconVisible(true);
    EXPECT_TRUE(icon->Refresh());
    EXPECT_EQ(Tip(area.Shown(icon->IconID())),
              QStringLiteral("Lumivex - Servidor de Terminais Marvok"));
    EXPECT_NE(area.Shown(icon->IconID()).uFlags & NIF_TIP, 0u);
}

TEST_F(TrayIconRecordTest, HintIsEightBitTextInTheSystemCodePage) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    icon->SetHint(QByteArray("Pre\xe7o \x80 1,00"));
    EXPECT_EQ(Tip(area.Shown(icon->IconID())), QStringLiteral(u"Preço € 1,00"));
}

TEST_F(TrayIconRecordTest, TipIsCutTo127UnitsAndZeroTerminated) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    icon->SetHint(QByteArray(200, 'x'));
    const TNotifyIconDataEx& shown = area.Shown(icon->IconID());
    EXPECT_EQ(Tip(shown), QString(127, QLatin1Char('x')));
    EXPECT_EQ(shown.szTip[127], 0);
    icon->SetHint(QByteArray(127, 'y'));
    EXPECT_EQ(Tip(area.Shown(icon->IconID())), QString(127, QLatin1Char('y')));
    // A shorter tip leaves nothing of the longer one behind.
    icon->SetHint(QByteArray("ab"));
    const TNotifyIconDataEx& shorter = area.Shown(icon->IconID());
    EXPECT_EQ(Tip(shorter), QStringLiteral("ab"));
    for (int i = 2; i < 128; ++i)
        ASSERT_EQ(shorter.szTip[i], 0) << i;
}

TEST_F(TrayIconRecordTest, EmptyHintOrShowHintFalseSendsAnEmptyTip) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    icon->SetHint(QByteArray("dica"));
    icon->SetShowHint(false);
    const TNotifyIconDataEx& hidden = area.Shown(icon->IconID());
    EXPECT_EQ(Tip(hidden), QString());
    EXPECT_NE(hidden.uFlags & NIF_TIP, 0u);
    icon->SetShowHint(true);
    EXPECT_EQ(Tip(area.Shown(icon->IconID())), QStringLiteral("dica"));
    icon->SetHint(QByteArray());
    EXPECT_EQ(Tip(area.Shown(icon->IconID())), QString());
}

TEST_F(TrayIconRecordTest, IconAssignmentSendsThePictureOnce) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    const std::size_t before = area.calls.size();
    icon->SetIcon(QIcon(Filled(Qt::red)));
    EXPECT_EQ(area.calls.size(), before + 1);
    const uint32_t handle = area.Shown(icon->IconID()).hIcon;
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(CentreOf(platform::LookupIcon(handle)), QColor(Qt::red).rgb());
    icon->SetIcon(QIcon());
    EXPECT_EQ(area.Shown(icon->IconID()).hIcon, 0u);
    EXPECT_TRUE(platform::LookupIcon(handle).isNull());
}

TEST_F(TrayIconRecordTest, ChangingTheOwnedIconResendsTheRecord) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    const std::size_t before = area.calls.size();
    icon->Icon().Assign(QIcon(Filled(Qt::green)));
    ASSERT_EQ(area.calls.size(), before + 1);
    EXPECT_EQ(area.calls.back().message, NIM_MODIFY);
    EXPECT_EQ(CentreOf(platform::LookupIcon(area.Shown(icon->IconID()).hIcon)),
              QColor(Qt::green).rgb());
}

TEST_F(TrayIconRecordTest, IconIndexBounds) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    icon->SetIconIndex(2);
    EXPECT_EQ(icon->IconIndex(), 0); // no image list
    auto list = ThreeImages();
    icon->SetIconList(list.get());
    EXPECT_EQ(icon->IconIndex(), 0);
    EXPECT_EQ(CentreOf(icon->Icon().Picture()), QColor(Qt::red).rgb());
    icon->SetIconIndex(1);
    EXPECT_EQ(icon->IconIndex(), 1);
    EXPECT_EQ(CentreOf(platform::LookupIcon(area.Shown(icon->IconID()).hIcon)),
              QColor(Qt::green).rgb());
    icon->SetIconIndex(7);
    EXPECT_EQ(icon->IconIndex(), 2);
    EXPECT_EQ(CentreOf(icon->Icon().Picture()), QColor(Qt::blue).rgb());
    icon->SetIconIndex(-3);
    EXPECT_EQ(icon->IconIndex(), -3);
    EXPECT_TRUE(icon->Icon().Empty());
    TImageList empty;
    icon->SetIconList(&empty);
    icon->SetIconIndex(4);
    EXPECT_EQ(icon->IconIndex(), -1);
    icon->SetIconList(nullptr);
}

TEST_F(TrayIconRecordTest, BehaviorSendsTheVersionWhetherOrNotShown) {
    auto icon = MakeIcon();
    icon->SetBehavior(TBehavior::bhWin2000);
    ASSERT_EQ(area.calls.size(), 1u);
    EXPECT_EQ(area.calls[0].message, NIM_SETVERSION);
    EXPECT_EQ(area.calls[0].data.TimeoutOrVersion.uVersion, NOTIFYICON_VERSION);
    icon->SetIconVisible(true);
    icon->SetBehavior(TBehavior::bhWin95);
    EXPECT_EQ(area.calls.back().message, NIM_SETVERSION);
    EXPECT_EQ(area.calls.back().data.TimeoutOrVersion.uVersion, 0u);
    // Adding again does not send the version.
    const std::size_t versions = area.CountOf(NIM_SETVERSION);
    icon->SetIconVisible(false);
    icon->SetIconVisible(true);
    EXPECT_EQ(area.CountOf(NIM_SETVERSION), versions);
}

TEST_F(TrayIconRecordTest, AfterLoadAppliesTheStoredValuesInOrder) {
    auto icon = MakeIcon();
    icon->SetHint(QByteArray("Lumivex"));
    icon->SetIconVisible(true);
    icon->SetIconVisible(false);
    area.calls.clear();
    // A stored IconVisible = true, as the window description would set it.
    icon->SetIconVisible(true);
    area.icons.clear();
    area.calls.clear();
    icon->AfterLoad();
    EXPECT_EQ(area.MessagesFor(icon->IconID()),
              (std::vector<uint32_t>{NIM_MODIFY, NIM_ADD, NIM_SETVERSION}));
    EXPECT_TRUE(area.Shows(icon->IconID()));
    EXPECT_TRUE(app.ShowMainFormAtStart());
    EXPECT_TRUE(app.log.empty());
}

TEST_F(TrayIconRecordTest, AfterLoadAsksOnStartupWhetherToShowTheMainForm) {
    auto icon = MakeIcon();
    int asked = 0;
    icon->OnStartup = [&](QObject* sender, bool& showMainForm) {
        EXPECT_EQ(sender, icon.get());
        EXPECT_TRUE(showMainForm);
        ++asked;
        showMainForm = false;
    };
    icon->AfterLoad();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(app.ShowMainFormAtStart());
    EXPECT_EQ(app.log, (std::vector<std::string>{"SetMainFormVisible(0)", "ShowWindow(0)"}));
}

TEST_F(TrayIconRecordTest, RemovedImageListAndMenuAreForgotten) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    auto list = ThreeImages();
    icon->SetIconList(list.get());
    icon->SetIconIndex(2);
    icon->SetPopupMenu(MakeMenu());
    area.calls.clear();
    list.reset();
    EXPECT_EQ(icon->IconList(), nullptr);
    EXPECT_EQ(icon->IconIndex(), 0);
    EXPECT_FALSE(area.calls.empty());
    EXPECT_EQ(area.calls.back().message, NIM_MODIFY);
    delete menu;
    EXPECT_EQ(icon->PopupMenu(), nullptr);
    // A double click with the menu gone runs no item and does not fail.
    icon->OnDblClick = [&](QObject*) { events.push_back("DblClick"); };
    Notify(*icon, msg::WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, std::vector<std::string>{"DblClick"});
}

} // namespace
