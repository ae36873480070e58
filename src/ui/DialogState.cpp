#include "ui/DialogState.h"

namespace {

using S = DialogState;

// New, Start/Stop, its text "Stop", Snapshot, timer 100; then where a plain "New" leads.
constexpr DialogStateRow kRows[] = {
    {S::NoCamera, "no camera", {true, false, false, false, false}, S::Stopped},
    {S::Stopped, "stopped", {true, true, false, false, false}, S::Stopped},
    {S::Running, "running", {false, true, true, true, true}, S::Stopped},
    // Unlike "Stop": a still can be taken after the operator closed the preview (it restarts
    // the preview), and "New" leaves "Snapshot" as it found it, so this state outlives a New.
    {S::ClosedByOperator,
     "closed by the operator",
     {true, true, false, true, false},
     S::ClosedByOperator},
    {S::CameraGone, "camera gone", {true, false, false, false, false}, S::Stopped},
};

}  // namespace

const DialogStateRow& RowOf(DialogState state) {
    for (const DialogStateRow& row : kRows) {
        if (row.state == state)
            return row;
    }
    return kRows[0];
}

DialogState StateAfterNew(DialogState before, bool bConnected, bool bRunning) {
    if (!bConnected)
        return before;
    return bRunning ? DialogState::Running : RowOf(before).afterNew;
}
