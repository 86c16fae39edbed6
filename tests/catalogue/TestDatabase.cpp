#include "TestDatabase.h"

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
