#include "terminal/PriceQueryService.h"

#include "core/CodePage.h"
#include "terminal/LibraryText.h"
#include "terminal/PriceText.h"

namespace veska::terminal {
namespace {

using terminal::Article;
using terminal::LookupColumn;

// A code framed by an upper-case "A" on both ends is retried without the frame.
bool hasFramingLetters(const QString& code) {
    return code.size() >= 3 && code.front() == u'A' && code.back() == u'A';
}

} // namespace

PriceQueryService::PriceQueryService(const TermServerApi& api, ArticleSource& articles,
                                     const WindowPresence& window, ActivityLog& log)
    : api_(api), articles_(articles), window_(window), log_(log) {}

std::optional<Article> PriceQueryService::findCode(const QString& code) {
    if (auto article = articles_.find(LookupColumn::Code, code))
        return article;
    return articles_.find(LookupColumn::Barcode, code);
}

std::optional<Article> PriceQueryService::findLabelledArticle(const QString& code) {
    const std::optional<ScaleLabel> label = readScaleLabel(*scaleLabels_, code);
    if (!label)
        return std::nullopt;
    std::optional<Article> article = findCode(label->articleCode);
    const QString shortCode = withoutLeadingZeros(label->articleCode);
    if (!article && !shortCode.isEmpty() && shortCode != label->articleCode)
        article = findCode(shortCode);
    if (article) {
        article->priceText = labelAmountText(scaleLabels_->kind, label->value, article->priceText,
                                             regionalDecimalSeparator());
    }
    return article;
}

bool PriceQueryService::serveNextBarcode() {
    std::uint32_t address = 0;
    std::uint16_t socket = 0;
    std::int32_t ignored = 0;
    QString code = libraryText(api_.bReceiveBarcode(&address, &socket, &ignored));
    if (code.isEmpty())
        return false;

    articles_.beginScan();
    std::optional<Article> article = findCode(code);
    if (!article && hasFramingLetters(code)) {
        code = code.mid(1, code.size() - 2);
        article = findCode(code);
    }
    if (!article && scaleLabels_)
        article = findLabelledArticle(code);
    answer(address, socket, code, article);
    articles_.endScan(article);
    return true;
}

void PriceQueryService::answer(std::uint32_t address, std::uint16_t socket, const QString& code,
                               const std::optional<Article>& article) {
    if (!article) {
        api_.bSendProdNotFound(address);
        if (window_.isMainWindowShown()) {
            log_.appendLine(terminalName(dottedAddress(api_, address), socket) +
                            QStringLiteral(" -> ") + code +
                            QStringLiteral("|PRODUTO NAO ENCONTRADO"));
        }
        return;
    }

    const QByteArray description = codepage::fromUnicode(article->description);
    std::optional<QString> price;
    if (article->priceText)
        price = priceText(*article->priceText, regionalDecimalSeparator());
    const QByteArray priceBytes = codepage::fromUnicode(price.value_or(noPriceText()));

    api_.bSendProdPrice(address, description.constData(), priceBytes.constData());
    if (window_.isMainWindowShown()) {
        log_.appendLine(terminalName(dottedAddress(api_, address), socket) +
                        QStringLiteral(" -> ") + code + QLatin1Char('|') +
                        codepage::toUnicode(description) + QLatin1Char('|') +
                        codepage::toUnicode(priceBytes));
    }
}

} // namespace veska::terminal
