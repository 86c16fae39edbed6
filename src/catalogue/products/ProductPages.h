#pragma once
// Reads pages of the product query's result ("... order by codigo") by key, so that no
// part of the list costs more than the rows it returns: from the start, from a code on,
// after a code, and the rows just before a code or at the end of the list. Forward reads
// walk the index on codigo; backward reads, which a one-way index cannot walk, start from
// a key found by bisection (KeyBisection) when the codes order by their bytes, and sort
// otherwise (slower on a big table, but right).
//
// The statements are the product query's own text with a condition added before its last
// line ("order by codigo"). All reads of one page set run in one read-only, read-committed
// transaction on one attachment; every call to the engine is bounded (Database::runOn).
// When the database file is replaced on disk the pages let go of their attachment and
// every later read raises a lost-connection error: the list is read anew.

#include "catalogue/connection/AttachmentKeeper.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace veska::catalogue {

class CodeOrder;
class Database;
namespace firebird {
class Attachment;
class PreparedStatement;
class Transaction;
} // namespace firebird

using ProductRow = std::vector<QVariant>;

class ProductPages final : private AttachmentKeeper {
public:
    // The product query's SQL lines as they stand for this read (price column applied).
    ProductPages(Database& database, QStringList lines);
    ~ProductPages();
    ProductPages(const ProductPages&) = delete;
    ProductPages& operator=(const ProductPages&) = delete;

    const QStringList& columns() const { return columns_; }
    // The index of the code column (BarCode) in a row.
    static constexpr int codeColumn = 0;

    // A forward cursor: from the start of the list, from a code on (>=), or after a code
    // (>); the next rows of the cursor, at most count; false once it has none left.
    void startAtBeginning();
    void startAt(const QVariant& code);
    void startAfter(const QVariant& code);
    bool fetchForward(int count, std::deque<ProductRow>& into);

    // The rows before a code (nullopt: before the end of the list), more than count of them
    // where there are, in list order; beginning tells whether they start the list.
    struct Before {
        std::vector<ProductRow> rows;
        bool beginning = false;
    };
    Before rowsBefore(const std::optional<QVariant>& code, int count);

    // Whether two codes are one key to the engine's order (equal, or equal under the
    // column's collation): rows of one key are kept together in a window.
    bool sameKey(const QVariant& a, const QVariant& b);

private:
    void dropAttachment() noexcept override;
    void requireAttachment() const;
    firebird::PreparedStatement& statement(const QString& condition, const QString& order,
                                           const QString& limit = {});
    std::vector<ProductRow> readAll(firebird::PreparedStatement& statement,
                                    const std::vector<QByteArray>& parameters);
    void readRows(firebird::PreparedStatement& statement, int count, std::vector<ProductRow>& into,
                  bool& more);
    QByteArray parameter(const QVariant& code) const;
    Before rowsBeforeByBisection(const std::optional<QVariant>& code, int count, int length);
    Before rowsBeforeBySort(const std::optional<QVariant>& code, int count);

    Database& database_;
    QStringList lines_;
    std::shared_ptr<firebird::Attachment> attachment_;
    std::unique_ptr<firebird::Transaction> transaction_;
    std::map<QString, std::unique_ptr<firebird::PreparedStatement>> statements_;
    std::unique_ptr<CodeOrder> order_;
    firebird::PreparedStatement* cursor_ = nullptr;
    QStringList columns_;
    KeeperEntry keeperEntry_; // last: out of the list before the rest goes
};

} // namespace veska::catalogue
