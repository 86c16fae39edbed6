#include "catalogue/products/ServedArticleGrid.h"

#include "catalogue/products/ProductList.h"

namespace veska::catalogue {

ServedArticleGrid::ServedArticleGrid(ProductList& products, std::function<bool()> isShown)
    : products_(products), isShown_(std::move(isShown)) {}

void ServedArticleGrid::follow(const std::optional<Article>& served) {
    if (!isShown_()) {
        pending_ = served;
        return;
    }
    pending_.reset();
    products_.showServed(served);
}

void ServedArticleGrid::shown() {
    if (!pending_)
        return;
    const std::optional<Article> served = *pending_;
    pending_.reset();
    products_.showServed(served);
}

} // namespace veska::catalogue
