#pragma once
// Real Firebird databases for the catalogue tests: files made on the embedded engine in a
// temporary folder (with the engine's lock files in a temporary folder too), the product
// table, and a connection profile file that names them.

#include "catalogue/firebird/FbAttachment.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
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

// A profile file "veska-aliases.conf" in folder with one profile.
void writeProfile(const QString& folder, const QString& alias, const QString& database,
                  const QString& charset = QStringLiteral("WIN1252"), const QString& extra = {});

} // namespace veska::catalogue::test
