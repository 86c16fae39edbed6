#include "catalogue/products/ProductQuery.h"

namespace veska::catalogue {

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

} // namespace veska::catalogue
