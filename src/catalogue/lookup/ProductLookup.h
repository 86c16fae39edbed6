#pragma once
// catalogue/lookup: finding a scanned article for the terminal services, one prepared
// statement per lookup column on an attachment of its own.
//
// The price-query service's lookups, done in the database: per lookup one prepared
// statement "... from produtos where <column> = ?" with the code bound as a parameter,
// never written into the SQL text. The statements are prepared once per attachment and
// price mode and reused; each lookup costs an index probe, not a pass over the catalogue.
//
// They run in a read-only, read-committed transaction, whose every statement sees what is
// committed when it runs: a price committed a moment ago is served. Starting a transaction
// costs more than a lookup, so one is kept from scan to scan while scans keep coming; such
// a transaction holds back nothing in the database (no garbage collection waits for it).
// It ends when the service releases the lookups (no scan for a while), after a scan that
// failed, and after scansPerTransaction scans.
//
// The answer is always the article that the product query itself ("... order by codigo")
// would make current with Locate. The engine's "=" is wider than Locate's exact comparison
// (trailing blanks are padding to it, a collation may ignore letter case), so every row
// it returns is compared again here, exactly. Among the exact matches the one with the
// first code in the order of codigo wins (CodeOrder); when two of them share the first
// code, only the product query can tell which it lists first, so that scan reads the
// product query up to the first match, as Locate does. A code longer than the column
// simply matches nothing.

#include "catalogue/connection/AttachmentKeeper.h"
#include "catalogue/settings/PriceMode.h"
#include "terminal/ArticleSource.h"

#include <functional>
#include <memory>

namespace veska::catalogue {

using terminal::Article;
using terminal::ArticleSource;
using terminal::LookupColumn;

class Database;
class ServedArticleGrid;
namespace firebird {
class Attachment;
class PreparedStatement;
} // namespace firebird

class ProductLookup : public ArticleSource, private AttachmentKeeper {
public:
    ProductLookup(Database& database, std::function<PriceMode()> currentMode);
    ~ProductLookup() override;
    ProductLookup(const ProductLookup&) = delete;
    ProductLookup& operator=(const ProductLookup&) = delete;

    // The grid that follows the served articles; none by default.
    void setGrid(ServedArticleGrid* grid) { grid_ = grid; }

    static constexpr int scansPerTransaction = 1000;

    // ArticleSource. The price mode is read at beginScan, for the whole scan; the database
    // file is checked for a replacement once a tick; the grid follows the tick's last scan.
    void beginTick() override;
    void endTick() override;
    void beginScan() override;
    std::optional<Article> find(LookupColumn column, const QString& value) override;
    // One statement for all the values ("in (?, ?)"): one lookup, one index visit each.
    std::vector<std::optional<Article>> findEach(LookupColumn column,
                                                 const std::vector<QString>& values) override;
    void endScan(const std::optional<Article>& served) override;
    void endUnservedScan() override;
    void release() noexcept override { endTransaction(); }
    bool answering() const override;

private:
    void dropAttachment() noexcept override;

    struct Prepared;
    struct Candidates;

    std::vector<std::optional<Article>> findOnce(LookupColumn column,
                                                 const std::vector<QString>& values);
    std::vector<Candidates> candidates(LookupColumn column, const std::vector<QString>& values);
    std::vector<Candidates> candidatesIn(Prepared& state, LookupColumn column,
                                         const std::vector<QString>& values);
    static void consider(Candidates& result, firebird::PreparedStatement& row, LookupColumn column,
                         const QString& value, Prepared& state);
    std::optional<Article> firstInProductQuery(LookupColumn column, const QString& value);
    Prepared& prepared(const std::shared_ptr<firebird::Attachment>& attachment);
    void endTransaction() noexcept;

    Database& database_;
    std::function<PriceMode()> currentMode_;
    PriceMode mode_ = PriceMode::Wholesale;
    ServedArticleGrid* grid_ = nullptr;
    std::unique_ptr<Prepared> prepared_;
    // The attachment of the tick's scans, from the first lookup of the tick on.
    std::shared_ptr<firebird::Attachment> scanAttachment_;
    bool scanInProgress_ = false;
    bool inTick_ = false;
    // What the tick's last scan served, for the grid.
    std::optional<std::optional<Article>> lastServed_;
    KeeperEntry keeperEntry_; // last: out of the list before the rest goes
};

} // namespace veska::catalogue
