#include "terminal/DisplayMessage.h"

#include "Journal.h"
#include "TestProvider.h"
#include "TestViews.h"
#include "core/Errors.h"

#include <gtest/gtest.h>

namespace veska::terminal::test {
namespace {

class DisplayMessageTest : public ::testing::Test {
protected:
    void SetUp() override { resetProvider(); }

    void selectTerminal(const QString& entry) {
        list.entries = {QStringLiteral("127.0.0.7:3"), entry};
        list.selected = 1;
    }

    // Sends and expects the ConvertError message, with nothing sent or logged.
    void expectConversionFailure(const QString& badText) {
        try {
            message.send();
            ADD_FAILURE() << "no conversion error";
        } catch (const ConvertError& error) {
            EXPECT_EQ(error.text(),
                      QStringLiteral("'%1' is not a valid integer value").arg(badText));
        }
        EXPECT_TRUE(provider().messages.empty());
        EXPECT_TRUE(log.lines.isEmpty());
        EXPECT_TRUE(notices.shown.isEmpty());
    }

    RecordingListView list;
    FormView form;
    RecordingNotices notices;
    RecordingLog log;
    DisplayMessage message{providerApi(), list, form, notices, log};
};

TEST_F(DisplayMessageTest, TheInitialTextsGoToTheSelectedTerminal) {
    selectTerminal(QStringLiteral("127.0.0.1:1234"));
    message.send();
    ASSERT_EQ(provider().messages.size(), 1u);
    const SentMessage& sent = provider().messages[0];
    EXPECT_EQ(sent.address, addressOf("127.0.0.1"));
    EXPECT_EQ(sent.line1, std::u16string(u"VESKA "));
    EXPECT_EQ(sent.line2, std::u16string(u"INFORMATICA"));
    EXPECT_EQ(sent.displayTime, 4);
    EXPECT_EQ(provider().addressTexts, std::vector<std::string>{"127.0.0.1"});
    EXPECT_EQ(journal(),
              (QStringList{QStringLiteral("Inet_Addr"), QStringLiteral("bSendDisplayMsg"),
                           QStringLiteral("log: 127.0.0.1:1234 -> Mensagem enviada ao Terminal")}));
}

TEST_F(DisplayMessageTest, LinesAreSentAsUtf16WithoutTrimming) {
    selectTerminal(QStringLiteral("127.0.0.1:5"));
    form.first = QStringLiteral("  Preço ção €  ");
    form.second = QStringLiteral("x");
    message.send();
    ASSERT_EQ(provider().messages.size(), 1u);
    EXPECT_EQ(provider().messages[0].line1, std::u16string(u"  Preço ção €  "));
    EXPECT_EQ(provider().messages[0].line2, std::u16string(u"x"));
}

TEST_F(DisplayMessageTest, EmptyLinesAreSentAsNullPointers) {
    selectTerminal(QStringLiteral("127.0.0.1:5"));
    form.first.clear();
    message.send();
    form.first = QStringLiteral("A");
    form.second.clear();
    message.send();
    form.first.clear();
    message.send();
    ASSERT_EQ(provider().messages.size(), 3u);
    EXPECT_FALSE(provider().messages[0].line1.has_value());
    EXPECT_EQ(provider().messages[0].line2, std::u16string(u"INFORMATICA"));
    EXPECT_EQ(provider().messages[1].line1, std::u16string(u"A"));
    EXPECT_FALSE(provider().messages[1].line2.has_value());
    EXPECT_FALSE(provider().messages[2].line1.has_value());
    EXPECT_FALSE(provider().messages[2].line2.has_value());
    EXPECT_EQ(log.lines.size(), 3);
}

TEST_F(DisplayMessageTest, DisplayTimeIsPassedUnchanged) {
    selectTerminal(QStringLiteral("127.0.0.1:5"));
    for (const auto& [text, value] : std::vector<std::pair<QString, std::int32_t>>{
             {QStringLiteral("0"), 0},
             {QStringLiteral("-3"), -3},
             {QStringLiteral(" +12"), 12},
             {QStringLiteral("$10"), 16},
             {QStringLiteral("-2147483648"), -2147483647 - 1}}) {
        provider().messages.clear();
        form.time = text;
        message.send();
        ASSERT_EQ(provider().messages.size(), 1u);
        EXPECT_EQ(provider().messages[0].displayTime, value) << text.toStdString();
    }
}

TEST_F(DisplayMessageTest, NothingSelectedShowsANoticeOnly) {
    list.entries = {QStringLiteral("127.0.0.1:5")};
    list.selected = -1;
    message.send();
    EXPECT_EQ(journal(), QStringList{QStringLiteral("notice: Selecione um Terminal")});
    EXPECT_TRUE(provider().messages.empty());
}

TEST_F(DisplayMessageTest, NothingSelectedWinsOverABadDisplayTime) {
    form.time = QStringLiteral("abc");
    message.send();
    EXPECT_EQ(notices.shown, QStringList{QStringLiteral("Selecione um Terminal")});
}

TEST_F(DisplayMessageTest, OnlyTheLastColonSeparatesAddressAndSocket) {
    selectTerminal(QStringLiteral("a:b:127.0.0.1:42"));
    message.send();
    EXPECT_EQ(provider().addressTexts, std::vector<std::string>{"a:b:127.0.0.1"});
    EXPECT_EQ(log.lines,
              QStringList{QStringLiteral("a:b:127.0.0.1:42 -> Mensagem enviada ao Terminal")});
}

TEST_F(DisplayMessageTest, TheAddressGoesToTheLibraryAsCodePageText) {
    selectTerminal(QStringLiteral("caixa-ção:9"));
    message.send();
    EXPECT_EQ(provider().addressTexts, std::vector<std::string>{"caixa-\xE7\xE3o"});
    EXPECT_EQ(log.lines,
              QStringList{QStringLiteral("caixa-ção:9 -> Mensagem enviada ao Terminal")});
}

TEST_F(DisplayMessageTest, TheSocketIsReducedTo16Bits) {
    selectTerminal(QStringLiteral("127.0.0.1:65537"));
    message.send();
    EXPECT_EQ(log.lines,
              QStringList{QStringLiteral("127.0.0.1:1 -> Mensagem enviada ao Terminal")});
    log.lines.clear();
    selectTerminal(QStringLiteral("127.0.0.1:-1"));
    message.send();
    EXPECT_EQ(log.lines,
              QStringList{QStringLiteral("127.0.0.1:65535 -> Mensagem enviada ao Terminal")});
}

TEST_F(DisplayMessageTest, AGoneTerminalIsStillSentToAndLogged) {
    // The list is up to 3 seconds old; the library is not asked whether the terminal is there.
    selectTerminal(QStringLiteral("127.0.0.99:77"));
    message.send();
    EXPECT_EQ(provider().messages.size(), 1u);
    EXPECT_EQ(log.lines.size(), 1);
}

TEST_F(DisplayMessageTest, ABadDisplayTimeSendsNothing) {
    selectTerminal(QStringLiteral("127.0.0.1:5"));
    for (const QString& bad : {QStringLiteral("abc"), QStringLiteral(""), QStringLiteral("4 "),
                               QStringLiteral("2147483648"), QStringLiteral("1.5")}) {
        form.time = bad;
        expectConversionFailure(bad);
    }
}

TEST_F(DisplayMessageTest, ABadSocketPartFailsBeforeAnythingIsSent) {
    form.time = QStringLiteral("also bad");
    selectTerminal(QStringLiteral("127.0.0.1:1a"));
    // The socket part is converted first, so its text is the one in the message.
    expectConversionFailure(QStringLiteral("1a"));
    selectTerminal(QStringLiteral("127.0.0.1:"));
    expectConversionFailure(QString());
    selectTerminal(QStringLiteral("no colon"));
    expectConversionFailure(QStringLiteral("no colon"));
    EXPECT_TRUE(provider().addressTexts.empty());
}

} // namespace
} // namespace veska::terminal::test
