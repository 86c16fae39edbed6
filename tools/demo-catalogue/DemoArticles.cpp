#include "DemoArticles.h"

#include "Ean13.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace veska::demo {
namespace {

struct Family {
    const char16_t* name;
    std::vector<const char16_t*> sizes;
    double price; // wholesale price of the first size
};

// Prices rounded to the cent.
double cents(double value) {
    return std::round(value * 100.0) / 100.0;
}

const std::vector<Family>& families() {
    static const std::vector<Family> list = {
        {u"AÇÚCAR CRISTAL", {u"1KG", u"2KG", u"5KG"}, 4.29},
        {u"AÇÚCAR REFINADO", {u"1KG", u"5KG"}, 4.79},
        {u"ARROZ TIPO 1", {u"1KG", u"2KG", u"5KG"}, 5.49},
        {u"ARROZ INTEGRAL", {u"1KG", u"2KG"}, 6.99},
        {u"FEIJÃO CARIOCA", {u"500G", u"1KG", u"2KG"}, 4.59},
        {u"FEIJÃO PRETO", {u"500G", u"1KG"}, 4.99},
        {u"CAFÉ TORRADO E MOÍDO", {u"250G", u"500G", u"1KG"}, 9.90},
        {u"LEITE INTEGRAL UHT", {u"1L", u"CX 12X1L"}, 4.49},
        {u"LEITE DESNATADO UHT", {u"1L", u"CX 12X1L"}, 4.69},
        {u"ÓLEO DE SOJA", {u"900ML"}, 6.79},
        {u"AZEITE DE OLIVA EXTRA VIRGEM", {u"250ML", u"500ML"}, 19.90},
        {u"MACARRÃO ESPAGUETE", {u"500G", u"1KG"}, 3.89},
        {u"MACARRÃO PARAFUSO", {u"500G", u"1KG"}, 3.99},
        {u"FARINHA DE TRIGO", {u"1KG", u"5KG"}, 4.39},
        {u"FARINHA DE MANDIOCA", {u"500G", u"1KG"}, 5.29},
        {u"FUBÁ MIMOSO", {u"500G", u"1KG"}, 2.89},
        {u"SAL REFINADO", {u"1KG"}, 1.99},
        {u"MOLHO DE TOMATE", {u"340G", u"520G"}, 2.49},
        {u"EXTRATO DE TOMATE", {u"140G", u"350G"}, 2.19},
        {u"BISCOITO CREAM CRACKER", {u"200G", u"400G"}, 3.49},
        {u"BISCOITO MAISENA", {u"200G", u"400G"}, 3.29},
        {u"CHOCOLATE AO LEITE", {u"90G", u"170G"}, 5.99},
        {u"ACHOCOLATADO EM PÓ", {u"400G", u"800G"}, 7.49},
        {u"MAIONESE", {u"250G", u"500G"}, 5.39},
        {u"MARGARINA COM SAL", {u"250G", u"500G", u"1KG"}, 4.99},
        {u"MANTEIGA COM SAL", {u"200G", u"500G"}, 11.90},
        {u"REQUEIJÃO CREMOSO", {u"200G"}, 7.99},
        {u"QUEIJO MUÇARELA FATIADO", {u"150G", u"500G"}, 8.90},
        {u"PRESUNTO COZIDO FATIADO", {u"150G", u"500G"}, 6.90},
        {u"IOGURTE NATURAL", {u"170G", u"1KG"}, 2.79},
        {u"SABÃO EM PÓ", {u"800G", u"1,6KG"}, 12.90},
        {u"SABÃO EM BARRA", {u"5X200G"}, 9.49},
        {u"DETERGENTE LÍQUIDO NEUTRO", {u"500ML"}, 2.29},
        {u"ÁGUA SANITÁRIA", {u"1L", u"2L"}, 3.19},
        {u"AMACIANTE DE ROUPAS", {u"2L", u"5L"}, 9.99},
        {u"DESINFETANTE LAVANDA", {u"500ML", u"2L"}, 3.99},
        {u"ESPONJA DE AÇO", {u"8 UNIDADES"}, 2.59},
        {u"PAPEL HIGIÊNICO FOLHA DUPLA", {u"4 ROLOS", u"12 ROLOS"}, 6.49},
        {u"CREME DENTAL", {u"90G", u"180G"}, 3.79},
        {u"SABONETE HIDRATANTE", {u"90G", u"6X90G"}, 2.29},
        {u"XAMPU ANTICASPA", {u"200ML", u"400ML"}, 13.90},
        {u"CONDICIONADOR", {u"200ML", u"400ML"}, 12.90},
        {u"DESODORANTE AEROSSOL", {u"150ML"}, 11.49},
        {u"ÁGUA MINERAL SEM GÁS", {u"500ML", u"1,5L", u"5L"}, 1.49},
        {u"ÁGUA MINERAL COM GÁS", {u"500ML", u"1,5L"}, 1.79},
        {u"REFRIGERANTE DE GUARANÁ", {u"350ML", u"2L"}, 2.99},
        {u"REFRIGERANTE DE COLA", {u"350ML", u"2L"}, 3.29},
        {u"SUCO DE LARANJA INTEGRAL", {u"1L"}, 8.99},
        {u"SUCO DE UVA INTEGRAL", {u"1L", u"1,5L"}, 10.90},
        {u"CERVEJA PILSEN LATA", {u"350ML", u"12X350ML"}, 3.49},
        {u"VINHO TINTO SECO", {u"750ML"}, 29.90},
        {u"PÃO DE FORMA TRADICIONAL", {u"500G"}, 7.49},
        {u"PÃO DE QUEIJO CONGELADO", {u"400G", u"1KG"}, 9.90},
        {u"GELATINA DE MORANGO", {u"35G"}, 1.49},
        {u"LEITE CONDENSADO", {u"395G"}, 5.29},
        {u"CREME DE LEITE", {u"200G"}, 3.19},
        {u"MILHO VERDE EM CONSERVA", {u"170G"}, 2.69},
        {u"ERVILHA EM CONSERVA", {u"170G"}, 2.59},
        {u"ATUM SÓLIDO EM ÓLEO", {u"170G"}, 8.49},
        {u"SARDINHA EM ÓLEO", {u"125G"}, 4.29},
        {u"VINAGRE DE ÁLCOOL", {u"750ML"}, 2.39},
        {u"TEMPERO COMPLETO", {u"300G", u"1KG"}, 4.49},
        {u"ORÉGANO DESIDRATADO", {u"10G", u"100G"}, 2.19},
        {u"CANELA EM PÓ", {u"30G"}, 3.49},
        {u"AVEIA EM FLOCOS", {u"200G", u"500G"}, 4.39},
        {u"GRANOLA TRADICIONAL", {u"250G", u"800G"}, 8.90},
        {u"MEL DE ABELHA", {u"280G", u"500G"}, 14.90},
        {u"GOIABADA CASCÃO", {u"300G", u"600G"}, 5.49},
        {u"DOCE DE LEITE", {u"400G"}, 7.29},
        {u"PIPOCA PARA MICRO-ONDAS", {u"100G"}, 2.49},
        {u"AMENDOIM TORRADO", {u"150G", u"500G"}, 4.99},
        {u"CASTANHA DE CAJU", {u"100G", u"250G"}, 12.90},
        {u"RAÇÃO PARA CÃES ADULTOS", {u"1KG", u"10,1KG"}, 14.90},
        {u"FÓSFORO", {u"10 CAIXAS"}, 3.29},
        {u"PILHA ALCALINA AA", {u"2 UNIDADES", u"4 UNIDADES"}, 9.90},
        {u"LÂMPADA LED 9W", {u"BIVOLT"}, 8.99},
        {u"FILTRO DE PAPEL PARA CAFÉ 103", {u"30 UNIDADES"}, 4.19},
        {u"GUARDANAPO DE PAPEL", {u"50 UNIDADES"}, 2.79},
        {u"SACO PARA LIXO 50L", {u"10 UNIDADES", u"30 UNIDADES"}, 5.49},
        {u"ÁLCOOL EM GEL 70%", {u"500G"}, 7.99},
        {u"ESCOVA DE DENTES MACIA", {u"1 UNIDADE"}, 4.99},
        {u"FRALDA DESCARTÁVEL M", {u"28 UNIDADES"}, 39.90},
        {u"LENÇO UMEDECIDO", {u"48 UNIDADES"}, 9.49},
        {u"BATATA PALHA", {u"100G", u"400G"}, 4.49},
        {u"AZEITONA VERDE SEM CAROÇO", {u"100G", u"500G"}, 6.79},
        {u"PALMITO AÇAÍ EM CONSERVA", {u"300G"}, 16.90},
        {u"CHÁ DE CAMOMILA", {u"15 SACHÊS"}, 3.99},
        {u"LINGUIÇA CALABRESA", {u"500G", u"1KG"}, 13.90},
        {u"SALSICHA HOT DOG", {u"500G", u"3KG"}, 8.49},
        {u"FRANGO CONGELADO A PASSARINHO", {u"1KG"}, 15.90},
    };
    return list;
}

std::string digits(long value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
    return buffer;
}

} // namespace

