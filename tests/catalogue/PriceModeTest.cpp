// The price-mode file and the product query's price column, with the retail column present
// and absent. The file's permission cases run in a child process as a user without root's
// rights (nobody, when the tests run as root), so that they apply as they do in a shop.
#include "catalogue/settings/PriceMode.h"

#include "QtPrinters.h"
#include "ShopDatabase.h"
#include "WorkingFolder.h"
#include "catalogue/connection/ColumnExists.h"
#include "catalogue/connection/Database.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductQuery.h"
#include "core/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veska::catalogue {
namespace {

using test::SmallDisk;
using test::WorkingFolder;

TEST(PriceModeFileTest, OnlyExactlyTwoRestoresRetail) {
    WorkingFolder folder;
    EXPECT_EQ(readSavedPriceMode(), std::nullopt) << "no file";
    const struct {
        QByteArray content;
        PriceMode mode;
    } cases[] = {
        {"2", PriceMode::Retail},        {"2\r\n", PriceMode::Retail},
        {"2\n1\r\n", PriceMode::Retail}, {"2 ", PriceMode::Wholesale},
        {" 2", PriceMode::Wholesale},    {"1\r\n", PriceMode::Wholesale},
        {"", PriceMode::Wholesale},      {"\r\n2\r\n", PriceMode::Wholesale},
        {"22", PriceMode::Wholesale},    {"2\x1a", PriceMode::Retail},
    };
    for (const auto& c : cases) {
        folder.write(priceModeFileName, c.content);
        EXPECT_EQ(readSavedPriceMode(), c.mode) << c.content.toStdString();
    }
}

TEST(PriceModeFileTest, AFolderOfThatNameIsNoSavedMode) {
    WorkingFolder folder;
    folder.makeFolder(priceModeFileName);
    EXPECT_EQ(readSavedPriceMode(), std::nullopt);
}

TEST(PriceModeFileTest, SavingWritesThreeBytesAndReplacesTheFile) {
    WorkingFolder folder;
    savePriceMode(PriceMode::Retail);
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("2\r\n"));
    EXPECT_EQ(readSavedPriceMode(), PriceMode::Retail);
    folder.write(priceModeFileName, "2 and a much longer old content\r\n");
    ::chmod(QFile::encodeName(folder.filePath(priceModeFileName)).constData(), 0600);
    savePriceMode(PriceMode::Wholesale);
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("1\r\n"));
    EXPECT_EQ(QFileInfo(folder.filePath(priceModeFileName)).permissions() & 0x0777, 0x0600)
        << "the file keeps its permissions";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{priceModeFileName})
        << "no temporary file stays behind";
}

TEST(PriceModeFileTest, SavingFailuresAreInOutErrorsAndLeaveNoFile) {
    WorkingFolder folder;
    folder.makeFolder(priceModeFileName);
    try {
        savePriceMode(PriceMode::Retail);
        FAIL() << "a folder in the way";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 5);
        EXPECT_EQ(error.text(), QStringLiteral("File access denied"));
    }
    try {
        savePriceMode(PriceMode::Retail,
                      folder.filePath(QStringLiteral("nada/consulta_veska.cfg")));
        FAIL() << "a missing folder";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 2);
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST(PriceModeFileTest, AFullDiskIsADiskWriteErrorThatNamesTheFile) {
    WorkingFolder folder;
    const SmallDisk disk(folder.filePath(QStringLiteral("disco")));
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot();
    const QString file = folder.filePath(QStringLiteral("disco/consulta_veska.cfg"));
    savePriceMode(PriceMode::Wholesale, file);
    folder.write(QStringLiteral("disco/cheio"), QByteArray(64 * 1024, 'x')); // fills it
    try {
        savePriceMode(PriceMode::Retail, file);
        ADD_FAILURE() << "the disk is full";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.text(), QStringLiteral("Disk write error"));
        EXPECT_EQ(error.fileName(), file);
    }
    EXPECT_EQ(folder.read(QStringLiteral("disco/consulta_veska.cfg")), QByteArray("1\r\n"));
}

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Runs in the child of EXPECT_EXIT: becomes a user without root's rights when the tests run
// as root, does the work and ends the child, 0 when it returned and 1, with the error on
// standard error, when it raised InOutError.
[[noreturn]] void asLimitedUser(const std::function<void()>& work) {
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
        const gid_t gid = nobody != nullptr ? nobody->pw_gid : 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(2);
    }
    try {
        work();
    } catch (const InOutError& error) {
        std::fprintf(stderr, "InOutError %d: %s (%s)\n", error.code(), qPrintable(error.text()),
                     qPrintable(error.fileName()));
        ::_exit(1);
    }
    ::_exit(0);
}

