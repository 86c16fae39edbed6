#include "catalogue/DatabaseSettings.h"

#include "catalogue/Database.h"
#include "catalogue/TextFile.h"
#include "core/TrimControls.h"

namespace veska::catalogue {

QString aliasFromLine(const QString& line) {
    return trimControls(line.mid(14, 30));
}

bool readPathFlag() {
    if (!isExistingFile(confArqFileName))
        return false;
    TextFileReader confArq(confArqFileName);
    return isExistingFile(confArq.readLine());
}

void loadDatabaseSettings(Database& database) {
    const bool pathFlag = readPathFlag();
    TextFileReader sysInfo(sysInfoFileName);
    const QString line1 = sysInfo.readLine();
    if (pathFlag) {
        database.setAlias(aliasFromLine(line1));
        database.connect();
        return;
    }
    const QString alias = aliasFromLine(sysInfo.readLine());
    if (!alias.isEmpty()) {
        database.setAlias(alias);
        database.connect();
    }
}

} // namespace veska::catalogue
