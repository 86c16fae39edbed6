#pragma once
// The grid's and the navigator's view of a Query: a read-only table of chosen columns with
// titles, whose rows are fetched from the query as the view asks for them (canFetchMore /
// fetchMore), never all at open. It follows the query's current row and reports it, so a
// grid can select and scroll to it and a navigator can enable its buttons.

#include <QAbstractTableModel>
#include <QString>
#include <vector>

namespace veska::catalogue {

class Query;

class QueryTableModel : public QAbstractTableModel {
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

    QueryTableModel(Query& query, std::vector<Column> columns, QObject* parent = nullptr);

    // How many rows one fetchMore() asks the query for.
    static constexpr int fetchBatch = 100;

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

    // The query's current row (-1 when closed or empty); makes a row current (the grid's
    // selection). Failures of the engine are reported through fetchFailed, never thrown.
    int currentRow() const;
    void setCurrentRow(int row);

    // The navigator: first and prior are possible unless at the beginning, next and last
    // unless at the end; nothing while the query is closed.
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
    // Fetching rows for the view failed; the message is the engine's.
    void fetchFailed(const QString& message);

private:
    // Marks a change notification in progress, during which no rows are fetched.
    struct ChangeGuard {
        bool& flag;
        explicit ChangeGuard(bool& changing) : flag(changing) { flag = true; }
        ~ChangeGuard() { flag = false; }
        ChangeGuard(const ChangeGuard&) = delete;
        ChangeGuard& operator=(const ChangeGuard&) = delete;
    };

    void reset();
    void addFetchedRows(int count);
    template <typename Step> void navigate(Step step);

    Query& query_;
    std::vector<Column> columns_;
    std::vector<int> fieldIndexes_;
    int shownRows_ = 0;
    bool changing_ = false;
};

} // namespace veska::catalogue