TEST(PriceModeFileTest, AFolderThatMayNotBeWrittenGetsTheFileWrittenInPlace) {
    WorkingFolder folder;
    const QString file = folder.filePath(priceModeFileName);
    folder.write(priceModeFileName, "1\r\n");
    setMode(file, 0666);
    setMode(folder.path(), 0555);
    EXPECT_EXIT(asLimitedUser([] { savePriceMode(PriceMode::Retail); }),
                ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("2\r\n"));
    EXPECT_EQ(entriesOf(folder.path()), QStringList{priceModeFileName});
    // Without a file there nothing can be written: the exit is abandoned.
    setMode(folder.path(), 0755);
    QFile::remove(file);
    setMode(folder.path(), 0555);
    EXPECT_EXIT(asLimitedUser([] { savePriceMode(PriceMode::Retail); }),
                ::testing::ExitedWithCode(1), "InOutError 5: File access denied");
    setMode(folder.path(), 0700);
    EXPECT_EQ(entriesOf(folder.path()), QStringList{});
}

TEST(PriceModeFileTest, AReadOnlyFileIsAccessDenied) {
    WorkingFolder folder;
    folder.write(priceModeFileName, "1\r\n");
    setMode(folder.filePath(priceModeFileName), 0444);
    setMode(folder.path(), 0777); // the folder gives no reason to refuse
    EXPECT_EXIT(asLimitedUser([] { savePriceMode(PriceMode::Retail); }),
                ::testing::ExitedWithCode(1), "InOutError 5: File access denied");
    setMode(folder.path(), 0700);
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("1\r\n"));
    EXPECT_EQ(entriesOf(folder.path()), QStringList{priceModeFileName});
}

TEST(PriceModeFileTest, ALinkStaysALinkAndItsTargetIsWritten) {
    WorkingFolder folder;
    folder.makeFolder(QStringLiteral("alvo"));
    folder.write(QStringLiteral("alvo/modo.cfg"), "1\r\n");
    ASSERT_EQ(::symlink("alvo/modo.cfg", "consulta_veska.cfg"), 0);
    EXPECT_EQ(readSavedPriceMode(), PriceMode::Wholesale);
    savePriceMode(PriceMode::Retail);
    EXPECT_TRUE(QFileInfo(folder.filePath(priceModeFileName)).isSymLink());
    EXPECT_EQ(folder.read(QStringLiteral("alvo/modo.cfg")), QByteArray("2\r\n"));
    EXPECT_EQ(readSavedPriceMode(), PriceMode::Retail);
    EXPECT_EQ(entriesOf(folder.filePath(QStringLiteral("alvo"))),
              QStringList{QStringLiteral("modo.cfg")});

    // A link to a file that is not there yet makes that file.
    ASSERT_TRUE(QFile::remove(folder.filePath(priceModeFileName)));
    ASSERT_EQ(::symlink("alvo/novo.cfg", "consulta_veska.cfg"), 0);
    EXPECT_EQ(readSavedPriceMode(), std::nullopt);
    savePriceMode(PriceMode::Retail);
    EXPECT_TRUE(QFileInfo(folder.filePath(priceModeFileName)).isSymLink());
    EXPECT_EQ(folder.read(QStringLiteral("alvo/novo.cfg")), QByteArray("2\r\n"));
}

// Runs in the child of EXPECT_EXIT: a save in a process that may not write a single byte,
// which the kernel ends in the middle of it.
void saveWithoutRoomForAByte() {
    rlimit noBytes{};
    ::setrlimit(RLIMIT_FSIZE, &noBytes);
    savePriceMode(PriceMode::Retail);
}

TEST(PriceModeFileTest, ASaveThatCrashedLeavesTheOldFileAndTheNextSaveClearsUp) {
    WorkingFolder folder;
    folder.write(priceModeFileName, "1\r\n");
    EXPECT_EXIT(saveWithoutRoomForAByte(), ::testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("1\r\n"));
    ASSERT_EQ(entriesOf(folder.path()).size(), 2) << "the crash left its new file behind";
    savePriceMode(PriceMode::Retail);
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("2\r\n"));
    EXPECT_EQ(entriesOf(folder.path()), QStringList{priceModeFileName});
}

