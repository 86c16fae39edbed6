#pragma once
// A read-only SQL query on the connection (QueCon, the catalogue probe): SQL lines, a
// before-open hook, and a result whose rows are fetched from the engine in order, only as
// they are needed (navigation, a locate's scan), then kept. The product query, whose
// result can be a million rows, is a ProductList instead.
//
// Each open runs in a new read-only, read-committed transaction, so it sees what is
// committed at that moment; the transaction ends when the query closes or has fetched its
// last row. Every failure is a veska::DatabaseError; an operation that needs an open query
// on a closed one raises "<name>: Cannot perform this operation on a closed dataset".
// When the database file is replaced on disk the query lets go of its cursor; the next
// fetch closes it with a lost-connection error rather than end the result early.

#include "catalogue/connection/AttachmentKeeper.h"
#include "catalogue/products/Dataset.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace veska::catalogue {

class Database;

class Query : public QObject, public Dataset, private AttachmentKeeper {
    Q_OBJECT

public:
    using Hook = std::function<void(Query&)>;

    Query(Database& database, const QString& name, QObject* parent = nullptr);
    ~Query() override;

    QString name() const { return objectName(); }

    // SQL text: the statement run is the lines joined by line breaks.
    const QStringList& sqlLines() const { return lines_; }
    void clearSql() { lines_.clear(); }
    void appendSql(const QString& line) { lines_.append(line); }
    // Replaces the line at a 0-based index; raises DatabaseError when there is no such line.
    void replaceSql(int index, const QString& line);
    QString statement() const { return lines_.join(QLatin1Char('\n')); }

    // Runs at the start of every open; line changes made in it apply to that same open.
    void setBeforeOpen(Hook hook) { beforeOpen_ = std::move(hook); }

    // Dataset. open() on an open query does nothing (the hook does not run either).
    void open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool locate(const QString& column, const QString& value) override;
    QString fieldAsText(const QString& column) const override;
    bool fieldIsNull(const QString& column) const override;
    std::int64_t fieldAsInteger(const QString& column) const override;
    // The current row's value: null QVariant for NULL or when the result is empty.
    QVariant fieldValue(const QString& column) const;

    // Navigation. bof/eof as in the classic data sets: bof after first() or a prior() at
    // the first row, eof after last() or a next() at the last row; both on an empty result.
    void first();
    void prior();
    void next();
    void last();
    bool bof() const;
    bool eof() const;
    // Makes the row current (fetching up to it); false when there is no such row.
    bool moveTo(int row);
    // The current row's index, -1 when the result is empty.
    int currentRow() const;

    // The result so far, for the grid: columns, the rows fetched, their values.
    QStringList columnNames() const;
    // The column's index without regard to case, -1 when there is none.
    int columnIndex(const QString& column) const;
    int fetchedRowCount() const { return static_cast<int>(rows_.size()); }
    bool allRowsFetched() const { return cursor_ == nullptr && !cursorDropped_; }
    // Fetches up to count more rows; returns how many came.
    int fetchMoreRows(int count);
    const QVariant& value(int row, int column) const;
    // Text of a value as fieldAsText gives it; its integer as fieldAsInteger gives it.
    static QString textOf(const QVariant& value);
    static std::int64_t integerOf(const QVariant& value);

Q_SIGNALS:
    void opened();
    void closed();
    // Rows were added to the fetched ones; count is the new number of fetched rows.
    void rowsFetched(int count);
    void currentRowChanged(int row);

private:
    struct Cursor;

    void dropAttachment() noexcept override;
    void requireOpen() const;
    int requireColumn(const QString& column) const;
    void startCursor();
    bool fetchOne();
    void finishCursor();
    void setCurrent(int row, bool bof, bool eof);

    Database& database_;
    QStringList lines_;
    Hook beforeOpen_;
    std::unique_ptr<Cursor> cursor_;
    bool cursorDropped_ = false; // before its last row, for a replaced database file
    bool open_ = false;
    QStringList columns_;
    std::vector<std::vector<QVariant>> rows_;
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    KeeperEntry keeperEntry_; // last: out of the list before the rest goes
};

} // namespace veska::catalogue
