// The terminal service from end to end, inside one test process: the real main window on
// the demo catalogue (embedded Firebird), the real terminal-server library on a loopback
// port, and terminal-sim processes as the terminals; and the web console that the window
// serves.

#include "ConsoleLogin.h"
#include "LoopbackEndpoint.h"
#include "ProgramRun.h"
#include "ShopFixture.h"
#include "app/MessageBoxes.h"
#include "app/TFConsulta.h"
#include "catalogue/products/ProductList.h"
#include "terminal/TermServerLibrary.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

struct RecordingBoxes final : veska::app::MessageBoxes {
    QStringList errors, notices;
    void showError(const QString& m) override { errors << m; }
    void showNotice(const QString& t) override { notices << t; }
};

// Runs the event loop until the predicate holds or the time is up.
bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class TerminalService : public ::testing::Test {
protected:
    void SetUp() override {
        previous = QDir::currentPath();
        QDir::setCurrent(shop.path());
        qputenv("FIREBIRD_LOCK", QFile::encodeName(shop.path() + QStringLiteral("/.lock")));
        const auto made = e2e::makeDemoShop(shop.path());
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        prepareShop();
        server = QString::fromStdString(veska::test::ownLoopbackEndpoint());
        qputenv("TERMSERVER_LISTEN", server.toLatin1());
        library.emplace(e2e::termserverLibraryPath().toStdString());
        window = std::make_unique<veska::app::TFConsulta>(
            veska::app::TFConsultaContext{&library->api(), &boxes, false, false});
        ASSERT_EQ(boxes.errors.size(), creationErrors) << boxes.errors.join(u'|').toStdString();
        window->show();
        window->BtnIniciar->click();
        ASSERT_EQ(window->BtnIniciar->text(), QStringLiteral("Parar"));
        window->Timer3->stop(); // keep the window shown: these tests read its log
    }

    void TearDown() override {
        for (auto& p : terminals)
            p->kill(), p->waitForFinished(2000);
        if (window && window->BtnIniciar->text() == QStringLiteral("Parar"))
            window->BtnIniciar->click();
        window.reset();
        QDir::setCurrent(previous);
    }

    // A terminal that scans the codes; its answer lines, once it has finished.
    QStringList scan(const QStringList& codes, const QString& bind = QStringLiteral("127.0.0.1")) {
        QProcess sim;
        sim.start(e2e::terminalSimPath(),
                  QStringList{QStringLiteral("--server"), server, QStringLiteral("--bind"), bind,
                              QStringLiteral("scan")} +
                      codes);
        spinUntil([&] { return sim.state() == QProcess::NotRunning; }, 20s);
        EXPECT_EQ(sim.exitCode(), 0) << sim.readAllStandardError().toStdString();
        return QString::fromUtf8(sim.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    // A terminal that stays connected and prints the display messages it gets.
    QProcess* listener(const QString& bind) {
        terminals.push_back(std::make_unique<QProcess>());
        QProcess* sim = terminals.back().get();
        sim->start(e2e::terminalSimPath(),
                   {QStringLiteral("--server"), server, QStringLiteral("--bind"), bind,
                    QStringLiteral("listen"), QStringLiteral("--for"), QStringLiteral("30")});
        return sim;
    }

    void setDemoPrice(const char* codigo, const char* price) {
        commitPrice(shop.filePath(QStringLiteral("demo.fdb")), codigo, price);
    }

    QStringList log() const {
        return window->MemoRecv->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    }

    // What a test adds to the demo shop before the window is made.
    virtual void prepareShop() {}
    qsizetype creationErrors = 0; // the boxes that the window's creation shows
    QTemporaryDir shop;
    QString previous, server;
    RecordingBoxes boxes;
    std::optional<veska::terminal::TermServerLibrary> library;
    std::unique_ptr<veska::app::TFConsulta> window;
    std::vector<std::unique_ptr<QProcess>> terminals;
};

// The window serves the web console that gerencia.conf asks for.
class TerminalServiceWithConsole : public TerminalService {
protected:
    // gerencia.conf with the console, and a price-mode file that cannot be read (a pipe in its
    // place), whose lines the window itself writes.
    void prepareShop() override {
        const std::string hash = veska::test::cheapPasswordHash("senha");
        ASSERT_FALSE(hash.empty());
        QFile settings(shop.filePath(QStringLiteral("gerencia.conf")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(QStringLiteral("web_listen = %1:%2\nweb_password = %3\n")
                           .arg(QString::fromStdString(veska::test::ownLoopbackAddress()))
                           .arg(veska::test::kOwnLoopbackPort + 42)
                           .arg(QString::fromStdString(hash))
                           .toUtf8());
        ASSERT_EQ(
            ::mkfifo(
                QFile::encodeName(shop.filePath(QStringLiteral("consulta_veska.cfg"))).constData(),
                0600),
            0);
        creationErrors = 1;
    }
};

} // namespace

TEST_F(TerminalService, EveryKindOfScanIsAnsweredWithTheDatabasesText) {
    const QStringList answers =
        scan({QStringLiteral("7891000000038"), QStringLiteral("000003"), QStringLiteral("A000003A"),
              QStringLiteral("NAOEXISTE"), QStringLiteral("AA"), QStringLiteral("a000003a")});
    const QString sugar = QStringLiteral("AÇÚCAR CRISTAL 5KG\tR$ 18,88");
    const QString none = QStringLiteral("PRODUTO NAO\tENCONTRADO");
    EXPECT_EQ(
        answers,
        (QStringList{QStringLiteral("7891000000038\t") + sugar, QStringLiteral("000003\t") + sugar,
                     QStringLiteral("A000003A\t") + sugar, QStringLiteral("NAOEXISTE\t") + none,
                     QStringLiteral("AA\t") + none, QStringLiteral("a000003a\t") + none}));
    const QStringList lines = log();
    ASSERT_GE(lines.size(), 8);
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" -> 7891000000038|AÇÚCAR CRISTAL 5KG|R$ 18,88")));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral(" -> 000003|AÇÚCAR CRISTAL 5KG|R$ 18,88")))
        << "the shortened code is logged";
    EXPECT_TRUE(lines[5].endsWith(QStringLiteral(" -> NAOEXISTE|PRODUTO NAO ENCONTRADO")));
    EXPECT_EQ(window->CDSProdutos->fieldAsText(QStringLiteral("BarCode")), QStringLiteral("000001"))
        << "after a miss the grid stands on the first row";
}

