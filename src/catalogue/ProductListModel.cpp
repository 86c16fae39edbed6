#include "catalogue/QueryTableModel.h"

#include "catalogue/NumberText.h"
#include "catalogue/Query.h"
#include "core/Errors.h"

namespace veska::catalogue {

QueryTableModel::QueryTableModel(Query& query, std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), query_(query), columns_(std::move(columns)) {
    connect(&query_, &Query::opened, this, &QueryTableModel::reset);
    connect(&query_, &Query::closed, this, &QueryTableModel::reset);
    connect(&query_, &Query::rowsFetched, this, &QueryTableModel::addFetchedRows);
    connect(&query_, &Query::currentRowChanged, this, [this](int row) {
        Q_EMIT currentRowChanged(row);
        Q_EMIT navigationChanged();
    });
    reset();
}

void QueryTableModel::reset() {
    const ChangeGuard guard(changing_);
    beginResetModel();
    fieldIndexes_.clear();
    for (const Column& column : columns_)
        fieldIndexes_.push_back(query_.isOpen() ? query_.columnIndex(column.field) : -1);
    // Only the rows the query has already fetched (the first one at open); the view asks
    // for more as it shows them.
    shownRows_ = query_.isOpen() ? query_.fetchedRowCount() : 0;
    endResetModel();
    Q_EMIT navigationChanged();
}

void QueryTableModel::addFetchedRows(int count) {
    if (!query_.isOpen() || count <= shownRows_)
        return;
    const ChangeGuard guard(changing_);
    beginInsertRows({}, shownRows_, count - 1);
    shownRows_ = count;
    endInsertRows();
    Q_EMIT navigationChanged();
}

void QueryTableModel::setColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= columnCount())
        return;
    columns_[static_cast<std::size_t>(column)].title = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

QString QueryTableModel::columnTitle(int column) const {
    if (column < 0 || column >= columnCount())
        return {};
    return columns_[static_cast<std::size_t>(column)].title;
}

int QueryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int QueryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant QueryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_ || !query_.isOpen())
        return {};
    const auto column = static_cast<std::size_t>(index.column());
    const int field = fieldIndexes_[column];
    if (field < 0)
        return {};
    const QVariant& value = query_.value(index.row(), field);
    const bool money = columns_[column].format == Format::Money;
    if (role == Qt::DisplayRole) {
        if (money && !value.isNull() && value.canConvert<double>())
            return moneyText(value.toDouble());
        return Query::textOf(value);
    }
    if (role == Qt::TextAlignmentRole && money)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return columnTitle(section);
    return {};
}

Qt::ItemFlags QueryTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // read-only: never editable
}

bool QueryTableModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !changing_ && query_.isOpen() && !query_.allRowsFetched();
}

void QueryTableModel::fetchMore(const QModelIndex& parent) {
    // A view may ask for more while it is told of the last rows; they come next time.
    if (parent.isValid() || changing_ || !query_.isOpen())
        return;
    try {
        query_.fetchMoreRows(fetchBatch); // rowsFetched adds the rows
    } catch (const Error& error) {
        Q_EMIT fetchFailed(error.text());
    }
}

int QueryTableModel::currentRow() const {
    return query_.isOpen() ? query_.currentRow() : -1;
}

template <typename Step> void QueryTableModel::navigate(Step step) {
    if (!query_.isOpen())
        return;
    try {
        step();
    } catch (const Error& error) {
        Q_EMIT fetchFailed(error.text());
    }
    Q_EMIT navigationChanged();
}

void QueryTableModel::setCurrentRow(int row) {
    navigate([this, row] { query_.moveTo(row); });
}

bool QueryTableModel::canMoveBackward() const {
    // A query narrowed to the rows from one key on has rows before its first one.
    if (query_.isNarrowed())
        return true;
    return query_.isOpen() && !query_.bof() && query_.currentRow() > 0;
}

bool QueryTableModel::canMoveForward() const {
    if (!query_.isOpen() || query_.eof())
        return false;
    return !(query_.allRowsFetched() && query_.currentRow() >= query_.fetchedRowCount() - 1);
}

void QueryTableModel::moveFirst() {
    navigate([this] { query_.first(); });
}
void QueryTableModel::movePrior() {
    navigate([this] { query_.prior(); });
}
void QueryTableModel::moveNext() {
    navigate([this] { query_.next(); });
}
void QueryTableModel::moveLast() {
    navigate([this] { query_.last(); });
}

} // namespace veska::catalogue
