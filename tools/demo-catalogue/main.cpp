// veska-demo-catalogue: makes a demo shop database on the embedded Firebird engine, with
// the settings files that lead the program to it.
//
//   veska-demo-catalogue --dir DIR [--articles N] [--charset WIN1252|UTF8|NONE]
//
// DIR/demo.fdb      table produtos with a few hundred grocery articles (+ N synthetic ones)
// DIR/SYS_INFO.INI  the alias QuildaneLojaR in characters 15 on of lines 1 and 2
// DIR/veska-aliases.conf  the profile mapping that alias to demo.fdb (embedded engine)
#include "DemoArticles.h"
#include "catalogue/connection/EmbeddedEngine.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "core/CodePage.h"
#include "core/Errors.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <soci/firebird/soci-firebird.h>
#include <soci/soci.h>
#include <string>
#include <vector>

namespace {

using veska::demo::DemoArticle;

constexpr long kMaxSynthetic = 1'000'000;
constexpr std::size_t kBatch = 10'000;
const QString kAlias = QStringLiteral("QuildaneLojaR");

// Column types as an older shop database has them: short VARCHAR codes and
// DOUBLE PRECISION prices, the floating-point fields the program reads.
const char* const kCreateTable = "create table produtos ("
                                 "codigo varchar(13) not null, "
                                 "nome varchar(50), "
                                 "cod_barra varchar(14), "
                                 "preco_venda double precision, "
                                 "preco_venda_lj double precision)";

struct Options {
    QString dir;
    long articles = 0;
    QString charset = QStringLiteral("WIN1252");
};

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "veska-demo-catalogue: %s\n", qPrintable(message));
    std::exit(1);
}

Options parseOptions(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes a demo shop database (embedded Firebird) and its settings files."));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("dir"), QStringLiteral("Folder to fill."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("articles"),
                      QStringLiteral("Synthetic articles to add (0 to 1000000)."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("charset"),
                      QStringLiteral("Database character set: WIN1252 (default), UTF8 or NONE."),
                      QStringLiteral("SET")});
    parser.process(app);
    Options options;
    options.dir = parser.value(QStringLiteral("dir"));
    if (options.dir.isEmpty())
        fail(QStringLiteral("--dir DIR is required"));
    if (parser.isSet(QStringLiteral("articles"))) {
        bool ok = false;
        options.articles = parser.value(QStringLiteral("articles")).toLong(&ok);
        if (!ok || options.articles < 0 || options.articles > kMaxSynthetic)
            fail(QStringLiteral("--articles takes a number from 0 to 1000000"));
    }
    if (parser.isSet(QStringLiteral("charset")))
        options.charset = parser.value(QStringLiteral("charset")).toUpper();
    if (options.charset != u"WIN1252" && options.charset != u"UTF8" && options.charset != u"NONE")
        fail(QStringLiteral("--charset takes WIN1252, UTF8 or NONE"));
    return options;
}

