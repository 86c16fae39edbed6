#include "catalogue/products/ProductGridColumns.h"

#include "catalogue/settings/PriceMode.h"

namespace veska::catalogue {

std::vector<ProductListModel::Column> productGridColumns() {
    return {{QStringLiteral("BARCODE"), QStringLiteral("Código")},
            {QStringLiteral("PRODUTO"), QStringLiteral("Descrição")},
            {QStringLiteral("PRECO"), initialPriceTitle, ProductListModel::Format::Money}};
}

} // namespace veska::catalogue
