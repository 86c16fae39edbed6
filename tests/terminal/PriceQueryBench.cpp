// How long one tick of the price-query service takes on an embedded Firebird catalogue of
// a given size: the reopen of the product query plus the lookups, for a code near the
// start, one near the end, and a framed code found nowhere (four full scans). Prints the
// figures; the tick runs on the GUI thread and has 100 ms before the next one.
#include "TestProvider.h"
#include "TestViews.h"
#include "catalogue/Database.h"
#include "catalogue/EmbeddedEngine.h"
#include "catalogue/ProductQuery.h"
#include "catalogue/Query.h"
#include "catalogue/firebird/FbAttachment.h"
#include "terminal/PriceQueryService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <string>

using namespace veska;
using namespace veska::terminal;
using namespace veska::terminal::test;

namespace {

constexpr int kRepetitions = 20;

void fill(const QString& path, int products) {
    catalogue::firebird::AttachParameters parameters;
    parameters.database = QFile::encodeName(path);
    parameters.user = "ROOT";
    parameters.password = "480317";
    parameters.charset = "WIN1252";
    parameters.forcedWrites = false;
    catalogue::firebird::Attachment creator =
        catalogue::firebird::Attachment::create(parameters, "WIN1252");
    creator.executeImmediate(
        "CREATE TABLE produtos (codigo VARCHAR(13) NOT NULL PRIMARY KEY, nome VARCHAR(50), "
        "cod_barra VARCHAR(14), preco_venda DOUBLE PRECISION, preco_venda_lj DOUBLE PRECISION)");
    creator.executeImmediate(
        QByteArray("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < ") +
        QByteArray::number(products) +
        ") DO BEGIN INSERT INTO produtos VALUES (LPAD(:i, 13, '0'), 'Produto ' || :i, "
        "'789' || LPAD(:i, 11, '0'), :i / 100.0, :i / 90.0); i = i + 1; END END");
}

double millisecondsPerTick(PriceQueryService& service, const std::string& code) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepetitions; ++i) {
        provider().barcodes.push_back({code, 0x0100007F, 1});
        service.serveNextBarcode();
    }
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    return elapsed.count() / kRepetitions;
}

std::string code(int index, int width) {
    std::string digits = std::to_string(index);
    return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

} // namespace

int main() {
    catalogue::prepareEmbeddedEngine();
    std::printf("products  first-code-ms  last-barcode-ms  framed-not-found-ms\n");
    for (const int products : {1000, 10000, 50000}) {
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath(QStringLiteral("bench.fdb"));
        fill(path, products);
        catalogue::Database database(catalogue::ConnectionProfiles(QStringList{folder.path()}));
        database.setAlias(path);
        catalogue::Query query(database, QStringLiteral("CDSProdutos"));
        catalogue::setUpProductQuery(query, [] { return catalogue::PriceMode::Wholesale; });
        query.open();
        Presence window;
        window.shown = false;
        RecordingLog log;
        resetProvider();
        PriceQueryService service(providerApi(), query, window, log);
        const double first = millisecondsPerTick(service, code(0, 13));
        const double last = millisecondsPerTick(service, "789" + code(products - 1, 11));
        const double missing = millisecondsPerTick(service, "ANAOEXISTEA");
        std::printf("%8d  %13.2f  %15.2f  %19.2f\n", products, first, last, missing);
        std::fflush(stdout);
    }
    return 0;
}
