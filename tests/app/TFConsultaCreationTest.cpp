// The window's creation sequence on a real Firebird database: every step in its order, and
// a failing step that ends the sequence while the window still opens.

#include "ShopFixture.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductListModel.h"
#include "terminal/PriceQueryService.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableView>
#include <sys/stat.h>

namespace {

QStringList logOf(const veska::app::TFConsulta& w) {
    return w.MemoRecv->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<int> columnWidths(const veska::app::TFConsulta& w) {
    return {w.GridProdutos->columnWidth(0), w.GridProdutos->columnWidth(1),
            w.GridProdutos->columnWidth(2)};
}

class Creation : public ShopFixture {};

} // namespace

TEST_F(Creation, ACleanStartRunsEveryStep) {
    installShop();
    auto w = createWindow();
    EXPECT_TRUE(boxes.errors.isEmpty()) << boxes.errors.join(u'|').toStdString();
    EXPECT_EQ(logOf(*w), QStringList{QStringLiteral("Versão da DLL: test 1")});
    EXPECT_FALSE(w->RadioButton2->isHidden());
    EXPECT_FALSE(w->RadioButton1->isHidden());
    EXPECT_TRUE(w->RadioButton1->isChecked());
    EXPECT_EQ(w->DSProdutos->columnTitle(2), QStringLiteral("Preço"));
    EXPECT_EQ(w->selectedSocket(), -1);
    EXPECT_EQ(w->currentPage(), veska::app::TFConsulta::Page::Monitoring);
    EXPECT_EQ(w->BtnMonitora->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_FALSE(w->BtnMensagens->isEnabled());
    EXPECT_EQ(columnWidths(*w), (QList<int>{120, 225, 85}));
    ASSERT_TRUE(w->CDSProdutos->isOpen());
    EXPECT_EQ(w->CDSProdutos->fieldAsText(QStringLiteral("Produto")),
              QStringLiteral("AÇÚCAR CRISTAL 5KG"));
    EXPECT_EQ(w->DSProdutos->data(w->DSProdutos->index(0, 2)).toString(),
              QLocale::system().toString(12.5, 'f', 2));
    EXPECT_EQ(journal().value(0), QStringLiteral("vInitialize"));
}

TEST_F(Creation, AMissingSettingsFileEndsTheSequenceAndTheWindowStillOpens) {
    installShop();
    QFile::remove(folder.filePath(QStringLiteral("SYS_INFO.INI")));
    auto w = createWindow();
    EXPECT_EQ(boxes.errors, QStringList{QStringLiteral("File not found")});
    // The box keeps the classic text; the log names the file. No version line: the library
    // is not initialised.
    EXPECT_EQ(logOf(*w),
              QStringList{QStringLiteral("Erro no arquivo SYS_INFO.INI: File not found.")});
    EXPECT_TRUE(journal().isEmpty());
    EXPECT_EQ(w->selectedSocket(), 0);
    EXPECT_TRUE(w->BtnMensagens->isEnabled());
    EXPECT_EQ(columnWidths(*w)[0], 90);
    EXPECT_EQ(columnWidths(*w)[2], 75);
    EXPECT_FALSE(w->CDSProdutos->isOpen());
    // The operator can still start the server.
    w->BtnIniciar->click();
    EXPECT_EQ(w->BtnIniciar->text(), QStringLiteral("Parar"));
}

TEST_F(Creation, TheSavedRetailModeIsRestoredAndServed) {
    installShop();
    folder.write(QStringLiteral("consulta_veska.cfg"), "2\r\n");
    auto w = createWindow();
    EXPECT_TRUE(w->RadioButton2->isChecked());
    EXPECT_EQ(w->DSProdutos->columnTitle(2), QStringLiteral("Preço Varejo"));
    EXPECT_EQ(w->CDSProdutos->fieldAsText(QStringLiteral("Preco")),
              QLocale::system().toString(13.9));
}

TEST_F(Creation, AnUnreadableSavedModeIsLoggedWithTheModeThatStays) {
    installShop();
    ASSERT_EQ(
        ::mkfifo(
            QFile::encodeName(folder.filePath(QStringLiteral("consulta_veska.cfg"))).constData(),
            0600),
        0);
    auto w = createWindow();
    EXPECT_EQ(boxes.errors, QStringList{QStringLiteral("File access denied")});
    EXPECT_TRUE(w->RadioButton1->isChecked());
    EXPECT_EQ(logOf(*w),
              (QStringList{QStringLiteral("consulta_veska.cfg não pôde ser lido; preço em uso: "
                                          "Preço Atacado."),
                           QStringLiteral("Erro no arquivo consulta_veska.cfg: File access "
                                          "denied (não é um arquivo comum).")}));
}

TEST_F(Creation, WithoutTheRetailColumnNoChoiceIsOffered) {
    installShop(false);
    folder.write(QStringLiteral("consulta_veska.cfg"), "1\r\n");
    auto w = createWindow();
    EXPECT_TRUE(boxes.errors.isEmpty());
    EXPECT_TRUE(w->RadioButton1->isHidden());
    EXPECT_TRUE(w->RadioButton2->isHidden());
    EXPECT_EQ(w->RadioButton1->text(), QStringLiteral("Preço Venda"));
    EXPECT_EQ(w->DSProdutos->columnTitle(2), QStringLiteral("Preço Venda"));
    EXPECT_TRUE(w->CDSProdutos->isOpen());
}

TEST_F(Creation, WithoutTheRetailColumnASavedRetailModeIsNotUsedAndSaidInTheLog) {
    installShop(false);
    folder.write(QStringLiteral("consulta_veska.cfg"), "2\r\n");
    auto w = createWindow();
    EXPECT_TRUE(boxes.errors.isEmpty()) << boxes.errors.join(u'|').toStdString();
    EXPECT_TRUE(w->RadioButton1->isChecked());
    EXPECT_TRUE(w->RadioButton1->isHidden());
    EXPECT_TRUE(w->RadioButton2->isHidden());
    EXPECT_EQ(w->DSProdutos->columnTitle(2), QStringLiteral("Preço Venda"));
    EXPECT_TRUE(w->CDSProdutos->isOpen());
    EXPECT_EQ(logOf(*w).value(0),
              QStringLiteral("O modo de preço salvo em consulta_veska.cfg (Preço Varejo) não é "
                             "usado: a tabela PRODUTOS não tem a coluna PRECO_VENDA_LJ. Os "
                             "terminais recebem o preço de PRECO_VENDA."));
    provider().barcodes.push_back({"1002", addressOf("127.0.0.5"), 7});
    w->Timer100msTimer();
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].price, "R$ 18,35");
    // The shop's choice is kept for the day the column is added.
    w->Sair1Click();
    EXPECT_EQ(folder.read(QStringLiteral("consulta_veska.cfg")), QByteArray("2\r\n"));
}

