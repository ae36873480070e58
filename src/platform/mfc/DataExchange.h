// CDataExchange: one transfer between a dialog's controls and its members, in the direction
// given; DDX_ routines bind controls and copy check states.
#pragma once

#include "platform/com/Types.h"
#include "platform/mfc/Button.h"
#include "platform/mfc/Static.h"

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
        : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;  // nonzero: controls -> members
};

// Attach control `nIDC` to the member; a control that is not there, or of another kind,
// leaves it unattached.
void DDX_Control(CDataExchange* pDX, int nIDC, CButton& control);
void DDX_Control(CDataExchange* pDX, int nIDC, CStatic& control);
// Check box state <-> 0 (unchecked) or 1 (checked).
void DDX_Check(CDataExchange* pDX, int nIDC, BOOL& value);