// The bytes stored for a description: UTF-8 in a UTF8 database, Windows-1252 otherwise
// (a NONE database keeps the bytes it is given).
std::string storedText(const QString& text, bool utf8) {
    const QByteArray bytes = utf8 ? text.toUtf8() : veska::codepage::fromUnicode(text);
    return bytes.toStdString();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

// Inserts the articles with one prepared statement, a batch of rows at a time, in the
// session's one transaction.
class ArticleWriter {
public:
    ArticleWriter(soci::session& sql, bool utf8) : sql_(sql), utf8_(utf8) {}

    void add(const DemoArticle& article) {
        codes_.push_back(article.codigo);
        names_.push_back(storedText(article.nome, utf8_));
        barcodes_.push_back(article.codBarra);
        wholesale_.push_back(article.precoVenda);
        retail_.push_back(article.precoVendaLj);
        if (codes_.size() >= kBatch)
            flush();
    }

    void flush() {
        if (codes_.empty())
            return;
        if (!statement_) {
            statement_ = std::make_unique<soci::statement>(
                (sql_.prepare << "insert into produtos (codigo, nome, cod_barra, preco_venda, "
                                 "preco_venda_lj) values (:c, :n, :b, :p, :l)",
                 soci::use(codes_), soci::use(names_), soci::use(barcodes_), soci::use(wholesale_),
                 soci::use(retail_)));
        }
        statement_->execute(true);
        written_ += codes_.size();
        codes_.clear();
        names_.clear();
        barcodes_.clear();
        wholesale_.clear();
        retail_.clear();
    }

    std::size_t written() const { return written_; }

private:
    soci::session& sql_;
    bool utf8_;
    std::vector<std::string> codes_, names_, barcodes_;
    std::vector<double> wholesale_, retail_;
    std::unique_ptr<soci::statement> statement_;
    std::size_t written_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veska-demo-catalogue"));
    const Options options = parseOptions(app);
    veska::catalogue::prepareEmbeddedEngine();

    if (!QDir().mkpath(options.dir))
        fail(QStringLiteral("cannot create the folder %1").arg(options.dir));
    const QString folder = QFileInfo(options.dir).absoluteFilePath();
    const QString database = QDir(folder).filePath(QStringLiteral("demo.fdb"));
    if (QFileInfo::exists(database))
        fail(QStringLiteral("%1 exists already; remove it to make a new one").arg(database));
    if (database.contains(QLatin1Char('"')))
        fail(QStringLiteral("the folder's path may not contain a double quote"));

    const bool utf8 = options.charset == u"UTF8";
    // The connection set that keeps the stored bytes as given: NONE for a NONE database.
    const QByteArray connectionCharset = options.charset.toLatin1();
    QElapsedTimer timer;
    timer.start();
    std::size_t total = 0;
    try {
        {
            // The embedded engine takes the user name as given and checks no password.
            // Forced writes stay off while loading, and are switched on at the end.
            veska::catalogue::firebird::AttachParameters parameters{
                QFile::encodeName(database), "ROOT", "480317", connectionCharset, false};
            auto attachment = veska::catalogue::firebird::Attachment::create(
                parameters, options.charset.toLatin1());
            attachment.executeImmediate(kCreateTable);
        }
        const std::string connect =
            "service=\"" + QFile::encodeName(database).toStdString() +
            "\" user=ROOT password=480317 charset=" + connectionCharset.toStdString();
        soci::session sql(soci::firebird, connect);
        {
            soci::transaction transaction(sql);
            ArticleWriter writer(sql, utf8);
            for (const DemoArticle& article : veska::demo::realisticArticles())
                writer.add(article);
            for (long i = 0; i < options.articles; ++i)
                writer.add(veska::demo::syntheticArticle(i));
            writer.flush();
            total = writer.written();
            transaction.commit();
        }
        sql << "create index produtos_codigo on produtos (codigo)";
        sql << "create index produtos_cod_barra on produtos (cod_barra)";
        sql.commit();
        sql.close();
        veska::catalogue::firebird::Attachment::attach(
            {QFile::encodeName(database), "ROOT", "480317", connectionCharset, true});
    } catch (const veska::Error& error) {
        QFile::remove(database);
        fail(error.text());
    } catch (const std::exception& error) {
        QFile::remove(database);
        fail(QString::fromLocal8Bit(error.what()));
    }

    // Line 1 serves when CONF_ARQ.SYS names an existing file, line 2 otherwise; both
    // name the alias from character 15 on.
    writeFile(QDir(folder).filePath(QStringLiteral("SYS_INFO.INI")),
              "BANCO_REDE   = " + kAlias.toLatin1() + "\r\nBANCO_LOCAL  = " + kAlias.toLatin1() +
                  "\r\n");
    writeFile(QDir(folder).filePath(QStringLiteral("veska-aliases.conf")),
              "# Made by veska-demo-catalogue: the demo database on the embedded engine.\n[" +
                  kAlias.toLatin1() + "]\ndatabase = demo.fdb\ncharset = " + connectionCharset +
                  "\n");

    std::printf("Demo catalogue made in %.1f s:\n", static_cast<double>(timer.elapsed()) / 1000.0);
    std::printf("  %s  table produtos, %zu articles (%ld synthetic), character set %s\n",
                qPrintable(database), total, options.articles, qPrintable(options.charset));
    std::printf("  %s  alias %s\n",
                qPrintable(QDir(folder).filePath(QStringLiteral("SYS_INFO.INI"))),
                qPrintable(kAlias));
    std::printf("  %s  %s -> demo.fdb (embedded engine)\n",
                qPrintable(QDir(folder).filePath(QStringLiteral("veska-aliases.conf"))),
                qPrintable(kAlias));
    return 0;
}
