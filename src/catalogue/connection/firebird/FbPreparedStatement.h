#pragma once
// A DSQL statement prepared once on an attachment and executed any number of times, each
// time in a transaction of the caller and with its "?" parameters bound to text values.
// Result values become QVariants: a null QVariant for NULL, QString for text (CHAR padding
// removed), qint64 for whole numbers, double for floating-point and scaled numbers,
// QDate/QTime/QDateTime, bool.

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

class PreparedStatement {
public:
    // Prepares in the given transaction; throws DatabaseError with the engine's message.
    PreparedStatement(Attachment& attachment, Transaction& transaction, const QByteArray& sql);
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;
    ~PreparedStatement();

    const QStringList& columnNames() const { return columnNames_; }
    int parameterCount() const;
    // The most bytes the text parameter can carry in the connection's character set.
    int parameterCapacity(int index) const;

    // Closes a result still open, binds the parameters (bytes in the connection's
    // character set; a parameter longer than its capacity is an error of the engine) and
    // runs the statement in the transaction.
    void execute(Transaction& transaction, const std::vector<QByteArray>& parameters = {});
    // Fetches the next row; false at the end of the result.
    bool fetch();
    // The value of a column in the row last fetched.
    QVariant value(int column);
    // The column's bytes as the engine sent them (for RDB$DB_KEY); empty for NULL.
    QByteArray rawBytes(int column) const;
    // Ends the current result, if any.
    void closeCursor() noexcept;

private:
    struct Descriptor;

    // The statement handle, dropped with its owner: also when the owner's constructor
    // throws after allocating it, and whatever step failed.
    struct Handle {
        isc_stmt_handle value = 0;
        Handle() = default;
        Handle(const Handle&) = delete;
        Handle& operator=(const Handle&) = delete;
        ~Handle();
    };

    // Text of the column in the form it was asked for: UTF-8, or the connection's code page.
    QString decodeText(int column, const char* bytes, qsizetype size) const;
    QVariant readBlob(int column, const ISC_QUAD& id);

    Attachment& attachment_;
    Transaction* transaction_ = nullptr;
    Handle handle_;
    std::unique_ptr<Descriptor> output_;
    std::unique_ptr<Descriptor> input_;
    QStringList columnNames_;
    std::vector<int> parameterCapacities_;
    bool hasResultSet_ = false;
    bool cursorOpen_ = false;
};

} // namespace veska::catalogue::firebird
