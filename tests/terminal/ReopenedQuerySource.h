#pragma once
// The reference way to find a scanned article: close and reopen the whole product query
// for every scan and walk it row by row with Locate ("BarCode", then "cod_barra"). Its
// cost grows with the catalogue; the service's real source must give the same answers.

#include "catalogue/ArticleSource.h"
#include "catalogue/Dataset.h"

namespace veska::terminal::test {

class ReopenedQuerySource : public catalogue::ArticleSource {
public:
    explicit ReopenedQuerySource(catalogue::Dataset& products) : products_(products) {}

    void beginScan() override {
        products_.close();
        products_.open();
    }

    std::optional<catalogue::Article> find(catalogue::LookupColumn column,
                                           const QString& value) override {
        if (!products_.locate(catalogue::lookupColumnName(column), value))
            return std::nullopt;
        catalogue::Article article;
        article.column = column;
        article.value = value;
        article.code = products_.fieldAsText(QStringLiteral("BarCode"));
        article.description = products_.fieldAsText(QStringLiteral("Produto"));
        if (!products_.fieldIsNull(QStringLiteral("Preco")))
            article.priceText = products_.fieldAsText(QStringLiteral("Preco"));
        return article;
    }

    void endScan(const std::optional<catalogue::Article>&) override {}

private:
    catalogue::Dataset& products_;
};

} // namespace veska::terminal::test
