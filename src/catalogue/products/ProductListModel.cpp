#include "catalogue/products/ProductListModel.h"

#include "catalogue/products/FieldText.h"
#include "catalogue/products/NumberText.h"
#include "catalogue/products/ProductList.h"
#include "core/Errors.h"

namespace veska::catalogue {

ProductListModel::ProductListModel(ProductList& list, std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), list_(list), columns_(std::move(columns)) {
    // While a change is announced, views that ask for more rows get none: they ask again.
    connect(&list_, &ProductList::aboutToReset, this, [this] {
        changing_ = true;
        beginResetModel();
    });
    connect(&list_, &ProductList::reset, this, [this] {
        mapColumns();
        endResetModel();
        changing_ = false;
        Q_EMIT navigationChanged();
    });
    connect(&list_, &ProductList::aboutToInsert, this, [this](int first, int last) {
        changing_ = true;
        pendingFront_ = first == 0 && list_.rowCount() > 0 ? last + 1 : 0;
        beginInsertRows({}, first, last);
    });
    connect(&list_, &ProductList::inserted, this, [this] {
        endInsertRows();
        changing_ = false;
        if (pendingFront_ > 0)
            Q_EMIT rowsShiftedAtFront(std::exchange(pendingFront_, 0));
        Q_EMIT navigationChanged();
    });
    connect(&list_, &ProductList::aboutToRemove, this, [this](int first, int last) {
        changing_ = true;
        pendingFront_ = first == 0 ? -(last + 1) : 0;
        beginRemoveRows({}, first, last);
    });
    connect(&list_, &ProductList::removed, this, [this] {
        endRemoveRows();
        changing_ = false;
        if (pendingFront_ < 0)
            Q_EMIT rowsShiftedAtFront(std::exchange(pendingFront_, 0));
        Q_EMIT navigationChanged();
    });
    connect(&list_, &ProductList::currentRowChanged, this, [this](int row) {
        Q_EMIT currentRowChanged(row);
        Q_EMIT navigationChanged();
    });
    mapColumns();
}

void ProductListModel::mapColumns() {
    fieldIndexes_.clear();
    for (const Column& column : columns_)
        fieldIndexes_.push_back(list_.columnIndex(column.field));
}

void ProductListModel::setColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= columnCount())
        return;
    columns_[static_cast<std::size_t>(column)].title = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

QString ProductListModel::columnTitle(int column) const {
    if (column < 0 || column >= columnCount())
        return {};
    return columns_[static_cast<std::size_t>(column)].title;
}

int ProductListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.rowCount();
}

int ProductListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ProductListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_.rowCount())
        return {};
    const auto column = static_cast<std::size_t>(index.column());
    const int field = fieldIndexes_[column];
    if (field < 0)
        return {};
    const QVariant& value = list_.value(index.row(), field);
    const bool money = columns_[column].format == Format::Money;
    if (role == Qt::DisplayRole) {
        if (money && !value.isNull() && value.canConvert<double>())
            return moneyText(value.toDouble());
        return fieldText(value);
    }
    if (role == Qt::TextAlignmentRole && money)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant ProductListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return columnTitle(section);
}

Qt::ItemFlags ProductListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // read-only: never editable
}

bool ProductListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !changing_ && list_.isOpen() && !list_.endsList();
}

void ProductListModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    try {
        list_.fetchAfter();
    } catch (const Error& error) {
        Q_EMIT fetchFailed(error.text());
    }
}

bool ProductListModel::canFetchBefore() const {
    return !changing_ && list_.isOpen() && !list_.startsList();
}

int ProductListModel::fetchBefore() {
    if (!canFetchBefore())
        return 0;
    try {
        return list_.fetchBefore();
    } catch (const Error& error) {
        Q_EMIT fetchFailed(error.text());
        return 0;
    }
}

bool ProductListModel::holdsListStart() const {
    return !list_.isOpen() || list_.startsList();
}

bool ProductListModel::holdsListEnd() const {
    return !list_.isOpen() || list_.endsList();
}

QString ProductListModel::codeOfRow(int row) const {
    if (row < 0 || row >= list_.rowCount())
        return {};
    return fieldText(list_.value(row, ProductPages::codeColumn));
}

void ProductListModel::moveToCode(const QString& code) {
    navigate([this, &code] { list_.locate(QStringLiteral("BarCode"), code); });
}

int ProductListModel::currentRow() const {
    return list_.isOpen() ? list_.currentRow() : -1;
}

template <typename Step> void ProductListModel::navigate(Step step) {
    if (!list_.isOpen())
        return;
    try {
        step();
    } catch (const Error& error) {
        Q_EMIT fetchFailed(error.text());
    }
    Q_EMIT navigationChanged();
}

void ProductListModel::setCurrentRow(int row) {
    navigate([this, row] { list_.setCurrentRow(row); });
}

bool ProductListModel::canMoveBackward() const {
    return list_.isOpen() && !list_.bof();
}

bool ProductListModel::canMoveForward() const {
    return list_.isOpen() && !list_.eof();
}

void ProductListModel::moveFirst() {
    navigate([this] { list_.first(); });
}
void ProductListModel::movePrior() {
    navigate([this] { list_.prior(); });
}
void ProductListModel::moveNext() {
    navigate([this] { list_.next(); });
}
void ProductListModel::moveLast() {
    navigate([this] { list_.last(); });
}

} // namespace veska::catalogue
