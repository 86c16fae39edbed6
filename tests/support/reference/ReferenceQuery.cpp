#include "ReferenceQuery.h"

#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "catalogue/products/FieldText.h"
#include "core/Errors.h"

namespace veska::catalogue::test {

// The engine side of an open query: the attachment it was opened on (kept alive by it,
// whatever the connection does meanwhile), its transaction and its statement.
struct ReferenceQuery::Cursor {
    std::shared_ptr<firebird::Attachment> attachment;
    firebird::Transaction transaction;
    firebird::PreparedStatement statement;

    Cursor(std::shared_ptr<firebird::Attachment> on, const QByteArray& sql)
        : attachment(std::move(on)),
          transaction(*attachment, firebird::Transaction::Kind::ReadCommittedReadOnly),
          statement(*attachment, transaction, sql) {}
};

ReferenceQuery::ReferenceQuery(Database& database, const QString& name)
    : database_(database), name_(name), keeperEntry_(database.listKeeper(*this)) {}

// The cursor holds what it needs; the connection itself is not touched.
ReferenceQuery::~ReferenceQuery() {
    cursor_.reset();
}

void ReferenceQuery::dropAttachment() noexcept {
    if (!cursor_)
        return;
    finishCursor();
    cursorDropped_ = true;
}

void ReferenceQuery::open() {
    if (open_)
        return;
    runBeforeOpen();
    const bool wasConnected = database_.isConnected();
    try {
        startCursor();
    } catch (const firebird::ConnectionLostError&) {
        // The attachment made earlier broke (the server was restarted, say): it is dropped;
        // try once on a new one. A fresh attachment that breaks at once is reported.
        if (!wasConnected)
            throw;
        startCursor();
    }
    open_ = true;
    current_ = -1;
    try {
        if (fetchOne())
            current_ = 0;
    } catch (...) {
        close();
        throw;
    }
}

void ReferenceQuery::startCursor() {
    const QByteArray sql = sqlLines().join(QLatin1Char('\n')).toUtf8();
    database_.run([&](const std::shared_ptr<firebird::Attachment>& attachment) {
        auto cursor = std::make_unique<Cursor>(attachment, sql);
        cursor->statement.execute(cursor->transaction);
        columns_ = cursor->statement.columnNames();
        rows_.clear();
        cursor_ = std::move(cursor);
    });
}

void ReferenceQuery::close() {
    if (!open_)
        return;
    finishCursor();
    cursorDropped_ = false;
    open_ = false;
    rows_.clear();
    columns_.clear();
    current_ = -1;
}

void ReferenceQuery::finishCursor() {
    if (!cursor_)
        return;
    // A read-only transaction has nothing to keep: ending it either way is the same.
    cursor_->transaction.rollbackQuietly();
    cursor_.reset();
}

bool ReferenceQuery::fetchOne() {
    if (!cursor_ && cursorDropped_) {
        close();
        Database::raiseAttachmentDropped();
    }
    if (!cursor_)
        return false;
    try {
        return database_.runOn(cursor_->attachment, [this](const auto&) {
            if (!cursor_->statement.fetch()) {
                finishCursor();
                return false;
            }
            std::vector<QVariant> row;
            row.reserve(static_cast<std::size_t>(columns_.size()));
            for (int i = 0; i < columns_.size(); ++i)
                row.push_back(cursor_->statement.value(i));
            rows_.push_back(std::move(row));
            return true;
        });
    } catch (const firebird::ConnectionLostError&) {
        // The connection broke or stopped answering: the result cannot go on.
        close();
        throw;
    }
}

void ReferenceQuery::requireOpen() const {
    if (!open_)
        throw DatabaseError(
            QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(name_));
}

int ReferenceQuery::requireColumn(const QString& column) const {
    requireOpen();
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw DatabaseError(QStringLiteral("%1: Field '%2' not found").arg(name_, column));
}

QVariant ReferenceQuery::fieldValue(const QString& column) const {
    const int index = requireColumn(column);
    if (current_ < 0)
        return {};
    return rows_[static_cast<std::size_t>(current_)][static_cast<std::size_t>(index)];
}

bool ReferenceQuery::locate(const QString& column, const QString& value) {
    const int index = requireColumn(column);
    // Exact comparison on our side: whole value, case-sensitive, blanks count.
    for (int row = 0;; ++row) {
        if (row >= static_cast<int>(rows_.size()) && !fetchOne())
            return false;
        if (fieldText(rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)]) ==
            value) {
            current_ = row;
            return true;
        }
    }
}

bool ReferenceQuery::moveTo(int row) {
    requireOpen();
    if (row < 0)
        return false;
    while (row >= static_cast<int>(rows_.size()) && fetchOne()) {
    }
    if (row >= static_cast<int>(rows_.size()))
        return false;
    current_ = row;
    return true;
}

} // namespace veska::catalogue::test
