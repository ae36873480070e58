#!/usr/bin/python3
"""The built program on a virtual X display, driven only through the window system as a
person drives it: XTest input, window-manager requests, and what the screen and the
accessibility interface show. run_e2e.sh provides the display, the window manager and the
buses and starts this; each step below is one thing a person does and what they then see.
A failing step saves a screenshot next to the log and ends the run."""

import argparse
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PIL import Image  # noqa: E402

from desktop import Program, Rect  # noqa: E402
from regions import RegionSteps  # noqa: E402
from session import (ABOUT, HISTORY, LENS, MAIN, PREVIEW, SAVE, VIEW,  # noqa: E402
                     Session, StepFailed, check, near)
from truth import TruthSteps  # noqa: E402

# The simulated lens: where it sits at power-up, where the chart is sharpest, and the
# figures the camera reports there at the default settings.
LENS_START, LENS_IN_FOCUS, LENS_MAX = 420, 620, 1000
FIGURE_AT_START, FIGURE_IN_FOCUS = 739, 19930
SLIDER_HANDLE_PX = 13  # about; a press anywhere on the handle grabs it

# The chart's registration marks, red-green-blue by corner, 78 pixels square in a full-size
# still of 2592 x 1944; JPEG and raw development both leave their flat colour close.
MARKS = {("top", "left"): (255, 0, 0), ("top", "right"): (0, 255, 0),
         ("bottom", "left"): (0, 0, 255), ("bottom", "right"): (255, 255, 0)}
MARK_PX = 78
STILL_WIDTH, STILL_HEIGHT = 2592, 1944
COLOUR_TOLERANCE = 48
MARK_EXTENT_TOLERANCE_PX = 2


