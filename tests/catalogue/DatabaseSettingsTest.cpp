// The settings files' text rules, the alias slice, the path flag, LoadDatabaseSettings
// with a real connection, and the scale-label settings.
#include "catalogue/settings/DatabaseSettings.h"

#include "QtPrinters.h"
#include "ShopDatabase.h"
#include "WorkingFolder.h"
#include "catalogue/connection/Database.h"
#include "catalogue/settings/ConnectionProfiles.h"
#include "catalogue/settings/ScaleLabelSettings.h"
#include "catalogue/settings/TextFile.h"
#include "core/Errors.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veska::catalogue {
namespace {

using test::WorkingFolder;

// The line layout of SYS_INFO.INI: 14 characters, then the alias from character 15 on.
QByteArray aliasLine(const QByteArray& alias) {
    return QByteArray("BANCO_DADOS = ") + alias;
}

TEST(TextFileTest, LinesEndAtLineFeedsWithoutCarriageReturns) {
    WorkingFolder folder;
    folder.write(QStringLiteral("a.txt"), "um\r\ndois\nt\rr\xEAs\r\n\r\nfim");
    TextFileReader file(QStringLiteral("a.txt"), 4096);
    EXPECT_EQ(file.readLine(), QStringLiteral("um"));
    EXPECT_EQ(file.readLine(), QStringLiteral("dois"));
    EXPECT_EQ(file.readLine(), QStringLiteral("três"));
    EXPECT_EQ(file.readLine(), QString());
    EXPECT_EQ(file.readLine(), QStringLiteral("fim"));
    EXPECT_EQ(file.readLine(), QString()) << "past the end: empty lines, no error";
    EXPECT_EQ(file.readLine(), QString());
}

TEST(TextFileTest, Byte26EndsTheTextAndNoByteOrderMarkIsDetected) {
    WorkingFolder folder;
    folder.write(QStringLiteral("a.txt"), "\xEF\xBB\xBFprimeira\r\nsegunda\x1A\r\nterceira\r\n");
    TextFileReader file(QStringLiteral("a.txt"), 4096);
    EXPECT_EQ(file.readLine(), QStringLiteral("ï»¿primeira"));
    EXPECT_EQ(file.readLine(), QStringLiteral("segunda"));
    EXPECT_EQ(file.readLine(), QString());
    folder.write(QStringLiteral("vazio.txt"), "");
    TextFileReader empty(QStringLiteral("vazio.txt"), 4096);
    EXPECT_EQ(empty.readLine(), QString());
}

TEST(TextFileTest, OpenFailuresAreInOutErrorsWithTheClassicCodes) {
    WorkingFolder folder;
    try {
        TextFileReader file(QStringLiteral("SYS_INFO.INI"), 4096);
        FAIL() << "a missing file";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 2);
        EXPECT_EQ(error.text(), QStringLiteral("File not found"));
    }
    folder.makeFolder(QStringLiteral("pasta"));
    try {
        TextFileReader file(QStringLiteral("pasta"), 4096);
        FAIL() << "a directory";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 5);
        EXPECT_EQ(error.text(), QStringLiteral("File access denied"));
    }
    try {
        TextFileReader file(QStringLiteral("nada/arquivo"), 4096);
        FAIL() << "a missing folder";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 2);
    }
}

// A sparse file of 1 GB that begins with the text: nothing of it is written but the text.
void writeHuge(const WorkingFolder& folder, const QString& name, const QByteArray& text) {
    folder.write(name, text);
    ASSERT_EQ(::truncate(QFile::encodeName(folder.filePath(name)).constData(), 1L << 30), 0);
}

template <class Read> InOutError inOutErrorOf(Read&& read) {
    try {
        read();
    } catch (const InOutError& error) {
        return error;
    }
    return InOutError(0, QStringLiteral("no error"));
}

