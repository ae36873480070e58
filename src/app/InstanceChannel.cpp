#include "app/InstanceChannel.h"

#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include "platform/log/Log.h"
#include "platform/win/NamedMutex.h"
#include "ui/UiLog.h"

namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

}  // namespace

CInstanceChannel::CInstanceChannel() = default;

CInstanceChannel::~CInstanceChannel() {
    if (m_pServer)
        m_pServer->close();
}

QString CInstanceChannel::SocketPath(const char* mutexName) {
    return QStringLiteral("%1/nitidor-%2-%3.socket")
        .arg(QString::fromLocal8Bit(NamedMutexDirectory()), QString::fromLocal8Bit(mutexName))
        .arg(getuid());
}

BOOL CInstanceChannel::Listen(const QString& path, std::function<void()> onRaise) {
    m_onRaise = std::move(onRaise);
    if (!m_pServer) {
        m_pServer = new QLocalServer(this);
        // In /tmp, where the runtime folder is missing, others could reach it too.
        m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_pServer, &QLocalServer::newConnection, this, &CInstanceChannel::TakeConnections);
    }
    QLocalServer::removeServer(path);
    if (!m_pServer->listen(path)) {
        LogWarning(kLogUi, "a second start cannot reach this copy: %s at %s",
                   m_pServer->errorString().toLocal8Bit().constData(),
                   path.toLocal8Bit().constData());
        return FALSE;
    }
    return TRUE;
}

void CInstanceChannel::TakeConnections() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // One short request a connection; anything else is not ours to act on.
            if (socket->bytesAvailable() < kRaiseRequest.size())
                return;
            const bool bRaise = socket->read(kRaiseRequest.size()) == kRaiseRequest;
            socket->abort();
            if (bRaise && m_onRaise)
                m_onRaise();
        });
    }
}

BOOL CInstanceChannel::AskToRaise(const QString& path, int timeout_ms) {
    const QDeadlineTimer deadline(timeout_ms);
    QLocalSocket socket;
    socket.connectToServer(path, QIODevice::WriteOnly);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return FALSE;
    socket.write(kRaiseRequest);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() ||
            !socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return FALSE;
    }
    socket.disconnectFromServer();
    return TRUE;
}

void BringToFront(QWidget* window) {
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != window) {
        modal->raise();
        modal->activateWindow();
    }
}
