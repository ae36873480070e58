// CFocusHistoryWnd: the context menu, and the history as CSV on the clipboard or in a file.
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

#include "platform/mfc/FileDialog.h"
#include "platform/win/WinUser.h"
#include "ui/FocusHistoryWnd.h"
#include "ui/SaveFile.h"
#include "ui/StillSaveSettings.h"

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
    m_pRegionTraces = m_pMenu->addAction(QStringLiteral("Show Re&gions in Chart"));
    m_pRegionTraces->setCheckable(true);
    connect(m_pRegionTraces, &QAction::triggered, this, &CFocusHistoryWnd::ShowRegionTraces);
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
    QString reason;
    if (!SaveBytes(path, csv.data(), csv.size(), reason)) {
        ReportSaveFailure(this, "The focus history", path, reason);
        return FALSE;
    }
    m_csvPath = path;
    return TRUE;
}

// In the folder of the last CSV saved, else where the last still or CSV went in any run, as
// the still's dialogs do; a CSV saved is where the next one starts, still or CSV.
void CFocusHistoryWnd::AskAndSaveCsv() {
    CFileDialog dialog(this);
    dialog.m_strTitle = QStringLiteral("Save Focus History as CSV");
    dialog.m_filters = {QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")};
    if (!m_csvPath.isEmpty()) {
        const QFileInfo last(m_csvPath);
        dialog.m_strFolder = last.absolutePath();
        dialog.m_strFileName = last.fileName();
    } else {
        dialog.m_strFolder = LoadStillSaveSettings().folder;
        if (dialog.m_strFolder.isEmpty())
            dialog.m_strFolder = QDir::homePath();
        dialog.m_strFileName = QStringLiteral("focus-history.csv");
    }
    if (dialog.DoModal() != IDOK)
        return;
    const QString path = dialog.GetPathName();
    if (SaveCsv(path))
        RememberStillSave(QFileInfo(path).absolutePath());
}
