#pragma once
// Real Firebird databases for the catalogue tests: files made on the embedded engine in a
// temporary folder (with the engine's lock files in a temporary folder too), the product
// table, and a connection profile file that names them.

#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/settings/ConnectionProfiles.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace veska::catalogue::test {

// Points FIREBIRD_LOCK at a folder of this test process; call before the first engine use
// (the fixtures do).
void useTemporaryLockFolder();

struct Article {
    QByteArray codigo;
    QByteArray nome; // in the bytes of the attachment's character set
    QByteArray codBarra;
    QByteArray precoVenda;   // SQL literal, "null" for a null
    QByteArray precoVendaLj; // SQL literal
};

// One database file on the embedded engine.
class TestDatabase {
public:
    // Creates <folder>/<fileName> with the given default character set, attached with the
    // given connection character set.
    TestDatabase(const QString& folder, const QString& fileName, const QByteArray& defaultCharset,
                 const QByteArray& connectionCharset = "WIN1252");

    const QString& path() const { return path_; }
    firebird::Attachment& attachment() { return *attachment_; }
    // Runs and commits one statement.
    void execute(const QByteArray& sql);
    // Table produtos: codigo VARCHAR(13), nome VARCHAR(50), cod_barra VARCHAR(14),
    // preco_venda DOUBLE PRECISION and, when withRetail, preco_venda_lj DOUBLE PRECISION.
    void createProducts(bool withRetail = true);
    void insert(const Article& article, bool withRetail = true);
    // Detaches, so that another attachment (or the code under test) may open the file
    // through a connection of its own. The embedded engine in one process shares the file.
    void detach();

private:
    QString path_;
    std::unique_ptr<firebird::Attachment> attachment_;
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
