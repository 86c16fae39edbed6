#include "app/TFConsulta.h"

#include "app/DeferredErrorDialog.h"
#include "app/ExitQuestion.h"
#include "app/HandlerGuard.h"
#include "catalogue/connection/Database.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ServedArticleGrid.h"
#include "catalogue/settings/PriceMode.h"
#include "catalogue/settings/TextFile.h"
#include "journal/ShopRecord.h"
#include "shop/ShopServer.h"
#include "terminal/DisplayMessage.h"
#include "terminal/PriceQueryService.h"
#include "terminal/ServerControl.h"
#include "terminal/TerminalTable.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QStackedWidget>
#include <QTableView>
#include <cstdio>

namespace veska::app {

namespace {

// With VESKA_LOG_STDOUT=1 every log line is also written to standard output, for scripts
// and end-to-end tests that watch a running program.
void echoLogLine(const QString& line) {
    std::fprintf(stdout, "LOG\t%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

TFConsulta::TFConsulta(const TFConsultaContext& context, QWidget* parent)
    : QWidget(parent), ExitWithoutNotificationArea(askExitWithoutNotificationArea),
      context_(context) {
    serviceFailures_ = new DeferredErrorDialog(*context_.boxes, *this, this);
    shop_ = std::make_unique<shop::ShopServer>(*context_.api,
                                               shop::ShopViews{*this, *this, *this, *this, *this,
                                                               keptLog_, *context_.boxes,
                                                               *serviceFailures_},
                                               [this] { return currentPriceMode(); });
    Database1 = &shop_->database();
    createControls();
    createComponents();
    setTabOrder();
    createCatalogue();
    createTrayIcon();
    connectHandlers();
    // The products page's grid follows the served scans while it is shown.
    servedGrid_ = std::make_unique<catalogue::ServedArticleGrid>(
        *CDSProdutos, [this] { return isVisible() && currentPage() == Page::Products; });
    shop_->followWithGrid(servedGrid_.get());
    // Scale labels are read here, before the creation sequence: the read raises nothing,
    // and a step of the sequence that fails (a missing SYS_INFO.INI, a database not up yet)
    // must not leave labels off for a server that is started once the database answers.
    shop_->loadScaleLabels();
    shop_->startShopRecord();
    FormCreate();
}

TFConsulta::~TFConsulta() = default;

void TFConsulta::guarded(const std::function<void()>& handler) {
    runGuarded(*context_.boxes, [this, &handler] {
        try {
            handler();
        } catch (const InOutError& error) {
            // The box keeps the classic text ("File access denied"); the log says which file.
            if (!error.fileName().isEmpty())
                appendLine(catalogue::fileErrorLine(error));
            throw;
        }
    });
}

void TFConsulta::connectHandlers() {
    const auto bind = [this](auto* sender, auto signal, void (TFConsulta::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    bind(BtnMonitora, &QPushButton::clicked, &TFConsulta::BtnMonitoraClick);
    bind(BtnMensagens, &QPushButton::clicked, &TFConsulta::BtnMensagensClick);
    bind(BtnProdutos, &QPushButton::clicked, &TFConsulta::BtnProdutosClick);
    bind(BtnIniciar, &QPushButton::clicked, &TFConsulta::BtnIniciarClick);
    bind(BtnLimparMemo, &QPushButton::clicked, &TFConsulta::BtnLimparMemoClick);
    bind(BtnPesquisar, &QPushButton::clicked, &TFConsulta::BtnPesquisarClick);
    bind(BtnMsgSend, &QPushButton::clicked, &TFConsulta::BtnMsgSendClick);
    bind(ListTerms, &QListWidget::itemClicked, &TFConsulta::ListTermsClick);
    // A timer's failure is shown once its tick has returned, so the timer ticks on.
    // The timers and the library's wake signal: failures are shown after the service.
    const auto bindService = [this](auto* source, auto signal, void (TFConsulta::*handler)()) {
        connect(source, signal, this, [this, handler] {
            runGuarded([this, handler] { (this->*handler)(); },
                       [this](const QString& message) { serviceFailures_->report(message); });
        });
    };
    bindService(Timer100ms, &QTimer::timeout, &TFConsulta::Timer100msTimer);
    // A scan waiting is served at once, as a tick of Timer100ms serves it.
    if (ScanNotifier != nullptr)
        bindService(ScanNotifier, &QSocketNotifier::activated, &TFConsulta::Timer100msTimer);
    bindService(Timer3Seg, &QTimer::timeout, &TFConsulta::Timer3SegTimer);
    bindService(Timer3, &QTimer::timeout, &TFConsulta::Timer3Timer);
    bind(Sobre1, &QAction::triggered, &TFConsulta::Sobre1Click);
    bind(Sair1, &QAction::triggered, &TFConsulta::Sair1Click);
    // A radio button's handler runs when it becomes checked, by the operator or by code.
    connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            guarded([this] { RadioButton1Click(); });
    });
    connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            guarded([this] { RadioButton2Click(); });
    });
}

// Creation sequence. A failing step is shown in the default error dialog and ends the
// sequence; the window is created all the same.
void TFConsulta::FormCreate() {
    guarded([this] {
        LoadDatabaseSettings();
        Database1->connect();
        probeRetailColumn();
        restoreSavedPriceMode();
        shop_->terminalTable().setSelectedSocket(-1);
        showPage(Page::Monitoring);
        shop_->initializeLibrary();
        shop_->serverControl().presentStopped();
        setGridColumnWidths();
        CDSProdutos->open();
    });
}

void TFConsulta::FormShow() {
    if (BtnIniciar->Tag == 1)
        return;
    BtnIniciar->Tag = 1;
    if (context_.hasCommandLineArgument)
        BtnIniciarClick();
}

void TFConsulta::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (!centredOnce_) {
        centredOnce_ = true;
        if (const QScreen* s = screen()) {
            const QRect work = s->availableGeometry();
            const QRect frame = frameGeometry();
            move(work.center() - QPoint(frame.width() / 2, frame.height() / 2) +
                 (pos() - frame.topLeft()));
        }
        PC->setFocus();
    }
    guarded([this] { FormShow(); });
    if (currentPage() == Page::Products)
        guarded([this] { servedGrid_->shown(); });
}

void TFConsulta::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutStretchingControls();
}

