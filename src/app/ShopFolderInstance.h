#pragma once
// One program per shop folder. The first start in a folder listens on a local socket named
// after the folder's canonical path; a later start there finds it, asks the running program
// to bring its window forward and ends (the operator started the program twice). Starts in
// other folders use other names and are not affected.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace veska::app {

class ShopFolderInstance : public QObject {
    Q_OBJECT
public:
    explicit ShopFolderInstance(const QString& folder, QObject* parent = nullptr);

    // True when this process is now the folder's program; false when another one runs there
    // and has been asked to come forward.
    bool claim();
    // The socket name for a folder (the same for every spelling of its path).
    static QString socketName(const QString& folder);

Q_SIGNALS:
    // A later start in the folder asks for the window.
    void forwardRequested();

private:
    bool askRunningProgram();

    QString name_;
    QLocalServer server_;
};

} // namespace veska::app
