// The read-outs of the focus history window: text a person reads from across the bench and an
// assistive tool reads by name, never a field to type in.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <QString>

// A read-out's background while its value means "in focus".
inline constexpr QRgb kInFocusBackground = 0xFF2E9D3A;  // green
// A read-out's text while what it shows is not live (the preview stopped, no figure comes).
inline constexpr QRgb kStaleText = 0xFF8C8C8C;  // grey

// A frameless, read-only line that takes no focus, no clicks and no menu (they go to the
// window), with the window's colours and `accessibleName`.
QLineEdit* MakeReadout(const QString& accessibleName,
                       Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter);
// Sets the text only when it differs, so an unchanged read-out is not repainted.
void SetTextIfChanged(QLineEdit* readout, const QString& text);
// White on green when `bInFocus`, else the window's own colours; only when it changes.
void ShowInFocusColours(QWidget* readout, bool bInFocus);
// The window's background with kStaleText; only when it changes.
void ShowStaleColours(QWidget* readout);
// The text colour alone, only when it changes.
void SetTextColour(QLineEdit* readout, const QColor& colour);
