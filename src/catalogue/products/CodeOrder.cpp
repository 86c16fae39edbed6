#include "catalogue/products/CodeOrder.h"

#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "core/CodePage.h"

#include <QRegularExpression>
#include <algorithm>

namespace veska::catalogue {
namespace {

// The character set, collation and length of produtos.codigo; no row when it is not text.
const char* const kColumnType =
    "select trim(cs.rdb$character_set_name), trim(co.rdb$collation_name), "
    "f.rdb$character_length "
    "from rdb$relation_fields rf "
    "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
    "join rdb$character_sets cs on cs.rdb$character_set_id = f.rdb$character_set_id "
    "join rdb$collations co on co.rdb$character_set_id = f.rdb$character_set_id "
    "and co.rdb$collation_id = coalesce(rf.rdb$collation_id, f.rdb$collation_id, 0) "
    "where rf.rdb$relation_name = 'PRODUTOS' and rf.rdb$field_name = 'CODIGO'";

bool isPlainName(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    return plain.match(name).hasMatch();
}

int sign(qint64 value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

} // namespace

CodeOrder::CodeOrder(firebird::Attachment& attachment) : attachment_(attachment) {}

CodeOrder::~CodeOrder() = default;

void CodeOrder::learnColumn(firebird::Transaction& transaction) {
    firebird::PreparedStatement column(attachment_, transaction, kColumnType);
    column.execute(transaction);
    if (!column.fetch()) {
        kind_ = Kind::Numbers;
        return;
    }
    const QString charset = column.value(0).toString();
    const QString collation = column.value(1).toString();
    const qint64 length = column.value(2).toLongLong();
    column.closeCursor();
    length_ = static_cast<int>(std::clamp<qint64>(length, 0, 32765));
    // A character set's default collation bears its name and orders by the bytes.
    if (collation == charset || !isPlainName(charset) || !isPlainName(collation) || length <= 0) {
        kind_ = Kind::Bytes;
        return;
    }
    const QString cast = QStringLiteral("cast(? as varchar(%1) character set %2) collate %3")
                             .arg(length)
                             .arg(charset, collation);
    const QString sql = QStringLiteral("select case when %1 < %1 then -1 when %1 = %1 then 0 "
                                       "else 1 end from rdb$database")
                            .arg(cast);
    comparison_ =
        std::make_unique<firebird::PreparedStatement>(attachment_, transaction, sql.toUtf8());
    kind_ = Kind::Engine;
}

int CodeOrder::compareBytes(const QString& a, const QString& b) const {
    const QByteArray x = attachment_.utf8() ? a.toUtf8() : codepage::fromUnicode(a);
    const QByteArray y = attachment_.utf8() ? b.toUtf8() : codepage::fromUnicode(b);
    const qsizetype length = std::max(x.size(), y.size());
    for (qsizetype i = 0; i < length; ++i) {
        const auto p = static_cast<uchar>(i < x.size() ? x[i] : ' ');
        const auto q = static_cast<uchar>(i < y.size() ? y[i] : ' ');
        if (p != q)
            return p < q ? -1 : 1;
    }
    return 0;
}

bool CodeOrder::ordersByBytes(firebird::Transaction& transaction) {
    if (kind_ == Kind::Unknown)
        learnColumn(transaction);
    return kind_ == Kind::Bytes && length_ > 0;
}

int CodeOrder::length(firebird::Transaction& transaction) {
    if (kind_ == Kind::Unknown)
        learnColumn(transaction);
    return length_;
}

int CodeOrder::compare(const QString& a, const QString& b, firebird::Transaction& transaction) {
    if (kind_ == Kind::Unknown)
        learnColumn(transaction);
    switch (kind_) {
    case Kind::Numbers: {
        bool aNumber = false;
        bool bNumber = false;
        const double x = a.toDouble(&aNumber);
        const double y = b.toDouble(&bNumber);
        if (aNumber && bNumber)
            return x < y ? -1 : x > y ? 1 : 0;
        return compareBytes(a, b);
    }
    case Kind::Engine: {
        const QByteArray x = attachment_.utf8() ? a.toUtf8() : codepage::fromUnicode(a);
        const QByteArray y = attachment_.utf8() ? b.toUtf8() : codepage::fromUnicode(b);
        comparison_->execute(transaction, {x, y, x, y});
        const int result = comparison_->fetch() ? sign(comparison_->value(0).toLongLong()) : 0;
        comparison_->closeCursor();
        return result;
    }
    default:
        return compareBytes(a, b);
    }
}

} // namespace veska::catalogue
