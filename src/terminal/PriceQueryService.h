#pragma once
// Answers the price-check terminals. A tick (of Timer100ms, or as soon as the library
// signals a waiting scan) takes the scanned barcodes from the terminal-server library one
// after the other, in the order it hands them over, until none is left or tickBudget of
// work is done; the rest wait for the next tick, so the window stays responsive under any
// load. Each barcode's article is looked up in the shop database (each scan sees the
// database as it is at that moment; see catalogue::ProductLookup) and its description and
// price text, or a not-found answer, sent to the terminal that asked. While the main window
// is shown, every answer is also written to the activity log. After the tick the products
// grid shows the last served article.
//
// Lookup: column "BarCode", then "cod_barra"; when both fail and the code is framed by an
// upper-case "A" (at least three characters), the code without the two letters is looked up
// the same way and is the code from then on, in the log too.
//
// Scale labels (ScaleLabel.h), only when a format is set: when every lookup above has
// failed and the code is a label of that format, the label's article code is looked up
// the same way ("BarCode", then "cod_barra"), as printed and then without its leading
// zeros. A found article is answered with the label's price; the code in the log is the
// whole label.
//
// Price text: see PriceText.h. An article whose price is null is answered with its
// description and "SEM PREÇO"; the log line carries the same text.
//
// A lookup that fails (a database error, a database that does not answer) is answered
// with the "try again" screen ("SISTEMA INDISPONIVEL" / "TENTE NOVAMENTE"), logged like
// any answer, and reported to the operator; while the same failure goes on it is reported
// once, not at every scan. The tick never throws for it, so the service goes on. Once a
// call has been broken off because the database did not answer in time, the tick's
// remaining scans get the same answer at once: a hung database costs one wait a tick, not
// one a scan. After the answer and the log line the source is told what was served. After
// a second of ticks without a barcode the source is told to let go of what it keeps between
// scans.

#include "core/Notices.h"
#include "terminal/ArticleSource.h"
#include "terminal/ScaleLabel.h"
#include "terminal/ScanJournal.h"
#include "terminal/TermServerApi.h"
#include "terminal/TerminalViews.h"

#include <chrono>

namespace veska::terminal {

class PriceQueryService {
public:
    PriceQueryService(const TermServerApi& api, ArticleSource& articles,
                      const WindowPresence& window, ActivityLog& log, FailureReports& failures);

    // The screen of a scan whose lookup failed.
    static QString unavailableLine1() { return QStringLiteral("SISTEMA INDISPONIVEL"); }
    static QString unavailableLine2() { return QStringLiteral("TENTE NOVAMENTE"); }

    // One tick: Timer100msTimer, and the library's wake signal. Returns how many barcodes
    // were taken from the library.
    int serveWaitingBarcodes();

    // The lookups and answers a tick makes before it leaves the rest of the scans to the next
    // one. The grid's move and the repaint come on top, so a tick stays near 20 ms.
    static constexpr std::chrono::milliseconds tickBudget{12};
    // Another budget (tests whose calls they count set one no build reaches).
    void setTickBudget(std::chrono::nanoseconds budget) { budget_ = budget; }
    // Ticks in a row without a barcode after which the source is released.
    static constexpr int idleTicksBeforeRelease = 10;

    // Reads scale labels of this format from the next barcode on; nothing switches them off.
    void setScaleLabelFormat(std::optional<ScaleLabelFormat> format) {
        scaleLabels_ = std::move(format);
    }

    // What a terminal scanning the code would be shown now (the web console's look-up): the
    // two lines of the answer, with the same lookups. No terminal is answered, nothing is
    // logged or journaled, and the products grid does not follow it.
    struct DisplayAnswer {
        QString line1, line2;
        bool found = false;
    };
    DisplayAnswer answerFor(const QString& code);
    static QString notFoundLine1() { return QStringLiteral("PRODUTO NAO"); }
    static QString notFoundLine2() { return QStringLiteral("ENCONTRADO"); }

    // Every answer from the next scan on is also handed to the journal (null: none).
    void setJournal(ScanJournal* journal) { journal_ = journal; }

private:
    struct Scan {
        std::uint32_t address = 0;
        std::uint16_t socket = 0;
        QString code;
        std::chrono::steady_clock::time_point taken;
    };
    std::optional<Scan> takeScan();
    // Serves the scan; false when its lookup failed.
    bool serve(Scan scan);
    // The lookups of a scan: the code, without its "A" frame, as a scale label. The code
    // becomes the one found (without the frame); raises what the source raises.
    std::optional<Article> lookUp(QString& code, bool& labelled);
    std::optional<Article> findCode(const QString& code);
    std::optional<Article> findLabelledArticle(const QString& code);
    // Each returns the price line answered (empty for not found).
    QString answer(std::uint32_t address, std::uint16_t socket, const QString& code,
                   const std::optional<Article>& article);
    void answerUnavailable(const Scan& scan, const QString& code, ScanOutcome outcome);
    QString sendPrice(std::uint32_t address, std::uint16_t socket, const QString& code,
                      const QString& line1, const QString& line2);
    void record(const Scan& scan, ScanOutcome outcome, const std::optional<Article>& article = {},
                const QString& priceLine = {});
    void reportFailure(const QString& message);

    const TermServerApi& api_;
    ArticleSource& articles_;
    const WindowPresence& window_;
    ActivityLog& log_;
    FailureReports& failures_;
    // The failure last reported, while it goes on (cleared by a scan that works).
    QString lastFailure_;
    std::optional<ScaleLabelFormat> scaleLabels_;
    ScanJournal* journal_ = nullptr;
    int idleTicks_ = 0;
    std::chrono::nanoseconds budget_ = tickBudget;
};

} // namespace veska::terminal
