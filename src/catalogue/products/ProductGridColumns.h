#pragma once
// The products grid's columns over the product query: "Código" (BARCODE), "Descrição"
// (PRODUTO) and "Preço" (PRECO, shown as "#,##0.00"); COD_BARRA is not shown.

#include "catalogue/products/ProductListModel.h"

#include <vector>

namespace veska::catalogue {

std::vector<ProductListModel::Column> productGridColumns();
// The price column's index, whose title follows the price mode.
inline constexpr int priceGridColumn = 2;

} // namespace veska::catalogue
