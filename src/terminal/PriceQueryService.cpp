#include "terminal/PriceQueryService.h"

#include "core/CodePage.h"
#include "core/Errors.h"
#include "terminal/LibraryText.h"
#include "terminal/PriceText.h"

#include <arpa/inet.h>

namespace veska::terminal {
namespace {

// The display's second line for an article: its price as the shop writes it, or the
// no-price text when it has none that can be read.
QString priceLine(const Article& article) {
    std::optional<QString> price;
    if (article.priceText)
        price = priceText(*article.priceText, regionalDecimalSeparator());
    return price.value_or(noPriceText());
}

using terminal::Article;
using terminal::LookupColumn;

// A code framed by an upper-case "A" on both ends is retried without the frame.
bool hasFramingLetters(const QString& code) {
    return code.size() >= 3 && code.front() == u'A' && code.back() == u'A';
}

} // namespace

PriceQueryService::PriceQueryService(const TermServerApi& api, ArticleSource& articles,
                                     const WindowPresence& window, ActivityLog& log,
                                     FailureReports& failures)
    : api_(api), articles_(articles), window_(window), log_(log), failures_(failures) {}

std::optional<Article> PriceQueryService::findCode(const QString& code) {
    if (auto article = articles_.find(LookupColumn::Codigo, code))
        return article;
    return articles_.find(LookupColumn::CodBarra, code);
}

std::optional<Article> PriceQueryService::findLabelledArticle(const QString& code) {
    const std::optional<ScaleLabel> label = readScaleLabel(*scaleLabels_, code);
    if (!label)
        return std::nullopt;
    // The code as it stands (codigo, then cod_barra), then without its leading zeros (the
    // same): both forms in one lookup per column, so a label costs one or two lookups.
    std::vector<QString> forms{label->articleCode};
    const QString shortCode = withoutLeadingZeros(label->articleCode);
    if (!shortCode.isEmpty() && shortCode != label->articleCode)
        forms.push_back(shortCode);
    const auto byCode = articles_.findEach(LookupColumn::Codigo, forms);
    std::optional<Article> article = byCode.front();
    if (!article) {
        const auto byBarcode = articles_.findEach(LookupColumn::CodBarra, forms);
        article = byBarcode.front();
        if (!article && forms.size() > 1)
            article = byCode.back() ? byCode.back() : byBarcode.back();
    }
    if (article) {
        article->priceText = labelAmountText(scaleLabels_->kind, label->value, article->priceText,
                                             regionalDecimalSeparator());
    }
    return article;
}

std::optional<Article> PriceQueryService::lookUp(QString& code, bool& labelled) {
    std::optional<Article> article = findCode(code);
    if (!article && hasFramingLetters(code)) {
        code = code.mid(1, code.size() - 2);
        article = findCode(code);
    }
    if (!article && scaleLabels_) {
        article = findLabelledArticle(code);
        labelled = article.has_value();
    }
    return article;
}

PriceQueryService::DisplayAnswer PriceQueryService::answerFor(const QString& scanned) {
    QString code = scanned;
    bool labelled = false;
    std::optional<Article> article;
    try {
        articles_.beginScan();
        article = lookUp(code, labelled);
        articles_.endUnservedScan();
    } catch (const Error&) {
        return {unavailableLine1(), unavailableLine2(), false};
    }
    if (!article)
        return {notFoundLine1(), notFoundLine2(), false};
    return {article->description, priceLine(*article), true};
}

int PriceQueryService::serveWaitingBarcodes() {
    const auto deadline = std::chrono::steady_clock::now() + budget_;
    articles_.beginTick();
    int served = 0;
    bool answering = true;
    while (std::optional<Scan> scan = takeScan()) {
        ++served;
        if (!answering) {
            answerUnavailable(*scan, scan->code, ScanOutcome::Retry);
        } else if (!serve(std::move(*scan))) {
            answering = articles_.answering();
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    try {
        articles_.endTick();
    } catch (const Error& error) {
        reportFailure(error.text());
    }
    if (served > 0)
        idleTicks_ = 0;
    else if (++idleTicks_ == idleTicksBeforeRelease)
        articles_.release();
    return served;
}

std::optional<PriceQueryService::Scan> PriceQueryService::takeScan() {
    Scan scan;
    std::int32_t ignored = 0;
    scan.code = libraryText(api_.bReceiveBarcode(&scan.address, &scan.socket, &ignored));
    if (scan.code.isEmpty())
        return std::nullopt;
    scan.taken = std::chrono::steady_clock::now();
    return scan;
}

bool PriceQueryService::serve(Scan scan) {
    QString code = scan.code; // the code from here on (the log's too)
    std::optional<Article> article;
    bool labelled = false;
    try {
        articles_.beginScan();
        article = lookUp(code, labelled);
    } catch (const Error& error) {
        answerUnavailable(scan, code, ScanOutcome::Unavailable);
        reportFailure(error.text());
        return false;
    }
    const QString priceLine = answer(scan.address, scan.socket, code, article);
    record(scan,
           !article ? ScanOutcome::NotFound
                    : (labelled ? ScanOutcome::ScaleLabel : ScanOutcome::Found),
           article, priceLine);
    lastFailure_.clear();
    try {
        articles_.endScan(article);
    } catch (const Error& error) {
        reportFailure(error.text());
    }
    return true;
}

void PriceQueryService::reportFailure(const QString& message) {
    if (message == lastFailure_)
        return; // the same failure still going on: reported once
    lastFailure_ = message;
    failures_.report(message);
}

void PriceQueryService::answerUnavailable(const Scan& scan, const QString& code,
                                          ScanOutcome outcome) {
    sendPrice(scan.address, scan.socket, code, unavailableLine1(), unavailableLine2());
    record(scan, outcome);
}

void PriceQueryService::record(const Scan& scan, ScanOutcome outcome,
                               const std::optional<Article>& article, const QString& priceLine) {
    if (journal_ == nullptr)
        return;
    AnsweredScan answered;
    answered.utcMilliseconds = utcMillisecondsNow();
    answered.address = ntohl(scan.address);
    answered.socket = scan.socket;
    answered.code = scan.code;
    answered.outcome = outcome;
    if (article) {
        answered.articleCode = article->code;
        answered.priceText = priceLine;
    }
    answered.serviceMicroseconds = std::chrono::duration_cast<std::chrono::microseconds>(
                                       std::chrono::steady_clock::now() - scan.taken)
                                       .count();
    journal_->scanAnswered(std::move(answered));
}

QString PriceQueryService::answer(std::uint32_t address, std::uint16_t socket, const QString& code,
                                  const std::optional<Article>& article) {
    if (!article) {
        api_.bSendProdNotFound(address);
        if (window_.isMainWindowShown()) {
            log_.appendLine(terminalName(dottedAddress(api_, address), socket) +
                            QStringLiteral(" -> ") + code +
                            QStringLiteral("|PRODUTO NAO ENCONTRADO"));
        }
        return {};
    }

    return sendPrice(address, socket, code, article->description, priceLine(*article));
}

QString PriceQueryService::sendPrice(std::uint32_t address, std::uint16_t socket,
                                     const QString& code, const QString& line1,
                                     const QString& line2) {
    const QByteArray description = codepage::fromUnicode(line1);
    const QByteArray priceBytes = codepage::fromUnicode(line2);
    api_.bSendProdPrice(address, description.constData(), priceBytes.constData());
    if (window_.isMainWindowShown()) {
        log_.appendLine(terminalName(dottedAddress(api_, address), socket) +
                        QStringLiteral(" -> ") + code + QLatin1Char('|') +
                        codepage::toUnicode(description) + QLatin1Char('|') +
                        codepage::toUnicode(priceBytes));
    }
    return line2;
}

} // namespace veska::terminal
