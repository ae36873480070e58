#include "ui/SaveFile.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "platform/log/Log.h"
#include "platform/mfc/MessageBox.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/win/ModuleName.h"
#include "ui/UiLog.h"

bool OpenForWriting(QSaveFile& file, QString& reason) {
    if (QFileInfo(file.fileName()).isDir()) {
        reason = QStringLiteral("it is a folder");
        return false;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    return true;
}

bool CommitWritten(QSaveFile& file, QString& reason) {
    // commit() alone is not trusted: Qt 6.4's can rename a file whose last flush failed. Written
    // unbuffered there is nothing left to flush, and the sync's result is looked at here.
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

bool WriteFileAtomically(const QString& path, const std::function<bool(QSaveFile&)>& write,
                         QString& reason) {
    QSaveFile file(path);
    if (!OpenForWriting(file, reason))
        return false;
    if (!write(file)) {
        if (reason.isEmpty())
            reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    return CommitWritten(file, reason);
}

bool WriteAll(QSaveFile& file, const void* data, size_t length) {
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const qint64 written = file.write(bytes, static_cast<qint64>(length));
        if (written <= 0)
            return false;
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

bool SaveBytes(const QString& path, const void* data, size_t length, QString& reason) {
    reason.clear();
    return WriteFileAtomically(
        path, [&](QSaveFile& file) { return WriteAll(file, data, length); }, reason);
}

void ReportSaveFailure(QWidget* owner, const char* what, const QString& path,
                       const QString& reason) {
    const QString name = QDir::toNativeSeparators(path);
    LogWarning(kLogUi, "%s could not be saved as \"%s\": %s", what, name.toUtf8().constData(),
               reason.toUtf8().constData());
    const CWinApp* app = AfxGetApp();
    const std::string caption = app ? app->m_pszAppName : GetModuleBaseName();
    const QString text = QStringLiteral("%1 could not be saved as \"%2\": %3.")
                             .arg(QString::fromLatin1(what), name, reason);
    MessageBox(HwndFromWidget(owner), text.toStdString(), caption, MB_OK | MB_ICONSTOP);
}
