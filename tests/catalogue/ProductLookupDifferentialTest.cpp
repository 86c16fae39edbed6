// The lookups in the database against the reference: the same random scans, served once
// through the reopened and searched product query and once through the prepared lookups
// with the grid following, give the same answers, the same log lines and the same current
// row of the product query. The catalogue is made to be awkward: codes that differ only in
// letter case or trailing blanks, repeated codes, barcodes shared by several articles or
// equal to another article's code, codes framed by "A", prices with many decimals, no
// price, no barcode, accented text; rows are inserted in random order. Fixed seed.
#include "ReferenceQuery.h"
#include "ReopenedQuerySource.h"
#include "ShopDatabase.h"
#include "TestProvider.h"
#include "TestViews.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductQuery.h"
#include "catalogue/products/ServedArticleGrid.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "terminal/PriceQueryService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace veska::terminal::test {
namespace {

using catalogue::PriceMode;

// Articles and scans of a catalogue with indexes; without them every lookup and the
// reference read the whole table, so such catalogues are smaller.
constexpr int kArticles = 1500;
constexpr int kArticlesWithoutIndexes = 700;
constexpr unsigned kSeed = 20261208;

// Prices as the shop typed them, and a description that Windows-1252 cannot show.
struct ExactRow {
    const char* code;
    const char* name; // UTF-8
    const char* price;
};
constexpr ExactRow kExactRows[] = {{"4675", "Café ☕ Őrgãnico 😀", "2.675"},
                                   {"4005", "Meio centavo", "0.005"},
                                   {"987654", "Queijo kg", "2.01"}};

struct Row {
    QString code;
    QString name;
    std::optional<QString> barcode;
    std::optional<double> wholesale;
    std::optional<double> retail;
};

QString sqlText(const std::optional<QString>& text) {
    return text ? QStringLiteral("'") + *text + QStringLiteral("'") : QStringLiteral("NULL");
}

QString sqlNumber(const std::optional<double>& number) {
    return number ? QString::number(*number, 'g', 17) : QStringLiteral("NULL");
}

// A table of the catalogue: with or without indexes on the lookup columns, its columns in
// one character set and collation, read through a connection of a character set of its
// own, and maybe churned (rows deleted and inserted again, so that record numbers and the
// order of the rows on the pages no longer follow the order of insertion).
struct Variant {
    bool indexed;
    const char* charset;    // the database's, so its columns'
    const char* collation;  // of both lookup columns; the character set's default when null
    const char* connection; // the connection's character set
    bool churned = false;
    const char* priceType = "double precision";
    // Descriptions with characters that Windows-1252 lacks, and the articles of the checks
    // of exactCases() (a UTF8 database only).
    bool foreignText = false;