// Lookups that cannot even be prepared answer "try again", and neither the release of an
// idle second nor the next scan trips over what the failure left.
TEST_F(Creation, LookupsThatCannotBePreparedAnswerTryAgainScanAfterScan) {
    installShop();
    commitStatement(database->path(), "alter table produtos drop cod_barra");
    auto w = createWindow();
    for (int round = 0; round < 2; ++round) {
        provider().barcodes.push_back({"1002", addressOf("127.0.0.5"), 7});
        w->Timer100msTimer();
        ASSERT_EQ(provider().prices.size(), static_cast<std::size_t>(round + 1));
        EXPECT_EQ(provider().prices.back().description, "SISTEMA INDISPONIVEL");
        for (int tick = 0; tick < veska::terminal::PriceQueryService::idleTicksBeforeRelease;
             ++tick)
            w->Timer100msTimer();
    }
}

TEST_F(Creation, SwitchingThePriceModeReopensWithTheOtherColumn) {
    installShop();
    auto w = createWindow();
    w->CDSProdutos->locate(QStringLiteral("BarCode"), QStringLiteral("1002"));
    w->RadioButton2->click();
    EXPECT_EQ(w->DSProdutos->columnTitle(2), QStringLiteral("Preço Varejo"));
    EXPECT_EQ(w->CDSProdutos->currentRow(), 0) << "the reopen starts at the first row";
    EXPECT_EQ(w->CDSProdutos->fieldAsText(QStringLiteral("Preco")),
              QLocale::system().toString(13.9));
    w->RadioButton1->click();
    EXPECT_EQ(w->DSProdutos->columnTitle(2), QStringLiteral("Preço Atacado"));
}

TEST_F(Creation, ScaleLabelsAreReadBeforeTheSequenceAndAProblemIsOneLogLine) {
    installShop();
    const QByteArray format = "prefix = 2\ncode = 2-7\nvalue = 8-12\n";
    folder.write(QStringLiteral("balanca.conf"), format + "kind = preco\n");
    auto w = createWindow();
    EXPECT_EQ(logOf(*w), (QStringList{QStringLiteral("balanca.conf: linha 4: kind deve ser price "
                                                     "ou weight - etiquetas de balança não serão "
                                                     "lidas."),
                                      QStringLiteral("Versão da DLL: test 1")}));
    // Code 001001, 350 cents.
    provider().barcodes.push_back({"2001001003500", addressOf("127.0.0.5"), 7});
    w->Timer100msTimer();
    EXPECT_EQ(provider().notFound.size(), 1u) << "labels stay off";

    // A sequence that ends at its first step has read the labels all the same: they are
    // served once the database answers (here through the default alias).
    folder.write(QStringLiteral("balanca.conf"), format + "kind = price\n");
    QFile::remove(folder.filePath(QStringLiteral("SYS_INFO.INI")));
    folder.write(QStringLiteral("veska-aliases.conf"), "[QuildaneLojaR]\ndatabase = loja.fdb\n");
    w = createWindow();
    EXPECT_EQ(boxes.errors, QStringList{QStringLiteral("File not found")});
    w->show();
    provider().barcodes.push_back({"2001001003500", addressOf("127.0.0.5"), 7});
    w->Timer100msTimer();
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].price, "R$ 3,50");
    EXPECT_EQ(logOf(*w).last(),
              QStringLiteral("127.0.0.5:7 -> 2001001003500|AÇÚCAR CRISTAL 5KG|R$ 3,50"));
}
