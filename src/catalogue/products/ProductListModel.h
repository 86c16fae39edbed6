#pragma once
// The grid's and the navigator's view of the product list: a read-only table of chosen
// columns with titles over the list's window of rows. It follows the window as it grows,
// shrinks and moves (the list reads it by key), asks the list for the next rows as a view
// scrolls down (canFetchMore / fetchMore) and, through fetchBefore(), for the previous ones
// as it scrolls up. It follows the list's current row and reports it, so a grid can select
// and scroll to it and a navigator can enable its buttons.

#include <QAbstractTableModel>
#include <QString>
#include <vector>

namespace veska::catalogue {

class ProductList;

class ProductListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class Format {
        Text,  // the field's text
        Money, // "#,##0.00" for a number
    };
    struct Column {
        QString field; // matched without regard to case
        QString title;
        Format format = Format::Text;
    };

    ProductListModel(ProductList& list, std::vector<Column> columns, QObject* parent = nullptr);

    void setColumnTitle(int column, const QString& title);
    QString columnTitle(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Rows before the first one held, when the list has any; how many came.
    bool canFetchBefore() const;
    int fetchBefore();

    // Where the rows held stand in the whole list: whether they hold its first and its last
    // row, and the code (BarCode) of a row held.
    bool holdsListStart() const;
    bool holdsListEnd() const;
    QString codeOfRow(int row) const;
    // Makes current the article of this code, with the rows around it (a scroll bar's jump).
    void moveToCode(const QString& code);

    // The list's current row (-1 when closed or empty); makes a row current (the grid's
    // selection). Failures of the engine are reported through fetchFailed, never thrown.
    int currentRow() const;
    void setCurrentRow(int row);

    // The navigator: first and prior are possible unless at the beginning of the list, next
    // and last unless at its end; nothing while the list is closed.
    bool canMoveBackward() const;
    bool canMoveForward() const;
    void moveFirst();
    void movePrior();
    void moveNext();
    void moveLast();

Q_SIGNALS:
    // The current row changed (navigation, locate, reopen): the grid follows it.
    void currentRowChanged(int row);
    // The navigator's state may have changed.
    void navigationChanged();
    // Rows were put before the first one held, or taken from the front: a view keeps its
    // rows in place by scrolling by this many (negative: taken).
    void rowsShiftedAtFront(int count);
    // Reading rows for the view failed; the message is the engine's.
    void fetchFailed(const QString& message);

private:
    void mapColumns();
    template <typename Step> void navigate(Step step);

    ProductList& list_;
    std::vector<Column> columns_;
    std::vector<int> fieldIndexes_;
    int pendingFront_ = 0;
    bool changing_ = false;
};

} // namespace veska::catalogue
