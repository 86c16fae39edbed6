// The terminal services on the real terminal-server library: a terminal played by a TCP
// client on 127.0.0.1, and a real product database on the embedded Firebird engine. Runs
// under a decimal-comma locale (LocaleVariant.cpp).
#include "LoopbackEndpoint.h"
#include "LoopbackTerminal.h"
#include "ShopDatabase.h"
#include "TestViews.h"
#include "catalogue/lookup/ProductLookup.h"
#include "terminal/DisplayMessage.h"
#include "terminal/LibraryText.h"
#include "terminal/LibraryVersion.h"
#include "terminal/PriceQueryService.h"
#include "terminal/ServerControl.h"
#include "terminal/TermServerLibrary.h"
#include "terminal/TerminalTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace veska::terminal::test {
namespace {

constexpr int kPollRounds = 300; // 10 ms apart: 3 s at most
constexpr auto kPollPause = std::chrono::milliseconds(10);

class RealLibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = std::make_unique<TermServerLibrary>(REAL_TERMSERVER_PATH);
    }
    static void TearDownTestSuite() { library_.reset(); }

    void SetUp() override {
        setenv("TERMSERVER_LISTEN", veska::test::ownLoopbackEndpoint().c_str(), 1);
        api().vInitialize();
    }
    void TearDown() override {
        if (view_.caption == QStringLiteral("Parar"))
            control_.toggle();
    }

    static const TermServerApi& api() { return library_->api(); }
    void start() {
        control_.toggle();
        ASSERT_EQ(view_.caption, QStringLiteral("Parar")) << log_.lines.join(u'\n').toStdString();
    }
    // Refreshes the list until it shows the wanted number of terminals.
    void refreshUntil(int entries) {
        for (int round = 0; round < kPollRounds; ++round) {
            table_.refresh();
            if (list_.entries.size() == entries)
                return;
            std::this_thread::sleep_for(kPollPause);
        }
        FAIL() << "the list never showed " << entries << " terminals";
    }

    static std::unique_ptr<TermServerLibrary> library_;
    RecordingServerView view_;
    RecordingNotices notices_;
    RecordingLog log_;
    RecordingListView list_;
    ServerControl control_{api(), view_, notices_, log_};
    TerminalTable table_{api(), list_};
};

std::unique_ptr<TermServerLibrary> RealLibraryTest::library_;

TEST_F(RealLibraryTest, VersionStartListStop) {
    initializeLibraryAndLogVersion(api(), log_);
    const QString version = libraryText(api().dll_version());
    EXPECT_FALSE(version.isEmpty());
    EXPECT_EQ(log_.lines, QStringList{QStringLiteral("Versão da DLL: ") + version});

    start();
    EXPECT_EQ(log_.lines.back(), QStringLiteral("Servidor inicializado com sucesso."));
    table_.setSelectedSocket(-1);
    table_.refresh();
    EXPECT_TRUE(list_.entries.isEmpty());

    LoopbackTerminal terminal;
    ASSERT_TRUE(terminal.connected());
    EXPECT_EQ(terminal.readLine().rfind("HELLO\t2\t", 0), 0u);
    refreshUntil(1);
    ASSERT_TRUE(list_.entries[0].startsWith(QStringLiteral("127.0.0.1:")));
    EXPECT_EQ(list_.selected, -1);
    list_.selected = 0;
    table_.pick();
    EXPECT_EQ(QStringLiteral("127.0.0.1:%1").arg(table_.selectedSocket()), list_.entries[0]);
    EXPECT_NE(table_.selectedSocket(), 0);
    table_.refresh();
    EXPECT_EQ(list_.selected, 0);

    control_.toggle();
    EXPECT_EQ(view_.caption, QStringLiteral("Iniciar"));
    EXPECT_EQ(log_.lines.back(), QStringLiteral("Servidor interrompido."));
    EXPECT_TRUE(terminal.closedByServer());
}

// A refused start logs the fixed line, then the library's reason on a line of its own, in
// the words of the system's language as the program runs it (LC_MESSAGES pt_BR.UTF-8).
TEST_F(RealLibraryTest, ATakenPortRefusesTheStartWithTheReason) {
    const std::string messages = std::setlocale(LC_MESSAGES, nullptr);
    const std::string characters = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_MESSAGES, "pt_BR.UTF-8"), nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "pt_BR.UTF-8"), nullptr);
    const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(veska::test::kOwnLoopbackPort);
    ::inet_pton(AF_INET, veska::test::ownLoopbackAddress().c_str(), &address.sin_addr);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);

    control_.toggle();
    ::close(holder);
    std::setlocale(LC_MESSAGES, messages.c_str());
    std::setlocale(LC_CTYPE, characters.c_str());
    EXPECT_EQ(view_.caption, QStringLiteral("Iniciar"));
    EXPECT_EQ(log_.lines,
              (QStringList{QStringLiteral("Erro inicializando servidor."),
                           QStringLiteral("cannot listen on %1: Endereço já em uso")
                               .arg(QString::fromStdString(veska::test::ownLoopbackEndpoint())),
                           ServerControl::addressInUseLine()}));
    EXPECT_EQ(notices_.shown, QStringList{QStringLiteral("Erro inicializando servidor.")});
}

