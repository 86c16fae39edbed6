#include "catalogue/lookup/ProductLookup.h"

#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "catalogue/products/CodeOrder.h"
#include "catalogue/products/FieldText.h"
#include "catalogue/products/ProductQuery.h"
#include "catalogue/products/ServedArticleGrid.h"
#include "core/CodePage.h"

#include <array>
#include <map>

namespace veska::catalogue {
namespace {

// The columns of both kinds of statement: the lookups and the product query.
enum ResultColumn { CodeColumn, NameColumn, BarcodeColumn, PriceColumn };

// Rows of the product query read per bounded call when a tie sends a scan there.
constexpr int kRowsPerCall = 2000;

// "... where <column> = ?", or "in (?, ?, ...)" for several values.
QByteArray lookupStatement(PriceMode mode, LookupColumn column, std::size_t values) {
    QString condition = QStringLiteral(" = ?");
    if (values > 1) {
        QStringList marks;
        for (std::size_t i = 0; i < values; ++i)
            marks.append(QStringLiteral("?"));
        condition = QStringLiteral(" in (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return (QStringLiteral("select codigo, nome, cod_barra, ") + priceColumn(mode) +
            QStringLiteral(" from produtos where ") +
            (column == LookupColumn::Codigo ? QStringLiteral("codigo")
                                            : QStringLiteral("cod_barra")) +
            condition)
        .toUtf8();
}

QByteArray productStatement(PriceMode mode) {
    QStringList lines = productQueryLines();
    lines[1] = priceColumn(mode);
    return lines.join(QLatin1Char('\n')).toUtf8();
}

int comparedColumn(LookupColumn column) {
    return column == LookupColumn::Codigo ? CodeColumn : BarcodeColumn;
}

Article articleFrom(firebird::PreparedStatement& row, LookupColumn column, const QString& value) {
    Article article;
    article.column = column;
    article.value = value;
    article.code = fieldText(row.value(CodeColumn));
    article.description = fieldText(row.value(NameColumn));
    const QVariant price = row.value(PriceColumn);
    if (!price.isNull())
        article.priceText = fieldText(price);
    return article;
}

// A lookup statement: its price mode, column and number of values.
struct LookupKey {
    PriceMode mode;
    LookupColumn column;
    std::size_t values;
    auto operator<=>(const LookupKey&) const = default;
};

} // namespace

// The statements of one attachment, and the transaction of the scans.
struct ProductLookup::Prepared {
    std::shared_ptr<firebird::Attachment> attachment;
    std::unique_ptr<firebird::Transaction> transaction;
    int scansInTransaction = 0;
    // [price mode][column]: the lookups of one value, the one every scan makes.
    std::array<std::array<std::unique_ptr<firebird::PreparedStatement>, 2>, 2> lookupsOfOne;
    // The lookups of several values, which scale labels make.
    std::map<LookupKey, std::unique_ptr<firebird::PreparedStatement>> lookups;
    // [price mode]: the product query, for ties.
    std::array<std::unique_ptr<firebird::PreparedStatement>, 2> products;
    std::unique_ptr<CodeOrder> order;

    ~Prepared() {
        order.reset();
        // The statements go before the transaction they may still be reading in.
        forEachStatement([](auto& statement) { statement.reset(); });
        if (transaction)
            transaction->rollbackQuietly();
    }

    // Every slot of a statement; a slot whose prepare failed stays empty.
    template <class Visit> void forEachStatement(Visit&& visit) {
        for (auto& [key, statement] : lookups)
            visit(statement);
        for (auto& byColumn : lookupsOfOne) {
            for (auto& statement : byColumn)
                visit(statement);
        }
        for (auto& statement : products)
            visit(statement);
    }

