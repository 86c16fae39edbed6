#pragma once
// Where the price-query service finds the article of a scanned code. One tick of the
// service is beginTick(), its scans, and endTick(). One scan is beginScan(), one or more
// find() calls, and endScan() with the article that was served (or nothing); a failure of
// the engine is a veska::DatabaseError and ends the scan. A source may keep what it needs
// from one scan to the next while scans keep coming; release() says that none has come
// for a while.

#include <QString>
#include <optional>
#include <vector>

namespace veska::terminal {

// What a lookup searches: the article code, codigo, or the barcode, cod_barra.
enum class LookupColumn { Codigo, CodBarra };

// The product query's name for the column: "BarCode" or "cod_barra".
inline QString lookupColumnName(LookupColumn column) {
    return column == LookupColumn::Codigo ? QStringLiteral("BarCode") : QStringLiteral("cod_barra");
}

struct Article {
    LookupColumn column = LookupColumn::Codigo; // the lookup that found it
    QString value;                              // the text looked up
    QString code;                               // its codigo, as text
    QString description;                        // the text of "Produto"
    std::optional<QString> priceText;           // the text of "Preco"; nothing when null
};

class ArticleSource {
public:
    virtual ~ArticleSource() = default;
    // A tick begins: what a source checks once for many scans (the database file) is
    // checked again from here on.
    virtual void beginTick() {}
    // The tick is over; its last endScan() named the article the products grid shows.
    virtual void endTick() {}
    // Every answer of the scan reflects the database as it is from this moment on.
    virtual void beginScan() = 0;
    // The first article in the order of codigo whose column equals the value exactly
    // (whole value, case-sensitive, blanks count).
    virtual std::optional<Article> find(LookupColumn column, const QString& value) = 0;
    // find() for each of a few values of one column, in one visit to the database where the
    // source can (one lookup); the answers in the order of the values.
    virtual std::vector<std::optional<Article>> findEach(LookupColumn column,
                                                         const std::vector<QString>& values) {
        std::vector<std::optional<Article>> found;
        for (const QString& value : values)
            found.push_back(find(column, value));
        return found;
    }
    // The scan is over: served is what the terminal was answered with.
    virtual void endScan(const std::optional<Article>& served) = 0;
    // The end of a scan that answered no terminal (a look-up from the web console): as
    // endScan, but the products grid does not follow it.
    virtual void endUnservedScan() { endScan(std::nullopt); }
    // No scan for a while: let go of what is kept for the next one.
    virtual void release() noexcept {}
    // False after a call was broken off because the database did not answer in time, until
    // a call works again: a tick answers its remaining scans at once instead of asking.
    virtual bool answering() const { return true; }
};

} // namespace veska::terminal
