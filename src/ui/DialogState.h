// The main dialog's states and, in one table, what its controls and its focus timer are in
// each. The dialog enters a state after every sequence and sets everything from its row.
#pragma once

enum class DialogState {
    NoCamera,          // nothing connected yet: "New" only
    Stopped,           // a camera, its preview stopped
    Running,           // the preview runs, and the focus read-out with it
    ClosedByOperator,  // the operator closed the preview's window: stopped, a still may be taken
    CameraGone,        // the stream failed and the camera was released: "New" first
};

// What a person sees of the controls, and whether timer 100 runs (the focus history follows
// the preview while it does).
struct DialogControls {
    bool bNew = false;        // "New" takes clicks
    bool bStartStop = false;  // "Start"/"Stop" takes clicks
    bool bStopText = false;   // it reads "Stop", else "Start"
    bool bSnapshot = false;   // "Snapshot" takes clicks
    bool bFocusTimer = false;

    bool operator==(const DialogControls&) const = default;
};

struct DialogStateRow {
    DialogState state;
    const char* name;
    DialogControls controls;
    // Where a "New" that connects, and resumes no preview, leads from here.
    DialogState afterNew;
};

const DialogStateRow& RowOf(DialogState state);
inline const DialogControls& ControlsOf(DialogState state) {
    return RowOf(state).controls;
}

// The state after "New": a "New" that failed leaves every control as it found it; one that
// resumed the preview shows it running; otherwise the row's afterNew.
DialogState StateAfterNew(DialogState before, bool bConnected, bool bRunning);
