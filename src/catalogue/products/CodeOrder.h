#pragma once
// The order of article codes in the product query ("order by codigo"), for choosing the
// first of a few articles without asking the engine to sort the catalogue.
//
// Under the binary default collation of the column's character set (WIN1252, NONE, UTF8,
// ...), the engine orders by the stored bytes, the shorter text padded with blanks; the
// bytes the connection delivers order the same way (Windows-1252 or UTF-8, whose byte order
// is that of the characters). Under any other collation (PT_BR, a case-insensitive one...)
// two codes are compared by the engine itself, with a prepared statement that casts both to
// the column's type and collation. A code column that is not text is compared as numbers.
// Codes that compare equal are equal keys to the engine, whose order among them only the
// product query itself can tell.

#include <QString>
#include <memory>

namespace veska::catalogue {

namespace firebird {
class Attachment;
class PreparedStatement;
class Transaction;
} // namespace firebird

class CodeOrder {
public:
    explicit CodeOrder(firebird::Attachment& attachment);
    ~CodeOrder();
    CodeOrder(const CodeOrder&) = delete;
    CodeOrder& operator=(const CodeOrder&) = delete;

    // Negative, zero or positive as a comes before, together with, or after b. The column's
    // collation is read from the catalogue at the first call.
    int compare(const QString& a, const QString& b, firebird::Transaction& transaction);

    // Whether the engine orders the codes by their bytes (text under a binary collation),
    // and the column's length in characters (0 when it is not text).
    bool ordersByBytes(firebird::Transaction& transaction);
    int length(firebird::Transaction& transaction);

private:
    enum class Kind { Unknown, Bytes, Numbers, Engine };

    void learnColumn(firebird::Transaction& transaction);
    int compareBytes(const QString& a, const QString& b) const;

    firebird::Attachment& attachment_;
    Kind kind_ = Kind::Unknown;
    int length_ = 0;
    std::unique_ptr<firebird::PreparedStatement> comparison_;
};

} // namespace veska::catalogue
