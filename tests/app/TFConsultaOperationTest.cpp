// The operator's work through the window's handlers on a real Firebird database: server
// control, the first-show start, price answers while shown and hidden, the terminal list,
// display messages, the search, and the close that hides or ends.

#include "ShopFixture.h"
#include "TrayTestDoubles.h"
#include "catalogue/products/ProductList.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <arpa/inet.h>

namespace {

QStringList logOf(const veska::app::TFConsulta& w) {
    return w.MemoRecv->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class Operation : public ShopFixture {
protected:
    void SetUp() override {
        installShop();
        window = createWindow();
        ASSERT_TRUE(boxes.errors.isEmpty()) << boxes.errors.join(u'|').toStdString();
    }
    std::unique_ptr<veska::app::TFConsulta> window;
};

} // namespace

TEST_F(Operation, StartAndStopSwitchTheStateAndTheTimers) {
    window->BtnIniciar->click();
    EXPECT_EQ(window->BtnIniciar->text(), QStringLiteral("Parar"));
    EXPECT_TRUE(window->Timer100ms->isActive());
    EXPECT_TRUE(window->Timer3Seg->isActive());
    EXPECT_TRUE(window->Timer3->isActive());
    EXPECT_EQ(window->Timer3->Tag, 0);
    EXPECT_TRUE(window->BtnMensagens->isEnabled());
    EXPECT_EQ(window->BtnMonitora->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
    EXPECT_EQ(logOf(*window).last(), QStringLiteral("Servidor inicializado com sucesso."));

    window->BtnIniciar->click();
    EXPECT_EQ(window->BtnIniciar->text(), QStringLiteral("Iniciar"));
    EXPECT_FALSE(window->Timer100ms->isActive());
    EXPECT_FALSE(window->Timer3Seg->isActive());
    EXPECT_TRUE(window->Timer3->isActive()) << "a stop does not cancel the automatic hide";
    EXPECT_FALSE(window->BtnMensagens->isEnabled());
    EXPECT_EQ(logOf(*window).last(), QStringLiteral("Servidor interrompido."));
}

TEST_F(Operation, AFailedStopKeepsEverythingRunning) {
    window->BtnIniciar->click();
    provider().terminateResult = 0x100; // low byte 0
    window->BtnIniciar->click();
    EXPECT_EQ(window->BtnIniciar->text(), QStringLiteral("Parar"));
    EXPECT_TRUE(window->Timer100ms->isActive());
    EXPECT_EQ(boxes.notices, QStringList{QStringLiteral("Erro inicializando servidor.")});
}

TEST_F(Operation, TheFirstShowStartsTheServerOnlyWithAnArgument) {
    window.reset();
    window = createWindow(true);
    window->show();
    EXPECT_EQ(window->BtnIniciar->text(), QStringLiteral("Parar"));
    EXPECT_EQ(window->BtnIniciar->Tag, 1);
    window->BtnIniciar->click(); // stop
    window->hide();
    window->show();
    EXPECT_EQ(window->BtnIniciar->text(), QStringLiteral("Iniciar")) << "later shows start nothing";

    auto plain = createWindow(false);
    plain->show();
    EXPECT_EQ(plain->BtnIniciar->text(), QStringLiteral("Iniciar"));
}

TEST_F(Operation, APriceAnswerFollowsTheDatabaseAndTheModeAtEachScan) {
    window->show();
    window->BtnIniciar->click();
    provider().barcodes.push_back({"7891000100103", addressOf("127.0.0.5"), 7});
    window->Timer100msTimer();
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_TRUE(provider().notFound.empty());
    EXPECT_EQ(provider().prices[0].address, addressOf("127.0.0.5"));
    EXPECT_EQ(provider().prices[0].description, "A\xC7\xDA"
                                                "CAR CRISTAL 5KG");
    EXPECT_EQ(provider().prices[0].price, "R$ 12,50");
    EXPECT_EQ(logOf(*window).last(),
              QStringLiteral("127.0.0.5:7 -> 7891000100103|AÇÚCAR CRISTAL 5KG|R$ 12,50"));
    EXPECT_EQ(window->CDSProdutos->fieldAsText(QStringLiteral("BarCode")), QStringLiteral("1001"))
        << "the grid follows the served article";

    setPrice("1001", "11.25");
    provider().barcodes.push_back({"1001", addressOf("127.0.0.5"), 7});
    window->Timer100msTimer();
    EXPECT_EQ(provider().prices.back().price, "R$ 11,25") << "a committed price is served at once";

    window->RadioButton2->click();
    provider().barcodes.push_back({"1001", addressOf("127.0.0.5"), 7});
    window->Timer100msTimer();
    EXPECT_EQ(provider().prices.back().price, "R$ 13,90");
}

TEST_F(Operation, WhileHiddenTerminalsAreAnsweredWithoutLogLines) {
    window->show();
    window->hide();
    const int before = logOf(*window).size();
    provider().barcodes.push_back({"NAOEXISTE", addressOf("127.0.0.9"), 3});
    window->Timer100msTimer();
    EXPECT_TRUE(provider().prices.empty());
    EXPECT_EQ(provider().notFound, std::vector<std::uint32_t>{addressOf("127.0.0.9")});
    EXPECT_EQ(logOf(*window).size(), before);
    window->show();
    provider().barcodes.push_back({"A1002A", addressOf("127.0.0.9"), 3});
    window->Timer100msTimer();
    EXPECT_EQ(logOf(*window).last(),
              QStringLiteral("127.0.0.9:3 -> 1002|CAFÉ TORRADO 500G|R$ 18,35"));
}

TEST_F(Operation, TheTerminalListKeepsThePickAndMessagesGoToIt) {
    window->BtnIniciar->click();
    provider().table.TabSock[0] = 11;
    provider().table.TabIP[0] = addressOf("127.0.0.2");
    provider().table.TabSock[2] = 12;
    provider().table.TabIP[2] = addressOf("127.0.0.3");
    provider().table.NumSockConec = 3;
    window->Timer3SegTimer();
    ASSERT_EQ(window->ListTerms->count(), 2);
    EXPECT_EQ(window->ListTerms->item(1)->text(), QStringLiteral("127.0.0.3:12"));
    EXPECT_EQ(window->selectedSocket(), 0);

    window->BtnMsgSend->click();
    EXPECT_EQ(boxes.notices.last(), QStringLiteral("Selecione um Terminal"));

    window->ListTerms->setCurrentRow(1);
    window->ListTermsClick();
    EXPECT_EQ(window->selectedSocket(), 12);
    std::swap(provider().table.TabSock[0], provider().table.TabSock[2]);
    std::swap(provider().table.TabIP[0], provider().table.TabIP[2]);
    window->Timer3SegTimer();
    EXPECT_EQ(window->ListTerms->currentRow(), 0) << "the pick is selected again where it stands";

    window->EdtLine2->clear();
    window->BtnMsgSend->click();
    ASSERT_EQ(provider().messages.size(), 1u);
    const auto& message = provider().messages.back();
    EXPECT_EQ(message.address, addressOf("127.0.0.3"));
    EXPECT_EQ(message.line1, std::u16string(u"VESKA "));
    EXPECT_FALSE(message.line2.has_value()) << "an empty line goes as a null pointer";
    EXPECT_EQ(message.displayTime, 4);
    EXPECT_EQ(logOf(*window).last(),
              QStringLiteral("127.0.0.3:12 -> Mensagem enviada ao Terminal"));

    window->EdtTimeEx->setText(QStringLiteral("4s"));
    const auto sent = provider().messages.size();
    window->BtnMsgSend->click();
    EXPECT_EQ(boxes.errors.last(), QStringLiteral("'4s' is not a valid integer value"));
    EXPECT_EQ(provider().messages.size(), sent);
}

TEST_F(Operation, TheSearchFindsByCodeOnly) {
    window->BtnProdutos->click();
    window->EdtPesquisar->setText(QStringLiteral("  1003 "));
    window->BtnPesquisar->click();
    EXPECT_EQ(boxes.notices.last(), QStringLiteral("Produto: FEIJÃO PRETO 1KG"));
    EXPECT_EQ(window->CDSProdutos->currentRow(), 2);
    window->EdtPesquisar->setText(QStringLiteral("7891000100103"));
    window->BtnPesquisar->click();
    EXPECT_EQ(boxes.notices.last(),
              QStringLiteral("Código do produto não consta na Base de Dados."));
    EXPECT_EQ(window->CDSProdutos->currentRow(), 2);
    window->EdtPesquisar->clear();
    window->BtnPesquisar->click();
    EXPECT_EQ(boxes.notices.last(), QStringLiteral("Por favor, entre com o Código do produto."));
}

TEST_F(Operation, ClosingHidesUntilSairWhichSavesThePriceMode) {
    window->show();
    window->RadioButton2->click();
    EXPECT_FALSE(window->close()) << "the close only hides";
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("consulta_veska.cfg"))));

    window->Sair1Click();
    EXPECT_EQ(window->Tag, 1);
    EXPECT_EQ(folder.read(QStringLiteral("consulta_veska.cfg")), QByteArray("2\r\n"));
}

