#pragma once
// The SQL text of a query, in lines as the product query's code edits it: the statement run
// is the lines joined by line breaks, and a before-open hook may change them at every open.
// Query is the query that holds the text (and is handed to the hook).

#include "core/Errors.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace veska::catalogue {

template <class Query> class SqlText {
public:
    using Hook = std::function<void(Query&)>;

    const QStringList& sqlLines() const { return lines_; }
    void clearSql() { lines_.clear(); }
    void appendSql(const QString& line) { lines_.append(line); }
    // Replaces the line at a 0-based index; raises DatabaseError when there is no such line.
    void replaceSql(int index, const QString& line) {
        if (index < 0 || index >= lines_.size())
            throw DatabaseError(QStringLiteral("List index out of bounds (%1)").arg(index));
        lines_[index] = line;
    }
    // Runs at the start of every open; line changes made in it apply to that same open.
    void setBeforeOpen(Hook hook) { beforeOpen_ = std::move(hook); }

protected:
    void runBeforeOpen() {
        if (beforeOpen_)
            beforeOpen_(static_cast<Query&>(*this));
    }

private:
    QStringList lines_;
    Hook beforeOpen_;
};

} // namespace veska::catalogue
