#include "catalogue/products/ProductQuery.h"

namespace veska::catalogue {

QStringList productQueryLines() {
    return {QStringLiteral("select codigo BarCode, nome produto, cod_barra,"),
            QStringLiteral("preco_venda"), QStringLiteral("Preco from produtos"),
            QStringLiteral("order by codigo")};
}

} // namespace veska::catalogue
