#include "journal/LocalDay.h"
#include "journal/reports/Reports.h"
#include "terminal/ScanJournal.h"

namespace veska::journal {

std::vector<NotFoundCode> notFoundReport(SqliteConnection& db, const DayRange& days) {
    SqliteStatement query(
        db.handle(),
        "SELECT code, sum(count), min(first_ms), max(last_ms), group_concat(DISTINCT address) "
        "FROM code_daily WHERE outcome = ? AND day >= ? AND day <= ? "
        "GROUP BY code ORDER BY 2 DESC, code");
    query.bind(1, static_cast<std::int64_t>(terminal::ScanOutcome::NotFound))
        .bindText(2, days.from.empty() ? std::string("0000") : days.from)
        .bindText(3, days.to.empty() ? std::string("9999") : days.to);
    std::vector<NotFoundCode> codes;
    while (query.step()) {
        NotFoundCode code{query.text(0), query.integer(1), query.integer(2), query.integer(3), {}};
        for (const QString& address : query.text(4).split(u','))
            code.terminals.push_back(address.toUInt());
        std::sort(code.terminals.begin(), code.terminals.end());
        codes.push_back(std::move(code));
    }
    return codes;
}

} // namespace veska::journal