// A FIFO would hold the open until some writer came (for ever); a 1 GB file would be read
// whole into memory. Each is refused by name, unread.
TEST(SettingsFileKindTest, FifosAndHugeFilesAreRefusedByName) {
    WorkingFolder folder;
    Database database;
    for (const QString& name :
         {confArqFileName, sysInfoFileName, scaleLabelFileName, ConnectionProfiles::fileName})
        ASSERT_EQ(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    InOutError error = inOutErrorOf([] { readPathFlag(); });
    EXPECT_EQ(error.code(), 5);
    EXPECT_EQ(fileErrorLine(error), QStringLiteral("Erro no arquivo CONF_ARQ.SYS: File access "
                                                   "denied (não é um arquivo comum)."));
    QFile::remove(confArqFileName);
    error = inOutErrorOf([&] { loadDatabaseSettings(database); });
    EXPECT_EQ(error.text(), QStringLiteral("File access denied"));
    EXPECT_EQ(error.fileName(), sysInfoFileName);
    EXPECT_EQ(readScaleLabelSettings().problem,
              QStringLiteral("File access denied (não é um arquivo comum)"));
    const ConnectionProfiles profiles({folder.path()});
    EXPECT_THROW(
        {
            try {
                profiles.resolve(QStringLiteral("Loja"));
            } catch (const DatabaseError& refused) {
                EXPECT_TRUE(refused.text().endsWith(
                    QStringLiteral("/veska-aliases.conf: não é um arquivo comum")))
                    << refused.text().toStdString();
                throw;
            }
        },
        DatabaseError);

    for (const QString& name : {sysInfoFileName, scaleLabelFileName, ConnectionProfiles::fileName})
        QFile::remove(name);
    folder.write(QStringLiteral("loja.dat"), "x");
    writeHuge(folder, confArqFileName, "loja.dat\r\n");
    EXPECT_TRUE(readPathFlag()) << "only its first line counts, read from its beginning";
    writeHuge(folder, sysInfoFileName, aliasLine("LojaCentro") + "\r\n");
    error = inOutErrorOf([&] { loadDatabaseSettings(database); });
    EXPECT_EQ(error.fileName(), sysInfoFileName);
    EXPECT_EQ(error.reason(), QStringLiteral("maior que 64 KB"));
    writeHuge(folder, scaleLabelFileName, "prefix = 2\n");
    EXPECT_EQ(readScaleLabelSettings().problem, QStringLiteral("arquivo maior que 64 KB"));
    writeHuge(folder, ConnectionProfiles::fileName, "[Loja]\ndatabase = loja.fdb\n");
    EXPECT_THROW(profiles.resolve(QStringLiteral("Loja")), DatabaseError);
}

TEST(AliasSliceTest, TakesCharacters15To44Trimmed) {
    EXPECT_EQ(aliasFromLine(QStringLiteral("BANCO_DADOS = QuildaneLojaR")),
              QStringLiteral("QuildaneLojaR"));
    EXPECT_EQ(aliasFromLine(QStringLiteral("12345678901234  \t Loja Centro \x01 ")),
              QStringLiteral("Loja Centro"));
    // 40 characters from 15 on: cut after character 44.
    EXPECT_EQ(aliasFromLine(QStringLiteral("12345678901234ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")),
              QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"));
    EXPECT_EQ(aliasFromLine(QStringLiteral("1234567890123")), QString());
    EXPECT_EQ(aliasFromLine(QStringLiteral("12345678901234")), QString());
    EXPECT_EQ(aliasFromLine(QStringLiteral("12345678901234       ")), QString());
    EXPECT_EQ(aliasFromLine(QStringLiteral("1234567890123X")), QString())
        << "character 14 is ignored";
}

TEST(PathFlagTest, OnlyAnExistingFileNamedOnTheFirstLineSetsIt) {
    WorkingFolder folder;
    EXPECT_FALSE(readPathFlag()) << "no CONF_ARQ.SYS";
    folder.write(QStringLiteral("CONF_ARQ.SYS"), "");
    EXPECT_FALSE(readPathFlag()) << "empty";
    folder.makeFolder(QStringLiteral("dados"));
    folder.write(QStringLiteral("CONF_ARQ.SYS"),
                 folder.filePath(QStringLiteral("dados")).toUtf8() + "\r\n");
    EXPECT_FALSE(readPathFlag()) << "a directory";
    folder.write(QStringLiteral("CONF_ARQ.SYS"),
                 folder.filePath(QStringLiteral("falta.dat")).toUtf8() + "\r\n");
    EXPECT_FALSE(readPathFlag()) << "a missing file";
    folder.write(QStringLiteral("loja.dat"), "x");
    folder.write(QStringLiteral("CONF_ARQ.SYS"),
                 folder.filePath(QStringLiteral("loja.dat")).toUtf8() + "\r\nresto\r\n");
    EXPECT_TRUE(readPathFlag());
    folder.write(QStringLiteral("CONF_ARQ.SYS"), "loja.dat");
    EXPECT_TRUE(readPathFlag()) << "relative to the working directory, no line end";
    folder.write(QStringLiteral("CONF_ARQ.SYS"), "loja.dat \r\n");
    EXPECT_FALSE(readPathFlag()) << "the line is taken untrimmed";
    folder.write(QStringLiteral("CONF_ARQ.SYS"), "\r\nloja.dat\r\n");
    EXPECT_FALSE(readPathFlag()) << "only the first line";
}

TEST(PathFlagTest, ADirectoryNamedConfArqDoesNotCount) {
    WorkingFolder folder;
    folder.makeFolder(QStringLiteral("CONF_ARQ.SYS"));
    EXPECT_FALSE(readPathFlag());
}

TEST(ScaleLabelSettingsTest, NoFileMeansNoLabelsAndNothingToSay) {
    WorkingFolder folder;
    terminal::ScaleLabelFormatReading labels = readScaleLabelSettings();
    EXPECT_FALSE(labels.format);
    EXPECT_TRUE(labels.problem.isEmpty());
    folder.makeFolder(scaleLabelFileName);
    labels = readScaleLabelSettings();
    EXPECT_FALSE(labels.format) << "a folder of that name";
    EXPECT_TRUE(labels.problem.isEmpty());
}

TEST(ScaleLabelSettingsTest, KeysValuesCommentsAndBlanks) {
    WorkingFolder folder;
    folder.write(scaleLabelFileName, "# Toledo, etiqueta de peso\r\n\r\n  prefix = 21\r\n"
                                     "CODE=3 - 7 # cinco d\xEDgitos\r\nvalue\t= 8-12\r\n"
                                     "kind = Weight\x1a\r\nlixo depois do fim");
    const terminal::ScaleLabelFormatReading labels = readScaleLabelSettings();
    ASSERT_TRUE(labels.format) << labels.problem.toStdString();
    EXPECT_EQ(labels.format->prefix, QStringLiteral("21"));
    EXPECT_EQ(labels.format->codeFirst, 3);
    EXPECT_EQ(labels.format->codeLast, 7);
    EXPECT_EQ(labels.format->valueFirst, 8);
    EXPECT_EQ(labels.format->valueLast, 12);
    EXPECT_EQ(labels.format->kind, terminal::ScaleLabelKind::Weight);
}

TEST(ScaleLabelSettingsTest, AFileThatDoesNotParseIsOneProblemAndNoFormat) {
    WorkingFolder folder;
    const QByteArray complete = "prefix = 2\ncode = 2-7\nvalue = 8-12\nkind = price\n";
    const struct {
        QByteArray text;
        const char* problem;
    } cases[] = {
        {"prefix 2\n", "linha 1: falta \"=\""},
        {"\n# nada\nprefixo = 2\n", "linha 3: chave desconhecida \"prefixo\""},
        {complete + "Kind = weight\n", "linha 5: \"kind\" repetido"},
        {"prefix = 2a\n", "linha 1: prefix deve ter só dígitos"},
        {"prefix =\n", "linha 1: prefix deve ter só dígitos"},
        {"code = 0-6\n", "linha 1: code deve ser de posições de 1 a 13, como 2-7"},
        {"code = 7-2\n", "linha 1: code deve ser de posições de 1 a 13, como 2-7"},
        {"code = 2-7-9\n", "linha 1: code deve ser de posições de 1 a 13, como 2-7"},
        {"value = 8-14\n", "linha 1: value deve ser de posições de 1 a 13, como 8-12"},
        {"kind = preço\n", "linha 1: kind deve ser price ou weight"},
        {"prefix = 2\ncode = 2-7\nkind = price\n", "falta \"value\""},
        {"prefix = 2\ncode = 1-6\nvalue = 8-12\nkind = price\n",
         "linha 2: code deve ficar entre o prefixo e o dígito verificador (posições 2 a 12)"},
        {"prefix = 2\ncode = 2-7\n\nvalue = 8-13\nkind = price\n",
         "linha 4: value deve ficar entre o prefixo e o dígito verificador (posições 2 a 12)"},
        {"prefix = 2\ncode = 2-8\nvalue = 8-12\nkind = price\n",
         "linha 3: value sobrepõe code (linha 2)"},
        {"prefix = 2\nvalue = 2-9\nkind = price\ncode = 8-12\n",
         "linha 4: code sobrepõe value (linha 2)"},
        {complete + "#" + QByteArray(64 * 1024, 'x'), "arquivo maior que 64 KB"},
    };
    for (const auto& c : cases) {
        folder.write(scaleLabelFileName, c.text);
        const terminal::ScaleLabelFormatReading labels = readScaleLabelSettings();
        EXPECT_FALSE(labels.format) << c.problem;
        EXPECT_TRUE(labels.problem.startsWith(QString::fromUtf8(c.problem)))
            << labels.problem.toStdString() << " / " << c.problem;
    }
    folder.write(scaleLabelFileName, complete);
    EXPECT_TRUE(readScaleLabelSettings().format) << "the complete file parses";
    EXPECT_EQ(scaleLabelProblemLine(QStringLiteral("linha 1: falta \"=\"")),
              QStringLiteral("balanca.conf: linha 1: falta \"=\" - etiquetas de balança não "
                             "serão lidas."));
}

class LoadDatabaseSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ShopDatabase db(folder_.path(), QStringLiteral("loja.fdb"), "WIN1252");
        db.createProducts();
        // The profile file in the working directory maps the aliases of the cases.
        folder_.write(QStringLiteral("veska-aliases.conf"),
                      "[LojaCentro]\ndatabase = loja.fdb\n[Loja Filial]\ndatabase = loja.fdb\n"
                      "[QuildaneLojaR]\ndatabase = loja.fdb\n");
    }

    WorkingFolder folder_;
    Database database_;
};