std::vector<DemoArticle> realisticArticles() {
    // Three lines of each article: the shop's usual one, a dearer and a cheaper label.
    struct Label {
        const char16_t* name;
        double factor;
    };
    static const Label labels[] = {{u"", 1.0}, {u"SERRANA", 1.12}, {u"BOM PREÇO", 0.93}};
    std::vector<DemoArticle> articles;
    long number = 0;
    for (std::size_t l = 0; l < std::size(labels); ++l) {
        for (std::size_t f = 0; f < families().size(); ++f) {
            const Family& family = families()[f];
            for (std::size_t s = 0; s < family.sizes.size(); ++s) {
                ++number;
                // A bigger size costs less per unit than the smaller one.
                static const double sizeFactors[] = {1.0, 1.9, 4.4};
                const double factor = sizeFactors[std::min<std::size_t>(s, 2)];
                const double wholesale = cents(family.price * factor * labels[l].factor);
                DemoArticle article;
                article.codigo = digits(number, 6);
                QString name = QString::fromUtf16(family.name);
                if (labels[l].name[0] != 0)
                    name += QLatin1Char(' ') + QString::fromUtf16(labels[l].name);
                article.nome =
                    (name + QLatin1Char(' ') + QString::fromUtf16(family.sizes[s])).left(50);
                // 789: Brazil; a maker's number per label and family; an item per size.
                article.codBarra = ean13("789" + digits(static_cast<long>(1000 + 100 * l + f), 4) +
                                         digits(static_cast<long>(s + 1), 5));
                article.precoVenda = wholesale;
                article.precoVendaLj = cents(wholesale * 1.18);
                articles.push_back(std::move(article));
            }
        }
    }
    return articles;
}

DemoArticle syntheticArticle(long index) {
    DemoArticle article;
    article.codigo = "1" + digits(index, 9);
    article.nome = QStringLiteral("ARTIGO DE TESTE %1").arg(index + 1);
    article.codBarra = ean13("2" + digits(index, 11));
    // A spread of prices between 0,50 and 500,49 with every cent value.
    const long spread = (index * 7919) % 50000;
    article.precoVenda = cents(0.5 + static_cast<double>(spread) / 100.0);
    article.precoVendaLj = cents(article.precoVenda * 1.18);
    return article;
}

} // namespace veska::demo
