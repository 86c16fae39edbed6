#include "catalogue/products/ProductPages.h"

#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "catalogue/products/CodeOrder.h"
#include "catalogue/products/FieldText.h"
#include "catalogue/products/KeyBisection.h"
#include "core/CodePage.h"

#include <algorithm>

namespace veska::catalogue {
namespace {

// Rows read per bounded call to the engine.
constexpr int kRowsPerCall = 2000;

const QString kAscending = QStringLiteral("order by codigo");
const QString kDescending = QStringLiteral("order by codigo desc");

} // namespace

ProductPages::ProductPages(Database& database, QStringList lines)
    : database_(database), lines_(std::move(lines)), keeperEntry_(database.listKeeper(*this)) {
    attachment_ = database_.attachment();
    database_.runOn(attachment_, [this](const auto&) {
        transaction_ = std::make_unique<firebird::Transaction>(
            *attachment_, firebird::Transaction::Kind::ReadCommittedReadOnly);
        columns_ = statement({}, kAscending).columnNames();
    });
    order_ = std::make_unique<CodeOrder>(*attachment_);
}

ProductPages::~ProductPages() {
    dropAttachment();
}

void ProductPages::dropAttachment() noexcept {
    cursor_ = nullptr;
    order_.reset();
    statements_.clear(); // before the transaction they may still read in
    if (transaction_)
        transaction_->rollbackQuietly();
    transaction_.reset();
    attachment_.reset();
}

void ProductPages::requireAttachment() const {
    if (!attachment_)
        Database::raiseAttachmentDropped();
}

firebird::PreparedStatement& ProductPages::statement(const QString& condition, const QString& order,
                                                     const QString& limit) {
    QStringList lines = lines_.mid(0, std::max<qsizetype>(lines_.size() - 1, 0));
    if (!condition.isEmpty())
        lines.append(QStringLiteral("where ") + condition);
    lines.append(order);
    if (!limit.isEmpty())
        lines.append(limit);
    const QString sql = lines.join(QLatin1Char('\n'));
    auto& slot = statements_[sql];
    if (!slot) {
        slot = std::make_unique<firebird::PreparedStatement>(*attachment_, *transaction_,
                                                             sql.toUtf8());
    }
    return *slot;
}

QByteArray ProductPages::parameter(const QVariant& code) const {
    const QString text = fieldText(code);
    return attachment_->utf8() ? text.toUtf8() : codepage::fromUnicode(text);
}

void ProductPages::readRows(firebird::PreparedStatement& from, int count,
                            std::vector<ProductRow>& into, bool& more) {
    database_.runOn(attachment_, [&](const auto&) {
        for (int i = 0; i < count; ++i) {
            if (!from.fetch()) {
                more = false;
                return;
            }
            ProductRow row;
            row.reserve(static_cast<std::size_t>(columns_.size()));
            for (int column = 0; column < columns_.size(); ++column)
                row.push_back(from.value(column));
            into.push_back(std::move(row));
        }
    });
}

std::vector<ProductRow> ProductPages::readAll(firebird::PreparedStatement& from,
                                              const std::vector<QByteArray>& parameters) {
    database_.runOn(attachment_, [&](const auto&) { from.execute(*transaction_, parameters); });
    std::vector<ProductRow> rows;
    for (bool more = true; more;)
        readRows(from, kRowsPerCall, rows, more);
    return rows;
}

void ProductPages::startAtBeginning() {
    requireAttachment();
    cursor_ = &statement({}, kAscending);
    database_.runOn(attachment_, [this](const auto&) { cursor_->execute(*transaction_); });
}

void ProductPages::startAt(const QVariant& code) {
    requireAttachment();
    cursor_ = &statement(QStringLiteral("codigo >= ?"), kAscending);
    database_.runOn(attachment_,
                    [&](const auto&) { cursor_->execute(*transaction_, {parameter(code)}); });
}

void ProductPages::startAfter(const QVariant& code) {
    requireAttachment();
    if (code.isNull()) {
        // The rows without a code come first; after them, every row that has one.
        cursor_ = &statement(QStringLiteral("codigo is not null"), kAscending);
        database_.runOn(attachment_, [this](const auto&) { cursor_->execute(*transaction_); });
        return;
    }
    cursor_ = &statement(QStringLiteral("codigo > ?"), kAscending);
    database_.runOn(attachment_,
                    [&](const auto&) { cursor_->execute(*transaction_, {parameter(code)}); });
}

bool ProductPages::fetchForward(int count, std::deque<ProductRow>& into) {
    requireAttachment();
    if (cursor_ == nullptr)
        return false;
    std::vector<ProductRow> rows;
    bool more = true;
    readRows(*cursor_, count, rows, more);
    std::move(rows.begin(), rows.end(), std::back_inserter(into));
    if (!more)
        cursor_ = nullptr;
    return more;
}

bool ProductPages::sameKey(const QVariant& a, const QVariant& b) {
    if (a == b)
        return true;
    if (a.isNull() || b.isNull())
        return false;
    requireAttachment();
    return database_.runOn(attachment_, [&](const auto&) {
        return !order_->ordersByBytes(*transaction_) &&
               order_->compare(fieldText(a), fieldText(b), *transaction_) == 0;
    });
}

ProductPages::Before ProductPages::rowsBefore(const std::optional<QVariant>& code, int count) {
    requireAttachment();
    const auto [bytes, length] = database_.runOn(attachment_, [this](const auto&) {
        return std::make_pair(order_->ordersByBytes(*transaction_), order_->length(*transaction_));
    });
    if (bytes)
        return rowsBeforeByBisection(code, count, length);
    return rowsBeforeBySort(code, count);
}

ProductPages::Before ProductPages::rowsBeforeByBisection(const std::optional<QVariant>& code,
                                                         int count, int length) {
    const std::optional<QByteArray> end = code ? std::optional(parameter(*code)) : std::nullopt;
    const QString limit = QStringLiteral("first %1 ").arg(count + 2);
    const auto keysFrom = [&](const QByteArray& probe, int cap) {
        firebird::PreparedStatement& keys = *[&] {
            const QString sql = QStringLiteral("select ") + limit +
                                QStringLiteral("codigo from produtos where codigo >= ?") +
                                (end ? QStringLiteral(" and codigo < ?") : QString()) +
                                QStringLiteral(" order by codigo");
            auto& slot = statements_[sql];
            if (!slot)
                slot = std::make_unique<firebird::PreparedStatement>(*attachment_, *transaction_,
                                                                     sql.toUtf8());
            return slot.get();
        }();
        std::vector<QByteArray> found;
        database_.runOn(attachment_, [&](const auto&) {
            std::vector<QByteArray> parameters{probe};
            if (end)
                parameters.push_back(*end);
            keys.execute(*transaction_, parameters);
            while (static_cast<int>(found.size()) < cap && keys.fetch())
                found.push_back(parameter(keys.value(0)));
            keys.closeCursor();
        });
        return found;
    };
    const std::optional<QByteArray> start = KeyBisection::startBefore(length, count, keysFrom);
    Before before;
    if (!start || start->isEmpty()) {
        // From the very start, the rows without a code included.
        before.beginning = true;
        before.rows =
            end ? readAll(statement(QStringLiteral("codigo < ? or codigo is null"), kAscending),
                          {*end})
                : readAll(statement({}, kAscending), {});
        return before;
    }
    before.rows = end ? readAll(statement(QStringLiteral("codigo >= ? and codigo < ?"), kAscending),
                                {*start, *end})
                      : readAll(statement(QStringLiteral("codigo >= ?"), kAscending), {*start});
    return before;
}

ProductPages::Before ProductPages::rowsBeforeBySort(const std::optional<QVariant>& code,
                                                    int count) {
    // The engine sorts what lies before the code in descending order and hands the first
    // rows of that; the smallest code of a full page may have more rows further back,
    // so it is left for the next page.
    const QString limit = QStringLiteral("rows %1").arg(count + 1);
    Before before;
    std::vector<ProductRow> rows =
        code ? readAll(statement(QStringLiteral("codigo < ?"), kDescending, limit),
                       {parameter(*code)})
             : readAll(statement(QStringLiteral("codigo is not null"), kDescending, limit), {});
    std::reverse(rows.begin(), rows.end());
    if (static_cast<int>(rows.size()) > count) {
        const QVariant smallest = rows.front()[codeColumn];
        const auto group = std::find_if(rows.begin(), rows.end(), [&](const ProductRow& row) {
            return row[codeColumn] != smallest;
        });
        if (group != rows.end())
            rows.erase(rows.begin(), group);
        before.rows = std::move(rows);
        return before;
    }
    // Fewer than a page: the start of the list, where the rows without a code stand.
    before.beginning = true;
    before.rows = readAll(statement(QStringLiteral("codigo is null"), kAscending), {});
    std::move(rows.begin(), rows.end(), std::back_inserter(before.rows));
    return before;
}

} // namespace veska::catalogue