    int articles() const { return indexed ? kArticles : kArticlesWithoutIndexes; }
};

void PrintTo(const Variant& variant, std::ostream* out) {
    *out << (variant.indexed ? "indexed " : "without indexes ") << variant.charset << ' '
         << (variant.collation != nullptr ? variant.collation : "default") << " through "
         << variant.connection << (variant.churned ? " churned" : "") << ", prices "
         << variant.priceType << (variant.foreignText ? ", foreign text" : "");
}

class Catalogue {
public:
    Catalogue(std::mt19937& random, const Variant& variant) {
        const bool indexed = variant.indexed;
        const QString path = QDir(folder_.path()).filePath(QStringLiteral("produtos.fdb"));
        parameters_.database = QFile::encodeName(path);
        parameters_.user = "ROOT";
        parameters_.password = "480317";
        parameters_.charset = variant.connection;
        parameters_.forcedWrites = false;
        utf8_ = parameters_.charset == "UTF8";
        auto creator = catalogue::firebird::Attachment::create(parameters_, variant.charset);
        const QByteArray collate =
            variant.collation != nullptr ? QByteArray(" collate ") + variant.collation : "";
        creator.executeImmediate(catalogue::test::ProductTable()
                                     .code("varchar(13) not null" + collate)
                                     .barcode("varchar(14)" + collate)
                                     .wholesale(variant.priceType)
                                     .retail(variant.priceType)
                                     .sql());
        // A NONE column holds the connection's bytes: codes in ASCII fit it on any connection.
        rows_ = makeRows(random, variant.articles(), QByteArray(variant.charset) != "NONE");
        std::shuffle(rows_.begin(), rows_.end(), random);
        const auto insert = [&](const Row& row) {
            const QString sql =
                QStringLiteral("insert into produtos values ('%1', '%2', %3, %4, %5)")
                    .arg(row.code, row.name, sqlText(row.barcode), sqlNumber(row.wholesale),
                         sqlNumber(row.retail));
            creator.executeImmediate(utf8_ ? sql.toUtf8() : codepage::fromUnicode(sql));
        };
        for (const Row& row : rows_)
            insert(row);
        if (variant.churned) {
            // A fifth of the rows deleted and inserted again, in another order: the freed
            // record slots are taken again out of the order of the codes.
            std::vector<Row> again;
            std::sample(rows_.begin(), rows_.end(), std::back_inserter(again),
                        variant.articles() / 5, random);
            std::shuffle(again.begin(), again.end(), random);
            for (const Row& row : again) {
                const QString sql =
                    QStringLiteral("delete from produtos where nome = '%1'").arg(row.name);
                creator.executeImmediate(utf8_ ? sql.toUtf8() : codepage::fromUnicode(sql));
            }
            std::shuffle(again.begin(), again.end(), random);
            for (const Row& row : again)
                insert(row);
        }
        if (variant.foreignText)
            insertExactCases(utf8Parameters());
        if (indexed) {
            creator.executeImmediate("create index produtos_codigo on produtos (codigo)");
            creator.executeImmediate("create index produtos_cod_barra on produtos (cod_barra)");
        }
        // The program's connection profile for the file, in the database's character set.
        alias_ = QStringLiteral("Differential");
        QFile profile(QDir(folder_.path()).filePath(QStringLiteral("veska-aliases.conf")));
        if (!profile.open(QIODevice::WriteOnly))
            throw Error(QStringLiteral("cannot write the connection profile"));
        profile.write("[Differential]\ndatabase = produtos.fdb\ncharset = " + parameters_.charset +
                      "\n");
    }

    const std::vector<Row>& rows() const { return rows_; }

    std::unique_ptr<catalogue::Database> connect() const {
        auto database = std::make_unique<catalogue::Database>(
            catalogue::ConnectionProfiles(QStringList{folder_.path()}));
        database->setAlias(alias_);
        return database;
    }

private:
    catalogue::firebird::AttachParameters utf8Parameters() const {
        catalogue::firebird::AttachParameters utf8 = parameters_;
        utf8.charset = "UTF8";
        return utf8;
    }

    // The articles of the exact checks, written through UTF8: codes of digits 4 to 9, which
    // no random code holds.
    static void insertExactCases(const catalogue::firebird::AttachParameters& utf8) {
        auto writer = catalogue::firebird::Attachment::attach(utf8);
        for (const ExactRow& row : kExactRows) {
            writer.executeImmediate(
                QStringLiteral("insert into produtos values ('%1', '%2', NULL, %3, %3)")
                    .arg(QLatin1String(row.code), QString::fromUtf8(row.name),
                         QLatin1String(row.price))
                    .toUtf8());
        }
    }

    static QString randomCode(std::mt19937& random, int maxLength, bool accents = true) {
        static const QString alphabet = QStringLiteral("0123AaBbÇç");
        static const QString ascii = QStringLiteral("0123AaBbCc");
        std::uniform_int_distribution<int> length(1, maxLength);
        const QString& letters = accents ? alphabet : ascii;
        std::uniform_int_distribution<int> pick(0, static_cast<int>(letters.size()) - 1);
        QString code;
        for (int i = length(random); i > 0; --i)
            code.append(letters[pick(random)]);
        return code;
    }

