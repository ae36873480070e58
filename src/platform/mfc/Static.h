// CStatic: the dialog's handle on a static text, attached at data exchange.
#pragma once

#include <QLabel>
#include <QPointer>
#include <string>

class CStatic {
public:
    void Attach(QLabel* label) {
        if (!m_pLabel)
            m_pLabel = label;
    }
    QLabel* GetWidget() const { return m_pLabel; }

    // Repaints at once: the connect flow blocks the message loop while it reports progress.
    void SetWindowText(const std::string& text) {
        if (!m_pLabel)
            return;
        m_pLabel->setText(QString::fromStdString(text));
        if (m_pLabel->isVisible())
            m_pLabel->repaint();
    }
    std::string GetWindowText() const {
        return m_pLabel ? m_pLabel->text().toStdString() : std::string();
    }

private:
    QPointer<QLabel> m_pLabel;
};
