// Accented text through the three kinds of shop database: character set WIN1252, NONE
// holding Windows-1252 bytes, and UTF8; read over WIN1252 and UTF8 connections.
#include "QtPrinters.h"
#include "ReferenceQuery.h"
#include "ShopDatabase.h"
#include "catalogue/connection/Database.h"
#include "catalogue/products/ProductQuery.h"
#include "core/CodePage.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

const QString kSugar = QStringLiteral("AÇÚCAR CRISTAL 5KG");

class CharsetTest : public test::SuiteFolder<CharsetTest> {
protected:
    static void SetUpTestSuite() {
        // Each database gets the name through a connection of its own character set, so
        // the bytes stored are that set's: Windows-1252 for WIN1252 and NONE, UTF-8 for UTF8.
        const struct {
            const char* file;
            QByteArray defaultCharset;
            QByteArray connectionCharset;
            QByteArray name;
        } databases[] = {
            {"win1252.fdb", "WIN1252", "WIN1252", codepage::fromUnicode(kSugar)},
            {"none.fdb", "NONE", "NONE", codepage::fromUnicode(kSugar)},
            {"utf8.fdb", "UTF8", "UTF8", kSugar.toUtf8()},
        };
        for (const auto& kind : databases) {
            test::ShopDatabase db(suitePath(), QString::fromLatin1(kind.file), kind.defaultCharset,
                                  kind.connectionCharset);
            db.createProducts();
            db.insert({"000001", kind.name, "7891000100103", "19.9", "21.5"});
            db.insert({"000002", "SAL REFINADO 1KG", "7891000200209", "3", "3.5"});
        }
    }

    // The product name of article 000001 read through a connection of the given set.
    static QString nameThrough(const char* file, const QString& charset) {
        const QString path = suiteFile(QString::fromLatin1(file));
        QTemporaryDir profiles;
        test::writeProfile(profiles.path(), QStringLiteral("loja"), path, charset);
        Database database(ConnectionProfiles({profiles.path()}));
        database.setAlias(QStringLiteral("loja"));
        test::ReferenceQuery products(database, QStringLiteral("CDSProdutos"));
        setUpProductQuery(products, [] { return PriceMode::Wholesale; });
        products.open();
        if (!products.locate(QStringLiteral("BarCode"), QStringLiteral("000001")))
            return QStringLiteral("<not found>");
        // The key works with accents too.
        EXPECT_TRUE(products.locate(QStringLiteral("Produto"), kSugar))
            << file << " " << charset.toStdString();
        return products.fieldAsText(QStringLiteral("Produto"));
    }
};

TEST_F(CharsetTest, AWin1252DatabaseGivesTheAccentedName) {
    EXPECT_EQ(nameThrough("win1252.fdb", QStringLiteral("WIN1252")), kSugar);
    EXPECT_EQ(nameThrough("win1252.fdb", QStringLiteral("UTF8")), kSugar);
}

TEST_F(CharsetTest, ANoneDatabaseHoldingWindows1252BytesGivesTheAccentedName) {
    EXPECT_EQ(nameThrough("none.fdb", QStringLiteral("WIN1252")), kSugar);
    EXPECT_EQ(nameThrough("none.fdb", QStringLiteral("NONE")), kSugar);
}

TEST_F(CharsetTest, AUtf8DatabaseGivesTheAccentedName) {
    EXPECT_EQ(nameThrough("utf8.fdb", QStringLiteral("UTF8")), kSugar);
    EXPECT_EQ(nameThrough("utf8.fdb", QStringLiteral("WIN1252")), kSugar);
}

TEST_F(CharsetTest, TheNameBecomesWindows1252BytesForTheTerminals) {
    const QString name = nameThrough("utf8.fdb", QStringLiteral("UTF8"));
    EXPECT_EQ(codepage::fromUnicode(name), QByteArray("A\xC7\xDA"
                                                      "CAR CRISTAL 5KG"));
}

} // namespace
} // namespace veska::catalogue