TEST(PriceModeFileTest, AFifoIsRefusedByNameAndAHugeFileIsReadNoFurtherThanItsBeginning) {
    WorkingFolder folder;
    // Opening a FIFO for reading waits for a writer: for ever, at start-up.
    ASSERT_EQ(::mkfifo("fluxo", 0600), 0);
    ASSERT_EQ(::symlink("fluxo", "consulta_veska.cfg"), 0);
    try {
        readSavedPriceMode();
        FAIL() << "a FIFO is no settings file";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.text(), QStringLiteral("File access denied"));
        EXPECT_EQ(error.fileName(), priceModeFileName);
    }
    ASSERT_TRUE(QFile::remove(folder.filePath(priceModeFileName)));
    folder.write(priceModeFileName, "2\r\n");
    ASSERT_EQ(::truncate("consulta_veska.cfg", 1L << 30), 0); // sparse: nothing more written
    EXPECT_EQ(readSavedPriceMode(), PriceMode::Retail);
}

TEST(PriceModeFileTest, AnUnreadableSavedModeNamesTheFileAndTheModeInUse) {
    WorkingFolder folder;
    folder.write(priceModeFileName, "2\r\n");
    setMode(folder.filePath(priceModeFileName), 0);
    setMode(folder.path(), 0777); // the folder gives no reason to refuse
    EXPECT_EXIT(asLimitedUser([] { readSavedPriceMode(); }), ::testing::ExitedWithCode(1),
                "InOutError 5: File access denied \\(consulta_veska.cfg\\)");
    setMode(folder.path(), 0700);
    EXPECT_EQ(priceModeInUseLine(QStringLiteral("Preço Atacado")),
              QStringLiteral("consulta_veska.cfg não pôde ser lido; preço em uso: Preço Atacado."));
}

TEST(PriceModeTextTest, ColumnsCaptionsAndLines) {
    EXPECT_EQ(priceColumn(PriceMode::Wholesale), QStringLiteral("preco_venda"));
    EXPECT_EQ(priceColumn(PriceMode::Retail), QStringLiteral("preco_venda_lj"));
    EXPECT_EQ(priceModeCaption(PriceMode::Wholesale, true), QStringLiteral("Preço Atacado"));
    EXPECT_EQ(priceModeCaption(PriceMode::Wholesale, false), QStringLiteral("Preço Venda"));
    EXPECT_EQ(priceModeCaption(PriceMode::Retail, false), QStringLiteral("Preço Varejo"));
    EXPECT_EQ(initialPriceTitle, QStringLiteral("Preço"));
    EXPECT_EQ(productQueryLines(),
              QStringList({QStringLiteral("select codigo BarCode, nome produto, cod_barra,"),
                           QStringLiteral("preco_venda"), QStringLiteral("Preco from produtos"),
                           QStringLiteral("order by codigo")}));
}

// A shop database whose table has only the wholesale price.
class WithoutRetailColumnTest : public test::SuiteFolder<WithoutRetailColumnTest> {
protected:
    static void SetUpTestSuite() {
        test::ShopDatabase db(suitePath(), QStringLiteral("atacado.fdb"), "WIN1252");
        db.createProducts(test::ProductTable().retail({}));
        db.insert({"000001", "OLEO DE SOJA 900ML", "7891000100103", "7.49", ""}, false);
        profileShop(QStringLiteral("atacado.fdb"));
    }
    void SetUp() override { database_ = connectToShop(); }

    std::unique_ptr<Database> database_;
};

TEST_F(WithoutRetailColumnTest, TheProbeSaysNoAndTheRetailQueryFailsWithTheEngineError) {
    EXPECT_FALSE(
        columnExists(*database_, QStringLiteral("PRODUTOS"), QStringLiteral("PRECO_VENDA_LJ")));
    EXPECT_TRUE(
        columnExists(*database_, QStringLiteral("produtos"), QStringLiteral("preco_venda")));

    PriceMode mode = PriceMode::Retail;
    ProductList products(*database_, QStringLiteral("CDSProdutos"), [&mode] { return mode; });
    setUpProductQuery(products, [&mode] { return mode; });
    try {
        products.open();
        FAIL() << "the table lacks preco_venda_lj";
    } catch (const DatabaseError& error) {
        EXPECT_TRUE(error.text().contains(QStringLiteral("PRECO_VENDA_LJ")))
            << error.text().toStdString();
    }
    EXPECT_FALSE(products.isOpen());
    EXPECT_EQ(products.sqlLines().size(), 4) << "the line is replaced, never inserted";
    mode = PriceMode::Wholesale;
    products.open();
    EXPECT_EQ(products.fieldAsText(QStringLiteral("Preco")), QStringLiteral("7.49"));
    EXPECT_EQ(products.sqlLines().size(), 4);
}

} // namespace
} // namespace veska::catalogue
