#include "catalogue/products/ProductSearch.h"

#include "catalogue/products/Dataset.h"
#include "core/Notices.h"
#include "core/TrimControls.h"

namespace veska::catalogue {

bool searchProduct(Dataset& products, const QString& text, Notices& notices) {
    if (text.isEmpty()) {
        notices.showNotice(emptySearchNotice);
        return false;
    }
    const QString key = trimControls(text);
    if (!products.locate(QStringLiteral("BarCode"), key)) {
        notices.showNotice(productNotFoundNotice);
        return false;
    }
    notices.showNotice(QStringLiteral("Produto: ") +
                       products.fieldAsText(QStringLiteral("Produto")));
    return true;
}

} // namespace veska::catalogue
