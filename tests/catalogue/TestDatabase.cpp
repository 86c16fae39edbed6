#include "TestDatabase.h"

#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"

#include <QDir>
#include <QFile>
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

TestDatabase::TestDatabase(const QString& folder, const QString& fileName,
                           const QByteArray& defaultCharset, const QByteArray& connectionCharset)
    : path_(QDir(folder).filePath(fileName)) {
    useTemporaryLockFolder();
    firebird::AttachParameters parameters;
    parameters.database = QFile::encodeName(path_);
    parameters.user = "ROOT";
    parameters.password = "480317";
    parameters.charset = connectionCharset;
    parameters.forcedWrites = false; // a test database needs no synchronous writes
    attachment_ = std::make_unique<firebird::Attachment>(
        firebird::Attachment::create(parameters, defaultCharset));
}

void TestDatabase::execute(const QByteArray& sql) {
    if (!attachment_)
        throw std::logic_error("the test database is detached");
    attachment_->executeImmediate(sql);
}

void TestDatabase::createProducts(bool withRetail) {
    execute(QByteArray("create table produtos (codigo varchar(13), nome varchar(50), "
                       "cod_barra varchar(14), preco_venda double precision") +
            (withRetail ? ", preco_venda_lj double precision)" : ")"));
}

void TestDatabase::insert(const Article& article, bool withRetail) {
    QByteArray sql = "insert into produtos (codigo, nome, cod_barra, preco_venda";
    sql += withRetail ? ", preco_venda_lj) values ('" : ") values ('";
    sql += article.codigo + "', '" + article.nome + "', '" + article.codBarra + "', " +
           article.precoVenda;
    if (withRetail)
        sql += ", " + article.precoVendaLj;
    sql += ")";
    execute(sql);
}

void TestDatabase::detach() {
    attachment_.reset();
}

void commitStatement(const QString& databaseFile, const QByteArray& sql) {
    firebird::AttachParameters parameters;
    parameters.database = QFile::encodeName(databaseFile);
    parameters.user = "ROOT";
    parameters.password = "480317";
    parameters.charset = "WIN1252";
    auto writer = firebird::Attachment::attach(parameters);
    writer.executeImmediate(sql);
}

bool damageLastDataPage(const QString& file, const QByteArray& table) {
    int relation = -1;
    {
        firebird::AttachParameters parameters{
            QFile::encodeName(file), "ROOT", "480317", "WIN1252", {}};
        auto reader = firebird::Attachment::attach(parameters);
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
