#pragma once
// The product query CDSProdutos: its four SQL lines and the before-open step that puts the
// price column of the current mode into line 1.

#include "catalogue/settings/PriceMode.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace veska::catalogue {

// "select codigo BarCode, nome produto, cod_barra," / "preco_venda" / "Preco from produtos"
// / "order by codigo".
QStringList productQueryLines();

// CDSProdutosBeforeOpen: replaces line 1 (never inserts) with the mode's price column.
template <class Products> void applyPriceColumn(Products& products, PriceMode mode) {
    products.replaceSql(1, priceColumn(mode));
}

// Gives the query (the product list, or a plain query reading the same result) its four
// lines and a before-open hook that asks currentMode() at every open and applies its price
// column.
template <class Products>
void setUpProductQuery(Products& products, std::function<PriceMode()> currentMode) {
    products.clearSql();
    for (const QString& line : productQueryLines())
        products.appendSql(line);
    products.setBeforeOpen([currentMode = std::move(currentMode)](Products& query) {
        applyPriceColumn(query, currentMode());
    });
}

} // namespace veska::catalogue
