"""The steps of the suite that concern a screen that tells the truth: the focus history greys
out once its figure is not live (a stopped preview, a closed preview window, a camera pulled
out mid-preview), the lens panel comes back from the dialog's menu, the snapshot view opens
clear of the windows the operator works in, and a second copy brings the first to the front.
Mixed into the suite, whose helpers (windows, controls, the lens panel) they use."""

import time

import pyatspi

from desktop import Program
from session import GREEN, HISTORY, LENS, MAIN, PREVIEW, VIEW, check

STOPPED, NO_FIGURE = "Preview stopped", "No figure from the camera"
UNPLUG_AFTER_MS = 9000


def overlaps(a, b):
    return a.x < b.right and b.x < a.right and a.y < b.bottom and b.y < a.bottom


class TruthSteps:

    # ---- what a person sees ------------------------------------------------------------------

    def check_history_says(self, text, when):
        """The history's figure box says `text` instead of a figure, and nothing in it is the
        green of a figure in focus."""
        self.wait(f'the history says "{text}" {when}', lambda: self.history_text("Figure") == text,
                  5)
        box = self.control(HISTORY, "text", "Figure").rect
        frame = self.screen.grab()
        check(frame.count_near((box.x, box.y, box.width, box.height), GREEN, 8) == 0,
              f"the history's figure box is green {when}")
        check(self.history_text("Focus state") == "",
              f'the history still says "{self.history_text("Focus state")}" {when}')

    def check_clear_of(self, title, others):
        """No part of the window's frame lies over the frame of any of the others shown."""
        mine = self.frame(title)
        for other in others:
            if self.ui.window(other) is None:
                continue
            theirs = self.frame(other)
            check(not overlaps(mine, theirs),
                  f'"{title}" ({mine}) covers part of "{other}" ({theirs})')

    # ---- the steps ---------------------------------------------------------------------------

    def second_copy_raises_the_first(self):
        dialog = self.wm.minimise(MAIN)
        self.wait("the main dialog is minimised", lambda: self.wm.is_minimised(dialog), 5)
        status = self.wait_ended(self.launch(), "a second copy still runs after 10 s")
        check(status == 0, f"the second copy ended with status {status}")
        self.wait("the first copy's dialog is back from its minimised state",
                  lambda: not self.wm.is_minimised(dialog), 5)
        # Active, and still so half a second on: the window manager has settled, and a person
        # would not click sooner.
        settled = None

        def stays_active():
            nonlocal settled
            if self.wm.is_minimised(dialog) or \
                    not self.window(MAIN).has_state(pyatspi.STATE_ACTIVE):
                settled = None
                return False
            settled = settled or time.monotonic()
            return time.monotonic() - settled >= 0.5
        self.wait("the first copy's dialog is the active window", stays_active, 5)
        check(self.wm.titles().count(MAIN) == 1, "there is more than one main dialog")
        check(self.button("New").enabled, 'the first copy\'s "New" is no longer enabled')

    def lens_panel_reopened_from_the_menu(self):
        self.close(LENS)
        self.dialog_menu("l")  # "Simulated &Lens"
        self.window(LENS)
        self.assert_on_screen(LENS)
        self.check_clear_of(LENS, [PREVIEW])
        self.turn_lens_off_focus_and_back()

    def check_view_placed_clear(self):
        """The snapshot view, at its first show, covers neither the preview, the lens panel
        nor the history."""
        self.window(VIEW, timeout_s=20)
        self.assert_on_screen(VIEW)
        self.check_clear_of(VIEW, [PREVIEW, LENS, HISTORY])

    def stop_greys_the_history(self):
        check(self.start_stop().name == "Stop", "the preview does not run")
        self.press_start_stop("Start")
        self.check_history_says(STOPPED, "after Stop")
        # The way back: the figures come back at "Start", the dialog's own figure too.
        self.press_start_stop("Stop")
        self.wait_history_follows()

    def camera_unplugged_mid_preview(self):
        """A second run whose camera is pulled out 9 s after the program started: the
        preview's error abort releases it ("New" first, "Start" and "Snapshot" off) and the
        history says that no figure comes."""
        self.process = self.launch(NITIDOR_SIM=f"unplug-after-ms={UNPLUG_AFTER_MS}")
        self.ui = Program(self.process.pid)
        self.window(MAIN, timeout_s=20)
        self.press_new()
        self.press_start_stop("Stop")
        self.wait_history_follows()
        self.wait('"Start"/"Stop" is disabled once the camera is gone',
                  lambda: not self.start_stop().enabled, UNPLUG_AFTER_MS / 1000 + 5)
        check(self.start_stop().name == "Start", 'the button does not read "Start"')
        check(self.button("New").enabled, '"New" is not enabled after the camera was lost')
        check(not self.button("Snapshot").enabled, '"Snapshot" is enabled without a camera')
        check(self.main_text("status") == "", "the status line says something")
        self.check_history_says(NO_FIGURE, "once the camera is gone")
