// veska-products-page-bench: what the products page costs the operator on catalogues of
// 1,000, 100,000 and 1,000,000 articles made by the demo tool (embedded engine): the real
// main window (offscreen), its grid, navigator and search, and the price-query service
// following a scan while the page is shown.
//
//   veska-products-page-bench [--sizes 1000,100000,1000000] [--work DIR] [--rounds N]
//
// For each size a child process opens the shop as the program does and repeats, N rounds
// (default 40): the products page shown (from the monitoring page), First, Last, Prior from
// the end, scrolling to the end (Ctrl+End in the grid, from the start), a search hit at the
// end of the list, a search miss, the scroll bar's thumb let go in the middle and at the end
// of its track, a scan served while the page is shown, a tick that finds the 100 scans of
// 1,000 a second waiting, and First clicked right behind such a tick (what the operator
// waits for at that load). Each step is
// timed until the window has handled all it caused (the grid's reads included). It prints
// each step's median, p99 and maximum, and the child's peak resident memory.
#include "BenchSupport.h"
#include "DemoArticles.h"
#include "app/MessageBoxes.h"
#include "app/TFConsulta.h"
#include "catalogue/connection/EmbeddedEngine.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductListModel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <vector>

using namespace veska;
using namespace veska::bench;

namespace {

// Boxes that only count: the search's notices must not wait for a click.
class CountingBoxes final : public app::MessageBoxes {
public:
    void showError(const QString& message) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(message));
        ++errors;
    }
    void showNotice(const QString&) override { ++notices; }
    int errors = 0;
    int notices = 0;
};

// Scans waiting at a tick at 1,000 scans a second (a tick of Timer100ms).
constexpr int kScansAtPeak = 100;

