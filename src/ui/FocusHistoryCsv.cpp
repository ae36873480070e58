// CFocusHistoryWnd: the context menu, and the history as CSV on the clipboard or in a file.
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>

#include "ui/FocusHistoryWnd.h"
#include "ui/SaveFile.h"

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
