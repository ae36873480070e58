// CFocusHistoryWnd: the context menu, and the history as CSV on the clipboard or in a file.
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QSaveFile>

#include "platform/log/Log.h"
#include "platform/mfc/MessageBox.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/win/ModuleName.h"
#include "ui/FocusHistoryWnd.h"

void CFocusHistoryWnd::BuildMenu() {
    m_pToggle = new QAction(QStringLiteral("Focus &History"), this);
    m_pToggle->setCheckable(true);
    connect(m_pToggle, &QAction::triggered, this, [this](bool bChecked) {
        m_settings.bShown = bChecked ? TRUE : FALSE;
        if (bChecked)
            Open(true);
        else
            hide();
    });

    m_pMenu = new QMenu(this);
    connect(m_pMenu->addAction(QStringLiteral("&Copy as CSV")), &QAction::triggered, this,
            &CFocusHistoryWnd::CopyCsv);
    connect(m_pMenu->addAction(QStringLiteral("&Save as CSV...")), &QAction::triggered, this,
            &CFocusHistoryWnd::AskAndSaveCsv);
    m_pMenu->addSeparator();
    // The key is the window's own (keyPressEvent); the menu only names it.
    connect(m_pMenu->addAction(QStringLiteral("&Reset Peak\tR")), &QAction::triggered, this,
            &CFocusHistoryWnd::ResetPeak);
}

void CFocusHistoryWnd::contextMenuEvent(QContextMenuEvent* event) {
    m_pMenu->exec(event->globalPos());
}

void CFocusHistoryWnd::CopyCsv() const {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdString(m_history.ToCsv()));
}

BOOL CFocusHistoryWnd::SaveCsv(const QString& path) {
    const std::string csv = m_history.ToCsv();
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(csv.data(), static_cast<qint64>(csv.size())) ==
                           static_cast<qint64>(csv.size()) &&
                       file.commit();
    if (saved) {
        m_csvPath = path;
        return TRUE;
    }
    // An unfinished save leaves the file as it was; the temporary one goes with `file`.
    const std::string name = QDir::toNativeSeparators(path).toStdString();
    const std::string reason = file.errorString().toStdString();
    LogWarning(kLogUi, "the focus history could not be saved to \"%s\": %s", name.c_str(),
               reason.c_str());
    const std::string text =
        "The focus history could not be saved to \"" + name + "\".\n\n" + reason;
    const CWinApp* app = AfxGetApp();
    MessageBox(HwndFromWidget(this), text, app ? app->m_pszAppName : GetModuleBaseName(),
               MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}

void CFocusHistoryWnd::AskAndSaveCsv() {
    const QString suggested = m_csvPath.isEmpty()
                                  ? QDir::home().filePath(QStringLiteral("focus-history.csv"))
                                  : m_csvPath;
    QFileDialog dialog(this, QStringLiteral("Save Focus History as CSV"), suggested,
                       QStringLiteral("CSV files (*.csv);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // Blocks this window only: the read-out and the lens go on while a name is chosen.
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveCsv(dialog.selectedFiles().front());
}
