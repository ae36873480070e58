#include "platform/mfc/DataExchange.h"

#include <QCheckBox>

#include "platform/mfc/Dialog.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CButton& control) {
    control.Attach(qobject_cast<QAbstractButton*>(pDX->m_pDlgWnd->GetDlgItem(nIDC)));
}

void DDX_Control(CDataExchange* pDX, int nIDC, CStatic& control) {
    control.Attach(qobject_cast<QLabel*>(pDX->m_pDlgWnd->GetDlgItem(nIDC)));
}

void DDX_Check(CDataExchange* pDX, int nIDC, BOOL& value) {
    auto* box = qobject_cast<QCheckBox*>(pDX->m_pDlgWnd->GetDlgItem(nIDC));
    if (!box)
        return;
    if (pDX->m_bSaveAndValidate)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}
