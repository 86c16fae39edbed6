#include "core/CodePage.h"

#include <gtest/gtest.h>

namespace cp = veska::codepage;

TEST(CodePage, AccentedPortugueseRoundTrips) {
    const QString text = QStringLiteral("AÇÚCAR CRISTAL 5KG Preço ã õ é");
    const QByteArray bytes = cp::fromUnicode(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xC7); // Ç
    EXPECT_EQ(cp::toUnicode(bytes), text);
}

TEST(CodePage, TheWindowsRangeMapsToItsCharacters) {
    EXPECT_EQ(cp::toUnicode(QByteArray("\x80\x93\x94", 3)), QStringLiteral("€“”"));
    EXPECT_EQ(cp::fromUnicode(u"€"), QByteArray("\x80"));
}

TEST(CodePage, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(cp::fromUnicode(cp::toUnicode(all)), all);
}

TEST(CodePage, CharactersOutsideBecomeOneQuestionMarkEach) {
    EXPECT_EQ(cp::fromUnicode(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
    EXPECT_EQ(cp::fromUnicode(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y"));
}
