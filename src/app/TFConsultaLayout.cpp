// The window's controls: places and sizes in pixels at 96 dpi, texts, tab order, and the
// three controls that follow the window's edges.

#include "app/TFConsulta.h"
#include "app/platform/Screen.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QStackedWidget>
#include <QTableView>

// The pictures live in this static library: their resource must be pulled in by name, and
// the name is declared in the global namespace.
static void initApplicationResources() {
    Q_INIT_RESOURCE(app);
}

namespace veska::app {

namespace {

// The window's icon: a price-check terminal in 16, 32 and 48 pixels.
QIcon applicationIcon() {
    initApplicationResources();
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/terminal-%1.png").arg(size), QSize(size, size));
    return icon;
}

constexpr int kPanelWidth = 132;
constexpr int kPageInset = 4;
constexpr QSize kClientSize(668, 404);
constexpr QSize kPageSize(528, 396);

template <class Control, class... Args>
Control* place(QWidget* parent, const char* name, QRect rect, Args&&... args) {
    auto* control = new Control(std::forward<Args>(args)..., parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(rect);
    return control;
}

QWidget* page(QStackedWidget* stack, const char* name) {
    auto* w = new QWidget;
    w->setObjectName(QLatin1String(name));
    stack->addWidget(w);
    w->setGeometry(QRect(QPoint(0, 0), kPageSize)); // before the first layout pass
    return w;
}

} // namespace

void TFConsulta::createControls() {
    setObjectName(QStringLiteral("FConsulta"));
    setWindowTitle(QStringLiteral("VESKA -Sistema de Consulta de  Preços (Versâo: 1.03)"));
    setFont(platform::windowFont());
    setWindowIcon(applicationIcon());
    resize(kClientSize);

    Panel1 = place<QFrame>(this, "Panel1", QRect(0, 0, kPanelWidth, kClientSize.height()));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);

    PC = place<QWidget>(
        this, "PC", QRect(kPanelWidth, 0, kClientSize.width() - kPanelWidth, kClientSize.height()));
    PC->setFocusPolicy(Qt::StrongFocus);
    auto* pages =
        place<QStackedWidget>(PC, "PCPages", QRect(QPoint(kPageInset, kPageInset), kPageSize));
    pages->setFocusPolicy(Qt::NoFocus);
    TabMonitora = page(pages, "TabMonitora");
    TabMensagens = page(pages, "TabMensagens");
    TabProdutos = page(pages, "TabProdutos");

    // Side panel.
    BtnMonitora =
        place<QPushButton>(Panel1, "BtnMonitora", {1, 0, 130, 29}, QStringLiteral("Monitoramento"));
    BtnMensagens =
        place<QPushButton>(Panel1, "BtnMensagens", {1, 28, 130, 29}, QStringLiteral("Mensagens"));
    BtnProdutos =
        place<QPushButton>(Panel1, "BtnProdutos", {1, 56, 130, 29}, QStringLiteral("Produtos"));
    Image1 = place<QLabel>(Panel1, "Image1", {7, 88, 116, 47});
    Image1->setAlignment(Qt::AlignCenter);
    RadioButton1 = place<QRadioButton>(Panel1, "RadioButton1", {8, 143, 113, 17},
                                       QStringLiteral("Preço Atacado"));
    RadioButton1->setChecked(true);
    RadioButton2 = place<QRadioButton>(Panel1, "RadioButton2", {8, 160, 113, 17},
                                       QStringLiteral("Preço Varejo"));
    TxtConectados = place<QLabel>(Panel1, "TxtConectados", {7, 189, 113, 17},
                                  QStringLiteral("Terminais Conectados:"));
    ListTerms = place<QListWidget>(Panel1, "ListTerms", {1, 207, 128, 198});
    ListTerms->setUniformItemSizes(true);
    ListTerms->setStyleSheet(QStringLiteral("QListWidget::item { height: 13px; }"));

    // Monitoring page.
    StaticText2 =
        place<QLabel>(TabMonitora, "StaticText2", {9, 5, 53, 17}, QStringLiteral("Atividade:"));
    MemoRecv = place<QPlainTextEdit>(TabMonitora, "MemoRecv", {9, 28, 504, 334});
    MemoRecv->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoRecv->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    BtnIniciar =
        place<TButton>(TabMonitora, "BtnIniciar", {8, 366, 75, 25}, QStringLiteral("Iniciar"));
    BtnLimparMemo = place<QPushButton>(TabMonitora, "BtnLimparMemo", {464, 368, 49, 24},
                                       QStringLiteral("Limpar"));

