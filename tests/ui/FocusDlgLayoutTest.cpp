// The main dialog as built from its template, a failed New (its box and its trace in the log)
// and Escape, and the dialog-unit arithmetic beneath them.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <limits>

#include "FocusDlgFixture.h"
#include "fakes/RecordingLogSink.h"
#include "platform/mfc/DialogUnits.h"
#include "platform/win/WindowStyles.h"
#include "session/SessionLog.h"
#include "ui/DialogTemplates.h"
#include "ui/UiLog.h"

namespace {

// Every control of the template at its place and width in the dialog font's units, with its
// text; the dialog at the template's size.
void ExpectBuiltFrom(const CDialog& dlg, const DialogTemplate& tmpl) {
    const CDialogUnits units = CDialogUnits::FromFont(dlg.font());
    EXPECT_EQ(dlg.size(), QSize(units.ToPixelsX(tmpl.cx), units.ToPixelsY(tmpl.cy)));
    for (const DlgItemTemplate& item : tmpl.items) {
        if (item.id == IDC_STATIC)
            continue;
        QWidget* control = dlg.GetDlgItem(item.id);
        ASSERT_NE(control, nullptr) << item.id;
        EXPECT_EQ(control->pos(), QPoint(units.ToPixelsX(item.x), units.ToPixelsY(item.y)))
            << item.id;
        EXPECT_EQ(control->width(), units.ToPixelsX(item.x + item.cx) - units.ToPixelsX(item.x))
            << item.id;
        const auto* button = qobject_cast<const QAbstractButton*>(control);
        EXPECT_EQ(button ? button->text() : static_cast<const QLabel*>(control)->text(), item.text);
    }
}

using FocusDlgLayoutTest = FocusDlgFixture;

TEST_F(FocusDlgLayoutTest, MainDialogIsBuiltFromTemplate102) {
    ExpectBuiltFrom(*dlg, *FindDialogTemplate(IDD_FOCUS_DIALOG));
    EXPECT_TRUE(static_cast<QPushButton*>(dlg->GetDlgItem(IDC_NEW))->isDefault());
    EXPECT_FALSE(static_cast<QPushButton*>(dlg->GetDlgItem(IDC_STARTSTOP))->isDefault());
}

TEST_F(FocusDlgLayoutTest, NewWithoutACameraShows61205AndEscapeEndsTheDialog) {
    CRecordingLogSink log;
    Press(IDC_NEW);  // no camera is registered here
    EXPECT_EQ(CountBoxes(IDP_DEVICE_INIT_FAILED, MB_OK | MB_ICONEXCLAMATION), 1);
    // Why the sequence ended (the session) and which box the operator got (the dialog).
    EXPECT_EQ(log.Count(kLogSession, LogLevel::Info, {"connect failed", "Standard_Camera"}), 1);
    EXPECT_EQ(log.Count(kLogUi, LogLevel::Info, {"message box 61205"}), 1);
    EXPECT_EQ(boxes[0].caption, app->m_pszAppName);
    EXPECT_FALSE(Session().IsConnected());
    EXPECT_FALSE(IsEnabled(IDC_STARTSTOP));

    dlg->show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg.get(), &escape);
    EXPECT_EQ(dlg->result(), IDCANCEL);
    EXPECT_TRUE(dlg->isHidden());
}

TEST(DialogUnits, RoundHalvesAwayFromZeroThroughSixtyFourBits) {
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(big, big, big), big);  // the product alone would overflow
    EXPECT_EQ(MulDiv(big, 2, 1), -1);
    EXPECT_EQ(MulDiv(10, 10, 0), -1);
    const CDialogUnits units(6, 13);
    RECT rect{137, 16, 187, 30};
    units.MapDialogRect(&rect);
    EXPECT_EQ(rect.left, 206);             // 205.5
    EXPECT_EQ(rect.right, 281);            // 280.5
    EXPECT_EQ(rect.bottom, 49);            // 48.75
    EXPECT_EQ(units.ToPixelsY(271), 440);  // 440.375
}

}  // namespace
