#pragma once
// A scratch product database on the embedded Firebird engine, created in a temporary
// folder with the shop's table "produtos" and a fixed set of articles, and the
// application's product query CDSProdutos on it.

#include "ReferenceQuery.h"
#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/settings/PriceMode.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace veska::terminal::test {

class ProductDatabase {
public:
    // Creates the file and fills it; throws DatabaseError on engine failures.
    ProductDatabase();

    const QString& path() const { return path_; }
    // Parameters for a further attachment of the test (writes are not forced to disk).
    catalogue::firebird::AttachParameters parameters() const;
    // Runs one statement (text in Windows-1252) on its own attachment and commits.
    void execute(const QString& statement) const;

private:
    QTemporaryDir folder_;
    QString path_;
};

// The connection "SISTEMA" on the file, and the product query asking the mode at every
// open: read whole and in order (query, the reference) and as the grid's list (list).
struct ProductQuery {
    ProductQuery(const ProductDatabase& products, const catalogue::PriceMode& mode);

    std::unique_ptr<catalogue::Database> database;
    std::unique_ptr<catalogue::test::ReferenceQuery> query;
    std::unique_ptr<catalogue::ProductList> list;
};

} // namespace veska::terminal::test
