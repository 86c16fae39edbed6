#pragma once
// The manual search of the products page (BtnPesquisarClick's steps).

#include <QString>

namespace veska {
class Notices;
}

namespace veska::catalogue {

class Dataset;

inline const QString emptySearchNotice =
    QStringLiteral("Por favor, entre com o Código do produto.");
inline const QString productNotFoundNotice =
    QStringLiteral("Código do produto não consta na Base de Dados.");

// Empty text: the notice asking for a code, nothing searched. Otherwise the text trimmed
// (codes up to 32) is located in column "BarCode" only; found: that row is current and the
// notice "Produto: " + the text of "Produto"; not found: the not-found notice, current row
// kept. Returns whether a row was found. Errors of the data set (a closed query) are raised.
bool searchProduct(Dataset& products, const QString& text, Notices& notices);

} // namespace veska::catalogue
