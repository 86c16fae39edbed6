#include "terminal/PriceQueryService.h"

#include "core/CodePage.h"
#include "terminal/LibraryText.h"
#include "terminal/PriceText.h"

namespace veska::terminal {
namespace {

// A code framed by an upper-case "A" on both ends is retried without the frame.
bool hasFramingLetters(const QString& code) {
    return code.size() >= 3 && code.front() == u'A' && code.back() == u'A';
}

} // namespace

PriceQueryService::PriceQueryService(const TermServerApi& api, catalogue::Dataset& products,
                                     const WindowPresence& window, ActivityLog& log)
    : api_(api), products_(products), window_(window), log_(log) {}

bool PriceQueryService::locateCode(const QString& code) {
    return products_.locate(QStringLiteral("BarCode"), code) ||
           products_.locate(QStringLiteral("cod_barra"), code);
}

bool PriceQueryService::serveNextBarcode() {
    std::uint32_t address = 0;
    std::uint16_t socket = 0;
    std::int32_t ignored = 0;
    QString code = libraryText(api_.bReceiveBarcode(&address, &socket, &ignored));
    if (code.isEmpty())
        return false;

    products_.close();
    products_.open();
    bool found = locateCode(code);
    if (!found && hasFramingLetters(code)) {
        code = code.mid(1, code.size() - 2);
        found = locateCode(code);
    }

    if (!found) {
        api_.bSendProdNotFound(address);
        if (window_.isMainWindowShown()) {
            log_.appendLine(terminalName(dottedAddress(api_, address), socket) +
                            QStringLiteral(" -> ") + code +
                            QStringLiteral("|PRODUTO NAO ENCONTRADO"));
        }
        return true;
    }

    const QByteArray description =
        codepage::fromUnicode(products_.fieldAsText(QStringLiteral("Produto")));
    std::optional<QString> price;
    if (!products_.fieldIsNull(QStringLiteral("Preco"))) {
        price =
            priceText(products_.fieldAsText(QStringLiteral("Preco")), regionalDecimalSeparator());
    }
    const QByteArray priceBytes = codepage::fromUnicode(price.value_or(noPriceText()));

    api_.bSendProdPrice(address, description.constData(), priceBytes.constData());
    if (window_.isMainWindowShown()) {
        log_.appendLine(terminalName(dottedAddress(api_, address), socket) +
                        QStringLiteral(" -> ") + code + QLatin1Char('|') +
                        codepage::toUnicode(description) + QLatin1Char('|') +
                        codepage::toUnicode(priceBytes));
    }
    return true;
}

} // namespace veska::terminal
