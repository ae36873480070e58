#include "ui/AboutDlg.h"

#include "ui/Resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

// Nothing to exchange: the box only shows the icon, the version and OK.
void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}
