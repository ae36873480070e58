// The menu item that shows and hides the lens panel, as the main dialog's context menu does
// the focus history: it acts on the panel of the stream that started last, is enabled while
// that panel exists (from the first Start until its filter goes, at the next "New") and checked
// while it is shown, however it was shown or closed.
#pragma once

class CSimLensPanel;
class QAction;
class QObject;

// A checkable "Simulated &Lens" item owned by `parent`; on the user-interface thread.
QAction* CreateSimLensPanelToggle(QObject* parent);

// For the stream observer: `panel` is the one the items now act on.
void FollowSimLensPanel(CSimLensPanel* panel);
