#include "app/ShopFolderInstance.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalSocket>

namespace veska::app {
namespace {

const QByteArray kForward = QByteArrayLiteral("forward\n");
// A running program answers from its event loop; connecting only needs its listening socket.
constexpr int kLocalWaitMs = 5000;

} // namespace

ShopFolderInstance::ShopFolderInstance(const QString& folder, QObject* parent)
    : QObject(parent), name_(socketName(folder)) {
    // An abstract socket leaves no file behind when a program dies.
    server_.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_.nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->canReadLine() && client->readLine() == kForward)
                    Q_EMIT forwardRequested();
            });
        }
    });
}

QString ShopFolderInstance::socketName(const QString& folder) {
    QFileInfo info(folder);
    const QString path =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray digest =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return QStringLiteral("consulta_veska-") + QString::fromLatin1(digest);
}

bool ShopFolderInstance::claim() {
    // Two starts at the same moment: one listens, the other finds it. A program that ended
    // between our two steps frees the name for the next attempt.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (server_.listen(name_))
            return true;
        if (server_.serverError() != QAbstractSocket::AddressInUseError)
            return true; // no local sockets here: every start runs, as before
        if (askRunningProgram())
            return false;
    }
    return true;
}

bool ShopFolderInstance::askRunningProgram() {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kLocalWaitMs))
        return false;
    socket.write(kForward);
    const bool sent = socket.waitForBytesWritten(kLocalWaitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kLocalWaitMs);
    return sent;
}

} // namespace veska::app
