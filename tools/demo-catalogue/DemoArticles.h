#pragma once
// The demo catalogue's articles: a few hundred realistic Portuguese grocery articles, and
// as many synthetic ones as asked for. Deterministic: the same articles every run.

#include <QString>
#include <string>
#include <vector>

namespace veska::demo {

struct DemoArticle {
    std::string codigo;   // article code, up to 13 characters
    QString nome;         // description, up to 50 characters
    std::string codBarra; // EAN-13
    double precoVenda;    // wholesale price
    double precoVendaLj;  // retail price
};

// The realistic articles, codes "000001" on, "AÇÚCAR CRISTAL 5KG" among them.
std::vector<DemoArticle> realisticArticles();

// Synthetic article number index (0-based): code "1" + 9 digits, in-store barcode
// "2" + 11 digits + check digit, description "ARTIGO DE TESTE <n>".
DemoArticle syntheticArticle(long index);

} // namespace veska::demo
