// The tray icon's extras: animation through an image list, balloon notices, enter/exit
// detection, the geometry queries, BitmapToIcon and the design preview.
#include "TrayFixture.h"
#include "tray/TImageList.h"
#include "tray/TLightTimer.h"
#include "tray/platform/IconRegistry.h"
#include "tray/platform/Input.h"

#include <QCursor>
#include <QImage>
#include <cstring>

using namespace veska;
using namespace veska::nim;

namespace {

class TrayIconExtrasTest : public veska::test::TrayFixture {
protected:
    void SetUp() override {
        TrayFixture::SetUp();
        images.Add(Filled(Qt::red));
        images.Add(Filled(Qt::green));
        images.Add(Filled(Qt::blue));
    }
    int ShownImage(const TNotifyTrayIcon& icon) {
        const QRgb centre = CentreOf(platform::LookupIcon(area.Shown(icon.IconID()).hIcon));
        for (int i = 0; i < images.Count(); ++i) {
            if (images.Image(i).toImage().pixel(8, 8) == centre)
                return i;
        }
        return -1;
    }
    TImageList images;
};

TEST_F(TrayIconExtrasTest, AnimationStepsThroughTheImagesAndReportsTheNextIndexFirst) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    icon->SetIconList(&images);
    icon->SetIconIndex(2);
    std::vector<int> reported;
    std::vector<int> indexAtReport;
    std::vector<int> shownAtReport;
    icon->OnCycle = [&](QObject* sender, int32_t nextIndex) {
        EXPECT_EQ(sender, icon.get());
        reported.push_back(nextIndex);
        indexAtReport.push_back(icon->IconIndex());
        shownAtReport.push_back(ShownImage(*icon));
    };
    icon->SetCycleInterval(15);
    icon->SetCycleIcons(true);
    EXPECT_EQ(icon->IconIndex(), 0);
    EXPECT_EQ(ShownImage(*icon), 0);
    Advance(4 * 15);
    ASSERT_EQ(reported.size(), 4u);
    icon->SetCycleIcons(false);
    EXPECT_EQ((std::vector<int>(reported.begin(), reported.begin() + 4)),
              (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ((std::vector<int>(indexAtReport.begin(), indexAtReport.begin() + 4)),
              (std::vector<int>{0, 1, 2, 0}));
    // Each step shows the image it reported, which the next step finds in the tray.
    EXPECT_EQ((std::vector<int>(shownAtReport.begin(), shownAtReport.begin() + 4)),
              (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(ShownImage(*icon), reported.back());
    Advance(50);
    EXPECT_EQ(reported.size(), 4u);
}

TEST_F(TrayIconExtrasTest, CycleIconsWithIntervalZeroResetsTheIndexAndWaitsForAnInterval) {
    auto icon = MakeIcon();
    icon->SetIconList(&images);
    icon->SetIconIndex(2);
    int steps = 0;
    icon->OnCycle = [&](QObject*, int32_t) { ++steps; };
    icon->SetCycleIcons(true);
    EXPECT_EQ(icon->IconIndex(), 0);
    Advance(60);
    EXPECT_EQ(steps, 0);
    icon->SetCycleInterval(10);
    Advance(20);
    EXPECT_EQ(steps, 2);
    icon->SetCycleIcons(false);
}

TEST_F(TrayIconExtrasTest, AnimationWithoutAnImageListDoesNothing) {
    auto icon = MakeIcon();
    int steps = 0;
    icon->OnCycle = [&](QObject*, int32_t) { ++steps; };
    icon->SetCycleInterval(10);
    icon->SetCycleIcons(true);
    Advance(60);
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(icon->IconIndex(), 0);
}

TEST_F(TrayIconExtrasTest, AnOnCycleHandlerThatTakesTheListAwayEndsTheStep) {
    auto icon = MakeIcon();
    icon->SetIconList(&images);
    int steps = 0;
    icon->OnCycle = [&](QObject*, int32_t) {
        ++steps;
        icon->SetIconList(nullptr);
    };
    icon->SetCycleInterval(10);
    icon->SetCycleIcons(true);
    Advance(50);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(icon->IconIndex(), 0);
}

TEST_F(TrayIconExtrasTest, BalloonHintFillsTheRecordCutsItsTextsAndRestoresTheFlags) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    const std::size_t before = area.calls.size();
    EXPECT_TRUE(icon->ShowBalloonHint(QByteArray(100, 't'), QByteArray(300, 'x'),
                                      TBalloonHintIcon::bitWarning, 15));
    ASSERT_EQ(area.calls.size(), before + 2);
    // First the old notice is hidden, then the new one is sent.
    const TNotifyIconDataEx& hide = area.calls[before].data;
    EXPECT_EQ(area.calls[before].message, NIM_MODIFY);
    EXPECT_NE(hide.uFlags & NIF_INFO, 0u);
    EXPECT_EQ(hide.szInfo[0], 0);
    const TNotifyIconDataEx& show = area.calls[before + 1].data;
    EXPECT_EQ(show.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    EXPECT_EQ(std::strlen(show.szInfo), 255u);
    EXPECT_EQ(std::strlen(show.szInfoTitle), 63u);
    EXPECT_EQ(show.TimeoutOrVersion.uTimeout, 15000u);
    EXPECT_EQ(show.dwInfoFlags, NIIF_WARNING);
    // The next change of the record carries no notice.
    icon->SetHint(QByteArray("x"));
    EXPECT_EQ(area.calls.back().data.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
}

TEST_F(TrayIconExtrasTest, BalloonKindsAndShortTexts) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    const TBalloonHintIcon kinds[] = {TBalloonHintIcon::bitNone, TBalloonHintIcon::bitInfo,
                                      TBalloonHintIcon::bitWarning, TBalloonHintIcon::bitError};
    for (uint32_t i = 0; i < 4; ++i) {
        icon->ShowBalloonHint(QByteArray("T\xedtulo"), QByteArray("Pre\xe7o"), kinds[i], 10);
        EXPECT_EQ(area.calls.back().data.dwInfoFlags, i);
        EXPECT_STREQ(area.calls.back().data.szInfo, "Pre\xe7o");
        EXPECT_STREQ(area.calls.back().data.szInfoTitle, "T\xedtulo");
    }
}

TEST_F(TrayIconExtrasTest, BalloonOnAHiddenIconReportsTheRefusal) {
    auto icon = MakeIcon();
    EXPECT_FALSE(
        icon->ShowBalloonHint(QByteArray("t"), QByteArray("x"), TBalloonHintIcon::bitInfo, 10));
    EXPECT_FALSE(icon->HideBalloonHint());
}

TEST_F(TrayIconExtrasTest, EnterAndExitFollowThePointer) {
    auto icon = MakeIcon();
    std::vector<std::string> seen;
    icon->OnMouseEnter = [&](QObject*) { seen.push_back("Enter"); };
    icon->OnMouseExit = [&](QObject*) { seen.push_back("Exit"); };
    icon->OnMouseMove = [&](QObject*, TShiftState, int, int) { seen.push_back("Move"); };
    QCursor::setPos(200, 200);
    Notify(*icon, msg::WM_MOUSEMOVE);
    EXPECT_EQ(seen, (std::vector<std::string>{"Move"}));
    icon->SetWantEnterExitEvents(true);
    Notify(*icon, msg::WM_MOUSEMOVE);
    Notify(*icon, msg::WM_MOUSEMOVE);
    EXPECT_EQ(seen, (std::vector<std::string>{"Move", "Enter", "Move", "Move"}));
    Advance(60);
    EXPECT_EQ(seen.size(), 4u);
    QCursor::setPos(205, 200);
    Advance(20);
    EXPECT_EQ(seen.back(), "Exit");
    Advance(60);
    EXPECT_EQ(seen.size(), 5u);
    Notify(*icon, msg::WM_MOUSEMOVE);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"Move", "Enter", "Move", "Move", "Exit", "Enter", "Move"}));
    icon->SetWantEnterExitEvents(false);
    QCursor::setPos(300, 300);
    Advance(60);
    EXPECT_EQ(seen.size(), 7u);
}

TEST_F(TrayIconExtrasTest, ClientIconPosIsThePointerInsideAnIconCell) {
    auto icon = MakeIcon();
    const int cell = platform::CaptionHeight() - 1;
    ASSERT_GT(cell, 2);
    // No window of ours is there, so the point stays in screen coordinates.
    EXPECT_EQ(icon->GetClientIconPos(5 * cell + 2, 3 * cell), QPoint(1, -1));
    EXPECT_EQ(icon->GetClientIconPos(-1, cell + 1), QPoint(-2, 0));
    EXPECT_EQ(icon->GetTooltipHandle(), 0u);
    EXPECT_EQ(icon->GetBalloonHintHandle(), 0u);
}

TEST_F(TrayIconExtrasTest, BitmapToIconMakesASixteenPixelIconWithTheMaskColourClear) {
    QImage bitmap(32, 32, QImage::Format_RGB32);
    bitmap.fill(Qt::magenta);
    for (int y = 8; y < 24; ++y)
        for (int x = 8; x < 24; ++x)
            bitmap.setPixel(x, y, QColor(Qt::darkGreen).rgb());
    TIcon icon;
    // Its result is always true, as the component's own is; what counts is the icon.
    (void)TNotifyTrayIcon::BitmapToIcon(QPixmap::fromImage(bitmap), icon, Qt::magenta);
    ASSERT_FALSE(icon.Empty());
    const QImage result = icon.Picture().pixmap(16, 16).toImage();
    EXPECT_EQ(result.size(), QSize(16, 16));
    // The mask colour's border is clear; the square inside keeps its colour, opaque.
    for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
        EXPECT_EQ(qAlpha(result.pixel(corner)), 0) << corner.x() << "," << corner.y();
    EXPECT_EQ(qAlpha(result.pixel(8, 8)), 255);
    EXPECT_EQ(QColor(result.pixel(8, 8)).rgb(), QColor(Qt::darkGreen).rgb());
}

TEST_F(TrayIconExtrasTest, DesignPreviewIsInertOutsideADesigner) {
    auto icon = MakeIcon();
    icon->SetDesignPreview(true);
    EXPECT_TRUE(icon->DesignPreview());
    EXPECT_TRUE(area.calls.empty());
    EXPECT_TRUE(icon->Icon().Empty());
}

TEST_F(TrayIconExtrasTest, DesignPreviewShowsAStockIconWithoutChangingIconVisible) {
    auto icon = MakeIcon(true);
    EXPECT_TRUE(icon->Designing());
    area.calls.clear();
    icon->SetIconVisible(true);
    EXPECT_TRUE(icon->IconVisible());
    EXPECT_TRUE(area.calls.empty()); // a designer shows no icon without the preview
    icon->SetHint(QByteArray("dica"));
    EXPECT_TRUE(area.calls.empty());
    icon->SetIconVisible(false);
    icon->SetDesignPreview(true);
    EXPECT_FALSE(icon->Icon().Empty());
    EXPECT_TRUE(area.Shows(icon->IconID()));
    EXPECT_FALSE(icon->IconVisible());
    // With the preview on, changes reach the shell.
    icon->SetHint(QByteArray("dica"));
    EXPECT_EQ(area.Shown(icon->IconID()).szTip[0], u'd');
    icon->SetDesignPreview(false);
    EXPECT_FALSE(area.Shows(icon->IconID()));
    // A designer's component installs no hook: the shell restart adds nothing.
    icon->SetIconVisible(true);
    area.RestartShell();
    EXPECT_FALSE(area.Shows(icon->IconID()));
}

} // namespace
