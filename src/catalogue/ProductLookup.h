#pragma once
// The price-query service's lookups, done in the database: per scan a fresh read-only,
// read-committed transaction (so a price committed a moment ago is served), and per lookup
// one prepared statement "... from produtos where <column> = ?" with the code bound as a
// parameter, never written into the SQL text. The statements are prepared once per
// attachment and price mode and reused; each lookup costs an index probe, not a pass over
// the catalogue.
//
// The engine's "=" is wider than the exact comparison that the service needs: trailing
// blanks are padding to it, and a column's collation may ignore letter case. So every row
// the engine returns is compared again here, exactly, and among the exact matches the one
// that comes first in the product query's order ("order by codigo") is chosen here too
// (CodeOrder: the column's collation, then the record number, which is how the engine walks
// equal keys of an index). Only the exact matches of one code are ordered, never the
// catalogue.

#include "catalogue/PriceMode.h"
#include "terminal/ArticleSource.h"

#include <functional>
#include <memory>

namespace veska::catalogue {

using terminal::Article;
using terminal::ArticleSource;
using terminal::LookupColumn;

class Database;
class ServedArticleGrid;

class ProductLookup : public ArticleSource {
public:
    ProductLookup(Database& database, std::function<PriceMode()> currentMode);
    ~ProductLookup() override;
    ProductLookup(const ProductLookup&) = delete;
    ProductLookup& operator=(const ProductLookup&) = delete;

    // The grid that follows the served articles; none by default.
    void setGrid(ServedArticleGrid* grid) { grid_ = grid; }

    // ArticleSource. The price mode is read at beginScan, for the whole scan.
    void beginScan() override;
    std::optional<Article> find(LookupColumn column, const QString& value) override;
    void endScan(const std::optional<Article>& served) override;

private:
    struct Prepared;

    std::optional<Article> findOnce(LookupColumn column, const QString& value);
    Prepared& prepared();
    void endTransaction() noexcept;

    Database& database_;
    std::function<PriceMode()> currentMode_;
    PriceMode mode_ = PriceMode::Wholesale;
    ServedArticleGrid* grid_ = nullptr;
    std::unique_ptr<Prepared> prepared_;
};

} // namespace veska::catalogue
