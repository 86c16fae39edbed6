// The window's catalogue: the connection and its two queries, the creation steps that set
// them up, the price-mode options, the products grid with its navigator, the search, and
// the scale-label settings.

#include "app/TFConsulta.h"
#include "catalogue/connection/Database.h"
#include "catalogue/products/ListPositions.h"
#include "catalogue/products/ProductGridColumns.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductListModel.h"
#include "catalogue/products/ProductQuery.h"
#include "catalogue/products/ProductSearch.h"
#include "catalogue/settings/DatabaseSettings.h"
#include "catalogue/settings/PriceMode.h"
#include "shop/ServedPriceMode.h"
#include "shop/ShopServer.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>

namespace veska::app {

using catalogue::PriceMode;
using catalogue::ProductListModel;

void TFConsulta::createCatalogue() {
    const auto priceMode = [this] { return currentPriceMode(); };
    CDSProdutos =
        new catalogue::ProductList(*Database1, QStringLiteral("CDSProdutos"), priceMode, this);
    catalogue::setUpProductQuery(*CDSProdutos, priceMode);

    DSProdutos = new ProductListModel(*CDSProdutos, catalogue::productGridColumns(), this);
    DSProdutos->setObjectName(QStringLiteral("DSProdutos"));
    GridProdutos->setProductModel(DSProdutos);
    auto* positions = new catalogue::ListPositions(
        [database = Database1] { return database->attachParameters(); }, this);
    GridProdutos->setListPositions(*positions);
    // Widths at design: 90, the description field's default (50 characters), 75.
    const int digit = QFontMetrics(GridProdutos->font()).horizontalAdvance(QLatin1Char('0'));
    GridProdutos->setColumnWidth(0, 90);
    GridProdutos->setColumnWidth(1, 50 * digit + 4);
    GridProdutos->setColumnWidth(2, 75);

    // The grid follows the query's current row, and the operator's pick moves it.
    connect(DSProdutos, &ProductListModel::currentRowChanged, this, [this](int row) {
        if (row < 0) {
            GridProdutos->clearSelection();
            return;
        }
        const QModelIndex index = DSProdutos->index(row, 0);
        GridProdutos->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
        GridProdutos->scrollTo(index, QAbstractItemView::PositionAtCenter);
    });
    connect(GridProdutos->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.row() != DSProdutos->currentRow())
                    DSProdutos->setCurrentRow(current.row());
            });
    connect(DSProdutos, &ProductListModel::navigationChanged, this, [this] {
        DBNavigator1->setState(
            {CDSProdutos->isOpen(), !DSProdutos->canMoveBackward(), !DSProdutos->canMoveForward()});
    });
    connect(DSProdutos, &ProductListModel::fetchFailed, this,
            [this](const QString& message) { context_.boxes->showError(message); });
    DBNavigator1->onMove = [this](TDBNavigator::Button button) {
        guarded([this, button] {
            switch (button) {
            case TDBNavigator::nbFirst:
                DSProdutos->moveFirst();
                break;
            case TDBNavigator::nbPrior:
                DSProdutos->movePrior();
                break;
            case TDBNavigator::nbNext:
                DSProdutos->moveNext();
                break;
            case TDBNavigator::nbLast:
                DSProdutos->moveLast();
                break;
            default:
                break; // the list is read-only
            }
        });
    };
}

void TFConsulta::LoadDatabaseSettings() {
    catalogue::loadDatabaseSettings(*Database1);
}

void TFConsulta::probeRetailColumn() {
    const bool retail = shop_->retailColumnExists();
    RadioButton2->setVisible(retail);
    if (!retail) {
        RadioButton1->setText(catalogue::priceModeCaption(PriceMode::Wholesale, false));
        RadioButton1->setChecked(true);
        RadioButton1->setVisible(false);
    }
}

void TFConsulta::restoreSavedPriceMode() {
    std::optional<PriceMode> saved;
    try {
        saved = catalogue::readSavedPriceMode();
    } catch (const InOutError&) {
        // The sequence ends here with the mode it has; the log says which one is served.
        appendLine(catalogue::priceModeInUseLine(selectedPriceOption()->text()));
        throw;
    }
    if (!saved)
        return;
    // The probe hid the retail option when the table has no retail column.
    const shop::ServedPriceMode served = shop::servedPriceMode(saved, !RadioButton2->isHidden());
    savedRetailModeUnused_ = served.savedRetailUnused;
    if (savedRetailModeUnused_)
        appendLine(shop::savedRetailUnusedLine());
    // Selecting an option that was not selected runs its handler.
    (served.mode == PriceMode::Retail ? RadioButton2 : RadioButton1)->setChecked(true);
    setPriceColumnTitle(selectedPriceOption()->text());
}

PriceMode TFConsulta::priceModeToSave() const {
    return savedRetailModeUnused_ && RadioButton1->isChecked() ? PriceMode::Retail
                                                               : currentPriceMode();
}

QRadioButton* TFConsulta::selectedPriceOption() const {
    return RadioButton1->isChecked() ? RadioButton1 : RadioButton2;
}

PriceMode TFConsulta::currentPriceMode() const {
    return RadioButton1->isChecked() ? PriceMode::Wholesale : PriceMode::Retail;
}

void TFConsulta::setGridColumnWidths() {
    GridProdutos->setColumnWidth(0, 120);
    GridProdutos->setColumnWidth(1, 225);
    GridProdutos->setColumnWidth(2, 85);
}

void TFConsulta::setPriceColumnTitle(const QString& title) {
    DSProdutos->setColumnTitle(2, title);
}

void TFConsulta::switchPriceMode(QRadioButton* option) {
    setPriceColumnTitle(option->text());
    if (CDSProdutos->isOpen()) {
        CDSProdutos->close();
        CDSProdutos->open();
    }
}

void TFConsulta::RadioButton1Click() {
    switchPriceMode(RadioButton1);
}
void TFConsulta::RadioButton2Click() {
    switchPriceMode(RadioButton2);
}

void TFConsulta::BtnPesquisarClick() {
    catalogue::searchProduct(*CDSProdutos, EdtPesquisar->text(), *context_.boxes);
}

} // namespace veska::app
