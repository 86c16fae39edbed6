#pragma once
// An article source that passes everything on to another and counts the lookups that reach
// it, for the tests and benchmarks that say how often the database was asked.

#include "terminal/ArticleSource.h"

namespace veska::terminal::test {

class CountingSource : public terminal::ArticleSource {
public:
    explicit CountingSource(terminal::ArticleSource& source) : source_(source) {}
    void beginTick() override { source_.beginTick(); }
    void endTick() override { source_.endTick(); }
    void beginScan() override { source_.beginScan(); }
    std::optional<terminal::Article> find(terminal::LookupColumn column,
                                          const QString& value) override {
        ++finds;
        return source_.find(column, value);
    }
    // Several values of one column are one lookup.
    std::vector<std::optional<terminal::Article>>
    findEach(terminal::LookupColumn column, const std::vector<QString>& values) override {
        ++finds;
        return source_.findEach(column, values);
    }
    void endScan(const std::optional<terminal::Article>& served) override {
        source_.endScan(served);
    }
    void release() noexcept override {
        ++releases;
        source_.release();
    }
    bool answering() const override { return source_.answering(); }
    int finds = 0;
    int releases = 0;

private:
    terminal::ArticleSource& source_;
};

} // namespace veska::terminal::test
