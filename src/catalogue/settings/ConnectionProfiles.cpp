#include "catalogue/settings/ConnectionProfiles.h"

#include "catalogue/settings/TextFile.h"
#include "core/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace veska::catalogue {
namespace {

// A few profiles of four lines each; a longer file is refused.
constexpr qsizetype kProfileFileByteLimit = 64 * 1024;

[[noreturn]] void malformed(const QString& path, int lineNumber, const QString& what) {
    throw DatabaseError(QStringLiteral("%1, line %2: %3").arg(path).arg(lineNumber).arg(what));
}

// A file path goes to the embedded engine; it is taken relative to the profile's folder.
// "host:..." and "host/port:..." (and Firebird's "inet://..." forms) go to a server.
QString databaseFor(const QString& value, const QDir& profileFolder) {
    const bool isPath = value.startsWith(QLatin1Char('/')) || value.startsWith(QLatin1Char('.')) ||
                        !value.contains(QLatin1Char(':'));
    if (!isPath)
        return value;
    return QDir::cleanPath(profileFolder.absoluteFilePath(value));
}

// Looks the alias up in one profile file; nullopt when the file does not name it.
std::optional<ConnectionTarget> findInFile(const QString& path, const QString& alias) {
    FileStart file;
    try {
        file = readFileStart(path, kProfileFileByteLimit);
        if (file.cutShort)
            raiseFileTooLarge(path, kProfileFileByteLimit);
    } catch (const InOutError& error) {
        throw DatabaseError(QStringLiteral("%1: %2").arg(
            path, error.reason().isEmpty() ? error.text() : error.reason()));
    }
    const QList<QByteArray> lines = file.bytes.split('\n');
    const QDir folder = QFileInfo(path).absoluteDir();
    std::optional<ConnectionTarget> found;
    bool inSection = false;
    bool hasDatabase = false;
    int lineNumber = 0;
    int sectionLine = 0;
    const auto finishSection = [&]() {
        if (inSection && !hasDatabase)
            malformed(path, sectionLine, QStringLiteral("profile without \"database\""));
    };
    for (const QByteArray& bytes : lines) {
        ++lineNumber;
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')) || line.size() < 3)
                malformed(path, lineNumber, QStringLiteral("bad profile header"));
            finishSection();
            if (found)
                return found; // the alias's profile is complete
            const QString name = line.mid(1, line.size() - 2).trimmed();
            inSection = name.compare(alias, Qt::CaseInsensitive) == 0;
            hasDatabase = false;
            sectionLine = lineNumber;
            if (inSection)
                found.emplace();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || sectionLine == 0)
            malformed(path, lineNumber, QStringLiteral("expected \"key = value\" in a profile"));
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        if (key != u"database" && key != u"charset" && key != u"user" && key != u"password")
            malformed(path, lineNumber, QStringLiteral("unknown key \"%1\"").arg(key));
        if (!inSection)
            continue;
        if (key == u"database") {
            found->database = databaseFor(value, folder);
            hasDatabase = !value.isEmpty();
        } else if (key == u"charset") {
            found->charset = value.toUpper();
        } else if (key == u"user") {
            found->user = value;
        } else {
            found->password = value;
        }
    }
    finishSection();
    return found;
}

} // namespace

QStringList ConnectionProfiles::standardDirectories() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return {QDir::currentPath(), config + QStringLiteral("/consulta_veska"),
            QStringLiteral("/etc/consulta_veska")};
}

ConnectionProfiles::ConnectionProfiles(QStringList directories)
    : directories_(std::move(directories)) {}

ConnectionTarget ConnectionProfiles::resolve(const QString& alias) const {
    if (!alias.isEmpty()) {
        const QStringList directories =
            directories_.isEmpty() ? standardDirectories() : directories_;
        for (const QString& directory : directories) {
            const QString path = QDir(directory).filePath(fileName);
            // A FIFO or device of that name is refused by name, not skipped.
            if (!isExistingFile(path))
                continue;
            if (auto target = findInFile(path, alias))
                return *target;
        }
    }
    ConnectionTarget target;
    target.database = alias;
    return target;
}

} // namespace veska::catalogue
