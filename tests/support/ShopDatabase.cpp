#include "ShopDatabase.h"

#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "catalogue/products/ProductQuery.h"
#include "core/CodePage.h"
#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <gtest/gtest.h>
#include <ibase.h>
#include <stdexcept>
#include <unistd.h>

namespace veska::catalogue::test {
namespace {

// Stops the engine's threads before the process ends, so that nothing of it still runs
// while the leak checker inspects the process at exit.
class FirebirdShutdown : public ::testing::Environment {
public:
    void TearDown() override { fb_shutdown(0, fb_shutrsn_app_stopped); }
};

// Every test process that uses these helpers keeps the engine's lock files in the tests'
// folder from its start.
[[maybe_unused]] const bool kLockFolderChosen = (useTemporaryLockFolder(), true);

[[maybe_unused]] ::testing::Environment* const kFirebirdShutdown =
    ::testing::AddGlobalTestEnvironment(new FirebirdShutdown);

} // namespace

void useTemporaryLockFolder() {
    // One folder of the tests' user, shared by the test processes as the engine's default
    // folder would be (each test works on database files of its own).
    static const bool done = [] {
        const QString folder =
            QDir::tempPath() + QStringLiteral("/veska-test-fblock-%1").arg(getuid());
        QDir().mkpath(folder);
        qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
        return true;
    }();
    (void)done;
}

ShopDatabase::ShopDatabase(const QString& folder, const QString& fileName,
                           const QByteArray& defaultCharset, const QByteArray& connectionCharset)
    : path_(QDir(folder).filePath(fileName)) {
    useTemporaryLockFolder();
    attachment_ = std::make_unique<firebird::Attachment>(
        firebird::Attachment::create(shopParameters(path_, connectionCharset), defaultCharset));
}

void ShopDatabase::execute(const QByteArray& sql) {
    if (!attachment_)
        throw std::logic_error("the test database is detached");
    attachment_->executeImmediate(sql);
}

void ShopDatabase::createProducts(const ProductTable& table) {
    execute(table.sql());
}

void ShopDatabase::insert(const Article& article, bool withRetail) {
    QByteArray sql = "insert into produtos (codigo, nome, cod_barra, preco_venda";
    sql += withRetail ? ", preco_venda_lj) values ('" : ") values ('";
    sql += article.codigo + "', '" + article.nome + "', " +
           (article.codBarra ? "'" + *article.codBarra + "'" : QByteArray("null")) + ", " +
           article.precoVenda;
    if (withRetail)
        sql += ", " + article.precoVendaLj;
    sql += ")";
    execute(sql);
}

void ShopDatabase::detach() {
    attachment_.reset();
}

namespace {

// Code, description, barcode, wholesale price, retail price.
const char* const kStock[] = {
    // Ordered first; its barcode is the code of the coffee below.
    "'0000000000001', 'Primeiro pelo cod_barra', '7891000100103', 1, 1.1",
    "'7891000100103', 'Café torrado 500g', '17891000100103', 12.5, 13.9",
    "'7891000200200', 'Açúcar refinado 1kg', '7891000200201', 4.2, 4.6",
    "'123', 'Artigo 123', NULL, 3, 3",
    "'A123A', 'Artigo emoldurado', NULL, 5, 5",
    "'B', 'Artigo B', NULL, 2, 2",
    "'VAZIO', 'Código de barras vazio', '', 1, 1",
    "'SEMPRECO', 'Artigo sem preço', NULL, NULL, 7",
    "'P01', 'Preço 12,34', NULL, 12.34, 1",
    "'P02', 'Preço 12,5', NULL, 12.5, 1",
    "'P03', 'Preço 12', NULL, 12, 1",
    "'P04', 'Preço 1234,5', NULL, 1234.5, 1",
    "'P05', 'Preço 0,5', NULL, 0.5, 1",
    "'P06', 'Preço 12,345', NULL, 12.345, 1",
    "'P07', 'Preço 2,675', NULL, 2.675, 1",
    "'P08', 'Preço -12,345', NULL, -12.345, 1",
    "'P09', 'Preço 0,005', NULL, 0.005, 1",
    "'P10', 'Preço 1234567,891', NULL, 1234567.891, 1",
};

} // namespace

StockedShop::StockedShop() {
    if (!folder_.isValid())
        throw Error(QStringLiteral("no temporary folder"));
    ShopDatabase shop(folder_.path(), QStringLiteral("produtos.fdb"));
    path_ = shop.path();
    shop.createProducts(ProductTable().code("varchar(13) not null primary key"));
    for (const char* row : kStock) {
        shop.execute(codepage::fromUnicode(
            QStringLiteral("insert into produtos values (%1)").arg(QString::fromUtf8(row))));
    }
}

void StockedShop::execute(const QString& statement) const {
    commitStatement(path_, codepage::fromUnicode(statement));
}

ShopQuery::ShopQuery(const StockedShop& shop, const PriceMode& mode) {
    // The file stands for the alias: no profile file in this folder names it.
    database =
        std::make_unique<Database>(ConnectionProfiles(QStringList{QFileInfo(shop.path()).path()}));
    database->setAlias(shop.path());
    query = std::make_unique<ReferenceQuery>(*database, QStringLiteral("CDSProdutos"));
    setUpProductQuery(*query, [&mode] { return mode; });
    query->open();
    list = std::make_unique<ProductList>(*database, QStringLiteral("CDSProdutos"),
                                         [&mode] { return mode; });
    setUpProductQuery(*list, [&mode] { return mode; });
    list->open();
}

firebird::AttachParameters shopParameters(const QString& file, const QByteArray& charset) {
    firebird::AttachParameters parameters;
    parameters.database = QFile::encodeName(file);
    parameters.user = "ROOT";
    parameters.password = "480317";
    parameters.charset = charset;
    parameters.forcedWrites = false; // a test database needs no synchronous writes
    return parameters;
}

void commitStatement(const QString& databaseFile, const QByteArray& sql) {
    firebird::Attachment::attach(shopParameters(databaseFile)).executeImmediate(sql);
}

bool damageLastDataPage(const QString& file, const QByteArray& table) {
    int relation = -1;
    {
        auto reader = firebird::Attachment::attach(shopParameters(file));
        firebird::Transaction transaction(reader, firebird::Transaction::Kind::ReadWrite);
        firebird::PreparedStatement id(reader, transaction,
                                       "select rdb$relation_id from rdb$relations "
                                       "where rdb$relation_name = ?");
        id.execute(transaction, {table});
        if (id.fetch())
            relation = static_cast<int>(id.value(0).toLongLong());
    }
    QFile data(file);
    if (relation < 0 || !data.open(QIODevice::ReadWrite))
        return false;
    // The page header: type (1 byte), flags, reserved, generation, SCN, page number (16
    // bytes); the header page's size field follows it; a data page (type 5) then holds its
    // sequence (4 bytes), its relation (2 bytes) and how many records it holds (2 bytes).
    const QByteArray header = data.read(18);
    const int pageSize =
        static_cast<unsigned char>(header[16]) | (static_cast<unsigned char>(header[17]) << 8);
    qint64 last = -1;
    for (qint64 page = 0; page * pageSize < data.size(); ++page) {
        data.seek(page * pageSize);
        const QByteArray head = data.read(24);
        if (head.size() < 24)
            break;
        const int owner =
            static_cast<unsigned char>(head[20]) | (static_cast<unsigned char>(head[21]) << 8);
        const int records =
            static_cast<unsigned char>(head[22]) | (static_cast<unsigned char>(head[23]) << 8);
        if (head[0] == 5 && owner == relation && records > 0)
            last = page;
    }
    if (last < 0)
        return false;
    data.seek(last * pageSize);
    return data.write(QByteArray(1, static_cast<char>(0xEE))) == 1;
}

void writeProfile(const QString& folder, const QString& alias, const QString& database,
                  const QString& charset, const QString& extra) {
    QFile file(QDir(folder).filePath(QStringLiteral("veska-aliases.conf")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write the profile file");
    const QString text = QStringLiteral("[%1]\ndatabase = %2\ncharset = %3\n%4\n")
                             .arg(alias, database, charset, extra);
    file.write(text.toUtf8());
}

} // namespace veska::catalogue::test
