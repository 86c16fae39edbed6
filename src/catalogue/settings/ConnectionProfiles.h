#pragma once
// Connection profiles: what a database alias means on this machine. The file
// "veska-aliases.conf" (see docs/connection-profiles.md) is looked up in the working
// directory, then in $XDG_CONFIG_HOME/consulta_veska/ (default ~/.config/consulta_veska/),
// then in /etc/consulta_veska/; the first file that names the alias decides. An alias that
// no file names goes to Firebird as it stands, so the server's own aliases work too.

#include <QString>
#include <QStringList>
#include <optional>

namespace veska::catalogue {

struct ConnectionTarget {
    // Handed to the Firebird client: a file path (embedded engine), "host[/port]:path" or
    // "host[/port]:server-alias", or the alias itself.
    QString database;
    // Connection character set: WIN1252 (default), UTF8 or NONE.
    QString charset = QStringLiteral("WIN1252");
    // Override the connection's fixed user name and password when given.
    std::optional<QString> user;
    std::optional<QString> password;
};

class ConnectionProfiles {
public:
    static inline const QString fileName = QStringLiteral("veska-aliases.conf");

    // The working directory, the user's configuration folder, the system's.
    static QStringList standardDirectories();

    // No directories: the standard ones, taken at each lookup (the working directory may
    // change between two connects).
    explicit ConnectionProfiles(QStringList directories = {});

    // Reads the profile files at each call, so an edited file applies at the next connect.
    // A file that exists but cannot be read or holds a malformed line raises DatabaseError.
    ConnectionTarget resolve(const QString& alias) const;

private:
    QStringList directories_;
};

} // namespace veska::catalogue