    // Message page.
    GrpIMsg = place<QGroupBox>(TabMensagens, "GrpIMsg", {8, 16, 297, 145},
                               QStringLiteral("Mensagem Instantânea"));
    LabLine1 = place<QLabel>(GrpIMsg, "LabLine1", {12, 27, 34, 13}, QStringLiteral("Linha 1"));
    LabLine2 = place<QLabel>(GrpIMsg, "LabLine2", {12, 51, 34, 13}, QStringLiteral("Linha 2"));
    LabTimeEx = place<QLabel>(GrpIMsg, "LabTimeEx", {11, 75, 55, 13}, QStringLiteral("Tempo Exib"));
    EdtLine1 = place<QLineEdit>(GrpIMsg, "EdtLine1", {72, 24, 201, 21}, QStringLiteral("VESKA "));
    EdtLine1->setMaxLength(20);
    EdtLine2 =
        place<QLineEdit>(GrpIMsg, "EdtLine2", {72, 48, 201, 21}, QStringLiteral("INFORMATICA"));
    EdtLine2->setMaxLength(20);
    EdtTimeEx = place<QLineEdit>(GrpIMsg, "EdtTimeEx", {72, 72, 25, 21}, QStringLiteral("4"));
    BtnMsgSend =
        place<QPushButton>(GrpIMsg, "BtnMsgSend", {78, 104, 75, 25}, QStringLiteral("Enviar"));

    // Products page.
    GridProdutos = place<ProductGrid>(TabProdutos, "GridProdutos", {3, 3, 522, 327});
    GridProdutos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridProdutos->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridProdutos->setSelectionMode(QAbstractItemView::SingleSelection);
    GridProdutos->verticalHeader()->setDefaultSectionSize(17);
    GridProdutos->verticalHeader()->setFixedWidth(12);
    GridProdutos->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GridProdutos->horizontalHeader()->setHighlightSections(false);
    DBNavigator1 = place<TDBNavigator>(TabProdutos, "DBNavigator1", {3, 336, 522, 25});
    EdtPesquisar = place<QLineEdit>(TabProdutos, "EdtPesquisar", {3, 370, 219, 21});
    BtnPesquisar = place<QPushButton>(TabProdutos, "BtnPesquisar", {227, 368, 75, 25},
                                      QStringLiteral("Pesquisar"));
    BtnPesquisar->setDefault(true);

    pages->setCurrentIndex(0);
}

void TFConsulta::createComponents() {
    Timer100ms = new TTimer(this);
    Timer100ms->setObjectName(QStringLiteral("Timer100ms"));
    Timer100ms->setInterval(100);
    const terminal::TermServerApi& api = *context_.api;
    const int wake = api.tc_wakefd != nullptr ? api.tc_wakefd() : -1;
    if (wake >= 0) {
        ScanNotifier = new QSocketNotifier(wake, QSocketNotifier::Read, this);
        ScanNotifier->setObjectName(QStringLiteral("ScanNotifier"));
        ScanNotifier->setEnabled(false); // on and off with Timer100ms
    }
    Timer3Seg = new TTimer(this);
    Timer3Seg->setObjectName(QStringLiteral("Timer3Seg"));
    Timer3Seg->setInterval(3000);
    Timer3 = new TTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(1000);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Sobre1 = PopupMenu1->addAction(QStringLiteral("Abrir"));
    Sobre1->setObjectName(QStringLiteral("Sobre1"));
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Sair1 = PopupMenu1->addAction(QStringLiteral("Sair"));
    Sair1->setObjectName(QStringLiteral("Sair1"));
    PopupMenu1->setDefaultAction(Sobre1); // drawn in bold
}

void TFConsulta::setTabOrder() {
    QWidget::setTabOrder(PC, Panel1);
    const QList<QWidget*> panel = {BtnMonitora,   BtnMensagens, BtnProdutos, ListTerms,
                                   TxtConectados, RadioButton1, RadioButton2};
    const QList<QWidget*> monitor = {StaticText2, MemoRecv, BtnIniciar, BtnLimparMemo};
    const QList<QWidget*> message = {EdtLine1, EdtLine2, EdtTimeEx, BtnMsgSend};
    const QList<QWidget*> products = {GridProdutos, DBNavigator1, EdtPesquisar, BtnPesquisar};
    for (const auto& chain : {panel, monitor, message, products}) {
        for (qsizetype i = 1; i < chain.size(); ++i)
            QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

void TFConsulta::layoutStretchingControls() {
    // Panel and page area follow the client area; inside a page only the log, "Limpar"
    // and the message group follow its edges.
    Panel1->setGeometry(0, 0, kPanelWidth, height());
    PC->setGeometry(kPanelWidth, 0, std::max(0, width() - kPanelWidth), height());
    auto* pages = PC->findChild<QStackedWidget*>();
    pages->setGeometry(kPageInset, kPageInset, std::max(0, PC->width() - 2 * kPageInset),
                       std::max(0, PC->height() - 2 * kPageInset));
    const int dw = pages->width() - kPageSize.width();
    const int dh = pages->height() - kPageSize.height();
    MemoRecv->setGeometry(9, 28, std::max(0, 504 + dw), std::max(0, 334 + dh));
    BtnLimparMemo->move(464 + dw, 368 + dh);
    GrpIMsg->setGeometry(8, 16, std::max(0, 297 + dw), std::max(0, 145 + dh));
}

TFConsulta::Page TFConsulta::currentPage() const {
    return static_cast<Page>(PC->findChild<QStackedWidget*>()->currentIndex());
}

void TFConsulta::showPage(Page page) {
    PC->findChild<QStackedWidget*>()->setCurrentIndex(static_cast<int>(page));
}

} // namespace veska::app
