#include "catalogue/connection/Query.h"

#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "catalogue/products/NumberText.h"
#include "core/CodePage.h"
#include "core/Errors.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace veska::catalogue {

// The engine side of an open query: the attachment it was opened on (kept alive by it,
// whatever the connection does meanwhile), its transaction and its statement.
struct Query::Cursor {
    std::shared_ptr<firebird::Attachment> attachment;
    firebird::Transaction transaction;
    firebird::PreparedStatement statement;

    Cursor(std::shared_ptr<firebird::Attachment> on, const QByteArray& sql)
        : attachment(std::move(on)),
          transaction(*attachment, firebird::Transaction::Kind::ReadCommittedReadOnly),
          statement(*attachment, transaction, sql) {}
};

Query::Query(Database& database, const QString& name, QObject* parent)
    : QObject(parent), database_(database), keeperEntry_(database.listKeeper(*this)) {
    setObjectName(name);
}

// The cursor holds what it needs; the connection itself is not touched.
Query::~Query() {
    cursor_.reset();
}

void Query::dropAttachment() noexcept {
    if (!cursor_)
        return;
    finishCursor();
    cursorDropped_ = true;
}

void Query::replaceSql(int index, const QString& line) {
    if (index < 0 || index >= lines_.size())
        throw DatabaseError(QStringLiteral("List index out of bounds (%1)").arg(index));
    lines_[index] = line;
}

void Query::open() {
    if (open_)
        return;
    if (beforeOpen_)
        beforeOpen_(*this);
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
    bof_ = eof_ = true;
    try {
        if (fetchOne())
            current_ = 0;
        eof_ = current_ < 0;
    } catch (...) {
        close();
        throw;
    }
    Q_EMIT opened();
    Q_EMIT rowsFetched(fetchedRowCount());
    Q_EMIT currentRowChanged(current_);
}

void Query::startCursor() {
    const QByteArray sql = statement().toUtf8();
    database_.run([&](const std::shared_ptr<firebird::Attachment>& attachment) {
        auto cursor = std::make_unique<Cursor>(attachment, sql);
        cursor->statement.execute(cursor->transaction);
        columns_ = cursor->statement.columnNames();
        rows_.clear();
        cursor_ = std::move(cursor);
    });
}

void Query::close() {
    if (!open_)
        return;
    finishCursor();
    cursorDropped_ = false;
    open_ = false;
    rows_.clear();
    columns_.clear();
    current_ = -1;
    bof_ = eof_ = true;
    Q_EMIT closed();
}

void Query::finishCursor() {
    if (!cursor_)
        return;
    // A read-only transaction has nothing to keep: ending it either way is the same.
    cursor_->transaction.rollbackQuietly();
    cursor_.reset();
}

bool Query::fetchOne() {
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

int Query::fetchMoreRows(int count) {
    requireOpen();
    int fetched = 0;
    while (fetched < count && fetchOne())
        ++fetched;
    if (fetched > 0)
        Q_EMIT rowsFetched(fetchedRowCount());
    return fetched;
}

void Query::requireOpen() const {
    if (!open_)
        throw DatabaseError(
            QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(name()));
}

int Query::columnIndex(const QString& column) const {
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Query::requireColumn(const QString& column) const {
    requireOpen();
    const int index = columnIndex(column);
    if (index < 0)
        throw DatabaseError(QStringLiteral("%1: Field '%2' not found").arg(name(), column));
    return index;
}

QStringList Query::columnNames() const {
    return columns_;
}

const QVariant& Query::value(int row, int column) const {
    return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

QString Query::textOf(const QVariant& value) {
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
        return generalDecimalText(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return QLocale::system().toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::QTime:
        return QLocale::system().toString(value.toTime(), QLocale::LongFormat);
    case QMetaType::QDateTime:
        return QLocale::system().toString(value.toDateTime(), QLocale::ShortFormat);
    default:
        return value.toString();
    }
}

QVariant Query::fieldValue(const QString& column) const {
    const int index = requireColumn(column);
    if (current_ < 0)
        return {};
    return value(current_, index);
}

QString Query::fieldAsText(const QString& column) const {
    return textOf(fieldValue(column));
}

bool Query::fieldIsNull(const QString& column) const {
    return fieldValue(column).isNull();
}

std::int64_t Query::fieldAsInteger(const QString& column) const {
    return integerOf(fieldValue(column));
}

std::int64_t Query::integerOf(const QVariant& value) {
    if (value.isNull())
        return 0;
    if (value.typeId() == QMetaType::Double)
        return std::llround(value.toDouble());
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok)
        throw DatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(textOf(value)));
    return number;
}

bool Query::locate(const QString& column, const QString& value) {
    const int index = requireColumn(column);
    const int before = fetchedRowCount();
    int found = -1;
    // Exact comparison on our side: whole value, case-sensitive, blanks count.
    for (int row = 0;; ++row) {
        if (row >= fetchedRowCount() && !fetchOne())
            break;
        if (textOf(rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)]) ==
            value) {
            found = row;
            break;
        }
    }
    if (fetchedRowCount() > before)
        Q_EMIT rowsFetched(fetchedRowCount());
    if (found < 0)
        return false;
    setCurrent(found, false, false);
    return true;
}

void Query::setCurrent(int row, bool bof, bool eof) {
    const bool moved = row != current_;
    current_ = row;
    bof_ = bof;
    eof_ = eof;
    if (moved)
        Q_EMIT currentRowChanged(current_);
}

void Query::first() {
    requireOpen();
    setCurrent(rows_.empty() ? -1 : 0, true, rows_.empty());
}

void Query::prior() {
    requireOpen();
    if (current_ <= 0) {
        bof_ = true;
        return;
    }
    setCurrent(current_ - 1, false, false);
}

void Query::next() {
    requireOpen();
    const int wanted = current_ + 1;
    const int before = fetchedRowCount();
    if (wanted >= fetchedRowCount())
        fetchOne();
    if (fetchedRowCount() > before)
        Q_EMIT rowsFetched(fetchedRowCount());
    if (wanted >= fetchedRowCount()) {
        eof_ = true;
        return;
    }
    setCurrent(wanted, false, false);
}

void Query::last() {
    requireOpen();
    const int before = fetchedRowCount();
    while (fetchOne()) {
    }
    if (fetchedRowCount() > before)
        Q_EMIT rowsFetched(fetchedRowCount());
    setCurrent(fetchedRowCount() - 1, rows_.empty(), true);
}

bool Query::moveTo(int row) {
    requireOpen();
    if (row < 0)
        return false;
    const int before = fetchedRowCount();
    while (row >= fetchedRowCount() && fetchOne()) {
    }
    if (fetchedRowCount() > before)
        Q_EMIT rowsFetched(fetchedRowCount());
    if (row >= fetchedRowCount())
        return false;
    setCurrent(row, false, false);
    return true;
}

bool Query::bof() const {
    return !open_ || bof_;
}
bool Query::eof() const {
    return !open_ || eof_;
}
int Query::currentRow() const {
    return current_;
}

} // namespace veska::catalogue
