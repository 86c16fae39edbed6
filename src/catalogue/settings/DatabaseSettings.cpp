#include "catalogue/settings/DatabaseSettings.h"

#include "catalogue/connection/Database.h"
#include "catalogue/settings/TextFile.h"
#include "core/TrimControls.h"

namespace veska::catalogue {
namespace {

// CONF_ARQ.SYS: only its first line counts, a path, and a longer line than this names no
// file; the rest is not read.
constexpr qsizetype kConfArqByteLimit = 4096;
// SYS_INFO.INI: a handful of lines of the shop's installation; a longer file is refused.
constexpr qsizetype kSysInfoByteLimit = 64 * 1024;

} // namespace

QString aliasFromLine(const QString& line) {
    return trimControls(line.mid(14, 30));
}

bool readPathFlag() {
    if (!isExistingFile(confArqFileName))
        return false;
    TextFileReader confArq(confArqFileName, kConfArqByteLimit);
    return isExistingFile(confArq.readLine());
}

void loadDatabaseSettings(Database& database) {
    const bool pathFlag = readPathFlag();
    TextFileReader sysInfo(sysInfoFileName, kSysInfoByteLimit);
    if (sysInfo.cutShort())
        raiseFileTooLarge(sysInfoFileName, kSysInfoByteLimit);
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
