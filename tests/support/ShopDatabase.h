#pragma once
// The shop's database for the tests, on the embedded Firebird engine: the table produtos
// (one schema, with the variations the tests need), its rows, the files in temporary
// folders with the engine's lock files in a folder of the tests, a connection profile that
// names them, and the engine's shutdown before the test process ends.

#include "ReferenceQuery.h"
#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/settings/ConnectionProfiles.h"
#include "catalogue/settings/PriceMode.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace veska::catalogue::test {

// Points FIREBIRD_LOCK at a folder of the tests; call before the first engine use (every
// process that links this does so at its start).
void useTemporaryLockFolder();

// How the tests attach to a database file: as ROOT, writes not forced to disk.
firebird::AttachParameters shopParameters(const QString& file,
                                          const QByteArray& charset = "WIN1252");

// The table produtos: codigo, nome VARCHAR(50), cod_barra, preco_venda and, unless left
// out, preco_venda_lj, in that order; extra columns stand after cod_barra. Each setter
// gives a column's type and constraints.
class ProductTable {
public:
    ProductTable& code(const QByteArray& type) { return set(code_, type); }
    ProductTable& barcode(const QByteArray& type) { return set(barcode_, type); }
    ProductTable& extra(const QByteArray& columns) { return set(extra_, columns); }
    ProductTable& wholesale(const QByteArray& type) { return set(wholesale_, type); }
    // An empty type leaves the retail column out.
    ProductTable& retail(const QByteArray& type) { return set(retail_, type); }
    QByteArray sql() const {
        return "create table produtos (codigo " + code_ + ", nome varchar(50), cod_barra " +
               barcode_ + extra_ + ", preco_venda " + wholesale_ +
               (retail_.isEmpty() ? QByteArray() : ", preco_venda_lj " + retail_) + ")";
    }

private:
    ProductTable& set(QByteArray& part, const QByteArray& text) {
        part = text;
        return *this;
    }
    QByteArray code_ = "varchar(13)";
    QByteArray barcode_ = "varchar(14)";
    QByteArray extra_;
    QByteArray wholesale_ = "double precision";
    QByteArray retail_ = "double precision";
};

struct Article {
    QByteArray codigo;
    QByteArray nome; // in the bytes of the attachment's character set
    std::optional<QByteArray> codBarra;
    QByteArray precoVenda;   // SQL literal, "null" for a null
    QByteArray precoVendaLj; // SQL literal; left out without the retail column
};

// One database file on the embedded engine.
class ShopDatabase {
public:
    // Creates <folder>/<fileName> with the given default character set, attached with the
    // given connection character set.
    ShopDatabase(const QString& folder, const QString& fileName,
                 const QByteArray& defaultCharset = "WIN1252",
                 const QByteArray& connectionCharset = "WIN1252");

    const QString& path() const { return path_; }
    firebird::Attachment& attachment() { return *attachment_; }
    // Runs and commits one statement.
    void execute(const QByteArray& sql);
    void createProducts(const ProductTable& table = ProductTable());
    void insert(const Article& article, bool withRetail = true);
    // Detaches, so that another attachment (or the code under test) may open the file
    // through a connection of its own. The embedded engine in one process shares the file.
    void detach();

private:
    QString path_;
    std::unique_ptr<firebird::Attachment> attachment_;
};

// A shop in a temporary folder of its own: produtos.fdb, codigo its primary key, with the
// articles the terminal services are tested on (prices, blanks, accents, a barcode that is
// another article's code), detached.
class StockedShop {
public:
    StockedShop();

    const QString& path() const { return path_; }
    // Parameters for a further attachment of the test.
    firebird::AttachParameters parameters() const { return shopParameters(path_); }
    // Runs one statement (its text in Windows-1252) on its own attachment and commits it.
    void execute(const QString& statement) const;

private:
    QTemporaryDir folder_;
    QString path_;
};

// The connection "SISTEMA" on a stocked shop, and the product query asking the mode at every
// open: read whole and in order (query, the reference) and as the grid's list (list).
struct ShopQuery {
    ShopQuery(const StockedShop& shop, const PriceMode& mode);

    std::unique_ptr<Database> database;
    std::unique_ptr<ReferenceQuery> query;
    std::unique_ptr<ProductList> list;
};

// Runs one statement on a file through an attachment of its own and commits it, as another
// program of the shop would.
void commitStatement(const QString& databaseFile, const QByteArray& sql);

// Damages the last data page of the table in the database file (nobody may be attached):
// its page type byte, so that reading the page fails the engine's consistency check.
// False when the file holds no data page of the table.
bool damageLastDataPage(const QString& file, const QByteArray& table);

// A profile file "veska-aliases.conf" in folder with one profile.
void writeProfile(const QString& folder, const QString& alias, const QString& database,
                  const QString& charset = QStringLiteral("WIN1252"), const QString& extra = {});

// A test suite's own folder, made before its first test and removed after its last, with the
// suite's database files and the profile file that names them.
template <class Suite> class SuiteFolder : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static QString suitePath() {
        if (!folder_)
            folder_ = new QTemporaryDir();
        return folder_->path();
    }
    static QString suiteFile(const QString& name) { return QDir(suitePath()).filePath(name); }
    // Names the suite's database file by the alias "loja".
    static void profileShop(const QString& file) {
        writeProfile(suitePath(), QStringLiteral("loja"), suiteFile(file));
    }
    // A connection (not yet made) to the database that "loja" names.
    static std::unique_ptr<Database> connectToShop() {
        auto database = std::make_unique<Database>(ConnectionProfiles({suitePath()}));
        database->setAlias(QStringLiteral("loja"));
        return database;
    }

private:
    static inline QTemporaryDir* folder_ = nullptr;
};

} // namespace veska::catalogue::test
