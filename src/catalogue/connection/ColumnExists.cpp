#include "catalogue/connection/ColumnExists.h"

#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "core/CodePage.h"

namespace veska::catalogue {
namespace {

// Upper case in the classic sense: only the letters a to z change.
QString asciiUpper(QString text) {
    for (QChar& ch : text) {
        if (ch >= u'a' && ch <= u'z')
            ch = QChar(ch.unicode() - (u'a' - u'A'));
    }
    return text;
}

QByteArray parameter(const firebird::Attachment& attachment, const QString& name) {
    const QString text = asciiUpper(name);
    return attachment.utf8() ? text.toUtf8() : codepage::fromUnicode(text);
}

} // namespace

bool columnExists(Database& database, const QString& table, const QString& column) {
    const auto probe = [&](const std::shared_ptr<firebird::Attachment>& attachment) {
        firebird::Transaction transaction(*attachment,
                                          firebird::Transaction::Kind::ReadCommittedReadOnly);
        firebird::PreparedStatement count(
            *attachment, transaction,
            QByteArrayLiteral("select count(*) from rdb$relation_fields "
                              "where rdb$relation_name = ? and rdb$field_name = ?"));
        count.execute(transaction, {parameter(*attachment, table), parameter(*attachment, column)});
        return count.fetch() && count.value(0).toLongLong() > 0;
    };
    const bool wasConnected = database.isConnected();
    try {
        return database.run(probe);
    } catch (const firebird::ConnectionLostError&) {
        // The attachment made earlier broke (the server was restarted, say): it is dropped;
        // try once on a new one. A fresh attachment that breaks at once is reported.
        if (!wasConnected)
            throw;
        return database.run(probe);
    }
}

} // namespace veska::catalogue
