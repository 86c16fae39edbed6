#include "catalogue/ServedArticleGrid.h"

#include "catalogue/Query.h"

namespace veska::catalogue {

using terminal::lookupColumnName;
namespace {

// How many rows of the narrowed query are searched for the article before the whole
// query is: more rows than this sharing one codigo are not expected.
constexpr int kKeyRows = 1000;

} // namespace

ServedArticleGrid::ServedArticleGrid(Query& products, std::function<bool()> isShown)
    : products_(products), isShown_(std::move(isShown)) {}

void ServedArticleGrid::follow(const std::optional<Article>& served) {
    if (!isShown_()) {
        pending_ = served;
        return;
    }
    pending_.reset();
    show(served);
}

void ServedArticleGrid::shown() {
    if (!pending_)
        return;
    const std::optional<Article> served = *pending_;
    pending_.reset();
    show(served);
}

void ServedArticleGrid::show(const std::optional<Article>& served) {
    products_.close();
    if (!served) {
        products_.open();
        return;
    }
    products_.openNarrowed(QStringLiteral("where codigo >= ?"), {served->code});
    // The article is among the first rows unless it went away since it was served.
    if (products_.locateWithin(lookupColumnName(served->column), served->value, kKeyRows))
        return;
    products_.locate(lookupColumnName(served->column), served->value);
}

} // namespace veska::catalogue
