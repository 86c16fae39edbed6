// veska-price-query-bench: what one scan costs on catalogues of 1,000, 100,000 and
// 1,000,000 articles made by the demo tool (embedded engine), for the lookups in the
// database and for the reference (reopening and searching the whole product query).
//
//   veska-price-query-bench [--sizes 1000,100000,1000000]
//                           [--ways lookup,reference,labels,no-index] [--work DIR] [--keep]
//
// For each size and way, a child process of this program opens the catalogue as the
// window does and serves scans one tick after another: hits by article code, hits by
// barcode, and misses framed by "A" (four lookups each). It prints the service time of a
// tick (bReceiveBarcode returning a code to the reply call returning) as median, p99 and
// maximum, with the window hidden and with the products page shown (there also the time
// until the grid has followed), the lookups and the page faults a scan made (the first kind
// of a run fills the engine's page cache, whose memory faults in on first touch), its peak
// resident memory, and the time to open the products grid. The reference serves fewer
// scans on the big catalogues; the counts are printed. The way "labels" is the lookups
// with scale labels read (window hidden): the same three kinds, then price labels of
// existing articles and labels of articles that do not exist. Finally ("no-index") the
// indexes are dropped, for good, and the lookups measured on the bare table. With
// VESKA_BENCH_SCANS_PER_TICK=N, N scans wait at each tick, as in a busy shop.
#include "BenchSupport.h"
#include "CountingSource.h"
#include "DemoArticles.h"
#include "ReferenceQuery.h"
#include "ReopenedQuerySource.h"
#include "catalogue/connection/Database.h"
#include "catalogue/connection/EmbeddedEngine.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/ProductGridColumns.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductListModel.h"
#include "catalogue/products/ProductQuery.h"
#include "catalogue/products/ServedArticleGrid.h"
#include "terminal/PriceQueryService.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace veska;
using namespace veska::bench;

