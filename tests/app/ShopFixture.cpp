#include "ShopFixture.h"

#include <QFile>

using veska::catalogue::test::Article;
using veska::catalogue::test::ShopDatabase;

void ShopFixture::installShop(bool withRetail) {
    database = std::make_unique<ShopDatabase>(folder.path(), QStringLiteral("loja.fdb"), "WIN1252");
    database->createProducts(
        veska::catalogue::test::ProductTable().retail(withRetail ? "double precision" : ""));
    database->insert({"1001",
                      "A\xC7\xDA"
                      "CAR CRISTAL 5KG",
                      "7891000100103", "12.5", "13.9"},
                     withRetail);
    database->insert({"1002", "CAF\xC9 TORRADO 500G", "7891000200100", "18.349", "19.99"},
                     withRetail);
    database->insert({"1003", "FEIJ\xC3O PRETO 1KG", "7891000300107", "8", "8.75"}, withRetail);
    database->detach();
    folder.write(QStringLiteral("SYS_INFO.INI"), "linha um\r\nALIAS LINHA 2 LOJA\r\n");
    veska::catalogue::test::writeProfile(folder.path(), QStringLiteral("LOJA"), database->path());
}

std::unique_ptr<veska::app::TFConsulta> ShopFixture::createWindow(bool hasArgument) {
    return std::make_unique<veska::app::TFConsulta>(veska::app::TFConsultaContext{
        &veska::terminal::test::providerApi(), &boxes, hasArgument, false});
}

void commitPrice(const QString& databasePath, const char* codigo, const char* price) {
    veska::catalogue::test::commitStatement(databasePath,
                                            QByteArray("update produtos set preco_venda = ") +
                                                price + " where codigo = '" + codigo + "'");
}