TEST_F(RealLibraryTest, ABadSettingsFileRefusesTheStartNamingFileAndLine) {
    QTemporaryDir shop;
    ASSERT_TRUE(shop.isValid());
    QFile conf(shop.filePath(QStringLiteral("termserver.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("# terminals\nlisten = 10.0.0.1\n");
    conf.close();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(shop.path()));
    control_.toggle();
    QDir::setCurrent(before);
    EXPECT_EQ(view_.caption, QStringLiteral("Iniciar"));
    ASSERT_EQ(log_.lines.size(), 2) << log_.lines.join(u'\n').toStdString();
    EXPECT_EQ(log_.lines[0], QStringLiteral("Erro inicializando servidor."));
    EXPECT_TRUE(log_.lines[1].startsWith(QStringLiteral("termserver.conf, line 2: listen must be")))
        << log_.lines[1].toStdString();
}

TEST_F(RealLibraryTest, ScansAreAnsweredFromTheDatabase) {
    const catalogue::test::StockedShop database;
    const catalogue::PriceMode mode = catalogue::PriceMode::Wholesale;
    catalogue::test::ShopQuery products(database, mode);
    Presence window;
    catalogue::ProductLookup lookup(*products.database, [&mode] { return mode; });
    RecordingFailures failures;
    PriceQueryService service(api(), lookup, window, log_, failures);
    start();
    LoopbackTerminal terminal;
    ASSERT_TRUE(terminal.connected());
    ASSERT_FALSE(terminal.readLine().empty()); // the greeting
    refreshUntil(1);
    const QString name = list_.entries[0];

    // As the program does: wait until the library's descriptor says a scan waits.
    ASSERT_NE(api().tc_wakefd, nullptr);
    const int wake = api().tc_wakefd();
    ASSERT_GE(wake, 0);
    auto serveOne = [&service, wake] {
        pollfd watched{wake, POLLIN, 0};
        return ::poll(&watched, 1, 5000) == 1 && service.serveWaitingBarcodes() == 1;
    };
    terminal.send("SCAN\t7891000100103\n");
    ASSERT_TRUE(serveOne());
    EXPECT_EQ(terminal.readLine(), "PRICE\t7891000100103\tCaf\xE9 torrado 500g\tR$ 12,50");
    terminal.send("SCAN\tNAOEXISTE\n");
    ASSERT_TRUE(serveOne());
    EXPECT_EQ(terminal.readLine(), "NOTFOUND\tNAOEXISTE\tPRODUTO NAO\tENCONTRADO");
    terminal.send("SCAN\tASEMPRECOA\n");
    ASSERT_TRUE(serveOne());
    EXPECT_EQ(terminal.readLine(), "PRICE\tASEMPRECOA\tArtigo sem pre\xE7o\tSEM PRE\xC7O");

    EXPECT_EQ(log_.lines.mid(1),
              (QStringList{name + QStringLiteral(" -> 7891000100103|Café torrado 500g|R$ 12,50"),
                           name + QStringLiteral(" -> NAOEXISTE|PRODUTO NAO ENCONTRADO"),
                           name + QStringLiteral(" -> SEMPRECO|Artigo sem preço|SEM PREÇO")}));
}

TEST_F(RealLibraryTest, DisplayMessagesReachThePickedTerminal) {
    FormView form;
    DisplayMessage message(api(), list_, form, notices_, log_);
    start();
    LoopbackTerminal terminal;
    ASSERT_TRUE(terminal.connected());
    ASSERT_FALSE(terminal.readLine().empty());
    refreshUntil(1);
    list_.selected = 0;
    table_.pick();

    message.send();
    EXPECT_EQ(terminal.readLine(), "MSG\tVESKA \tINFORMATICA\t4");
    form.first = QStringLiteral("Preço do dia");
    form.second.clear();
    form.time = QStringLiteral("0");
    message.send();
    EXPECT_EQ(terminal.readLine(), "MSG\tPre\xE7o do dia\t\t0");
    EXPECT_EQ(
        log_.lines.mid(1),
        QStringList(2, list_.entries[0] + QStringLiteral(" -> Mensagem enviada ao Terminal")));
}

} // namespace
} // namespace veska::terminal::test
