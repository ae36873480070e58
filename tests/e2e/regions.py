"""The steps of the suite that concern the five regions measured from the picture: what the
focus history and the preview show of them, the tilt they reveal, the preview's rate, a
still's measurement, and how long a still takes to appear. Mixed into the suite, whose
helpers (windows, controls, the lens panel, snapshots) they use."""

import re
import time

from session import GREEN, HISTORY, LENS, PREVIEW, VIEW, StepFailed, check, near

REGIONS = {"C": "Centre", "TL": "Top left", "TR": "Top right", "BL": "Bottom left",
           "BR": "Bottom right"}
# Where each region lies in a 640 x 480 preview frame: left, top, side.
PREVIEW_REGIONS = {"C": (280, 200, 80), "TL": (56, 32, 80), "TR": (504, 32, 80),
                   "BL": (56, 368, 80), "BR": (504, 368, 80)}
SEARCHING_AMBER = (0xF0, 0xA0, 0x00)  # an outline still searching
# The regions' lines on the history chart; where they coincide the last drawn shows.
TRACES = [(0x7B, 0x3F, 0xA0), (0xE0, 0x7B, 0x00), (0x1A, 0x9E, 0x77), (0xC2, 0x18, 0x5B),
          (0x6D, 0x8B, 0x00)]
STILL_OUTLINES = [(0x1F, 0x78, 0xD1), (0xD0, 0x20, 0x20), (0x9A, 0x9A, 0x9A)]
STILL_MARK_BLUE = (0, 0, 255)  # the still's lower-left registration mark, 78 pixels square
MTF50 = re.compile(r"\d\.\d{4}")
TILT_X = 60  # lens steps: the left of the picture is in focus 60 steps before its right


