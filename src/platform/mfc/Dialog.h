// CDialog: a dialog window built from a dialog template, with the framework's life cycle:
// controls made from the template, OnInitDialog, data exchange, window messages routed to
// WindowProc (commands from buttons, posted messages, timers, WM_DESTROY), and a modal run
// that ends through EndDialog and destroys the window.
#pragma once

#include <QDialog>
#include <string>

#include "platform/mfc/DialogTemplate.h"
#include "platform/win/WinTypes.h"
#include "platform/win/WinUser.h"

class CDataExchange;

class CDialog : public QDialog {
    Q_OBJECT

public:
    explicit CDialog(int nIDTemplate, QWidget* pParent = nullptr);
    ~CDialog() override;

    // Creates the window, runs it modally until EndDialog, destroys it and returns the result
    // given to EndDialog (-1 when the window could not be created or initialised).
    INT_PTR DoModal();
    // Creates the window from the template and initialises it without running a loop (the
    // modal run uses it; tests drive dialogs this way). Nonzero on success; once only.
    BOOL Create();
    // Ends the modal run with `nResult`.
    void EndDialog(int nResult);
    // Sends WM_DESTROY once and hides the window; controls stay for whoever inspects them.
    void DestroyWindow();

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    QWidget* GetDlgItem(int nID) const;
    HWND GetSafeHwnd();
    // Delivers the message now, on this thread, as the framework's SendMessage does.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT elapse_ms);
    BOOL KillTimer(UINT_PTR nIDEvent);
    void SetWindowText(const std::string& text);

    BOOL m_bWindowCreated = FALSE;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();
    // Default handling: the OK and Cancel commands, and Close from the system menu.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    bool event(QEvent* e) override;
    // Escape, the close box and Enter without a default button all arrive here.
    void reject() override;
    void accept() override;

    const DialogTemplate& m_template;

private:
    void CreateControls();

    BOOL m_bDestroyed = FALSE;
};