namespace {

BenchLibrary& library = benchLibrary();

class Window : public terminal::WindowPresence {
public:
    bool isMainWindowShown() const override { return shown; }
    bool shown = false;
};

// Labels of the synthetic articles, whose codes are ten digits: the code as printed,
// then one digit of value (the price in cents), then the check digit.
terminal::ScaleLabelFormat benchLabelFormat() {
    return *terminal::parseScaleLabelFormat(
                {QStringLiteral("prefix = 2"), QStringLiteral("code = 2-11"),
                 QStringLiteral("value = 12-12"), QStringLiteral("kind = price")})
                .format;
}

std::string withCheckDigit(const std::string& twelveDigits) {
    int sum = 0;
    for (std::size_t i = 0; i < twelveDigits.size(); ++i)
        sum += (twelveDigits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return twelveDigits + static_cast<char>('0' + (10 - sum % 10) % 10);
}

class Log : public ActivityLog {
public:
    void appendLine(const QString& line) override { lines += line.size() > 0 ? 1 : 0; }
    int lines = 0;
};

// A failed lookup would spoil the figures: say so and stop.
class Failures : public terminal::FailureReports {
public:
    void report(const QString& message) override {
        std::fprintf(stderr, "lookup failed: %s\n", qPrintable(message));
        std::exit(1);
    }
};

// The scanned codes of one kind, spread over the whole catalogue.
std::vector<std::string> scanCodes(const std::string& kind, long articles, int count,
                                   std::mt19937& random) {
    std::uniform_int_distribution<long> anyArticle(0, std::max(articles - 1, 0L));
    std::vector<std::string> codes;
    for (int i = 0; i < count; ++i) {
        const demo::DemoArticle article = demo::syntheticArticle(anyArticle(random));
        if (kind == "code")
            codes.push_back(article.codigo);
        else if (kind == "barcode")
            codes.push_back(article.codBarra);
        else if (kind == "label")
            codes.push_back(withCheckDigit("2" + article.codigo + "7"));
        else if (kind == "label-miss") // code 09..., also absent without its zero
            codes.push_back(withCheckDigit("209" + article.codigo.substr(2) + "7"));
        else
            codes.push_back("A9" + article.codigo.substr(1) + "A"); // absent, framed
    }
    return codes;
}

// One child run: one catalogue, one way, one window state.
int runChild(const QString& dir, long articles, bool reference, bool labels, bool shown,
             int scans) {
    catalogue::Database database(catalogue::ConnectionProfiles(QStringList{dir}));
    catalogue::ProductList products(database, QStringLiteral("CDSProdutos"),
                                    [] { return catalogue::PriceMode::Wholesale; });
    catalogue::setUpProductQuery(products, [] { return catalogue::PriceMode::Wholesale; });
    catalogue::ProductListModel model(products, catalogue::productGridColumns());
    // The reference reads the product query as the document's way does: whole, in order.
    catalogue::test::ReferenceQuery wholeQuery(database, QStringLiteral("CDSProdutos"));
    catalogue::setUpProductQuery(wholeQuery, [] { return catalogue::PriceMode::Wholesale; });
    QTableView grid;
    grid.setModel(&model);
    grid.resize(600, 400);

    // Opening the products grid as the window does at start-up and shows it.
    const auto openStart = Clock::now();
    products.open();
    if (shown) {
        grid.show();
        QApplication::processEvents();
    }
    const double gridOpen = milliseconds(Clock::now() - openStart);

    Window window;
    window.shown = shown;
    Log log;
    catalogue::ServedArticleGrid follower(products, [shown] { return shown; });
    catalogue::ProductLookup lookup(database, [] { return catalogue::PriceMode::Wholesale; });
    lookup.setGrid(&follower);
    terminal::test::ReopenedQuerySource reopened(wholeQuery);
    terminal::ArticleSource& source =
        reference ? static_cast<terminal::ArticleSource&>(reopened) : lookup;
    terminal::test::CountingSource counted(source);
    Failures failures;
    terminal::PriceQueryService service(benchApi(), counted, window, log, failures);
    std::vector<std::string> kinds{"code", "barcode", "miss"};
    if (labels) {
        service.setScaleLabelFormat(benchLabelFormat());
        kinds.insert(kinds.end(), {"label", "label-miss"});
    }

    // Scans waiting at each tick: 1 unless VESKA_BENCH_SCANS_PER_TICK says more (a busy shop).
    const char* perTickText = std::getenv("VESKA_BENCH_SCANS_PER_TICK");
    const std::size_t scansPerTick =
        perTickText != nullptr ? std::max(1, std::atoi(perTickText)) : 1;
    std::printf("grid-open-ms %.2f scans-per-tick %zu\n", gridOpen, scansPerTick);
    std::mt19937 random(12345);
    for (const std::string& kind : kinds) {
        // A few unmeasured scans first: prepared statements, first pages.
        for (const std::string& code : scanCodes(kind, articles, 3, random)) {
            library.codes.push_back(code);
            service.serveWaitingBarcodes();
            QApplication::processEvents();
        }
        std::vector<double> tick_ms;
        const int prices = library.prices;
        const long finds = counted.finds;
        const long faults = minorPageFaults();
        library.serviceMs.clear();
        const std::vector<std::string> codes = scanCodes(kind, articles, scans, random);
        for (std::size_t first = 0; first < codes.size(); first += scansPerTick) {
            for (std::size_t i = first; i < std::min(codes.size(), first + scansPerTick); ++i)
                library.codes.push_back(codes[i]);
            const auto start = Clock::now();
            service.serveWaitingBarcodes();
            if (shown)
                QApplication::processEvents(); // the grid follows
            const auto end = Clock::now();
            tick_ms.push_back(milliseconds(end - start));
        }
        while (!library.codes.empty()) // what the ticks' budget left over
            service.serveWaitingBarcodes();
        const std::vector<double> service_ms = library.serviceMs;
        const auto perScan = [scans](long count) {
            return static_cast<double>(count) / static_cast<double>(std::max(scans, 1));
        };
        const double faultsPerScan = perScan(minorPageFaults() - faults);
        const int hits = library.prices - prices;
        const Figures served = figuresOf(service_ms);
        const Figures tick = figuresOf(tick_ms);
        const double lookups = perScan(counted.finds - finds);
        std::printf("scans %s %d hits %d lookups %.2f service-median %.3f service-p99 %.3f "
                    "service-max %.3f tick-median %.3f tick-p99 %.3f tick-max %.3f "
                    "page-faults %.2f\n",
                    kind.c_str(), scans, hits, lookups, served.median, served.p99, served.max,
                    tick.median, tick.p99, tick.max, faultsPerScan);
    }
    std::printf("peak-rss-mb %.1f\n", peakResidentMegabytes());
    std::fflush(stdout);
    return 0;
}

struct ChildResult {
    double gridOpen = 0;
    double rss = 0;
    QStringList scanLines;
};

ChildResult runInChild(const QString& dir, long articles, const QString& way, bool shown,
                       int scans) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), dir, QString::number(articles), way,
                 shown ? QStringLiteral("shown") : QStringLiteral("hidden"),
                 QString::number(scans)});
    child.waitForFinished(-1);
    ChildResult result;
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');
    for (const QString& line : lines) {
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (words.size() >= 2 && words[0] == u"grid-open-ms")
            result.gridOpen = words[1].toDouble();
        else if (words.size() >= 2 && words[0] == u"peak-rss-mb")
            result.rss = words[1].toDouble();
        else if (!words.isEmpty() && words[0] == u"scans")
            result.scanLines.append(line);
    }
    if (child.exitCode() != 0)
        std::fprintf(stderr, "child run failed (exit %d)\n", child.exitCode());
    return result;
}

