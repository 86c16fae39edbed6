#include "shop/ServedPriceMode.h"

namespace veska::shop {

using catalogue::PriceMode;

ServedPriceMode servedPriceMode(std::optional<PriceMode> saved, bool retailColumnExists) {
    if (saved != PriceMode::Retail)
        return {};
    if (!retailColumnExists)
        return {PriceMode::Wholesale, true};
    return {PriceMode::Retail, false};
}

QString savedRetailUnusedLine() {
    return QStringLiteral("O modo de preço salvo em %1 (Preço Varejo) não é usado: a tabela "
                          "PRODUTOS não tem a coluna PRECO_VENDA_LJ. Os terminais recebem o "
                          "preço de PRECO_VENDA.")
        .arg(catalogue::priceModeFileName);
}

} // namespace veska::shop
