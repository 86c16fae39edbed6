#pragma once
// The reference way to find a scanned article: close and reopen the whole product query
// for every scan and walk it row by row with Locate ("BarCode", then "cod_barra"). Its
// cost grows with the catalogue; the service's real source must give the same answers.

#include "catalogue/products/Dataset.h"
#include "terminal/ArticleSource.h"

namespace veska::terminal::test {

class ReopenedQuerySource : public terminal::ArticleSource {
public:
    explicit ReopenedQuerySource(catalogue::Dataset& products) : products_(products) {}

    void beginScan() override {
        products_.close();
        products_.open();
    }

    std::optional<terminal::Article> find(terminal::LookupColumn column,
                                          const QString& value) override {
        if (!products_.locate(terminal::lookupColumnName(column), value))
            return std::nullopt;
        terminal::Article article;
        article.column = column;
        article.value = value;
        article.code = products_.fieldAsText(QStringLiteral("BarCode"));
        article.description = products_.fieldAsText(QStringLiteral("Produto"));
        if (!products_.fieldIsNull(QStringLiteral("Preco")))
            article.priceText = products_.fieldAsText(QStringLiteral("Preco"));
        return article;
    }

    void endScan(const std::optional<terminal::Article>&) override {}

private:
    catalogue::Dataset& products_;
};

} // namespace veska::terminal::test