void dropIndexes(const QString& dir) {
    catalogue::firebird::AttachParameters parameters{
        QFile::encodeName(QDir(dir).filePath(QStringLiteral("demo.fdb"))), "ROOT", "480317",
        "WIN1252", false};
    auto attachment = catalogue::firebird::Attachment::attach(parameters);
    attachment.executeImmediate("drop index produtos_codigo");
    attachment.executeImmediate("drop index produtos_cod_barra");
}

void printRun(long articles, const char* way, const char* window, const ChildResult& result) {
    for (const QString& line : result.scanLines)
        std::printf("%8ld  %-9s  %-6s  %s\n", articles, way, window, qPrintable(line));
    std::printf("%8ld  %-9s  %-6s  peak-rss-mb %.1f  grid-open-ms %.2f\n", articles, way, window,
                result.rss, result.gridOpen);
    std::fflush(stdout);
}

// Scans measured per kind: all of them for the lookups; the reference, whose tick grows
// with the catalogue, fewer on the big ones.
int referenceScans(long articles) {
    return articles <= 1000 ? 300 : articles <= 100000 ? 20 : 3;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    catalogue::prepareEmbeddedEngine();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 7 && arguments[1] == u"--child") {
        return runChild(arguments[2], arguments[3].toLong(), arguments[4] == u"reference",
                        arguments[4] == u"labels", arguments[5] == u"shown", arguments[6].toInt());
    }

    std::vector<long> sizes{1000, 100000, 1000000};
    QStringList ways{QStringLiteral("lookup"), QStringLiteral("reference"),
                     QStringLiteral("labels"), QStringLiteral("no-index")};
    QString work;
    bool keep = false;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--sizes" && i + 1 < arguments.size()) {
            sizes.clear();
            for (const QString& size : arguments[++i].split(u','))
                sizes.push_back(size.toLong());
        } else if (arguments[i] == u"--ways" && i + 1 < arguments.size()) {
            ways = arguments[++i].split(u',');
        } else if (arguments[i] == u"--work" && i + 1 < arguments.size()) {
            work = arguments[++i];
        } else if (arguments[i] == u"--keep") {
            keep = true;
        } else {
            std::fprintf(stderr, "usage: veska-price-query-bench [--sizes N,N,...] "
                                 "[--ways lookup,reference,labels,no-index] [--work DIR] "
                                 "[--keep]\n");
            return 2;
        }
    }
    QTemporaryDir scratch;
    scratch.setAutoRemove(!keep);
    const QString root = work.isEmpty() ? scratch.path() : work;
    std::printf("# a page fault on first touch of memory costs %.2f us here\n",
                bench::firstTouchMicrosecondsPerPage());
    std::printf("articles  way        window  figures (milliseconds)\n");
    for (const long size : sizes) {
        const QString dir = QDir(root).filePath(QStringLiteral("catalogue-%1").arg(size));
        QElapsedTimer made;
        made.start();
        if (!bench::demoCatalogue(dir, size)) {
            std::fprintf(stderr, "the demo tool failed for %ld articles\n", size);
            return 1;
        }
        std::printf("# %ld articles: catalogue ready in %.1f s\n", size,
                    static_cast<double>(made.elapsed()) / 1000.0);
        for (const bool shown : {false, true}) {
            const char* window = shown ? "shown" : "hidden";
            if (ways.contains(u"lookup")) {
                printRun(size, "lookup", window,
                         runInChild(dir, size, QStringLiteral("lookup"), shown, 2000));
            }
            if (ways.contains(u"reference")) {
                printRun(size, "reference", window,
                         runInChild(dir, size, QStringLiteral("reference"), shown,
                                    referenceScans(size)));
            }
        }
        if (ways.contains(u"labels")) {
            printRun(size, "labels", "hidden",
                     runInChild(dir, size, QStringLiteral("labels"), false, 2000));
        }
    }
    // The same lookups on a table without its indexes: every lookup reads the table.
    for (const long size : sizes) {
        if (size < 100000 || !ways.contains(u"no-index"))
            continue;
        const QString dir = QDir(root).filePath(QStringLiteral("catalogue-%1").arg(size));
        dropIndexes(dir);
        printRun(size, "no-index", "hidden",
                 runInChild(dir, size, QStringLiteral("lookup"), false, 5));
    }
    return 0;
}
