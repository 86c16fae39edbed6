#include "catalogue/ProductLookup.h"

#include "catalogue/CodeOrder.h"
#include "catalogue/Database.h"
#include "catalogue/Query.h"
#include "catalogue/ServedArticleGrid.h"
#include "catalogue/firebird/FbAttachment.h"
#include "catalogue/firebird/FbError.h"
#include "catalogue/firebird/FbPreparedStatement.h"
#include "catalogue/firebird/FbTransaction.h"
#include "core/CodePage.h"

#include <array>
#include <vector>

namespace veska::catalogue {
namespace {

enum ResultColumn { CodeColumn, NameColumn, BarcodeColumn, PriceColumn, KeyColumn };

QByteArray lookupStatement(PriceMode mode, LookupColumn column) {
    return (QStringLiteral("select codigo, nome, cod_barra, ") + priceColumn(mode) +
            QStringLiteral(", rdb$db_key from produtos where ") +
            (column == LookupColumn::Code ? QStringLiteral("codigo")
                                          : QStringLiteral("cod_barra")) +
            QStringLiteral(" = ?"))
        .toUtf8();
}

// The record number inside a table's RDB$DB_KEY: a 40-bit number, its low 32 bits
// little-endian in bytes 4 to 7 and its high 8 bits in byte 2.
quint64 recordNumber(const QByteArray& key) {
    if (key.size() < 8)
        return 0;
    const auto byte = [&key](int i) { return static_cast<quint64>(static_cast<uchar>(key[i])); };
    return (byte(2) << 32) | (byte(7) << 24) | (byte(6) << 16) | (byte(5) << 8) | byte(4);
}

struct Candidate {
    Article article;
    quint64 record = 0;
};

} // namespace

// The statements of one attachment, and the transaction of the scan in progress.
struct ProductLookup::Prepared {
    firebird::Attachment* attachment = nullptr;
    isc_db_handle handle = 0;
    std::unique_ptr<firebird::Transaction> transaction;
    // [price mode][lookup column]
    std::array<std::array<std::unique_ptr<firebird::PreparedStatement>, 2>, 2> statements;
    std::unique_ptr<CodeOrder> order;

    ~Prepared() {
        order.reset();
        // The statements go before the transaction they may still be reading in.
        for (auto& byMode : statements) {
            for (auto& statement : byMode)
                statement.reset();
        }
        if (transaction)
            transaction->rollbackQuietly();
    }

    QByteArray encode(const QString& text) const {
        return attachment->utf8() ? text.toUtf8() : codepage::fromUnicode(text);
    }
};

ProductLookup::ProductLookup(Database& database, std::function<PriceMode()> currentMode)
    : database_(database), currentMode_(std::move(currentMode)) {}

ProductLookup::~ProductLookup() = default;

void ProductLookup::beginScan() {
    endTransaction();
    mode_ = currentMode_();
}

void ProductLookup::endScan(const std::optional<Article>& served) {
    endTransaction();
    if (grid_ != nullptr)
        grid_->follow(served);
}

void ProductLookup::endTransaction() noexcept {
    if (prepared_ && prepared_->transaction) {
        for (auto& byMode : prepared_->statements) {
            for (auto& statement : byMode) {
                if (statement)
                    statement->closeCursor();
            }
        }
        prepared_->transaction->rollbackQuietly();
        prepared_->transaction.reset();
    }
}

ProductLookup::Prepared& ProductLookup::prepared() {
    firebird::Attachment& attachment = database_.attachment();
    // Statements belong to the attachment that prepared them: a new attachment (after a
    // lost connection) prepares them again.
    if (!prepared_ || prepared_->attachment != &attachment ||
        prepared_->handle != *attachment.handle()) {
        prepared_ = std::make_unique<Prepared>();
        prepared_->attachment = &attachment;
        prepared_->handle = *attachment.handle();
        prepared_->order = std::make_unique<CodeOrder>(attachment);
    }
    if (!prepared_->transaction) {
        prepared_->transaction = std::make_unique<firebird::Transaction>(
            attachment, firebird::Transaction::Kind::ReadCommittedReadOnly);
    }
    return *prepared_;
}

std::optional<Article> ProductLookup::find(LookupColumn column, const QString& value) {
    const bool wasConnected = database_.isConnected();
    try {
        return findOnce(column, value);
    } catch (const firebird::ConnectionLostError&) {
        // As the product query does: drop the broken attachment and try once on a new one.
        prepared_.reset();
        database_.connectionLost();
        if (!wasConnected)
            throw;
        return findOnce(column, value);
    }
}

std::optional<Article> ProductLookup::findOnce(LookupColumn column, const QString& value) {
    Prepared& state = prepared();
    auto& statement = state.statements[mode_ == PriceMode::Retail ? 1 : 0]
                                      [column == LookupColumn::Barcode ? 1 : 0];
    if (!statement) {
        statement = std::make_unique<firebird::PreparedStatement>(
            *state.attachment, *state.transaction, lookupStatement(mode_, column));
    }
    const QByteArray parameter = state.encode(value);
    // A value longer than the column can hold equals none of its values exactly (and the
    // engine would refuse it). The capacity is in bytes of the connection's character set:
    // up to four a character on a UTF-8 connection, where the column's length counts
    // characters.
    const int capacity = statement->parameterCapacity(0);
    const qsizetype length = state.attachment->utf8() ? value.toUcs4().size() : parameter.size();
    if (capacity >= 0 && length > (state.attachment->utf8() ? capacity / 4 : capacity))
        return std::nullopt;

    statement->execute(*state.transaction, {parameter});
    const int compared = column == LookupColumn::Code ? CodeColumn : BarcodeColumn;
    std::optional<Candidate> first;
    while (statement->fetch()) {
        if (Query::textOf(statement->value(compared)) != value)
            continue;
        Candidate candidate;
        candidate.article.code = Query::textOf(statement->value(CodeColumn));
        candidate.record = recordNumber(statement->rawBytes(KeyColumn));
        if (first) {
            const int order = first->article.code == candidate.article.code
                                  ? 0
                                  : state.order->compare(candidate.article.code,
                                                         first->article.code, *state.transaction);
            if (order > 0 || (order == 0 && candidate.record > first->record))
                continue;
        }
        candidate.article.column = column;
        candidate.article.value = value;
        candidate.article.description = Query::textOf(statement->value(NameColumn));
        const QVariant price = statement->value(PriceColumn);
        if (!price.isNull())
            candidate.article.priceText = Query::textOf(price);
        first = std::move(candidate);
    }
    if (!first)
        return std::nullopt;
    return std::move(first->article);
}

} // namespace veska::catalogue
