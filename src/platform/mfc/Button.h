// CButton: the dialog's handle on a push button or check box, attached at data exchange.
#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <string>

#include "platform/com/Types.h"

class CButton {
public:
    // The first attachment wins, as a control is bound once.
    void Attach(QAbstractButton* button) {
        if (!m_pButton)
            m_pButton = button;
    }
    QAbstractButton* GetWidget() const { return m_pButton; }

    BOOL EnableWindow(BOOL bEnable) {
        if (!m_pButton)
            return FALSE;
        const BOOL wasDisabled = !m_pButton->isEnabled();
        m_pButton->setEnabled(bEnable != FALSE);
        return wasDisabled;
    }
    BOOL IsWindowEnabled() const { return m_pButton && m_pButton->isEnabled(); }
    void SetWindowText(const std::string& text) {
        if (m_pButton)
            m_pButton->setText(QString::fromStdString(text));
    }
    std::string GetWindowText() const {
        return m_pButton ? m_pButton->text().toStdString() : std::string();
    }

private:
    QPointer<QAbstractButton> m_pButton;
};
