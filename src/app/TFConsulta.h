#pragma once
// The main window: side panel, the three pages, the timers and the components, and the
// handlers that connect the operator's controls to the services.

#include "app/DBNavigator.h"
#include "app/MessageBoxes.h"
#include "app/ProductGrid.h"
#include "app/Tagged.h"
#include "catalogue/settings/PriceMode.h"
#include "core/Notices.h"
#include "shop/ConsoleLog.h"
#include "terminal/TTabSock.h"
#include "terminal/TermServerApi.h"
#include "terminal/TerminalViews.h"

#include <QWidget>
#include <functional>
#include <memory>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QStackedWidget;
class QMenu;
class QAction;
class QSocketNotifier;

namespace veska::shop {
class ShopServer;
} // namespace veska::shop

namespace veska {
class TNotifyTrayIcon;
namespace catalogue {
class Database;
class ProductList;
class ProductListModel;
class ServedArticleGrid;
} // namespace catalogue
} // namespace veska

namespace veska::app {

class DeferredErrorDialog;

// What the window is given at creation.
struct TFConsultaContext {
    const terminal::TermServerApi* api = nullptr; // the bound terminal-server library
    MessageBoxes* boxes = nullptr;                // default error dialog and notices
    bool hasCommandLineArgument = false;          // also starts the server on the first show
    bool echoLog = false;                         // copy log lines to standard output
};

class TFConsulta : public QWidget,
                   public ActivityLog,
                   public terminal::ServerControlView,
                   public terminal::TerminalListView,
                   public terminal::MessageFormView,
                   public terminal::WindowPresence {
    Q_OBJECT
public:
    explicit TFConsulta(const TFConsultaContext& context, QWidget* parent = nullptr);
    ~TFConsulta() override;

    // Controls and components, by their names.
    QWidget* TabMensagens;
    QWidget* TabProdutos;
    QFrame* Panel1;
    QWidget* TabMonitora;
    QPushButton* BtnMonitora;
    QPushButton* BtnMensagens;
    QWidget* PC;
    QPushButton* BtnProdutos;
    QLabel* Image1;
    QListWidget* ListTerms;
    TTimer* Timer100ms;
    TTimer* Timer3Seg;
    QLabel* TxtConectados;
    ProductGrid* GridProdutos;
    TDBNavigator* DBNavigator1;
    QLabel* StaticText2;
    QPlainTextEdit* MemoRecv;
    TButton* BtnIniciar;
    QPushButton* BtnLimparMemo;
    QLineEdit* EdtPesquisar;
    QPushButton* BtnPesquisar;
    QGroupBox* GrpIMsg;
    QLabel* LabLine1;
    QLabel* LabLine2;
    QLabel* LabTimeEx;
    QLineEdit* EdtLine1;
    QLineEdit* EdtLine2;
    QLineEdit* EdtTimeEx;
    QPushButton* BtnMsgSend;
    catalogue::Database* Database1;
    catalogue::ProductList* CDSProdutos;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    // The data source and its fields: the grid's and the navigator's view of CDSProdutos.
    catalogue::ProductListModel* DSProdutos;
    TNotifyTrayIcon* TrayIcon1;
    QMenu* PopupMenu1;
    QAction* Sobre1;
    QAction* N1;
    QAction* Sair1;
    TTimer* Timer3;
    // Fires as soon as the terminal-server library has a scan waiting (its tc_wakefd); null
    // when the library lacks the signal, and Timer100ms alone serves the scans.
    QSocketNotifier* ScanNotifier = nullptr;

    // The exit flag: 0 while closing only hides the window.
    int Tag = 0;
    // Asked by a close request while the desktop has no notification area: true ends the
    // program as "Sair" does (askExitWithoutNotificationArea; tests answer themselves).
    std::function<bool()> ExitWithoutNotificationArea;

    // Handlers.
    void BtnMonitoraClick();
    void BtnMensagensClick();
    void BtnProdutosClick();
    void BtnIniciarClick();
    void BtnLimparMemoClick();
    void BtnPesquisarClick();
    void BtnMsgSendClick();
    void FormCreate();
    void ListTermsClick();
    void Timer100msTimer();
    void Timer3SegTimer();
    void RadioButton1Click();
    void RadioButton2Click();
    void Timer3Timer();
    void FormShow();
    void Sobre1Click();
    void Sair1Click();
    void TrayIcon1DblClick();

    // The pages of PC, in their order.
    enum class Page { Monitoring = 0, Messages = 1, Products = 2 };
    Page currentPage() const;
    void showPage(Page page);

    // The price mode of the selected option: RadioButton1 wholesale, RadioButton2 retail.
    catalogue::PriceMode currentPriceMode() const;

    // ActivityLog
    void appendLine(const QString& line) override;

    // ServerControlView
    QString startButtonCaption() const override;
    void setStartButtonCaption(const QString& caption) override;
    void setMonitorButtonColor(unsigned rgb) override;
    void setMessagesButtonEnabled(bool enabled) override;
    void setRefreshTimerActive(bool active) override;
    void setPriceTimerActive(bool active) override;
    void clearTerminalList() override;
    void armHideTimer() override;

    // TerminalListView
    void clearEntries() override;
    void appendEntry(const QString& text) override;
    void selectEntry(int index) override;
    int selectedIndex() const override;
    QString selectedText() const override;

    // MessageFormView
    QString line1() const override;
    QString line2() const override;
    QString displayTime() const override;

    // WindowPresence: shown, or minimised; not hidden into the notification area.
    bool isMainWindowShown() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void createComponents();
    void createCatalogue();
    void createTrayIcon();
    // Creation steps of the catalogue, in their order.
    void LoadDatabaseSettings();
    void probeRetailColumn();
    void restoreSavedPriceMode();
    // The mode the final close saves.
    catalogue::PriceMode priceModeToSave() const;
    // The price option that is selected.
    QRadioButton* selectedPriceOption() const;
    void setGridColumnWidths();
    // The price-mode switch, for the option that became selected.
    void switchPriceMode(QRadioButton* option);
    void setPriceColumnTitle(const QString& title);
    // Close request: hides into the notification area while the exit flag is 0; otherwise
    // saves the price mode. False when the close must not proceed.
    bool FormClose();
    void setTabOrder();
    void connectHandlers();
    void layoutStretchingControls();
    // Runs a handler under the default error dialog.
    void guarded(const std::function<void()>& handler);
    TFConsultaContext context_;
    // Failures of the timers and the terminal services, shown without holding them up.
    DeferredErrorDialog* serviceFailures_ = nullptr;
    bool centredOnce_ = false;
    // The table has no retail column and the file held the retail mode: it is kept there,
    // unused.
    bool savedRetailModeUnused_ = false;
    // The last lines of the activity log, for the web console.
    shop::ConsoleLog keptLog_;
    // The products grid that follows the served scans; it outlives the shop's lookups.
    std::unique_ptr<catalogue::ServedArticleGrid> servedGrid_;
    // The database, the lookups and the terminal services, shared with the service program.
    std::unique_ptr<shop::ShopServer> shop_;
    // After each read of the connection table: the shop's record of it, and a balloon for
    // each terminal that has gone away.
    void recordTerminalTable();

public:
    // The socket of the terminal picked in ListTerms (-1 after creation: none yet).
    std::int32_t selectedSocket() const;
    const terminal::TTABSOCK& tabTerms() const;
};

} // namespace veska::app
