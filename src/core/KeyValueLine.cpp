#include "core/KeyValueLine.h"

#include "core/TrimControls.h"

namespace veska {

KeyValueLineReading readKeyValueLine(QStringView line) {
    const qsizetype comment = line.indexOf(u'#');
    if (comment >= 0)
        line = line.left(comment);
    if (trimControls(line).isEmpty())
        return {};
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return {std::nullopt, true};
    return {
        KeyValueLine{trimControls(line.left(equals)).toLower(), trimControls(line.mid(equals + 1))},
        false};
}

} // namespace veska