class Suite(RegionSteps, TruthSteps, Session):
    STEPS = [
        "start_program",
        "second_copy_raises_the_first",
        "connect_with_new",
        "start_preview",
        "history_searches_at_start_up",
        "turn_lens_with_keys",
        "sweep_lens_with_wheel_to_peak",
        "focus_history_holds_the_peak",
        "drag_slider_and_type_position",
        "choose_ten_frames_a_second",
        "regions_outlined_on_preview_and_charted",
        "tilt_sets_the_corners_apart",
        "close_preview_from_window_manager",
        "start_preview_again",
        "lens_panel_reopened_from_the_menu",
        "take_jpeg_snapshot",
        "pan_jpeg_still_to_every_corner",
        "save_still_through_the_file_dialog",
        "take_raw_snapshot_and_pan",
        "measure_sharpness_of_the_still",
        "take_later_stills",
        "about_box_leaves_lens_usable",
        "stop_greys_the_history",
        "exit_saves_settings",
        "camera_unplugged_mid_preview",
    ]

    def __init__(self, args):
        super().__init__(args, {"NITIDOR_REGISTRY_FILE": args.settings, "QT_QPA_PLATFORM": "xcb",
                                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        self.view_corner = None  # the still's corner the snapshot view was last seen at
        self.figures_seen = None  # every figure read from the dialog, while a list

    # ---- what a person sees ------------------------------------------------------------------

    def button(self, name):
        return self.control(MAIN, "push button", name)

    def start_stop(self):
        """The button that reads "Start" or "Stop"."""
        for widget in self.window(MAIN).descendants():
            if widget.role == "push button" and widget.name in ("Start", "Stop"):
                return widget
        raise StepFailed('the main dialog has no button reading "Start" or "Stop"')

    def main_text(self, where):
        """The text right of "Focus Status:" (where="figure") or the status line under the
        buttons (where="status"), read as a person reads it: by its place."""
        labels = [w for w in self.window(MAIN).descendants() if w.role == "label"]
        caption = next((w.rect for w in labels if w.name == "Focus Status:"), None)
        check(caption is not None, 'the main dialog has no "Focus Status:"')
        for label in labels:
            r = label.rect
            if where == "figure" and abs(r.y - caption.y) < 5 and r.x >= caption.right:
                return label.name
            if where == "status" and r.y > caption.bottom + 40:
                return label.name
        raise StepFailed(f"the main dialog has no {where} text")

    def figure(self):
        text = self.main_text("figure")
        if self.figures_seen is not None and re.fullmatch(r"-?\d+", text):
            self.figures_seen.append(int(text))
        return text

    def history_text(self, name):
        """A read-out of the focus history window: "Figure", "Peak" or "Overflows"."""
        return self.control(HISTORY, "text", name).text

    def wait_history_follows(self):
        self.wait("the history shows the dialog's figure",
                  lambda: self.figure() and self.history_text("Figure") == self.figure(), 5)

    def lens_position(self):
        return int(self.control(LENS, "spin button", "Lens position").value)

    def wait_lens_at(self, position):
        self.wait(f"the lens position reads {position}",
                  lambda: self.lens_position() == position, 5)

    def wait_figure(self, expected):
        self.wait(f'"Focus Status:" reads {expected}', lambda: self.figure() == str(expected), 5)

    def wait_new_figure(self, previous):
        """The figure once it has moved off `previous` and held still for a third of a
        second (three of the dialog's read-outs)."""
        return self.settled_figure(previous, may_stay=False)

    def settled_figure(self, previous, may_stay=True):
        """The figure after the lens moved: once it leaves `previous` and holds still, or,
        where the lens may have stayed on the same figure, once it has held still for most
        of a second (the dialog reads it ten times a second)."""
        started = time.monotonic()

        def settled():
            first = self.figure()
            if not re.fullmatch(r"-?\d+", first):
                return None
            if first == str(previous) and not (may_stay and time.monotonic() - started > 0.8):
                return None
            time.sleep(0.35)
            return int(first) if self.figure() == first else None
        what = '"Focus Status:" settles' + ("" if may_stay else f" off {previous}")
        return self.wait(what, settled, 5)

    def shows_chart(self, r):
        """The chart's paper and, even blurred, its grey star show in the rectangle: the
        picture is neither black nor blank."""
        frame = self.screen.grab()
        samples = [sum(frame.pixel(r.x + r.width * i // 40, r.y + r.height * j // 30)) / 3
                   for i in range(1, 40) for j in range(1, 30)]
        grey = sum(s < 160 for s in samples) / len(samples)
        paper = sum(s > 200 for s in samples) / len(samples)
        return grey > 0.05 and paper > 0.3

    # ---- what a person does ------------------------------------------------------------------

    def press_new(self):
        self.click(self.button("New"))
        self.wait('"Start" is enabled', lambda: self.start_stop().enabled, 15)

    def press_start_stop(self, then):
        """Presses "Start" or "Stop" and waits until the button reads `then` and, where that
        is "Stop", for the preview window."""
        self.click(self.start_stop())
        self.wait(f'the button reads "{then}"', lambda: self.start_stop().name == then)
        if then == "Stop":
            self.window(PREVIEW)

    def dialog_menu(self, *keys):
        """Right-clicks the main dialog and picks from its menu with the keys."""
        main = self.window(MAIN).rect
        self.input.click(main.x + 6, main.y + 6, button=3)
        self.input.keys(*keys)

    def focus_lens_panel(self):
        """Clicks the lens panel's picture: the panel takes the keyboard, the lens stays."""
        thumbnail = self.control(LENS, "image")
        self.activate(LENS, *thumbnail.rect.centre)
        return thumbnail

    def lens_keys(self, *keys, to):
        """Keys pressed on the lens panel, and the lens position they lead to."""
        self.focus_lens_panel()
        self.input.keys(*keys)
        self.wait_lens_at(to)

    def wheel_lens(self, notches, to, ctrl=False):
        """The wheel turned under the pointer, and the lens position that leads to."""
        self.input.wheel(notches, ctrl=ctrl)
        self.wait_lens_at(to)

    def slider_handle(self):
        """Where the slider's handle sits for the current lens position."""
        r = self.control(LENS, "slider", "Lens").rect
        travel = r.width - SLIDER_HANDLE_PX
        return (r.x + SLIDER_HANDLE_PX // 2 + round(travel * self.lens_position() / LENS_MAX),
                r.y + r.height // 2)

    def turn_lens_off_focus_and_back(self):
        """A page up and down from the lens panel's keyboard: the figure drops and returns."""
        self.lens_keys("Prior", to=LENS_IN_FOCUS + 25)
        self.wait_new_figure(FIGURE_IN_FOCUS)
        self.input.keys("Next")
        self.wait_lens_at(LENS_IN_FOCUS)
        self.wait_figure(FIGURE_IN_FOCUS)

    # ---- the snapshot view -------------------------------------------------------------------

    def mark_problem(self, view, vertical, horizontal):
        """None when the view's corner shows the still's matching corner: the mark's colour
        in the corner pixels, and the mark's full 78 pixels along both edges from there
        (so the view reached the still's last row and column, not one short of them);
        otherwise what is seen instead."""
        frame = self.screen.grab()
        colour = MARKS[(vertical, horizontal)]

        def at(dx, dy):  # dx, dy pixels in from the view's corner
            x = view.right - 1 - dx if horizontal == "right" else view.x + dx
            y = view.bottom - 1 - dy if vertical == "bottom" else view.y + dy
            return frame.pixel(x, y)

        def marked(dx, dy):
            return near(at(dx, dy), colour, COLOUR_TOLERANCE)

        if not all(marked(d, d) for d in range(6)):
            return f"corner pixels {[at(d, d) for d in range(3)]}..., not the mark's {colour}"
        across = next((d for d in range(MARK_PX * 2) if not marked(d, MARK_PX // 2)), None)
        down = next((d for d in range(MARK_PX * 2) if not marked(MARK_PX // 2, d)), None)
        for extent, edge in ((across, "along the horizontal edge"), (down, "up the side")):
            if extent is None or abs(extent - MARK_PX) > MARK_EXTENT_TOLERANCE_PX:
                return f"the mark runs {extent} pixels {edge}, not {MARK_PX}"
        return None

    def pan_to(self, vertical, horizontal):
        """Drags the still with the left button, from the corner the view shows now, until
        the view's corner could show the still's matching corner; strokes stay inside the
        view and go as far as it allows."""
        view = self.window(VIEW).rect
        margin = 20
        left, right = view.x + margin, view.right - margin
        top, bottom = view.y + margin, view.bottom - margin
        middle_x, middle_y = view.centre
        now_vertical, now_horizontal = self.view_corner
        # The picture follows the mouse: to bring its right side in, drag to the left.
        if horizontal != now_horizontal:
            stroke = ((right, middle_y), (left, middle_y))
            for _ in range(-(-(STILL_WIDTH - view.width) // (right - left)) + 1):
                self.input.drag(*(stroke if horizontal == "right" else stroke[::-1]))
        if vertical != now_vertical:
            stroke = ((middle_x, top), (middle_x, bottom))
            for _ in range(-(-(STILL_HEIGHT - view.height) // (bottom - top)) + 1):
                self.input.drag(*(stroke if vertical == "top" else stroke[::-1]))

    def pan(self, vertical, horizontal):
        self.pan_to(vertical, horizontal)
        self.wait_corner(vertical, horizontal)

    def wait_corner(self, vertical, horizontal):
        view = self.window(VIEW).rect
        problem = None

        def shown():
            nonlocal problem
            problem = self.mark_problem(view, vertical, horizontal)
            return problem is None
        try:
            self.wait(f"the view shows the still's {vertical}-{horizontal} corner", shown, 5)
        except TimeoutError:
            raise StepFailed(f"the view's {vertical}-{horizontal} corner: {problem}") from None
        self.view_corner = (vertical, horizontal)

    def snapshot_into_view(self, kind):
        """Presses Snapshot, prints how long the still took to show, and waits for it in the
        view and for the preview to run again; leaves the view in front."""
        self.timed_snapshot_click(kind)
        self.window(VIEW, timeout_s=20)
        view = self.window(VIEW).rect
        check(view.width < STILL_WIDTH and view.height < STILL_HEIGHT,
              f"the view ({view}) is not smaller than the still; nothing to pan")
        # Each still shows first at the lower-left (or where the last was left, there too).
        self.wait_corner("bottom", "left")
        # The still is painted just before the program holds still for a second; it answers
        # this only after that, once the preview runs again and the lens panel has come
        # forward over the view.
        self.wait('the button still reads "Stop"', lambda: self.start_stop().name == "Stop", 10)
        self.window(PREVIEW)
        self.raise_window(VIEW)

    # ---- saving a still ----------------------------------------------------------------------

    def type_file_name(self, path):
        """Types the path into the file dialog's name field, over what it suggests."""
        dialog = self.window(SAVE)
        field = dialog.find("text", "File name:") or dialog.find("text")
        check(field is not None, f'"{SAVE}" has no field for the file name')
        self.type_into(field, path)

    def replace_question(self):
        """The file dialog's own question whether to replace a file, once it is shown."""
        for window in self.ui.windows(SAVE):
            if any(w.role == "label" and "already exists" in w.name
                   for w in window.descendants()):
                return window
        return None

    def saved_still_problem(self, path):
        """None when the file holds, pixel for pixel, what the snapshot view shows of the
        still: its lower-left part, both pan offsets being 0; otherwise the first difference."""
        view = self.window(VIEW).rect
        # The pointer is drawn into the screen, as large as a cursor is: keep it well off the
        # view, whose frame may reach the screen's corner.
        frame = self.screen.grab()
        clearance = 48
        around = Rect(view.x - clearance, view.y - clearance, view.width + 2 * clearance,
                      view.height + 2 * clearance)
        corners = [(frame.width - 2, frame.height - 2), (1, frame.height - 2),
                   (frame.width - 2, 1), (1, 1)]
        self.input.point_at(*next(c for c in corners if not around.contains(*c)))
        frame = self.screen.grab()
        with Image.open(path) as image:
            if image.size != (STILL_WIDTH, STILL_HEIGHT):
                return f"the file holds {image.size[0]}x{image.size[1]} pixels"
            still = image.convert("RGB")
        width, height = min(view.width, STILL_WIDTH), min(view.height, STILL_HEIGHT)
        shown = frame.region_rgb(view.x, view.y, width, height)
        saved = still.crop((0, STILL_HEIGHT - height, width, STILL_HEIGHT)).tobytes()
        if shown == saved:
            return None
        first = next(i for i in range(len(shown)) if shown[i] != saved[i]) // 3
        x, y = first % width, first // width
        return (f"at ({x}, {y}) of the view the screen shows {tuple(shown[3 * first:3 * first + 3])}"
                f", the file {tuple(saved[3 * first:3 * first + 3])}")

    # ---- the steps ---------------------------------------------------------------------------

    def start_program(self):
        self.process = self.launch()
        self.ui = Program(self.process.pid)
        main = self.window(MAIN, timeout_s=20)
        r = main.rect
        check(r.x < 20 and r.y < 60, f"the main dialog opens at {r}, not at the top-left")
        self.assert_on_screen(MAIN)
        check(self.button("New").enabled, '"New" is not enabled')
        check(not self.start_stop().enabled and self.start_stop().name == "Start",
              'the button does not read "Start", disabled')
        check(not self.button("Snapshot").enabled, '"Snapshot" is enabled')
        check(self.figure() == "" and self.main_text("status") == "",
              "the focus figure or the status line is not empty")
        check("EnhanceJPEG" not in self.settings_text(), "settings were written at start-up")

    def connect_with_new(self):
        self.press_new()
        check(self.start_stop().name == "Start", 'the button does not read "Start"')
        self.wait("the status line is cleared", lambda: self.main_text("status") == "", 5)
        check(not self.button("Snapshot").enabled, '"Snapshot" is enabled before "Start"')

    def start_preview(self):
        self.press_start_stop("Stop")
        self.window(LENS)
        check(not self.button("New").enabled, '"New" is enabled while previewing')
        check(self.button("Snapshot").enabled, '"Snapshot" is not enabled while previewing')
        self.wait_figure(FIGURE_AT_START)
        check(self.lens_position() == LENS_START, f"the lens is not at {LENS_START}")
        for title in (PREVIEW, LENS):
            self.assert_on_screen(title)
        self.check_clear_of(LENS, [PREVIEW])
        self.wait("the preview shows the chart",
                  lambda: self.shows_chart(self.window(PREVIEW).rect))

    def turn_lens_with_keys(self):
        self.lens_keys("Right", "Right", "Right", to=LENS_START + 3)
        nearer = self.wait_new_figure(FIGURE_AT_START)
        check(nearer > FIGURE_AT_START, f"the figure fell to {nearer} as the lens neared focus")
        self.lens_keys("Left", to=LENS_START + 2)
        self.lens_keys(*["Prior"] * 7, to=LENS_START + 2 + 7 * 25)  # Page Up
        nearest = self.wait_new_figure(nearer)
        check(nearest > nearer, f"the figure fell to {nearest} as the lens neared focus")
        self.lens_keys("Next", to=LENS_START + 2 + 6 * 25)  # Page Down
        self.wait_new_figure(nearest)
        self.lens_keys("Prior", to=LENS_START + 2 + 7 * 25)
        self.wait_figure(nearest)  # the same place gives the same figure

    def sweep_lens_with_wheel_to_peak(self):
        self.input.point_at(*self.focus_lens_panel().rect.centre)
        figure = int(self.figure())
        self.wheel_lens(3, to=600, ctrl=True)  # 597 to 600, a step a notch
        figures = {600: self.wait_new_figure(figure)}
        for position in range(605, 645, 5):  # a plain notch is 5 steps
            self.wheel_lens(1, to=position)
            # The figure rises to its one peak at focus and falls after it.
            figures[position] = self.settled_figure(figures[position - 5])
        self.say("        figures: " + ", ".join(f"{p}: {f}" for p, f in figures.items()))
        positions = sorted(figures)
        top = max(figures.values())
        check(top == FIGURE_IN_FOCUS and figures[LENS_IN_FOCUS] == top,
              f"the figure does not top out at {FIGURE_IN_FOCUS} at {LENS_IN_FOCUS}")
        check(figures[positions[0]] < top and figures[positions[-1]] < top,
              "the figure does not fall off on both sides of the focus")
        for a, b in zip(positions, positions[1:]):
            rises, falls = figures[b] > figures[a], figures[b] < figures[a]
            check(not (falls if b <= LENS_IN_FOCUS else rises),
                  f"the figure goes the wrong way between {a} and {b}")
        self.wheel_lens(-4, to=LENS_IN_FOCUS)
        self.wait_figure(FIGURE_IN_FOCUS)

    def focus_history_holds_the_peak(self):
        history = self.window(HISTORY)  # it opened with the preview
        self.assert_on_screen(HISTORY)
        self.check_clear_of(HISTORY, [MAIN, PREVIEW, LENS])
        self.wait_history_follows()
        # Away from focus, then the peak starts over with R in the history window.
        self.lens_keys("Next", to=LENS_IN_FOCUS - 25)
        away = self.wait_new_figure(FIGURE_IN_FOCUS)
        r = history.rect
        self.activate(HISTORY, r.x + r.width // 2, r.bottom - 40)  # on the chart
        self.input.keys("r")
        self.wait(f"the held peak starts over at {away}",
                  lambda: self.history_text("Peak") == str(away), 5)
        self.check_searching("right after Reset Peak")
        # Through the focus and out the other side with the wheel, noting every figure shown.
        self.input.point_at(*self.focus_lens_panel().rect.centre)
        self.figures_seen = [away]
        try:
            for position in range(LENS_IN_FOCUS - 20, LENS_IN_FOCUS + 30, 5):
                self.wheel_lens(1, to=position)
                self.settled_figure(self.figures_seen[-1])
            largest = max(self.figures_seen)
        finally:
            self.figures_seen = None
        self.say(f"        largest figure shown: {largest}")
        check(largest == FIGURE_IN_FOCUS, f"the dialog never showed {FIGURE_IN_FOCUS}")
        self.wait(f"the history holds {largest} as its peak",
                  lambda: self.history_text("Peak") == str(largest), 5)
        check(self.history_text("Overflows") == "0", "the history counted overflows")
        # Back to the focus: the history's figure turns green.
        self.wheel_lens(-5, to=LENS_IN_FOCUS)
        self.wait_figure(FIGURE_IN_FOCUS)
        self.wait("the history's figure reads the dialog's",
                  lambda: self.history_text("Figure") == str(FIGURE_IN_FOCUS), 5)
        self.wait("the history's figure is green at the peak",
                  lambda: self.looks_green("Figure"), 5)
        check(self.history_text("Peak") == str(FIGURE_IN_FOCUS), "the peak moved")
        check(self.history_text("Focus state") == "in focus",
              f'the history says "{self.history_text("Focus state")}" past the peak')

    def drag_slider_and_type_position(self):
        slider = self.control(LENS, "slider", "Lens").rect
        per_px = LENS_MAX / (slider.width - SLIDER_HANDLE_PX)

        def drag_handle(dx_px, expected):
            x, y = self.slider_handle()
            self.input.drag((x, y), (x + dx_px, y))
            # The handle's width is the style's: the position is known to a few steps.
            self.wait(f"the lens follows the slider to about {expected}",
                      lambda: abs(self.lens_position() - expected) <= 8, 5)

        away = LENS_IN_FOCUS - round(100 * per_px)
        drag_handle(-100, away)
        blurred = self.wait_new_figure(FIGURE_IN_FOCUS)
        check(blurred < FIGURE_IN_FOCUS / 2, f"the figure is still {blurred} near {away}")
        drag_handle(100, LENS_IN_FOCUS)
        self.set_spin(LENS, "Lens position", LENS_IN_FOCUS)
        self.wait_figure(FIGURE_IN_FOCUS)

    def close_preview_from_window_manager(self):
        self.close(PREVIEW)
        self.wait('the button reads "Start"', lambda: self.start_stop().name == "Start")
        check(self.button("New").enabled, '"New" is not enabled after the preview closed')
        check(self.start_stop().enabled, '"Start" is not enabled after the preview closed')
        self.check_history_says("Preview stopped", "after the preview window was closed")

    def start_preview_again(self):
        self.press_start_stop("Stop")
        self.turn_lens_off_focus_and_back()

    def take_jpeg_snapshot(self):
        check(not self.control(MAIN, "check box", "RawData").checked,
              '"RawData" is ticked')
        self.snapshot_into_view("JPEG")
        self.check_view_placed_clear()  # where its first show put it

    def pan_jpeg_still_to_every_corner(self):
        for corner in (("bottom", "right"), ("top", "right"), ("top", "left"),
                       ("bottom", "left")):
            self.pan(*corner)

    def save_still_through_the_file_dialog(self):
        # Ctrl+S in the view, a name without a suffix: the default type, PNG, is written.
        self.raise_window(VIEW)
        self.input.keys("ctrl+s")
        self.window(SAVE)
        target = os.path.join(self.args.workdir, "still-from-view")
        self.type_file_name(target)
        self.wait_gone(SAVE)
        path = target + ".png"
        self.wait(f"{path} is written", lambda: os.path.exists(path), 10)
        check(sorted(os.listdir(self.args.workdir)) == ["still-from-view.png"],
              f"the folder holds {sorted(os.listdir(self.args.workdir))}")
        problem = self.saved_still_problem(path)
        check(problem is None, f"the saved still is not what the view shows: {problem}")
        settings = self.settings_text()
        check('"SnapshotFormat"="PNG"' in settings and '"SnapshotFolder"=' in settings,
              f"the settings do not keep the folder and format:\n{settings}")

        # The same name again: the dialog asks first, and "No" leaves the file alone.
        written = os.stat(path).st_mtime_ns
        self.raise_window(VIEW)
        self.input.keys("ctrl+s")
        self.window(SAVE)
        self.type_file_name(path)
        question = self.wait("the file dialog asks whether to replace the file",
                             self.replace_question, 5)
        self.click(question.find("push button", "No"))
        self.wait("the question is answered", lambda: self.replace_question() is None, 5)
        self.input.keys("Escape")  # and the file dialog is left without saving
        self.wait_gone(SAVE)
        check(os.stat(path).st_mtime_ns == written, "the file was replaced after all")

    def tick_raw_data(self, ticked):
        raw_data = self.control(MAIN, "check box", "RawData")
        if raw_data.checked != ticked:
            self.click(raw_data)
            self.wait(f'"RawData" is {"ticked" if ticked else "clear"}',
                      lambda: raw_data.checked == ticked, 5)

    def take_raw_snapshot_and_pan(self):
        self.close(VIEW)
        self.tick_raw_data(True)
        # A new place of the lens: the camera renders this still afresh.
        self.lens_keys("Right", to=LENS_IN_FOCUS + 1)
        # Only a new still shows the closed view again.
        self.snapshot_into_view("raw")
        self.pan("bottom", "right")
        self.pan("bottom", "left")

    def take_later_stills(self):
        """A raw still and a JPEG still more, each at a place of the lens no still was taken
        at: what a click costs once the first still of its kind is done."""
        for kind, keys, lens in (("raw", ["Left"], LENS_IN_FOCUS - 1),
                                 ("JPEG", ["Right"] * 3, LENS_IN_FOCUS + 2)):
            self.tick_raw_data(kind == "raw")
            self.lens_keys(*keys, to=lens)
            self.snapshot_into_view(f"{kind}, a later one")
            self.close(VIEW)
        self.lens_keys("Left", "Left", to=LENS_IN_FOCUS)

    def about_box_leaves_lens_usable(self):
        self.dialog_menu("a")  # "&About Nitidor..."
        about = self.window(ABOUT)
        check(about.find("label", "Nitidor Version 1.0") is not None,
              'the About box does not say "Nitidor Version 1.0"')
        # The box blocks the main dialog: a tick there does not take.
        full_preview = self.control(MAIN, "check box", "FullPreview")
        box = full_preview.rect
        check(not about.rect.contains(*box.centre), "the About box covers FullPreview")
        self.click(full_preview)
        time.sleep(0.3)
        check(not full_preview.checked, "the main dialog takes input under the About box")
        # The lens panel does take input.
        self.turn_lens_off_focus_and_back()
        self.click(about.find("push button", "OK"))
        self.wait_gone(ABOUT)

    def exit_saves_settings(self):
        self.click(self.button("Exit"))
        status = self.wait_ended(self.process, 'the program still runs 10 s after "Exit"')
        self.process = None  # ended as it should; nothing left to stop
        check(status == 0, f"the program ended with status {status}")
        settings = self.settings_text()
        for name in ("EnhanceJPEG", "Cap10Bpp"):
            check(re.search(rf'^"{name}"=dword:0000000[01]$', settings, re.M),
                  f'the settings file lacks "{name}":\n{settings}')
        # Where the operator left the snapshot view, for its first show at the next start.
        for name in ("SnapshotViewLeft", "SnapshotViewTop", "SnapshotViewWidth",
                     "SnapshotViewHeight"):
            check(re.search(rf'^"{name}"=dword:[0-9a-f]{{8}}$', settings, re.M),
                  f'the settings file lacks "{name}":\n{settings}')



def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--settings", required=True)
    parser.add_argument("--framebuffer", required=True)
    return Suite(parser.parse_args()).run()


if __name__ == "__main__":
    sys.exit(main())