class RegionSteps:

    # ---- what a person sees ------------------------------------------------------------------

    def region_text(self, short, what):
        """A region's read-out in the history window: what="MTF50", "peak" or "state"."""
        return self.history_text(f"{REGIONS[short]} {what}")

    def region_value(self, short):
        text = self.region_text(short, "MTF50")
        return float(text) if MTF50.fullmatch(text) else None

    def looks_green(self, name):
        r = self.control(HISTORY, "text", name).rect
        return near(self.screen.grab().pixel(r.x + 3, r.y + 3), GREEN, 8)

    def check_searching(self, when):
        self.wait(f'the history says "searching" {when}',
                  lambda: self.history_text("Focus state") == "searching", 5)
        check(not self.looks_green("Figure"), f"the history's figure is green {when}")
        states = {short: self.region_text(short, "state") for short in REGIONS}
        check("in focus" not in states.values(), f"a region is in focus {when}: {states}")

    def outline_colour(self, short):
        """The colour on the preview where the region's left outline runs, or None."""
        preview = self.window(PREVIEW).rect
        sx, sy = preview.width / 640, preview.height / 480
        left, top, side = PREVIEW_REGIONS[short]
        frame = self.screen.grab()
        y = preview.y + round((top + side / 2) * sy)
        for dx in range(3):
            colour = frame.pixel(preview.x + int(left * sx) + dx, y)
            if near(colour, GREEN, 40) or near(colour, SEARCHING_AMBER, 40):
                return colour
        return None

    def set_spin(self, title, name, value):
        """Types the value into the spin box, and waits until it reads so."""
        self.type_into(self.control(title, "spin button", name), value)
        self.wait(f'"{name}" reads {value}',
                  lambda: int(self.control(title, "spin button", name).value) == value, 5)

    # ---- the steps ---------------------------------------------------------------------------

    def history_searches_at_start_up(self):
        self.wait_history_follows()
        time.sleep(0.5)  # more figures, all at the lens's start: its own peak, never passed
        self.check_searching("at start-up")

    def choose_ten_frames_a_second(self):
        self.press_start_stop("Start")  # Stop: "New" takes the rate
        self.dialog_menu("r", "0")  # "Preview &Rate", "1&0 Frames per Second"
        self.wait("the settings keep 10 frames a second",
                  lambda: '"PreviewRate"=dword:0000000a' in self.settings_text(), 5)
        self.press_new()
        self.press_start_stop("Stop")
        self.wait("the five regions read values",
                  lambda: all(self.region_value(short) for short in REGIONS), 5)
        # Ten readings a second: the regions follow the lens as the figure does.
        self.lens_keys("Next", to=595)
        self.wait("the centre falls as the lens leaves focus",
                  lambda: (self.region_value("C") or 1) < 0.9 * self.peak_of("C"), 3)
        self.lens_keys("Prior", to=620)
        self.wait('the centre reads "in focus", on green, back at the peak',
                  lambda: self.region_text("C", "state") == "in focus"
                  and self.looks_green("Centre MTF50"), 3)

    def peak_of(self, short):
        text = self.region_text(short, "peak")
        found = MTF50.search(text)
        if not found:
            raise StepFailed(f"the {REGIONS[short]} peak reads {text!r}")
        return float(found.group())

    def regions_outlined_on_preview_and_charted(self):
        for short in REGIONS:
            self.wait(f"the {REGIONS[short]} region is outlined on the preview",
                      lambda: self.outline_colour(short), 3)
        self.wait("the centre's outline is green",
                  lambda: near(self.outline_colour("C") or (0, 0, 0), GREEN, 40), 3)
        chart = next((w.rect for w in self.window(HISTORY).descendants()
                      if w.name == "Focus history chart"), None)
        check(chart is not None, "the history window has no chart")
        self.input.click(chart.x + chart.width // 2, chart.bottom - 40, button=3)
        self.input.keys("g")  # "Show Re&gions in Chart"
        # The regions' lines, below the key at the chart's top.
        plot = (chart.x, chart.y + 25, chart.width, chart.height - 50)

        def traced():
            frame = self.screen.grab()
            return sum(frame.count_near(plot, colour, 30) for colour in TRACES) >= 40
        self.wait("the chart draws the regions' lines", traced, 5)

    def tilt_sets_the_corners_apart(self):
        """A tilt through the lens panel, then the lens where the picture's left is in focus
        and where its right is: the left and right corners disagree, and the tilt read-out
        points at the sharper side."""
        self.set_spin(LENS, "Tilt X", TILT_X)
        for lens, arrow, sharper, softer in ((620 - TILT_X // 2, "\u2190", "L", "R"),
                                             (620 + TILT_X // 2, "\u2192", "R", "L")):
            self.set_spin(LENS, "Lens position", lens)

            def leans():
                tilt = self.history_text("Tilt left-right")
                pairs = [(self.region_value(row + sharper), self.region_value(row + softer))
                         for row in ("T", "B")]
                apart = all(a and b and a > 1.1 * b for a, b in pairs)
                return tilt if apart and tilt.startswith(arrow) else None
            tilt = self.wait(f"the {'left' if sharper == 'L' else 'right'} corners are the "
                             f"sharper at {lens}, and the tilt says so", leans, 5)
            self.say(f"        lens {lens}: " + ", ".join(
                f"{s} {self.region_text(s, 'MTF50')}" for s in REGIONS) + f"; {tilt}")
        self.set_spin(LENS, "Tilt X", 0)
        self.set_spin(LENS, "Lens position", 620)
        self.wait_figure(19930)

    def timed_snapshot_click(self, kind):
        """Clicks "Snapshot" and prints how long the still took to be painted on the screen:
        from the click to the first frame that holds its lower-left registration mark. The
        time starts before the click is sent, so it holds the sending too."""
        button = self.button("Snapshot")
        check(not self.screen.grab().has_run(STILL_MARK_BLUE, 48, 70, 16),
              "a still's mark is on the screen before the click")
        self.input.point_at(*button.rect.centre)
        clicked = time.monotonic()
        self.click(button)
        self.wait(f"a {kind} still is painted", lambda: self.screen.grab().has_run(
            STILL_MARK_BLUE, 48, 70, 16), 20, interval_s=0.005)
        self.say(f"        click to still painted ({kind}): "
                 f"{(time.monotonic() - clicked) * 1000:.0f} ms")

    def measure_sharpness_of_the_still(self):
        self.raise_window(VIEW)
        view = self.window(VIEW).rect
        self.input.click(*view.centre, button=3)
        self.input.keys("m")  # "&Measure Sharpness"
        box = self.wait("the view lists the five regions",
                        lambda: next((w for w in self.window(VIEW).descendants()
                                      if w.role == "label" and w.name.startswith("MTF50")),
                                     None), 5)
        values = dict(re.findall(r"\b(C|TL|TR|BL|BR) (\S+)", box.name))
        self.say(f"        {box.name!r}")
        check(len(values) == 5 and all(MTF50.fullmatch(v) for v in values.values()),
              f"the view does not list five values: {box.name!r}")
        self.input.point_at(view.right - 2, view.bottom - 2)  # the menu's trace off the picture
        if self.screenshots_each_step:
            self.save_screenshot("e2e-measured-still.png")
        frame = self.screen.grab()
        area = (view.x, view.y, view.width, view.height)
        check(any(frame.count_near(area, colour, 12) > 200 for colour in STILL_OUTLINES),
              "no region is outlined on the still")
        self.close(VIEW)  # done with it; it hides and the lens panel shows again
        self.lens_keys("Left", to=620)  # back from the raw still's new place to the focus