    static std::optional<double> randomPrice(std::mt19937& random) {
        std::uniform_int_distribution<int> kind(0, 9);
        std::uniform_real_distribution<double> amount(-5.0, 2000.0);
        switch (kind(random)) {
        case 0:
            return std::nullopt;
        case 1:
            return static_cast<double>(std::uniform_int_distribution<int>(0, 99)(random));
        case 2:
            return static_cast<double>(std::uniform_int_distribution<int>(0, 9999)(random)) / 100;
        default:
            return amount(random);
        }
    }

    // Codes repeat (as they are, with a trailing blank, in the other letter case), so that
    // lookups meet ties that only the product query's own order settles.
    static std::vector<Row> makeRows(std::mt19937& random, int articles, bool accents) {
        std::vector<Row> rows;
        std::uniform_int_distribution<int> percent(0, 99);
        while (static_cast<int>(rows.size()) < articles) {
            Row row;
            const int kind = percent(random);
            if (kind < 10 && !rows.empty()) {
                // The code of an earlier article again, or with a trailing blank, or in
                // the other letter case.
                const Row& earlier =
                    rows[std::uniform_int_distribution<std::size_t>(0, rows.size() - 1)(random)];
                const int variant = percent(random) % 3;
                row.code = variant == 0   ? earlier.code
                           : variant == 1 ? (earlier.code + QLatin1Char(' ')).left(13)
                                          : earlier.code.toLower();
            } else if (kind < 15) {
                row.code = QLatin1Char('A') + randomCode(random, 11, accents) + QLatin1Char('A');
            } else {
                row.code = randomCode(random, 8, accents);
            }
            row.name = QStringLiteral("Artigo nº %1 çé").arg(rows.size());
            const int barcodeKind = percent(random);
            if (barcodeKind < 15)
                row.barcode = std::nullopt;
            else if (barcodeKind < 18)
                row.barcode = QString();
            else if (barcodeKind < 30 && !rows.empty()) {
                // Shared with an earlier article, or an earlier article's code.
                const Row& earlier =
                    rows[std::uniform_int_distribution<std::size_t>(0, rows.size() - 1)(random)];
                row.barcode = percent(random) < 50 && earlier.barcode ? earlier.barcode
                                                                      : std::optional(earlier.code);
            } else if (barcodeKind < 35) {
                row.barcode = randomCode(random, 8, accents) + QLatin1Char(' ');
            } else {
                row.barcode = randomCode(random, 14, accents);
            }
            row.wholesale = randomPrice(random);
            row.retail = randomPrice(random);
            rows.push_back(row);
        }
        return rows;
    }

    QTemporaryDir folder_;
    catalogue::firebird::AttachParameters parameters_;
    QString alias_;
    bool utf8_ = false;
    std::vector<Row> rows_;
};

// The codes scanned: present in either column, changed in case, blanks or framing, or
// absent; a few longer than any column.
std::vector<QString> makeScans(std::mt19937& random, const std::vector<Row>& rows) {
    const int count = static_cast<int>(rows.size());
    std::vector<QString> scans;
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<std::size_t> anyRow(0, rows.size() - 1);
    while (static_cast<int>(scans.size()) < count) {
        const Row& row = rows[anyRow(random)];
        QString code = percent(random) < 60 || !row.barcode ? row.code : *row.barcode;
        const int change = percent(random);
        if (change < 10)
            code = QLatin1Char('A') + code + QLatin1Char('A');
        else if (change < 15)
            code = code.toLower();
        else if (change < 20)
            code = code.toUpper();
        else if (change < 25)
            code = code + QLatin1Char(' ');
        else if (change < 28)
            code = code.trimmed();
        else if (change < 33)
            code = QStringLiteral("X") + code;
        else if (change < 35)
            code = QStringLiteral("AA");
        else if (change < 37)
            code = QStringLiteral("A1234567890123456A");
        if (!code.isEmpty())
            scans.push_back(code);
    }
    return scans;
}

// One way of serving: its connection, product query, source and service.
struct Path {
    std::unique_ptr<catalogue::Database> database;
    std::unique_ptr<catalogue::test::ReferenceQuery> query; // the reference's product query
    std::unique_ptr<catalogue::ProductList> list;           // the grid's, following the lookups
    catalogue::Dataset* shown = nullptr;                    // what the grid shows
    std::unique_ptr<catalogue::ServedArticleGrid> grid;
    std::unique_ptr<terminal::ArticleSource> source;
    std::unique_ptr<PriceQueryService> service;
    RecordingLog log;
    RecordingFailures failures;
};

// What the terminal got, what the log and the library saw, and the query's current row.
struct Outcome {
    QStringList journal;
    QStringList answers;
    QStringList currentRow;

    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << (outcome.journal + outcome.answers + outcome.currentRow)
                .join(QStringLiteral(" / "))
                .toStdString();
}

class ProductLookupDifferential : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override {
        random_.seed(kSeed);
        catalogue_ = std::make_unique<Catalogue>(random_, GetParam());
    }

