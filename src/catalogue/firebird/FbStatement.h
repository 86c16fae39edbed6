#pragma once
// A prepared DSQL statement with its result columns described, executed and fetched row by
// row inside a transaction of the caller. Each fetched value becomes a QVariant: a null
// QVariant for NULL, QString for text (CHAR padding removed), qint64 for whole numbers,
// double for floating-point and scaled numbers, QDate/QTime/QDateTime, bool.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ibase.h>
#include <memory>
#include <vector>

namespace veska::catalogue::firebird {

class Attachment;
class Transaction;

class Statement {
public:
    Statement(Attachment& attachment, Transaction& transaction, const QByteArray& sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Result column names (the aliases given in the statement), as the engine reports them.
    const QStringList& columnNames() const { return columnNames_; }
    void execute();
    // Fetches the next row; false at the end of the result.
    bool fetch();
    // The value of column index in the row last fetched.
    QVariant value(int column);

private:
    struct Buffers;

    QString decodeText(const char* bytes, qsizetype size) const;
    QVariant readBlob(const ISC_QUAD& id);

    Attachment& attachment_;
    Transaction& transaction_;
    isc_stmt_handle handle_ = 0;
    std::unique_ptr<Buffers> buffers_;
    QStringList columnNames_;
    bool hasResultSet_ = false;
};

} // namespace veska::catalogue::firebird
