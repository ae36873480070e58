// CSnapshotViewDlg: saving the still it shows, from its context menu or Ctrl+S.
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <algorithm>
#include <memory>

#include "platform/mfc/FileDialog.h"
#include "platform/mfc/WindowHandle.h"
#include "session/StillKind.h"
#include "ui/SaveFile.h"
#include "ui/SnapshotViewDlg.h"
#include "ui/StillFile.h"
#include "ui/StillSaveSettings.h"

namespace {

// A name that sorts by time and does not replace the last one saved.
QString SuggestedName(const QString& suffix) {
    return QStringLiteral("snapshot-%1.%2")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")), suffix);
}

// Before anything was saved: the user's pictures, else where the program was started.
QString DefaultFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::currentPath();
}

}  // namespace

void CSnapshotViewDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_pImage)
        return;
    QMenu menu(this);
    menu.addAction(m_pSaveAsAction);
    if (m_source.pKind) {
        menu.addAction(QString::fromLatin1(m_source.pKind->Info().saveMenu), this,
                       &CSnapshotViewDlg::OnSaveSource);
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Measure Sharpness"), this,
                   &CSnapshotViewDlg::OnMeasureSharpness);
    menu.exec(event->globalPos());
}

bool CSnapshotViewDlg::AskSavePath(const QString& title, const QStringList& filters,
                                   int& filterIndex, QString& path) {
    CFileDialog dlg(this);
    dlg.m_strTitle = title;
    dlg.m_strFolder = LoadStillSaveSettings().folder;
    if (dlg.m_strFolder.isEmpty())
        dlg.m_strFolder = DefaultFolder();
    dlg.m_filters = filters;
    dlg.m_nFilterIndex = filterIndex;
    dlg.m_strFileName = SuggestedName(FilterSuffix(filters.value(filterIndex)));
    if (dlg.DoModal() != IDOK)
        return false;
    path = dlg.GetPathName();
    filterIndex = dlg.GetFilterIndex();
    return true;
}

void CSnapshotViewDlg::OnSaveAs() {
    if (!m_pImage)
        return;
    const QImage image = StillImage(m_pImage.get(), m_bmih.biWidth, m_bmih.biHeight);
    if (image.isNull()) {
        ReportSaveFailure(this, "The still", QString(),
                          QStringLiteral("there is not enough memory"));
        return;
    }
    QStringList filters;
    for (const StillFormatInfo& info : StillFormats())
        filters << QString::fromLatin1(info.filter);
    int index = static_cast<int>(LoadStillSaveSettings().format);
    QString path;
    if (!AskSavePath(QStringLiteral("Save As"), filters, index, path))
        return;
    // The name's own suffix decides; a name without a known one takes the type chosen.
    const StillFormat format = StillFormatFromPath(path).value_or(
        index >= 0 && index < filters.size() ? StillFormats()[static_cast<size_t>(index)].format
                                             : StillFormat::Png);
    QString reason;
    if (!SaveStillImage(path, image, format, reason)) {
        ReportSaveFailure(this, "The still", path, reason);
        return;
    }
    RememberStillSave(QFileInfo(path).absolutePath(), &format);
}

void CSnapshotViewDlg::OnSaveSource() {
    if (!m_source.pKind || !m_source.Data())
        return;
    const StillKindInfo& info = m_source.pKind->Info();
    // A copy: the file dialog runs the event loop, and a new still may replace this one.
    const int width = m_bmih.biWidth;
    const int height = m_bmih.biHeight;
    CStillSource source;
    source.pKind = m_source.pKind;
    source.length = m_source.length;
    source.phase = m_source.phase;
    source.block = std::make_unique<BYTE[]>(m_source.length);
    std::copy_n(m_source.Data(), m_source.length, source.block.get());
    int index = 0;
    QString path;
    if (!AskSavePath(QString::fromLatin1(info.saveTitle), {QString::fromLatin1(info.saveFilter)},
                     index, path)) {
        return;
    }
    QString reason;
    if (!SaveStillSource(path, source, width, height, reason)) {
        ReportSaveFailure(this, "The still", path, reason);
        return;
    }
    RememberStillSave(QFileInfo(path).absolutePath());
}
