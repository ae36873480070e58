// CInstanceChannel: how a second start reaches the copy that runs, so that starting the utility
// again brings its main dialog to the front: a local socket in the runtime folder, named after
// the single-instance mutex and the user. The copy that holds the mutex listens; a second copy
// asks and ends, whether or not anybody answered.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "platform/com/Types.h"

class QLocalServer;
class QWidget;

// How long a second copy waits, in all, for the running one to take its request.
inline constexpr int kRaiseRequestWait_ms = 1000;

class CInstanceChannel : public QObject {
public:
    CInstanceChannel();
    ~CInstanceChannel() override;  // stops listening and removes the socket file

    // "<runtime folder>/nitidor-<mutex>-<user id>.socket".
    static QString SocketPath(const char* mutexName);
    // For the copy that holds the mutex: listens at `path`, first removing a socket file that a
    // copy which died left there (none other can be listening while the mutex is held).
    // `onRaise` runs on this thread for each request. FALSE, logged, when it cannot listen.
    BOOL Listen(const QString& path, std::function<void()> onRaise);
    // For a second copy: asks the copy listening at `path` to come to the front, waiting at most
    // `timeout_ms` in all. FALSE when nobody took the request.
    static BOOL AskToRaise(const QString& path, int timeout_ms);

private:
    void TakeConnections();

    QLocalServer* m_pServer = nullptr;
    std::function<void()> m_onRaise;
};

// Brings the top-level `window` to the front: restored if minimised, shown, raised and
// activated; a modal box open over it comes with it.
void BringToFront(QWidget* window);
