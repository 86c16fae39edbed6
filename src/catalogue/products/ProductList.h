#pragma once
// catalogue/products: the product query and what browses it: the list read by key in pages,
// its grid model and positions, the manual search, and the grid that follows served scans.
//
// The product query CDSProdutos as the products page and the terminal services use it:
// its SQL lines and before-open hook (the price column of the current mode), and its
// result, "... order by codigo", of which only a window of rows is held. The window is
// read by key as the operator moves (ProductPages): the start, the end, the rows around a
// located or served article, the next rows as the grid scrolls down and the previous ones
// as it scrolls up. Moving anywhere in a list of a million articles reads a few hundred rows
// at most, and the memory held stays bounded.
//
// Locate finds the same article that the terminal services serve (ProductLookup): the
// first row in the result whose column equals the value exactly.
//
// The window changes are announced with the signals of a Qt model so that a view can
// follow them (ProductListModel). Every failure is a veska::DatabaseError; a lost
// connection closes the list.

#include "catalogue/products/Dataset.h"
#include "catalogue/products/ProductPages.h"
#include "catalogue/products/SqlText.h"
#include "catalogue/settings/PriceMode.h"
#include "terminal/ArticleSource.h"

#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace veska::catalogue {

class Database;
class ProductLookup;

class ProductList : public QObject, public Dataset, public SqlText<ProductList> {
    Q_OBJECT

public:
    // Rows read per step; the most rows held.
    static constexpr int pageRows = 100;
    static constexpr int maxRows = 600;

    // priceMode: the mode whose price column the before-open hook puts into the SQL, for
    // the lookups that Locate makes.
    ProductList(Database& database, const QString& name, std::function<PriceMode()> priceMode,
                QObject* parent = nullptr);
    ~ProductList() override;

    QString name() const { return objectName(); }

    // SqlText: the SQL's last line is the order ("order by codigo").

    // Dataset. open() on an open list does nothing; it shows the start of the list.
    void open() override;
    void close() override;
    bool isOpen() const override { return pages_ != nullptr; }
    bool locate(const QString& column, const QString& value) override;
    QVariant fieldValue(const QString& column) const override;

    // Reopens the list (hook included) on a served article, which becomes current with the
    // rows around it; without one, on the start of the list.
    void showServed(const std::optional<terminal::Article>& served);

    // Navigation through the whole list.
    void first();
    void prior();
    void next();
    void last();
    // At the list's first (last) row, or no row at all.
    bool bof() const;
    bool eof() const;

    // The window: its rows, the current one (-1 when none), whether it holds the list's
    // first and last rows.
    QStringList columnNames() const;
    int columnIndex(const QString& column) const;
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const QVariant& value(int row, int column) const;
    int currentRow() const { return current_; }
    bool setCurrentRow(int row);
    bool startsList() const { return startsList_; }
    bool endsList() const { return endsList_; }
    // More rows at the window's ends, as a view scrolls; how many came.
    int fetchAfter(int count = pageRows);
    int fetchBefore(int count = pageRows);

Q_SIGNALS:
    void aboutToReset();
    void reset();
    void aboutToInsert(int first, int last);
    void inserted();
    void aboutToRemove(int first, int last);
    void removed();
    void currentRowChanged(int row);

private:
    template <typename Work> decltype(auto) guarded(Work&& work);
    std::unique_ptr<ProductPages> newPages();
    void replaceWindow(std::deque<ProductRow> rows, bool startsList, bool endsList, int current);
    void openAtStart();
    void openAround(const QVariant& code, const std::function<bool(const ProductRow&)>& isTarget);
    void openAtEnd();
    void setCurrent(int row);
    void trimFront();
    void trimBack();
    // Prefetches at the window's last row, so that eof() is known there.
    void settle();
    int requireColumn(const QString& column) const;

    Database& database_;
    std::unique_ptr<ProductPages> pages_;
    std::unique_ptr<ProductLookup> lookup_;
    std::deque<ProductRow> rows_;
    bool startsList_ = true;
    bool endsList_ = true;
    // Whether the forward cursor stands right after the window's last row.
    bool cursorAtEnd_ = false;
    int current_ = -1;
};

} // namespace veska::catalogue
