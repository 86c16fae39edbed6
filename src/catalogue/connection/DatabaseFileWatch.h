#pragma once
// Notices that the database file of an embedded attachment was replaced on disk behind the
// engine's back: moved over (a new file under the name) or copied over in place ("cp
// backup.fdb loja.fdb", the same file rewritten). The engine would go on serving the old
// file's pages from its cache, mixed with the new file's.
//
// A look costs one stat of the path; only when the file's size or change time moved is its
// header page read (64 bytes). A copy in place is told by that header: the page that is
// no header (a copy in progress), another creation time (another database), or a page
// generation or next transaction number lower than seen before (an older copy of this
// database: the engine only ever raises both).

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace veska::catalogue {

class DatabaseFileWatch {
public:
    // Starts watching the file (an empty path watches nothing).
    void watch(const QString& file);
    const QString& file() const { return file_; }

    // Whether the file has been replaced since watch(); remembers what it saw otherwise.
    bool replaced();

private:
    struct Header {
        std::uint32_t generation = 0;
        std::uint32_t nextTransaction = 0;
        QByteArray creation;
    };
    struct Look {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        std::int64_t changedNs = 0;
    };
    static std::optional<Look> look(const QString& file);
    static std::optional<Header> readHeader(const QString& file);

    QString file_;
    std::optional<Look> look_;
    std::optional<Header> header_;
};

} // namespace veska::catalogue