TEST_F(TerminalService, APriceChangeAndAModeSwitchApplyFromTheNextScan) {
    EXPECT_EQ(scan({QStringLiteral("000003")}).value(0),
              QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 18,88"));
    setDemoPrice("000003", "17.5");
    EXPECT_EQ(scan({QStringLiteral("000003")}).value(0),
              QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 17,50"));
    window->RadioButton2->click();
    EXPECT_EQ(scan({QStringLiteral("000003")}).value(0),
              QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 22,28"));
}

TEST_F(TerminalService, TheListShowsTheTerminalsAndAMessageReachesThePickedOne) {
    QProcess* first = listener(QStringLiteral("127.0.0.21"));
    QProcess* second = listener(QStringLiteral("127.0.0.22"));
    ASSERT_TRUE(spinUntil([&] { return window->ListTerms->count() == 2; }, 10s));
    // One entry per terminal, in the order they connected.
    const auto rowOf = [&](const QString& address) {
        for (int i = 0; i < window->ListTerms->count(); ++i) {
            if (window->ListTerms->item(i)->text().startsWith(address + QLatin1Char(':')))
                return i;
        }
        return -1;
    };
    ASSERT_NE(rowOf(QStringLiteral("127.0.0.21")), -1);
    ASSERT_NE(rowOf(QStringLiteral("127.0.0.22")), -1);

    window->BtnMensagens->click();
    window->BtnMsgSend->click();
    EXPECT_EQ(boxes.notices.value(0), QStringLiteral("Selecione um Terminal"));

    window->ListTerms->setCurrentRow(rowOf(QStringLiteral("127.0.0.22")));
    window->ListTermsClick();
    const QString picked = window->ListTerms->currentItem()->text();
    // The pick survives the refreshes, and a third terminal joining does not move it.
    QProcess* third = listener(QStringLiteral("127.0.0.20"));
    ASSERT_TRUE(spinUntil([&] { return window->ListTerms->count() == 3; }, 10s));
    EXPECT_EQ(window->ListTerms->currentItem()->text(), picked);

    window->EdtLine1->setText(QStringLiteral("Preço"));
    window->EdtLine2->setText(QStringLiteral("AÇÚCAR EM OFERTA"));
    window->EdtTimeEx->setText(QStringLiteral("7"));
    window->BtnMsgSend->click();
    ASSERT_TRUE(spinUntil([&] { return second->canReadLine(); }, 10s));
    EXPECT_EQ(QString::fromUtf8(second->readLine()).trimmed(),
              QStringLiteral("MSG\tPreço\tAÇÚCAR EM OFERTA\t7"));
    EXPECT_EQ(log().last(), picked + QStringLiteral(" -> Mensagem enviada ao Terminal"));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
    EXPECT_FALSE(first->canReadLine());
    EXPECT_FALSE(third->canReadLine());
}

// The console's activity log is the window's: the window's own lines (the price mode it fell
// back on) as well as the terminal services' lines.
TEST_F(TerminalServiceWithConsole, TheConsoleShowsTheWindowsLog) {
    ASSERT_EQ(scan({QStringLiteral("000003")}).value(0),
              QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 18,88"));
    httplib::Client web(veska::test::ownLoopbackAddress(), veska::test::kOwnLoopbackPort + 42);
    web.set_read_timeout(30);
    httplib::Headers session;
    ASSERT_TRUE(veska::test::logIn(web, "senha", session));
    QStringList consoleLog;
    // The console shows the log as the window published it at its last read of the terminals.
    spinUntil(
        [&] {
            consoleLog.clear();
            const auto got = web.Get("/api/log", session);
            for (const QJsonValue line :
                 QJsonDocument::fromJson(QByteArray::fromStdString(got ? got->body : "")).array())
                consoleLog << line.toString();
            return consoleLog == log();
        },
        60s);
    EXPECT_EQ(consoleLog.join(u'\n').toStdString(), log().join(u'\n').toStdString());
    EXPECT_EQ(log().filter(QStringLiteral("consulta_veska.cfg")).size(), 2)
        << "the window's own lines: " << log().join(u'\n').toStdString();
}
