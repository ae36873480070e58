// The dialogs as built from their templates: every control's id, text, kind and position in
// dialog units, the tab order, the default button, Escape, the About item, strings and icon.
#include <QAbstractButton>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include "FocusDlgFixture.h"
#include "platform/win/WindowStyles.h"
#include "ui/AboutDlg.h"
#include "ui/AppIcon.h"
#include "ui/DialogUnits.h"

namespace {

CDialogUnits UnitsOf(const QWidget& w) {
    return CDialogUnits::FromFont(w.font());
}

void ExpectLaidOut(const CDialog& dlg, const DialogTemplate& tmpl) {
    const CDialogUnits units = UnitsOf(dlg);
    EXPECT_EQ(dlg.width(), units.ToPixelsX(tmpl.cx));
    EXPECT_EQ(dlg.height(), units.ToPixelsY(tmpl.cy));
    for (const DlgItemTemplate& item : tmpl.items) {
        if (item.id == IDC_STATIC)
            continue;
        QWidget* control = dlg.GetDlgItem(item.id);
        ASSERT_NE(control, nullptr) << item.id;
        EXPECT_EQ(control->x(), units.ToPixelsX(item.x)) << item.id;
        EXPECT_EQ(control->y(), units.ToPixelsY(item.y)) << item.id;
        EXPECT_EQ(control->width(), units.ToPixelsX(item.x + item.cx) - units.ToPixelsX(item.x));
    }
}

using FocusDlgLayoutTest = FocusDlgFixture;

TEST_F(FocusDlgLayoutTest, MainDialogHasEveryControlOfTemplate102) {
    struct Expected {
        int id;
        const char* text;
        const char* kind;
    };
    const Expected expected[] = {{IDC_NEW, "New", "QPushButton"},
                                 {IDCANCEL, "Exit", "QPushButton"},
                                 {IDC_STARTSTOP, "Start", "QPushButton"},
                                 {IDC_FOCUS, "", "QLabel"},
                                 {IDC_STATUS, "", "QLabel"},
                                 {IDC_SNAPSHOT, "Snapshot", "QPushButton"},
                                 {IDC_FULLPREVIEW, "FullPreview", "QCheckBox"},
                                 {IDC_RAWDATA, "RawData", "QCheckBox"}};
    for (const Expected& e : expected) {
        QWidget* control = dlg->GetDlgItem(e.id);
        ASSERT_NE(control, nullptr) << e.id;
        EXPECT_STREQ(control->metaObject()->className(), e.kind);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            EXPECT_EQ(button->text().toStdString(), e.text);
        else
            EXPECT_EQ(static_cast<QLabel*>(control)->text().toStdString(), e.text);
    }
    EXPECT_EQ(dlg->findChildren<QLabel*>().size(), 3);  // with "Focus Status:"
    EXPECT_TRUE(static_cast<QPushButton*>(dlg->GetDlgItem(IDC_NEW))->isDefault());
    EXPECT_FALSE(static_cast<QPushButton*>(dlg->GetDlgItem(IDC_STARTSTOP))->isDefault());
    ExpectLaidOut(*dlg, *FindDialogTemplate(IDD_FOCUS_DIALOG));
}

TEST_F(FocusDlgLayoutTest, TabOrderFollowsTheTemplate) {
    const int order[] = {IDC_NEW,      IDCANCEL,        IDC_STARTSTOP,
                         IDC_SNAPSHOT, IDC_FULLPREVIEW, IDC_RAWDATA};
    QWidget* w = dlg->GetDlgItem(order[0]);
    for (size_t i = 1; i < std::size(order); ++i) {
        do {
            w = w->nextInFocusChain();
        } while (w->focusPolicy() == Qt::NoFocus);
        EXPECT_EQ(w, dlg->GetDlgItem(order[i])) << i;
    }
}

TEST_F(FocusDlgLayoutTest, EscapeAndExitEndTheDialogWithCancel) {
    dlg->show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg.get(), &escape);
    EXPECT_EQ(dlg->result(), IDCANCEL);
    EXPECT_TRUE(dlg->isHidden());

    dlg->setResult(0);
    dlg->show();
    static_cast<QAbstractButton*>(dlg->GetDlgItem(IDCANCEL))->click();
    EXPECT_EQ(dlg->result(), IDCANCEL);
}

TEST_F(FocusDlgLayoutTest, EnterPressesNewUnlessAnotherPushButtonHasTheFocus) {
    dlg->show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    dlg->GetDlgItem(IDC_RAWDATA)->setFocus();
    QCoreApplication::sendEvent(dlg->GetDlgItem(IDC_RAWDATA), &enter);
    // No camera is registered here: "New" ran and could not open one.
    EXPECT_EQ(CountBoxes(IDP_DEVICE_INIT_FAILED, MB_OK | MB_ICONEXCLAMATION), 1);

    dlg->GetDlgItem(IDCANCEL)->setFocus();
    QCoreApplication::sendEvent(dlg->GetDlgItem(IDCANCEL), &enter);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(dlg->result(), IDCANCEL);
}

TEST_F(FocusDlgLayoutTest, ContextMenuCloseEndsTheDialog) {
    ASSERT_NE(dlg->m_pSystemMenu, nullptr);
    dlg->show();
    dlg->m_pSystemMenu->actions().at(0)->trigger();
    EXPECT_EQ(dlg->result(), IDCANCEL);
    EXPECT_TRUE(dlg->isHidden());
}

TEST_F(FocusDlgLayoutTest, AboutItemOpensTemplate100Modally) {
    ASSERT_NE(dlg->m_pSystemMenu, nullptr);
    QAction* about = nullptr;
    for (QAction* action : dlg->m_pSystemMenu->actions()) {
        if (action->text() == "&About Nitidor...")
            about = action;
    }
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(dlg->m_pSystemMenu->actions().at(1)->isSeparator());

    std::string caption;
    QString version;
    bool hasOk = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle().toStdString();
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                version = label->text();
        }
        auto* ok = qobject_cast<QPushButton*>(box->GetDlgItem(IDOK));
        hasOk = ok && ok->isDefault() && ok->text() == "OK";
        ExpectLaidOut(*box, *FindDialogTemplate(IDD_ABOUTBOX));
        ok->click();
    });
    about->trigger();
    EXPECT_EQ(caption, "About Nitidor");
    EXPECT_EQ(version, "Nitidor Version 1.0");
    EXPECT_TRUE(hasOk);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(StringTable, TextsAreVerbatim) {
    EXPECT_EQ(LoadResString(101), "&About Nitidor...");
    EXPECT_EQ(LoadResString(102), "Start");
    EXPECT_EQ(LoadResString(103), "Stop");
    EXPECT_EQ(LoadResString(61205),
              "Device can't be initialized. Please check driver or hardware settings.");
    EXPECT_EQ(LoadResString(61207),
              "An error has occurred when accessing the device. It is possible that USB "
              "connection is dropped unexpectly or some other hardware setting problem. The "
              "application will be terminated. Please verify USB connection and hardware "
              "settings and then restart the application.");
    EXPECT_EQ(LoadResString(104), "");
}

TEST(AppIcon, BothSizesUseAtMostSixteenColoursAndAreNotBlank) {
    EnsureQtApp();
    for (int size : {32, 16}) {
        const QImage icon = RenderAppIcon(size);
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_LE(icon.colorCount(), 16);
        QSet<QRgb> used;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                used.insert(icon.pixel(x, y));
        EXPECT_GE(used.size(), 4) << size;  // a drawing, not a flat square
    }
    EXPECT_EQ(LoadAppIcon().availableSizes().size(), 2);
}

}  // namespace
