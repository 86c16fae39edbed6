#pragma once
// The products grid following the price-query service. While the grid is shown, every
// served scan leaves the product list on the served article, with the rows around it, or
// on its first row when nothing was found, as if the query had been reopened and searched.
// While the grid is not shown, only the last outcome is remembered, and it is shown when
// the grid next appears.

#include "terminal/ArticleSource.h"

#include <functional>

namespace veska::catalogue {

using terminal::Article;

class ProductList;

class ServedArticleGrid {
public:
    ServedArticleGrid(ProductList& products, std::function<bool()> isShown);

    // A scan was served with this article, or with a not-found answer.
    void follow(const std::optional<Article>& served);
    // The grid has just become shown.
    void shown();

private:
    ProductList& products_;
    std::function<bool()> isShown_;
    std::optional<std::optional<Article>> pending_;
};

} // namespace veska::catalogue
