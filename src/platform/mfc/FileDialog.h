// CFileDialog: the framework's Save As box, on Qt's own file dialog: a title, the folder it
// opens in, a suggested name and the file types offered. A name typed without a suffix takes
// the chosen type's, and replacing an existing file is asked first. It blocks its owner only.
// Tests install a hook that answers it instead of a person.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/win/WinTypes.h"

class QWidget;

class CFileDialog {
public:
    explicit CFileDialog(QWidget* pParentWnd) : m_pParentWnd(pParentWnd) {}

    // IDOK with the chosen path, or IDCANCEL.
    INT_PTR DoModal();
    QString GetPathName() const { return m_strPathName; }
    // The type chosen, as an index into m_filters.
    int GetFilterIndex() const { return m_nFilterIndex; }

    QWidget* const m_pParentWnd;
    QString m_strTitle;
    QString m_strFolder;
    QString m_strFileName;  // suggested, in m_strFolder
    // "PNG image (*.png)", ...; a filter's first pattern gives its suffix.
    QStringList m_filters;
    int m_nFilterIndex = 0;  // offered first; afterwards the one chosen
    QString m_strPathName;
};

// The suffix a filter's first pattern names ("png" for "PNG image (*.png)"), or empty.
QString FilterSuffix(const QString& filter);

using FileDialogHook = std::function<INT_PTR(CFileDialog& dialog)>;
// Installs `hook` (empty restores the real dialog) and returns the one it replaces.
FileDialogHook SetFileDialogHook(FileDialogHook hook);