TEST_F(Operation, WithoutANotificationAreaTheCloseAsksAndSairSavesAndEnds) {
    veska::test::RecordingNotifyArea area;
    veska::platform::SetNotifyIconBackend(&area);
    const std::shared_ptr<void> restore(
        nullptr, [](void*) { veska::platform::SetNotifyIconBackend(nullptr); });
    int asked = 0;
    bool answer = true;
    window->ExitWithoutNotificationArea = [&] {
        ++asked;
        return answer;
    };
    window->show();
    window->RadioButton2->click();
    EXPECT_FALSE(window->close()) << "with a notification area the close only hides";
    EXPECT_EQ(asked, 0);

    area.available = false;
    answer = false; // "Minimizar"
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(window->Tag, 0);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("consulta_veska.cfg"))));

    answer = true; // "Sair"
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(window->Tag, 1);
    EXPECT_EQ(folder.read(QStringLiteral("consulta_veska.cfg")), QByteArray("2\r\n"));
}

TEST_F(Operation, AFailedSaveAbandonsTheExitAndLaterClosesTryAgain) {
    window->show();
    folder.makeFolder(QStringLiteral("consulta_veska.cfg"));
    window->Sair1Click();
    ASSERT_EQ(boxes.errors.size(), 1);
    EXPECT_EQ(boxes.errors.first(), QStringLiteral("File access denied"));
    EXPECT_TRUE(window->MemoRecv->toPlainText().endsWith(
        QStringLiteral("Erro no arquivo consulta_veska.cfg: File access denied (é uma pasta).")))
        << window->MemoRecv->toPlainText().toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Tag, 1);
    window->close();
    EXPECT_EQ(boxes.errors.size(), 2) << "the close button now tries the exit again";
}

TEST_F(Operation, TheAutomaticHideRunsOnceAfterEachStart) {
    window->show();
    window->BtnIniciar->click();
    window->Timer3Timer();
    EXPECT_FALSE(window->Timer3->isActive());
    EXPECT_EQ(window->Timer3->Tag, 1);
    window->Sobre1Click();
    EXPECT_TRUE(window->isVisible());
    window->Timer3Timer(); // a stray tick after the hide did its work changes nothing
    EXPECT_TRUE(window->isVisible());
}