    QByteArray encode(const QString& text) const {
        return attachment->utf8() ? text.toUtf8() : codepage::fromUnicode(text);
    }
    // The statement in the slot, prepared from sql() the first time.
    template <class Sql>
    firebird::PreparedStatement& statement(std::unique_ptr<firebird::PreparedStatement>& slot,
                                           Sql&& sql) {
        if (!slot)
            slot = std::make_unique<firebird::PreparedStatement>(*attachment, *transaction, sql());
        return *slot;
    }
    // The slot of the lookup statement: an array index for one value, no search.
    std::unique_ptr<firebird::PreparedStatement>& lookupSlot(PriceMode mode, LookupColumn column,
                                                             std::size_t values) {
        if (values == 1) {
            return lookupsOfOne[mode == PriceMode::Retail ? 1 : 0]
                               [column == LookupColumn::Codigo ? 0 : 1];
        }
        return lookups[LookupKey{mode, column, values}];
    }
    void closeCursors() noexcept {
        forEachStatement([](auto& statement) {
            if (statement)
                statement->closeCursor();
        });
    }
};

// What the lookup statement found: the first exact match, and whether another exact
// match shares its code.
struct ProductLookup::Candidates {
    std::optional<Article> first;
    bool tied = false;
};

ProductLookup::ProductLookup(Database& database, std::function<PriceMode()> currentMode)
    : database_(database), currentMode_(std::move(currentMode)),
      keeperEntry_(database.listKeeper(*this)) {}

ProductLookup::~ProductLookup() = default;

void ProductLookup::dropAttachment() noexcept {
    prepared_.reset();
    scanAttachment_.reset();
}

void ProductLookup::beginTick() {
    // The attachment is asked for anew at the tick's first lookup: that is when a
    // database file replaced on disk is noticed, once a tick, not at each scan.
    scanAttachment_.reset();
    lastServed_.reset();
    inTick_ = true;
}

void ProductLookup::endTick() {
    inTick_ = false;
    if (grid_ != nullptr && lastServed_)
        grid_->follow(*lastServed_);
    lastServed_.reset();
}

bool ProductLookup::answering() const {
    return database_.answering();
}

void ProductLookup::beginScan() {
    // A scan that failed may have left anything behind: the next one starts afresh.
    if (scanInProgress_ || (prepared_ && prepared_->scansInTransaction >= scansPerTransaction))
        endTransaction();
    // Outside a tick (a search) every scan asks for the attachment.
    if (scanInProgress_ || !inTick_)
        scanAttachment_.reset();
    scanInProgress_ = true;
    mode_ = currentMode_();
}

// Every read of a scan runs to the end of its result or closes it, so nothing is left
// open in the transaction kept for the next scan.
void ProductLookup::endScan(const std::optional<Article>& served) {
    scanInProgress_ = false;
    if (prepared_ && prepared_->transaction)
        ++prepared_->scansInTransaction;
    if (inTick_)
        lastServed_ = served;
    else if (grid_ != nullptr)
        grid_->follow(served);
}

void ProductLookup::endUnservedScan() {
    scanInProgress_ = false;
    if (prepared_ && prepared_->transaction)
        ++prepared_->scansInTransaction;
}

void ProductLookup::endTransaction() noexcept {
    if (!prepared_ || !prepared_->transaction)
        return;
    prepared_->closeCursors();
    prepared_->transaction->rollbackQuietly();
    prepared_->transaction.reset();
    prepared_->scansInTransaction = 0;
}

ProductLookup::Prepared&
ProductLookup::prepared(const std::shared_ptr<firebird::Attachment>& attachment) {
    // Statements belong to the attachment that prepared them: a new attachment (after a
    // lost connection, a replaced file) prepares them again.
    if (!prepared_ || prepared_->attachment != attachment) {
        prepared_ = std::make_unique<Prepared>();
        prepared_->attachment = attachment;
        prepared_->order = std::make_unique<CodeOrder>(*attachment);
    }
    if (!prepared_->transaction) {
        prepared_->transaction = std::make_unique<firebird::Transaction>(
            *attachment, firebird::Transaction::Kind::ReadCommittedReadOnly);
    }
    return *prepared_;
}

std::optional<Article> ProductLookup::find(LookupColumn column, const QString& value) {
    return findEach(column, {value}).front();
}

std::vector<std::optional<Article>> ProductLookup::findEach(LookupColumn column,
                                                            const std::vector<QString>& values) {
    const bool wasConnected = database_.isConnected();
    try {
        return findOnce(column, values);
    } catch (const firebird::ConnectionLostError&) {
        // The connection dropped the broken attachment; try once on a new one.
        prepared_.reset();
        scanAttachment_.reset();
        if (!wasConnected)
            throw;
        return findOnce(column, values);
    }
}

std::vector<std::optional<Article>> ProductLookup::findOnce(LookupColumn column,
                                                            const std::vector<QString>& values) {
    std::vector<Candidates> found = candidates(column, values);
    std::vector<std::optional<Article>> articles;
    for (std::size_t i = 0; i < values.size(); ++i) {
        articles.push_back(found[i].tied ? firstInProductQuery(column, values[i])
                                         : std::move(found[i].first));
    }
    return articles;
}

std::vector<ProductLookup::Candidates>
ProductLookup::candidates(LookupColumn column, const std::vector<QString>& values) {
    if (!scanAttachment_)
        scanAttachment_ = database_.attachment();
    return database_.runOn(scanAttachment_,
                           [&](const std::shared_ptr<firebird::Attachment>& attachment) {
                               return candidatesIn(prepared(attachment), column, values);
                           });
}

std::vector<ProductLookup::Candidates>
ProductLookup::candidatesIn(Prepared& state, LookupColumn column,
                            const std::vector<QString>& values) {
    firebird::PreparedStatement& lookup =
        state.statement(state.lookupSlot(mode_, column, values.size()),
                        [&] { return lookupStatement(mode_, column, values.size()); });
    std::vector<QByteArray> parameters;
    for (const QString& value : values)
        parameters.push_back(state.encode(value));
    std::vector<Candidates> results(values.size());
    try {
        lookup.execute(*state.transaction, parameters);
    } catch (const firebird::StringTruncationError&) {
        if (values.size() == 1)
            return results; // longer than the column: equal to none of its values
        // One of them is too long: each on its own, the long one matching nothing.
        for (std::size_t i = 0; i < values.size(); ++i)
            results[i] = candidatesIn(state, column, {values[i]}).front();
        return results;
    }
    while (lookup.fetch()) {
        const QString text = fieldText(lookup.value(comparedColumn(column)));
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (text == values[i])
                consider(results[i], lookup, column, values[i], state);
        }
    }
    return results;
}

// An exact match for the value: the first in the order of codigo wins; another with the
// same first code makes a tie.
void ProductLookup::consider(Candidates& result, firebird::PreparedStatement& row,
                             LookupColumn column, const QString& value, Prepared& state) {
    const QString code = fieldText(row.value(CodeColumn));
    if (result.first) {
        const int order = code == result.first->code
                              ? 0
                              : state.order->compare(code, result.first->code, *state.transaction);
        if (order > 0)
            return;
        if (order == 0) {
            result.tied = true;
            return;
        }
    }
    result.first = articleFrom(row, column, value);
    result.tied = false;
}

std::optional<Article> ProductLookup::firstInProductQuery(LookupColumn column,
                                                          const QString& value) {
    // The product query as the grid runs it, read row by row up to the first exact match;
    // each call to the engine bounded on its own, however long the whole read takes.
    // Right after the lookup of this scan: its statements and transaction are there.
    Prepared& state = *prepared_;
    firebird::PreparedStatement& products =
        state.statement(state.products[mode_ == PriceMode::Retail ? 1 : 0],
                        [&] { return productStatement(mode_); });
    database_.runOn(state.attachment, [&](const auto&) { products.execute(*state.transaction); });
    for (;;) {
        std::optional<Article> found;
        bool more = true;
        database_.runOn(state.attachment, [&](const auto&) {
            for (int i = 0; i < kRowsPerCall && !found; ++i) {
                if (!products.fetch()) {
                    more = false;
                    return;
                }
                if (fieldText(products.value(comparedColumn(column))) == value)
                    found = articleFrom(products, column, value);
            }
        });
        if (found) {
            products.closeCursor();
            return found;
        }
        if (!more)
            return std::nullopt;
    }
}

} // namespace veska::catalogue
