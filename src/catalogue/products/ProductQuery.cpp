#include "catalogue/products/ProductQuery.h"

#include "catalogue/connection/Query.h"

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

} // namespace

QStringList productQueryLines() {
    return {QStringLiteral("select codigo BarCode, nome produto, cod_barra,"),
            QStringLiteral("preco_venda"), QStringLiteral("Preco from produtos"),
            QStringLiteral("order by codigo")};
}

std::vector<ProductListModel::Column> productGridColumns() {
    return {{QStringLiteral("BARCODE"), QStringLiteral("Código")},
            {QStringLiteral("PRODUTO"), QStringLiteral("Descrição")},
            {QStringLiteral("PRECO"), initialPriceTitle, ProductListModel::Format::Money}};
}

QString fieldExistsStatement(const QString& column, const QString& table) {
    return QStringLiteral("SELECT COUNT(*) CT FROM RDB$RELATION_FIELDS where RDB$FIELD_NAME='") +
           asciiUpper(column) + QStringLiteral("'") + QStringLiteral(" AND RDB$RELATION_NAME=") +
           QStringLiteral("'") + asciiUpper(table) + QStringLiteral("'");
}

bool fieldExists(Query& queCon, const QString& column, const QString& table) {
    queCon.clearSql();
    queCon.appendSql(fieldExistsStatement(column, table));
    queCon.open();
    const bool exists = queCon.fieldAsInteger(QStringLiteral("CT")) > 0;
    queCon.close();
    return exists;
}

} // namespace veska::catalogue
