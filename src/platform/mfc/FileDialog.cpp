#include "platform/mfc/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <utility>

#include "platform/win/WinUser.h"

namespace {
FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}
}  // namespace

QString FilterSuffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

INT_PTR CFileDialog::DoModal() {
    if (Hook())
        return Hook()(*this);
    QFileDialog dialog(m_pParentWnd, m_strTitle, m_strFolder);
    // Qt's own dialog everywhere: the same names, suffix rule and question on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(m_filters);
    if (m_nFilterIndex >= 0 && m_nFilterIndex < m_filters.size()) {
        dialog.selectNameFilter(m_filters[m_nFilterIndex]);
        dialog.setDefaultSuffix(FilterSuffix(m_filters[m_nFilterIndex]));
    }
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(FilterSuffix(filter)); });
    if (!m_strFileName.isEmpty())
        dialog.selectFile(m_strFolder.isEmpty() ? m_strFileName
                                                : QDir(m_strFolder).filePath(m_strFileName));
    // Blocks the window it was asked from, as the platform's box does; others stay usable.
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return IDCANCEL;
    m_strPathName = dialog.selectedFiles().constFirst();
    m_nFilterIndex = m_filters.indexOf(dialog.selectedNameFilter());
    return IDOK;
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