    void build(Path& path, bool inDatabase) {
        path.database = catalogue_->connect();
        if (inDatabase) {
            path.list = std::make_unique<catalogue::ProductList>(
                *path.database, QStringLiteral("CDSProdutos"), [this] { return mode_; });
            catalogue::setUpProductQuery(*path.list, [this] { return mode_; });
            path.list->open();
            path.shown = path.list.get();
            path.grid =
                std::make_unique<catalogue::ServedArticleGrid>(*path.list, [] { return true; });
            auto lookup = std::make_unique<catalogue::ProductLookup>(*path.database,
                                                                     [this] { return mode_; });
            lookup->setGrid(path.grid.get());
            path.source = std::move(lookup);
        } else {
            path.query = std::make_unique<catalogue::test::ReferenceQuery>(
                *path.database, QStringLiteral("CDSProdutos"));
            catalogue::setUpProductQuery(*path.query, [this] { return mode_; });
            path.query->open();
            path.shown = path.query.get();
            path.source = std::make_unique<ReopenedQuerySource>(*path.query);
        }
        path.service = std::make_unique<PriceQueryService>(providerApi(), *path.source, window_,
                                                           path.log, path.failures);
        path.service->setTickBudget(std::chrono::hours(1)); // the journals of both are whole
    }

    Outcome serve(Path& path, const QString& code) {
        resetProvider();
        provider().barcodes.push_back(
            {codepage::fromUnicode(code).toStdString(), addressOf("127.0.0.1"), 4000});
        EXPECT_EQ(path.service->serveWaitingBarcodes(), 1);
        Outcome outcome{journal(), {}, {}};
        for (const SentPrice& sent : provider().prices) {
            outcome.answers.append(
                QStringLiteral("%1 %2 %3")
                    .arg(sent.address)
                    .arg(codepage::toUnicode(QByteArray::fromStdString(sent.description)),
                         codepage::toUnicode(QByteArray::fromStdString(sent.price))));
        }
        for (const std::uint32_t address : provider().notFound)
            outcome.answers.append(QStringLiteral("%1 not found").arg(address));
        for (const char* column : {"BarCode", "Produto", "cod_barra", "Preco"})
            outcome.currentRow.append(path.shown->fieldAsText(QString::fromLatin1(column)));
        return outcome;
    }