void TFConsulta::keyPressEvent(QKeyEvent* event) {
    // Enter clicks the focused push button, else the default button of the products page.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
        if (currentPage() == Page::Products) {
            BtnPesquisar->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TFConsulta::BtnMonitoraClick() {
    showPage(Page::Monitoring);
}
void TFConsulta::BtnMensagensClick() {
    showPage(Page::Messages);
}
void TFConsulta::BtnProdutosClick() {
    showPage(Page::Products);
    servedGrid_->shown();
}

void TFConsulta::BtnLimparMemoClick() {
    MemoRecv->clear();
}

void TFConsulta::BtnIniciarClick() {
    shop_->serverControl().toggle();
}
void TFConsulta::BtnMsgSendClick() {
    shop_->displayMessage().send();
}
void TFConsulta::ListTermsClick() {
    shop_->terminalTable().pick();
}

// Serves what waits; with the library's wake signal the scans are served as they come, and
// the tick only catches what a tick's time budget left over.
void TFConsulta::Timer100msTimer() {
    shop_->priceQuery().serveWaitingBarcodes();
}

void TFConsulta::Timer3SegTimer() {
    shop_->terminalTable().refresh();
    recordTerminalTable();
}

std::int32_t TFConsulta::selectedSocket() const {
    return shop_->terminalTable().selectedSocket();
}
const terminal::TTABSOCK& TFConsulta::tabTerms() const {
    return shop_->terminalTable().tabTerms();
}

// The activity log: one whole line at the end, caret after it, scrolled into view.
void TFConsulta::appendLine(const QString& line) {
    keptLog_.keep(line);
    if (context_.echoLog)
        echoLogLine(line);
    MemoRecv->appendPlainText(line);
    MemoRecv->moveCursor(QTextCursor::End);
    MemoRecv->ensureCursorVisible();
}

QString TFConsulta::startButtonCaption() const {
    return BtnIniciar->text();
}
void TFConsulta::setStartButtonCaption(const QString& caption) {
    BtnIniciar->setText(caption);
}

void TFConsulta::setMonitorButtonColor(unsigned rgb) {
    QPalette palette = BtnMonitora->palette();
    palette.setColor(QPalette::ButtonText, QColor::fromRgb(rgb));
    BtnMonitora->setPalette(palette);
}

void TFConsulta::setMessagesButtonEnabled(bool enabled) {
    BtnMensagens->setEnabled(enabled);
}
void TFConsulta::setRefreshTimerActive(bool active) {
    Timer3Seg->setEnabled(active);
    if (!active && shop_)
        shop_->serverStopped();
}
void TFConsulta::setPriceTimerActive(bool active) {
    Timer100ms->setEnabled(active);
    if (ScanNotifier != nullptr)
        ScanNotifier->setEnabled(active);
    // No ticks, no scans: the lookups keep nothing meanwhile.
    if (!active && shop_)
        shop_->productLookup().release();
}
void TFConsulta::clearTerminalList() {
    ListTerms->clear();
}

void TFConsulta::armHideTimer() {
    Timer3->Tag = 0;
    Timer3->setEnabled(true);
}

void TFConsulta::clearEntries() {
    ListTerms->clear();
}
void TFConsulta::appendEntry(const QString& text) {
    ListTerms->addItem(text);
}

void TFConsulta::selectEntry(int index) {
    ListTerms->setCurrentRow(index);
    if (index < 0)
        ListTerms->clearSelection();
}

int TFConsulta::selectedIndex() const {
    const auto selected = ListTerms->selectedItems();
    return selected.isEmpty() ? -1 : ListTerms->row(selected.first());
}

QString TFConsulta::selectedText() const {
    const auto selected = ListTerms->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QString TFConsulta::line1() const {
    return EdtLine1->text();
}
QString TFConsulta::line2() const {
    return EdtLine2->text();
}
QString TFConsulta::displayTime() const {
    return EdtTimeEx->text();
}

bool TFConsulta::isMainWindowShown() const {
    return isVisible();
}

} // namespace veska::app
