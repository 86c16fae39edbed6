#include "catalogue/products/ProductList.h"

#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/FieldText.h"
#include "core/Errors.h"

namespace veska::catalogue {
namespace {

constexpr int kCode = ProductPages::codeColumn;

} // namespace

ProductList::ProductList(Database& database, const QString& name,
                         std::function<PriceMode()> priceMode, QObject* parent)
    : QObject(parent), database_(database),
      lookup_(std::make_unique<ProductLookup>(database_, std::move(priceMode))) {
    setObjectName(name);
}

ProductList::~ProductList() = default;

// A lost connection closes the list: its window cannot go on.
template <typename Work> decltype(auto) ProductList::guarded(Work&& work) {
    try {
        return std::forward<Work>(work)();
    } catch (const firebird::ConnectionLostError&) {
        close();
        throw;
    }
}

std::unique_ptr<ProductPages> ProductList::newPages() {
    runBeforeOpen();
    const bool wasConnected = database_.isConnected();
    try {
        return std::make_unique<ProductPages>(database_, sqlLines());
    } catch (const firebird::ConnectionLostError&) {
        // An attachment made earlier broke (the server was restarted, say): it has been
        // dropped; try once on a new one.
        if (!wasConnected)
            throw;
        return std::make_unique<ProductPages>(database_, sqlLines());
    }
}

void ProductList::open() {
    if (isOpen())
        return;
    pages_ = newPages();
    guarded([this] { openAtStart(); });
}

void ProductList::close() {
    if (!isOpen())
        return;
    Q_EMIT aboutToReset();
    pages_.reset();
    rows_.clear();
    current_ = -1;
    startsList_ = endsList_ = true;
    cursorAtEnd_ = false;
    Q_EMIT reset();
    Q_EMIT currentRowChanged(-1);
}

void ProductList::showServed(const std::optional<terminal::Article>& served) {
    close();
    pages_ = newPages();
    guarded([&] {
        if (!served) {
            openAtStart();
            return;
        }
        const terminal::Article article = *served;
        const int compared = article.column == terminal::LookupColumn::Codigo
                                 ? kCode
                                 : columnIndex(QStringLiteral("cod_barra"));
        const int name = columnIndex(QStringLiteral("Produto"));
        const int price = columnIndex(QStringLiteral("Preco"));
        openAround(article.code, [&](const ProductRow& row) {
            const QString priceText = fieldText(row[static_cast<std::size_t>(price)]);
            return fieldText(row[kCode]) == article.code &&
                   fieldText(row[static_cast<std::size_t>(compared)]) == article.value &&
                   fieldText(row[static_cast<std::size_t>(name)]) == article.description &&
                   (article.priceText ? priceText == *article.priceText : priceText.isEmpty());
        });
    });
}

bool ProductList::locate(const QString& column, const QString& value) {
    requireColumn(column);
    const bool byBarcode = column.compare(QStringLiteral("cod_barra"), Qt::CaseInsensitive) == 0;
    if (!byBarcode && column.compare(QStringLiteral("BarCode"), Qt::CaseInsensitive) != 0)
        throw DatabaseError(
            QStringLiteral("%1: Locate by '%2' is not supported").arg(name(), column));
    std::optional<terminal::Article> found = guarded([&] {
        lookup_->beginScan();
        auto article = lookup_->find(
            byBarcode ? terminal::LookupColumn::CodBarra : terminal::LookupColumn::Codigo, value);
        lookup_->endScan(article);
        lookup_->release(); // a search is one lookup, not a run of them
        return article;
    });
    if (!found)
        return false;
    // The list as it stands (no hook, no new price column): the window moves to the article.
    const terminal::Article article = *found;
    const int compared = byBarcode ? columnIndex(QStringLiteral("cod_barra")) : kCode;
    const int name = columnIndex(QStringLiteral("Produto"));
    guarded([&] {
        openAround(article.code, [&](const ProductRow& row) {
            return fieldText(row[kCode]) == article.code &&
                   fieldText(row[static_cast<std::size_t>(compared)]) == value &&
                   fieldText(row[static_cast<std::size_t>(name)]) == article.description;
        });
    });
    return current_ >= 0;
}

void ProductList::replaceWindow(std::deque<ProductRow> rows, bool startsList, bool endsList,
                                int current) {
    Q_EMIT aboutToReset();
    rows_ = std::move(rows);
    startsList_ = startsList;
    endsList_ = endsList;
    current_ = rows_.empty() ? -1 : current;
    Q_EMIT reset();
    Q_EMIT currentRowChanged(current_);
}

void ProductList::openAtStart() {
    pages_->startAtBeginning();
    std::deque<ProductRow> rows;
    const bool more = pages_->fetchForward(pageRows, rows);
    cursorAtEnd_ = more;
    replaceWindow(std::move(rows), true, !more, 0);
    settle();
}

void ProductList::openAround(const QVariant& code,
                             const std::function<bool(const ProductRow&)>& isTarget) {
    ProductPages::Before before = pages_->rowsBefore(code, pageRows / 2);
    pages_->startAt(code);
    std::deque<ProductRow> rows(std::make_move_iterator(before.rows.begin()),
                                std::make_move_iterator(before.rows.end()));
    const int from = static_cast<int>(rows.size());
    const bool more = pages_->fetchForward(pageRows, rows);
    cursorAtEnd_ = more;
    int target = -1;
    for (int i = from; i < static_cast<int>(rows.size()) && target < 0; ++i) {
        if (isTarget(rows[static_cast<std::size_t>(i)]))
            target = i;
    }
    replaceWindow(std::move(rows), before.beginning, !more, target >= 0 ? target : from);
    settle();
}

void ProductList::openAtEnd() {
    ProductPages::Before before = pages_->rowsBefore(std::nullopt, pageRows);
    cursorAtEnd_ = false;
    const int last = static_cast<int>(before.rows.size()) - 1;
    replaceWindow(std::deque<ProductRow>(std::make_move_iterator(before.rows.begin()),
                                         std::make_move_iterator(before.rows.end())),
                  before.beginning, true, last);
}

int ProductList::fetchAfter(int count) {
    if (!isOpen() || endsList_)
        return 0;
    return guarded([&] {
        if (!cursorAtEnd_) {
            // The window ends with every row of its last code, so the rest starts after it.
            pages_->startAfter(rows_.empty() ? QVariant() : rows_.back()[kCode]);
            cursorAtEnd_ = true;
        }
        std::deque<ProductRow> more;
        const bool left = pages_->fetchForward(count, more);
        const int added = static_cast<int>(more.size());
        if (added > 0) {
            Q_EMIT aboutToInsert(rowCount(), rowCount() + added - 1);
            std::move(more.begin(), more.end(), std::back_inserter(rows_));
            Q_EMIT inserted();
        }
        if (!left) {
            endsList_ = true;
            cursorAtEnd_ = false;
        }
        trimFront();
        return added;
    });
}

int ProductList::fetchBefore(int count) {
    if (!isOpen() || startsList_ || rows_.empty())
        return 0;
    return guarded([&] {
        ProductPages::Before before = pages_->rowsBefore(rows_.front()[kCode], count);
        const int added = static_cast<int>(before.rows.size());
        if (added > 0) {
            Q_EMIT aboutToInsert(0, added - 1);
            rows_.insert(rows_.begin(), std::make_move_iterator(before.rows.begin()),
                         std::make_move_iterator(before.rows.end()));
            current_ += added;
            Q_EMIT inserted();
            Q_EMIT currentRowChanged(current_);
        }
        startsList_ = before.beginning;
        trimBack();
        return added;
    });
}

// Drops rows at the front beyond the most held, never part of a code's rows (the next read
// before the window starts from its first code). A current row among them moves to the
// first row kept, as a grid scrolled far down takes the current row along.
void ProductList::trimFront() {
    int drop = rowCount() - maxRows;
    while (drop > 0 && pages_->sameKey(rows_[static_cast<std::size_t>(drop - 1)][kCode],
                                       rows_[static_cast<std::size_t>(drop)][kCode]))
        --drop;
    if (drop <= 0)
        return;
    Q_EMIT aboutToRemove(0, drop - 1);
    rows_.erase(rows_.begin(), rows_.begin() + drop);
    current_ = std::max(current_ - drop, 0);
    Q_EMIT removed();
    startsList_ = false;
    Q_EMIT currentRowChanged(current_);
}

// The same at the back: the next read after the window starts after its last code.
void ProductList::trimBack() {
    int keep = maxRows;
    while (keep < rowCount() && keep > 0 &&
           pages_->sameKey(rows_[static_cast<std::size_t>(keep - 1)][kCode],
                           rows_[static_cast<std::size_t>(keep)][kCode]))
        --keep;
    if (keep <= 0 || keep >= rowCount())
        return;
    Q_EMIT aboutToRemove(keep, rowCount() - 1);
    rows_.erase(rows_.begin() + keep, rows_.end());
    const bool moved = current_ >= keep;
    current_ = std::min(current_, keep - 1);
    Q_EMIT removed();
    endsList_ = false;
    cursorAtEnd_ = false;
    if (moved)
        Q_EMIT currentRowChanged(current_);
}

void ProductList::settle() {
    if (current_ == rowCount() - 1 && !endsList_)
        fetchAfter(pageRows);
}

void ProductList::setCurrent(int row) {
    if (row == current_)
        return;
    current_ = row;
    Q_EMIT currentRowChanged(current_);
}

bool ProductList::setCurrentRow(int row) {
    if (!isOpen() || row < 0 || row >= rowCount())
        return false;
    setCurrent(row);
    settle();
    return true;
}

void ProductList::first() {
    requireColumn(QStringLiteral("BarCode"));
    if (startsList_)
        setCurrent(rows_.empty() ? -1 : 0);
    else
        guarded([this] { openAtStart(); });
}

void ProductList::last() {
    requireColumn(QStringLiteral("BarCode"));
    if (endsList_)
        setCurrent(rowCount() - 1);
    else
        guarded([this] { openAtEnd(); });
}

void ProductList::next() {
    requireColumn(QStringLiteral("BarCode"));
    if (current_ + 1 < rowCount() || fetchAfter() > 0)
        setCurrent(current_ + 1);
    settle();
}

void ProductList::prior() {
    requireColumn(QStringLiteral("BarCode"));
    if (current_ > 0 || fetchBefore() > 0)
        setCurrent(current_ - 1);
}

bool ProductList::bof() const {
    return !isOpen() || rows_.empty() || (startsList_ && current_ == 0);
}

bool ProductList::eof() const {
    return !isOpen() || rows_.empty() || (endsList_ && current_ == rowCount() - 1);
}

QStringList ProductList::columnNames() const {
    return pages_ ? pages_->columns() : QStringList();
}

int ProductList::columnIndex(const QString& column) const {
    const QStringList columns = columnNames();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int ProductList::requireColumn(const QString& column) const {
    if (!isOpen())
        throw DatabaseError(
            QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(name()));
    const int index = columnIndex(column);
    if (index < 0)
        throw DatabaseError(QStringLiteral("%1: Field '%2' not found").arg(name(), column));
    return index;
}

const QVariant& ProductList::value(int row, int column) const {
    return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

QVariant ProductList::fieldValue(const QString& column) const {
    const int index = requireColumn(column);
    return current_ < 0 ? QVariant() : value(current_, index);
}

} // namespace veska::catalogue
