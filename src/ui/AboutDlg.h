// CAboutDlg: the About box (template 100), opened from the main dialog's About item.
#pragma once

#include "platform/mfc/Dialog.h"

class CAboutDlg : public CDialog {
    Q_OBJECT

public:
    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