TEST_F(LoadDatabaseSettingsTest, WithoutConfArqLine2sAliasIsSetAndConnected) {
    folder_.write(QStringLiteral("SYS_INFO.INI"),
                  aliasLine("Nada") + "\r\n" + aliasLine("  LojaCentro   ") + "\r\n");
    loadDatabaseSettings(database_);
    EXPECT_EQ(database_.alias(), QStringLiteral("LojaCentro"));
    EXPECT_TRUE(database_.isConnected());
}

TEST_F(LoadDatabaseSettingsTest, BlanksInsideTheSliceStay) {
    folder_.write(QStringLiteral("SYS_INFO.INI"), "\n" + aliasLine("Loja Filial") + "\n");
    loadDatabaseSettings(database_);
    EXPECT_EQ(database_.alias(), QStringLiteral("Loja Filial"));
    EXPECT_TRUE(database_.isConnected());
}

TEST_F(LoadDatabaseSettingsTest, AConfArqNamingAMissingFileOrAFolderUsesLine2) {
    folder_.write(QStringLiteral("SYS_INFO.INI"),
                  aliasLine("Nada") + "\r\n" + aliasLine("LojaCentro"));
    folder_.write(QStringLiteral("CONF_ARQ.SYS"), "/nao/existe.dat\r\n");
    loadDatabaseSettings(database_);
    EXPECT_EQ(database_.alias(), QStringLiteral("LojaCentro"));
    database_.disconnect();
    folder_.write(QStringLiteral("CONF_ARQ.SYS"), folder_.path().toUtf8());
    loadDatabaseSettings(database_);
    EXPECT_EQ(database_.alias(), QStringLiteral("LojaCentro"));
}

