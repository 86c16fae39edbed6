#pragma once
// The product query read the plain way, for the tests and benchmarks that compare the
// product code with it: SQL lines and a before-open hook, a result fetched from the engine
// in order only as far as it is needed (a locate's scan, a move), then kept, and a locate
// that compares on our side, row by row. Its cost grows with the catalogue.
//
// Each open runs in a new read-only, read-committed transaction. Every failure is a
// veska::DatabaseError; a use that needs an open query on a closed one raises "<name>:
// Cannot perform this operation on a closed dataset". When the database file is replaced
// on disk the query lets go of its cursor; the next fetch closes it with a lost-connection
// error rather than end the result early.

#include "catalogue/connection/AttachmentKeeper.h"
#include "catalogue/products/Dataset.h"
#include "catalogue/products/SqlText.h"

#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace veska::catalogue {
class Database;
}

namespace veska::catalogue::test {

class ReferenceQuery : public Dataset, public SqlText<ReferenceQuery>, private AttachmentKeeper {
public:
    ReferenceQuery(Database& database, const QString& name);
    ~ReferenceQuery() override;

    const QString& name() const { return name_; }

    // Dataset. open() on an open query does nothing (the hook does not run either).
    void open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool locate(const QString& column, const QString& value) override;
    QVariant fieldValue(const QString& column) const override;

    // Makes the row current (fetching up to it); false when there is no such row.
    bool moveTo(int row);
    // The current row's index, -1 when the result is empty.
    int currentRow() const { return current_; }

private:
    struct Cursor;

    void dropAttachment() noexcept override;
    void requireOpen() const;
    int requireColumn(const QString& column) const;
    void startCursor();
    bool fetchOne();
    void finishCursor();

    Database& database_;
    QString name_;
    std::unique_ptr<Cursor> cursor_;
    bool cursorDropped_ = false; // before its last row, for a replaced database file
    bool open_ = false;
    QStringList columns_;
    std::vector<std::vector<QVariant>> rows_;
    int current_ = -1;
    KeeperEntry keeperEntry_; // last: out of the list before the rest goes
};

} // namespace veska::catalogue::test
