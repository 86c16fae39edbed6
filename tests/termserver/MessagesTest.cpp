// Server frames, display lines and the reading of terminal frames.

#include "protocol/Messages.h"

#include "protocol/CodePage.h"
#include "protocol/Limits.h"

#include <gtest/gtest.h>

namespace {

namespace proto = termserver::protocol;
namespace cp = termserver::codepage;

TEST(DisplayLine, KeepsAccentsOfTheCodePage) {
    EXPECT_EQ(proto::displayLine(U"AÇÚCAR"), "A\xC7\xDA"
                                             "CAR");
    EXPECT_EQ(proto::displayLine(U"Preço €"), "Pre\xE7o \x80");
}

TEST(DisplayLine, CutsAfterTwentyCharactersAndBlanksControls) {
    EXPECT_EQ(proto::displayLine(U"ARROZ TIPO 1 PACOTE 5KG"), "ARROZ TIPO 1 PACOTE ");
    EXPECT_EQ(proto::displayLine(U"A\tB\nC\x85"
                                 "D"),
              "A B C D");
    EXPECT_EQ(proto::displayLine(U"猫 \U0001F600"), "? ?");
    EXPECT_EQ(proto::displayLine(U""), "");
}

TEST(ServerFrames, HaveTheDocumentedForm) {
    EXPECT_EQ(proto::helloFrame("1.1.0"), "HELLO\t2\t1.1.0\n");
    EXPECT_EQ(proto::priceFrame("789", "ARROZ", "R$ 12,34"), "PRICE\t789\tARROZ\tR$ 12,34\n");
    EXPECT_EQ(proto::notFoundFrame("000"), "NOTFOUND\t000\tPRODUTO NAO\tENCONTRADO\n");
    EXPECT_EQ(proto::busyFrame("42"), "BUSY\t42\tSERVIDOR OCUPADO\tTENTE NOVAMENTE\n");
    EXPECT_EQ(proto::retryFrame("42"), "RETRY\t42\tSEM RESPOSTA\tTENTE NOVAMENTE\n");
    EXPECT_EQ(proto::refusedFrame(proto::Refusal::ServerFull),
              "REFUSED\tSERVIDOR LOTADO\tTENTE MAIS TARDE\n");
    EXPECT_EQ(proto::refusedFrame(proto::Refusal::AddressFull),
              "REFUSED\tLIMITE DO ENDERECO\tTENTE MAIS TARDE\n");
    EXPECT_EQ(proto::refusedFrame(proto::Refusal::NotAllowed),
              "REFUSED\tTERMINAL NAO\tAUTORIZADO\n");
    EXPECT_EQ(proto::messageFrame("VESKA ", "INFORMATICA", 4), "MSG\tVESKA \tINFORMATICA\t4\n");
    EXPECT_EQ(proto::pongFrame(), "PONG\n");
    EXPECT_EQ(proto::errorFrame("bad barcode"), "ERROR\tbad barcode\n");
}

TEST(ServerFrames, ClampTheDisplayTime) {
    EXPECT_EQ(proto::messageFrame("A", "B", -5), "MSG\tA\tB\t0\n");
    EXPECT_EQ(proto::messageFrame("A", "B", 0), "MSG\tA\tB\t0\n");
    EXPECT_EQ(proto::messageFrame("A", "B", 1'000'000), "MSG\tA\tB\t3600\n");
}

TEST(ServerFrames, FitTheFrameLimit) {
    const std::string line(proto::kDisplayColumns, '\xC7');
    const std::string barcode(proto::kMaxBarcodeBytes, '9');
    EXPECT_LE(proto::messageFrame(line, line, proto::kMaxDisplaySeconds).size(),
              proto::kMaxFrameBytes);
    EXPECT_LE(proto::priceFrame(barcode, line, line).size(), proto::kMaxFrameBytes);
    EXPECT_LE(proto::busyFrame(barcode).size(), proto::kMaxFrameBytes);
}

TEST(TerminalFrames, ReadScanAndPing) {
    const auto scan = proto::readTerminalFrame({"SCAN", {"7891234567890"}});
    ASSERT_TRUE(std::holds_alternative<proto::ScanRequest>(scan));
    EXPECT_EQ(std::get<proto::ScanRequest>(scan).barcode, "7891234567890");
    EXPECT_TRUE(std::holds_alternative<proto::PingRequest>(proto::readTerminalFrame({"PING", {}})));
    const std::string longest(proto::kMaxBarcodeBytes, '9');
    EXPECT_TRUE(
        std::holds_alternative<proto::ScanRequest>(proto::readTerminalFrame({"SCAN", {longest}})));
}

TEST(TerminalFrames, RefuseWhatIsNoValidRequest) {
    const std::vector<proto::Frame> bad = {
        {"SCAN", {}},          {"SCAN", {""}},
        {"SCAN", {"1", "2"}},  {"SCAN", {std::string(proto::kMaxBarcodeBytes + 1, '9')}},
        {"SCAN", {"A\xC7"}},   {"PING", {"x"}},
        {"PRICE", {"A", "B"}}, {"HELLO", {"1"}},
    };
    for (const auto& frame : bad) {
        EXPECT_TRUE(std::holds_alternative<proto::InvalidRequest>(proto::readTerminalFrame(frame)))
            << frame.command;
    }
}

TEST(CodePage, Windows1252RoundTripsEveryDefinedByte) {
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t ch =
            cp::decodeByte(static_cast<unsigned char>(byte), cp::CodePage::Windows1252);
        EXPECT_EQ(static_cast<unsigned char>(cp::encodeWindows1252(ch)), byte) << byte;
    }
    EXPECT_EQ(cp::decodeByte(0x80, cp::CodePage::Windows1252), U'€');
    EXPECT_EQ(cp::decodeByte(0x80, cp::CodePage::Latin1), U'\x80');
    EXPECT_EQ(cp::encodeWindows1252(U'Ā'), '?');
}

TEST(CodePage, DecodesUtf16WithSurrogatesAndLimits) {
    EXPECT_EQ(cp::decodeUtf16(u"Preço", 20), U"Preço");
    EXPECT_EQ(cp::decodeUtf16(u"a\U0001F600b", 20), U"a\U0001F600b");
    const char16_t unpaired[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(cp::decodeUtf16(unpaired, 20), U"a\xFFFD"
                                             "b");
    EXPECT_EQ(cp::decodeUtf16(u"abcdef", 3), U"abc");
    EXPECT_EQ(cp::decodeUtf16(nullptr, 20), U"");
    EXPECT_EQ(cp::decodeZeroTerminated("A\xC7", 20, cp::CodePage::Windows1252), U"AÇ");
    EXPECT_EQ(cp::decodeZeroTerminated(nullptr, 20, cp::CodePage::Windows1252), U"");
}

TEST(CodePage, WritesUtf8) {
    EXPECT_EQ(cp::windows1252ToUtf8("A\xC7\xDA"
                                    "CAR \x80"),
              "AÇÚCAR €");
    EXPECT_EQ(cp::toUtf8(U"\U0001F600"), "\xF0\x9F\x98\x80");
}

} // namespace
