#include "terminal/ServerControl.h"

#include "Journal.h"
#include "TestProvider.h"
#include "TestViews.h"
#include "terminal/LibraryVersion.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace veska::terminal::test {
namespace {

class ServerControlTest : public ::testing::Test {
protected:
    void SetUp() override { resetProvider(); }

    RecordingServerView view;
    RecordingNotices notices;
    RecordingLog log;
    ServerControl control{providerApi(), view, notices, log};
};

QStringList startedSequence() {
    return {
        QStringLiteral("tc_startserver"), QStringLiteral("log: Servidor inicializado com sucesso."),
        QStringLiteral("caption Parar"),  QStringLiteral("color 008000"),
        QStringLiteral("messages on"),    QStringLiteral("clear list"),
        QStringLiteral("Timer3Seg on"),   QStringLiteral("Timer100ms on"),
        QStringLiteral("arm Timer3")};
}

QStringList stoppedSequence() {
    return {QStringLiteral("bTerminate"),      QStringLiteral("log: Servidor interrompido."),
            QStringLiteral("Timer3Seg off"),   QStringLiteral("Timer100ms off"),
            QStringLiteral("caption Iniciar"), QStringLiteral("color ff0000"),
            QStringLiteral("messages off")};
}

TEST_F(ServerControlTest, StartSucceedsInOrder) {
    control.toggle();
    EXPECT_EQ(journal(), startedSequence());
    EXPECT_EQ(view.caption, QStringLiteral("Parar"));
    EXPECT_TRUE(notices.shown.isEmpty());
}

TEST_F(ServerControlTest, AnyNonZeroStartResultMeansRunning) {
    provider().startResult = -7;
    control.toggle();
    EXPECT_EQ(journal(), startedSequence());
}

TEST_F(ServerControlTest, RefusedStartKeepsStoppedAndSaysSo) {
    provider().startResult = 0;
    view.caption = QStringLiteral("Iniciar");
    view.color = kStoppedColor;
    view.messagesEnabled = false;
    control.toggle();
    EXPECT_EQ(journal(),
              (QStringList{QStringLiteral("tc_startserver"),
                           QStringLiteral("log: Erro inicializando servidor."),
                           QStringLiteral("Timer3Seg off"), QStringLiteral("Timer100ms off"),
                           QStringLiteral("notice: Erro inicializando servidor.")}));
    EXPECT_EQ(view.caption, QStringLiteral("Iniciar"));
    EXPECT_EQ(view.color, kStoppedColor);
    EXPECT_FALSE(view.messagesEnabled);
}

TEST_F(ServerControlTest, RefusedStartLogsTheSystemReason) {
    provider().startResult = 0;
    provider().startErrno = EADDRINUSE;
    control.toggle();
    const QString reason = QString::fromLocal8Bit(std::strerror(EADDRINUSE));
    // The port is taken: most likely by the shop's other program, which the last line names.
    EXPECT_EQ(log.lines, (QStringList{QStringLiteral("Erro inicializando servidor."), reason,
                                      ServerControl::addressInUseLine()}));
    EXPECT_EQ(notices.shown, QStringList{QStringLiteral("Erro inicializando servidor.")});
}

TEST_F(ServerControlTest, StartAfterStopClearsTheListAgain) {
    control.toggle();
    control.toggle();
    journal().clear();
    control.toggle();
    EXPECT_EQ(journal(), startedSequence());
}

TEST_F(ServerControlTest, StopSucceedsInOrder) {
    control.toggle();
    journal().clear();
    control.toggle();
    EXPECT_EQ(journal(), stoppedSequence());
    EXPECT_FALSE(view.refreshTimer);
    EXPECT_FALSE(view.priceTimer);
}

TEST_F(ServerControlTest, OnlyTheLowByteOfTheStopResultCounts) {
    provider().terminateResult = 0x101;
    view.caption = QStringLiteral("Parar");
    control.toggle();
    EXPECT_EQ(journal(), stoppedSequence());
}

TEST_F(ServerControlTest, RefusedStopKeepsEverythingRunning) {
    control.toggle();
    for (const std::int32_t refusal : {0, 2, 0x100, -1}) {
        provider().terminateResult = refusal;
        journal().clear();
        control.toggle();
        EXPECT_EQ(journal(), (QStringList{QStringLiteral("bTerminate"),
                                          QStringLiteral("log: Erro inicializando servidor."),
                                          QStringLiteral("notice: Erro inicializando servidor.")}))
            << refusal;
        EXPECT_EQ(view.caption, QStringLiteral("Parar"));
        EXPECT_TRUE(view.refreshTimer);
        EXPECT_TRUE(view.priceTimer);
    }
    // The next click tries to stop again.
    provider().terminateResult = 1;
    journal().clear();
    control.toggle();
    EXPECT_EQ(journal(), stoppedSequence());
}

TEST_F(ServerControlTest, OnlyTheExactCaptionPararMeansRunning) {
    for (const QString& caption : {QStringLiteral("parar"), QStringLiteral("Parar "),
                                   QStringLiteral(""), QStringLiteral("Iniciar")}) {
        view.caption = caption;
        journal().clear();
        control.toggle();
        ASSERT_FALSE(journal().isEmpty());
        EXPECT_EQ(journal().front(), QStringLiteral("tc_startserver")) << caption.toStdString();
    }
}

TEST_F(ServerControlTest, StoppedPresentationAtCreation) {
    control.presentStopped();
    EXPECT_EQ(journal(),
              (QStringList{QStringLiteral("color ff0000"), QStringLiteral("messages off")}));
}

TEST(LibraryVersionTest, InitialisesThenLogsTheVersionFromTheCodePage) {
    resetProvider();
    provider().version = "v2 \xE7\xE3o \x80"; // Windows-1252: "ção €"
    RecordingLog log;
    initializeLibraryAndLogVersion(providerApi(), log);
    EXPECT_EQ(journal(), (QStringList{QStringLiteral("vInitialize"), QStringLiteral("dll_version"),
                                      QStringLiteral("log: Versão da DLL: v2 ção €")}));
}

TEST(LibraryVersionTest, ANullVersionLogsAnEmptyVersion) {
    resetProvider();
    provider().version.reset();
    RecordingLog log;
    initializeLibraryAndLogVersion(providerApi(), log);
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("Versão da DLL: ")});
}

} // namespace
} // namespace veska::terminal::test