    // The terminal gets "?" for each character its code page lacks, the grid the text as it
    // is; single-precision prices and weight labels round as the typed decimals do.
    void checkExactCases(Path& path) {
        mode_ = PriceMode::Wholesale;
        EXPECT_EQ(serve(path, QStringLiteral("4675")).answers,
                  QStringList{QStringLiteral("16777343 Café ? ?rgãnico ? R$ 2,68")});
        EXPECT_EQ(path.shown->fieldAsText(QStringLiteral("Produto")),
                  QString::fromUtf8(kExactRows[0].name));
        EXPECT_EQ(serve(path, QStringLiteral("4005")).answers,
                  QStringList{QStringLiteral("16777343 Meio centavo R$ 0,01")});
        const ScaleLabelFormatReading weight = parseScaleLabelFormat(
            {QStringLiteral("prefix = 2"), QStringLiteral("code = 2-7"),
             QStringLiteral("value = 8-12"), QStringLiteral("kind = weight")});
        path.service->setScaleLabelFormat(weight.format);
        QString label = QStringLiteral("298765400500"); // 500 g of article 987654
        for (char digit = '0'; digit <= '9'; ++digit) {
            if (isEan13(label + QLatin1Char(digit)))
                label += QLatin1Char(digit);
        }
        // 2,01 a kilo: 1,005, half a cent away from zero.
        EXPECT_EQ(serve(path, label).answers,
                  QStringList{QStringLiteral("16777343 Queijo kg R$ 1,01")});
        EXPECT_TRUE(path.failures.reported.isEmpty())
            << path.failures.reported.join(u'|').toStdString();
    }

    std::mt19937 random_;
    std::unique_ptr<Catalogue> catalogue_;
    PriceMode mode_ = PriceMode::Wholesale;
    Presence window_;
};

TEST_P(ProductLookupDifferential, BothWaysGiveTheSameAnswersLogLinesAndCurrentRow) {
    Path reference;
    Path inDatabase;
    build(reference, false);
    build(inDatabase, true);
    const std::vector<QString> scans = makeScans(random_, catalogue_->rows());
    int found = 0;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        // The price mode switches now and then; the window is hidden for a while.
        mode_ = (i / 250) % 2 == 0 ? PriceMode::Wholesale : PriceMode::Retail;
        window_.shown = (i / 100) % 5 != 4;
        const Outcome expected = serve(reference, scans[i]);
        const Outcome actual = serve(inDatabase, scans[i]);
        ASSERT_EQ(actual, expected) << "scan " << i << ": '" << scans[i].toStdString() << "'";
        found += expected.answers.join(QString()).contains(QStringLiteral("not found")) ? 0 : 1;
    }
    EXPECT_EQ(inDatabase.log.lines, reference.log.lines);
    if (GetParam().foreignText)
        checkExactCases(inDatabase);
    // The scans cover both outcomes well.
    const int scanned = static_cast<int>(scans.size());
    EXPECT_GT(found, scanned / 3);
    EXPECT_LT(found, scanned * 9 / 10);
}

std::string catalogueName(const ::testing::TestParamInfo<Variant>& parameter) {
    const Variant& variant = parameter.param;
    return std::string(variant.indexed ? "Indexed" : "WithoutIndexes") + variant.charset +
           (variant.collation != nullptr ? variant.collation : "") + "Through" +
           variant.connection + (variant.churned ? "Churned" : "") +
           (variant.foreignText ? "FloatForeignText" : "");
}

// WIN_PTBR and UNICODE_CI_AI ignore letter case and accents.
INSTANTIATE_TEST_SUITE_P(Catalogues, ProductLookupDifferential,
                         ::testing::Values(Variant{true, "WIN1252", nullptr, "WIN1252"},
                                           Variant{false, "WIN1252", nullptr, "WIN1252", true},
                                           Variant{true, "WIN1252", nullptr, "UTF8", true},
                                           Variant{true, "UTF8", nullptr, "UTF8"},
                                           Variant{false, "UTF8", nullptr, "WIN1252"},
                                           Variant{true, "WIN1252", "WIN_PTBR", "WIN1252"},
                                           Variant{false, "UTF8", "UNICODE_CI_AI", "UTF8", true},
                                           Variant{true, "NONE", nullptr, "UTF8"},
                                           Variant{false, "NONE", nullptr, "WIN1252", true},
                                           Variant{true, "UTF8", nullptr, "WIN1252", false, "float",
                                                   true}),
                         catalogueName);

} // namespace
} // namespace veska::terminal::test