TEST_F(LoadDatabaseSettingsTest, ThePathFlagUsesLine1EvenWhenItIsEmpty) {
    folder_.write(QStringLiteral("marca.dat"), "x");
    folder_.write(QStringLiteral("CONF_ARQ.SYS"), "marca.dat\r\n");
    folder_.write(QStringLiteral("SYS_INFO.INI"),
                  aliasLine("LojaCentro") + "\r\n" + aliasLine("Nada"));
    loadDatabaseSettings(database_);
    EXPECT_EQ(database_.alias(), QStringLiteral("LojaCentro"));
    EXPECT_TRUE(database_.isConnected());

    Database other;
    folder_.write(QStringLiteral("SYS_INFO.INI"), "curta\r\n" + aliasLine("LojaCentro"));
    // The empty alias goes to the engine, whose error is raised.
    EXPECT_THROW(loadDatabaseSettings(other), DatabaseError);
    EXPECT_EQ(other.alias(), QString());
    EXPECT_FALSE(other.isConnected());
}

TEST_F(LoadDatabaseSettingsTest, AnEmptyLine2LeavesTheDefaultAliasUnconnected) {
    for (const QByteArray& content :
         {QByteArray(aliasLine("X") + "\r\n" + aliasLine("   ")), QByteArray("a\r\ncurta\r\n"),
          QByteArray(aliasLine("X")), QByteArray()}) {
        folder_.write(QStringLiteral("SYS_INFO.INI"), content);
        loadDatabaseSettings(database_);
        EXPECT_EQ(database_.alias(), QStringLiteral("QuildaneLojaR")) << content.toStdString();
        EXPECT_FALSE(database_.isConnected()) << content.toStdString();
    }
    // Then opening the connection uses the default alias.
    database_.connect();
    EXPECT_TRUE(database_.isConnected());
}

TEST_F(LoadDatabaseSettingsTest, AMissingSysInfoIsFileNotFound) {
    try {
        loadDatabaseSettings(database_);
        FAIL() << "no SYS_INFO.INI";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 2);
        EXPECT_EQ(error.text(), QStringLiteral("File not found"));
    }
    EXPECT_FALSE(database_.isConnected());
}

TEST_F(LoadDatabaseSettingsTest, AnUnknownAliasGivesTheEngineError) {
    folder_.write(QStringLiteral("SYS_INFO.INI"), "\r\n" + aliasLine("SemPerfil"));
    try {
        loadDatabaseSettings(database_);
        FAIL() << "an alias nobody knows";
    } catch (const DatabaseError& error) {
        EXPECT_TRUE(error.text().contains(QStringLiteral("SemPerfil")))
            << error.text().toStdString();
    }
    EXPECT_EQ(database_.alias(), QStringLiteral("SemPerfil"));
    EXPECT_FALSE(database_.isConnected());
}

} // namespace
} // namespace veska::catalogue
