// The connection profiles: lookup order, the forms of a database, overrides, errors, and
// connecting through them on the embedded engine.
#include "catalogue/settings/ConnectionProfiles.h"

#include "QtPrinters.h"
#include "ReferenceQuery.h"
#include "ShopDatabase.h"
#include "catalogue/connection/Database.h"
#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

void writeFile(const QString& folder, const QByteArray& text) {
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(ConnectionProfiles::fileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

class ConnectionProfilesTest : public ::testing::Test {
protected:
    QString dir(const char* name) const {
        return QDir(root_.path()).filePath(QString::fromLatin1(name));
    }
    QTemporaryDir root_;
};

TEST_F(ConnectionProfilesTest, TheFirstFileThatNamesTheAliasDecides) {
    writeFile(dir("local"), "# the shop's own\n[Outra]\ndatabase = /srv/outra.fdb\n");
    writeFile(dir("user"), "[Loja]\ndatabase = /srv/usuario.fdb\n");
    writeFile(dir("system"),
              "[loja]\ndatabase = /srv/sistema.fdb\n[Filial]\ndatabase = filial:loja\n");
    const ConnectionProfiles profiles({dir("local"), dir("user"), dir("system"), dir("absent")});
    EXPECT_EQ(profiles.resolve(QStringLiteral("LOJA")).database,
              QStringLiteral("/srv/usuario.fdb"));
    EXPECT_EQ(profiles.resolve(QStringLiteral("outra")).database, QStringLiteral("/srv/outra.fdb"));
    EXPECT_EQ(profiles.resolve(QStringLiteral("Filial")).database, QStringLiteral("filial:loja"));
}

TEST_F(ConnectionProfilesTest, DatabaseFormsCharsetAndLogin) {
    writeFile(dir("p"), "[Embutido]\n"
                        "database = dados/loja.fdb\n"
                        "\n"
                        "[Servidor]\n"
                        "  database = 192.0.2.10/3051:/var/lib/loja.fdb  \n"
                        "  charset = utf8\n"
                        "  user = CAIXA\n"
                        "  password = s=e#gredo\n"
                        "; a comment\n"
                        "[Apelido]\n"
                        "database = servidor:QuildaneLojaR\n");
    const ConnectionProfiles profiles({dir("p")});
    const ConnectionTarget embedded = profiles.resolve(QStringLiteral("Embutido"));
    EXPECT_EQ(embedded.database, QDir(dir("p")).filePath(QStringLiteral("dados/loja.fdb")))
        << "a relative file path is taken from the profile's folder";
    EXPECT_EQ(embedded.charset, QStringLiteral("WIN1252"));
    EXPECT_FALSE(embedded.user.has_value());
    EXPECT_FALSE(embedded.password.has_value());
    const ConnectionTarget server = profiles.resolve(QStringLiteral("Servidor"));
    EXPECT_EQ(server.database, QStringLiteral("192.0.2.10/3051:/var/lib/loja.fdb"));
    EXPECT_EQ(server.charset, QStringLiteral("UTF8"));
    EXPECT_EQ(server.user, QStringLiteral("CAIXA"));
    EXPECT_EQ(server.password, QStringLiteral("s=e#gredo"));
    EXPECT_EQ(profiles.resolve(QStringLiteral("Apelido")).database,
              QStringLiteral("servidor:QuildaneLojaR"));
}

TEST_F(ConnectionProfilesTest, AnAliasNoProfileNamesGoesToFirebirdAsItStands) {
    writeFile(dir("p"), "[Loja]\ndatabase = /srv/loja.fdb\n");
    const ConnectionProfiles profiles({dir("p"), dir("absent")});
    const ConnectionTarget target = profiles.resolve(QStringLiteral("localhost:employee"));
    EXPECT_EQ(target.database, QStringLiteral("localhost:employee"));
    EXPECT_EQ(target.charset, QStringLiteral("WIN1252"));
    EXPECT_EQ(profiles.resolve(QString()).database, QString());
}

TEST_F(ConnectionProfilesTest, MalformedFilesAreReportedWithTheirLine) {
    const struct {
        QByteArray text;
        const char* expected;
    } cases[] = {
        {"[Loja]\ndatabase /srv/loja.fdb\n", "line 2: expected"},
        {"[Loja]\ndatabase = x\nporta = 3050\n", "line 3: unknown key \"porta\""},
        {"[Loja]\ncharset = UTF8\n", "line 1: profile without \"database\""},
        {"database = x\n", "line 1: expected"},
        {"[Loja\ndatabase = x\n", "line 1: bad profile header"},
    };
    for (const auto& c : cases) {
        writeFile(dir("p"), c.text);
        try {
            ConnectionProfiles({dir("p")}).resolve(QStringLiteral("Loja"));
            ADD_FAILURE() << "accepted: " << c.text.toStdString();
        } catch (const DatabaseError& error) {
            EXPECT_TRUE(error.text().contains(QString::fromLatin1(c.expected)))
                << error.text().toStdString();
        }
    }
}

TEST_F(ConnectionProfilesTest, TheStandardFoldersFollowTheWorkingDirectoryAndXdg) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir("config")));
    const QStringList folders = ConnectionProfiles::standardDirectories();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders[0], QDir::currentPath());
    EXPECT_EQ(folders[1], dir("config") + QStringLiteral("/consulta_veska"));
    EXPECT_EQ(folders[2], QStringLiteral("/etc/consulta_veska"));
    writeFile(dir("config") + QStringLiteral("/consulta_veska"),
              "[Xdg]\ndatabase = /srv/xdg.fdb\n");
    EXPECT_EQ(ConnectionProfiles().resolve(QStringLiteral("Xdg")).database,
              QStringLiteral("/srv/xdg.fdb"));
}

TEST_F(ConnectionProfilesTest, ConnectingThroughAProfileUsesItsUserAndCharset) {
    { test::ShopDatabase db(root_.path(), QStringLiteral("perfil.fdb"), "WIN1252"); }
    writeFile(dir("p"), "[Loja]\ndatabase = ../perfil.fdb\ncharset = UTF8\nuser = CAIXA\n");
    Database database(ConnectionProfiles({dir("p")}));
    database.setAlias(QStringLiteral("Loja"));
    test::ReferenceQuery query(database, QStringLiteral("QueQuem"));
    query.appendSql(QStringLiteral("select a.mon$user usuario, c.rdb$character_set_name conjunto "
                                   "from mon$attachments a join rdb$character_sets c "
                                   "on c.rdb$character_set_id = a.mon$character_set_id "
                                   "where a.mon$attachment_id = current_connection"));
    query.open();
    EXPECT_EQ(query.fieldAsText(QStringLiteral("usuario")), QStringLiteral("CAIXA"));
    EXPECT_EQ(query.fieldAsText(QStringLiteral("conjunto")), QStringLiteral("UTF8"));
}

TEST_F(ConnectionProfilesTest, AnEmptyAliasOrAMissingFileGivesTheEngineError) {
    Database database(ConnectionProfiles({dir("p")}));
    database.setAlias(QString());
    EXPECT_THROW(database.connect(), DatabaseError);
    EXPECT_FALSE(database.isConnected());
    writeFile(dir("p"), "[Loja]\ndatabase = falta.fdb\n");
    Database other(ConnectionProfiles({dir("p")}));
    other.setAlias(QStringLiteral("Loja"));
    try {
        other.connect();
        FAIL() << "no such database file";
    } catch (const DatabaseError& error) {
        EXPECT_TRUE(error.text().contains(QStringLiteral("falta.fdb")))
            << error.text().toStdString();
    }
}

} // namespace
} // namespace veska::catalogue