int runChild(const QString& dir, long articles, int rounds) {
    QDir::setCurrent(dir);
    CountingBoxes boxes;
    app::TFConsulta window({&benchApi(), &boxes, false, false});
    window.show();
    QApplication::processEvents();
    window.BtnIniciar->click(); // the service runs; its timers are driven by hand below
    window.Timer100ms->stop();
    window.Timer3Seg->stop();
    window.Timer3->stop();
    if (boxes.errors > 0)
        return 1;

    std::map<std::string, std::vector<double>> timings;
    const auto timed = [&timings](const std::string& step, const std::function<void()>& work) {
        const auto start = Clock::now();
        work();
        QApplication::processEvents();
        timings[step].push_back(milliseconds(Clock::now() - start));
    };
    const auto navigate = [&window](app::TDBNavigator::Button button) {
        window.DBNavigator1->button(button)->click();
    };
    std::mt19937 random(2026);
    std::uniform_int_distribution<long> anyArticle(0, std::max(articles - 1, 0L));

    for (int round = 0; round < rounds; ++round) {
        window.BtnMonitora->click();
        QApplication::processEvents();
        timed("page-shown", [&] { window.BtnProdutos->click(); });
        timed("first", [&] { navigate(app::TDBNavigator::nbFirst); });
        timed("last", [&] { navigate(app::TDBNavigator::nbLast); });
        const QString lastCode = window.CDSProdutos->fieldAsText(QStringLiteral("BarCode"));
        timed("prior-from-end", [&] { navigate(app::TDBNavigator::nbPrior); });
        navigate(app::TDBNavigator::nbFirst);
        QApplication::processEvents();
        timed("scroll-to-end", [&] {
            QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
            QApplication::sendEvent(window.GridProdutos, &end);
        });
        navigate(app::TDBNavigator::nbFirst);
        QApplication::processEvents();
        window.EdtPesquisar->setText(lastCode);
        timed("search-hit-at-end", [&] { window.BtnPesquisar->click(); });
        window.EdtPesquisar->setText(QStringLiteral("NAOEXISTE%1").arg(round));
        timed("search-miss", [&] { window.BtnPesquisar->click(); });
        // The scroll bar over the whole list, once the list's positions are read (in the
        // background, the first time the page shows); a catalogue that fits the rows held
        // has none.
        auto* bar = window.GridProdutos->findChild<QScrollBar*>(QStringLiteral("ProductScrollBar"));
        if (bar != nullptr && articles > catalogue::ProductList::maxRows) {
            if (round == 0) {
                const auto start = Clock::now();
                QDeadlineTimer deadline(std::chrono::minutes(2));
                while (!bar->isVisible() && !deadline.hasExpired())
                    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
                if (!bar->isVisible())
                    return 1;
                std::printf("positions-read-ms %.1f\n", milliseconds(Clock::now() - start));
            }
            const auto thumbTo = [&](int position) {
                bar->setSliderPosition(position);
                bar->triggerAction(QAbstractSlider::SliderMove);
            };
            timed("thumb-to-middle", [&] { thumbTo(bar->maximum() / 2); });
            timed("thumb-to-end", [&] { thumbTo(bar->maximum()); });
            if (window.CDSProdutos->fieldAsText(QStringLiteral("BarCode")) != lastCode)
                return 1; // the end of the track is not the last article
        }
        benchLibrary().codes.push_back(demo::syntheticArticle(anyArticle(random)).codBarra);
        timed("scan-while-shown", [&] { window.Timer100msTimer(); });
        if (window.CDSProdutos->fieldAsText(QStringLiteral("cod_barra")).isEmpty())
            return 1; // the grid did not follow the scan
        // At 1,000 scans a second a tick finds about 100 waiting (more than its budget
        // serves); a click waits at most for the tick in progress.
        const auto queueScans = [&] {
            for (int i = 0; i < kScansAtPeak; ++i)
                benchLibrary().codes.push_back(demo::syntheticArticle(anyArticle(random)).codBarra);
        };
        const auto drain = [&] {
            while (!benchLibrary().codes.empty())
                window.Timer100msTimer();
            QApplication::processEvents();
        };
        queueScans();
        timed("tick-at-peak", [&] { window.Timer100msTimer(); });
        drain();
        queueScans();
        timed("first-behind-a-tick", [&] {
            window.Timer100msTimer();
            navigate(app::TDBNavigator::nbFirst);
        });
        drain();
    }
    if (boxes.errors > 0 || boxes.notices != 2 * rounds)
        return 1;
    for (const auto& [step, samples] : timings) {
        const Figures figures = figuresOf(samples);
        std::printf("step %s median %.2f p99 %.2f max %.2f rows-held %d\n", step.c_str(),
                    figures.median, figures.p99, figures.max, window.DSProdutos->rowCount());
    }
    std::printf("peak-rss-mb %.1f\n", peakResidentMegabytes());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    catalogue::prepareEmbeddedEngine();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments[1] == u"--child")
        return runChild(arguments[2], arguments[3].toLong(), arguments[4].toInt());

    std::vector<long> sizes{1000, 100000, 1000000};
    QString work;
    int rounds = 40;
    for (int i = 1; i < arguments.size(); ++i) {
        const bool valued = i + 1 < arguments.size();
        if (arguments[i] == u"--sizes" && valued) {
            sizes.clear();
            for (const QString& size : arguments[++i].split(u','))
                sizes.push_back(size.toLong());
        } else if (arguments[i] == u"--work" && valued) {
            work = arguments[++i];
        } else if (arguments[i] == u"--rounds" && valued) {
            rounds = arguments[++i].toInt();
        } else {
            std::fprintf(stderr, "usage: veska-products-page-bench [--sizes N,N,...] "
                                 "[--rounds N] [--work DIR]\n");
            return 2;
        }
    }
    QTemporaryDir scratch;
    const QString root = work.isEmpty() ? scratch.path() : work;
    std::printf("articles  step                median     p99     max  (ms)\n");
    for (const long size : sizes) {
        const QString dir = QDir(root).filePath(QStringLiteral("catalogue-%1").arg(size));
        if (!demoCatalogue(dir, size)) {
            std::fprintf(stderr, "the demo tool failed for %ld articles\n", size);
            return 1;
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--child"), dir, QString::number(size), QString::number(rounds)});
        child.waitForFinished(-1);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            std::fprintf(stderr, "the run on %ld articles failed\n", size);
            return 1;
        }
        for (const QString& line : QString::fromUtf8(child.readAllStandardOutput()).split(u'\n')) {
            const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
            if (words.size() >= 8 && words[0] == u"step")
                std::printf("%8ld  %-18s %7.2f %7.2f %7.2f\n", size, qPrintable(words[1]),
                            words[3].toDouble(), words[5].toDouble(), words[7].toDouble());
            else if (words.size() == 2 && words[0] == u"peak-rss-mb")
                std::printf("%8ld  peak resident memory %.1f MB\n", size, words[1].toDouble());
            else if (words.size() == 2 && words[0] == u"positions-read-ms")
                std::printf("%8ld  list positions read in the background in %.0f ms\n", size,
                            words[1].toDouble());
        }
        std::fflush(stdout);
    }
    return 0;
}
