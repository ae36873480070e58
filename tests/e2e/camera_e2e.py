#!/usr/bin/python3
"""A real camera end to end: the program under PipeWire's V4L2 layer (tests/pipewire starts
the stack and a source "TestCam" showing a chart), driven as a person would: choose the camera
from the main dialog's context menu, "New", "Start", see the chart in the preview and a figure
from the picture, "Stop", "Exit". run_e2e.sh starts this when NITIDOR_E2E_SUITE=camera."""

import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pyatspi  # noqa: E402

from desktop import Program  # noqa: E402
from nitidor_e2e import Suite  # noqa: E402
from session import LENS, MAIN, PREVIEW, check  # noqa: E402

CAMERA = "TestCam"


class CameraSuite(Suite):
    """The simulator suite's ways of reading and pressing the dialog, on other steps."""

    STEPS = [
        "start_program",
        "choose_the_camera_from_the_menu",
        "connect_with_new",
        "start_shows_the_chart_and_a_figure",
        "stop_preview",
        "exit_keeps_the_choice",
    ]

    def __init__(self, args):
        super().__init__(args)
        self.env["PIPEWIRE_RUNTIME_DIR"] = os.environ["NITIDOR_E2E_PIPEWIRE_RUNTIME"]
        self.preload = os.environ["NITIDOR_E2E_PRELOAD"]

    def launch(self):
        # pw-v4l2 preloads PipeWire's V4L2 layer and becomes the program (same process).
        return subprocess.Popen([self.preload, self.args.program], cwd=self.args.workdir,
                                env=self.env, stdin=subprocess.DEVNULL,
                                stdout=self.program_log, stderr=subprocess.STDOUT)

    def shows_chart(self, r):
        """The chart's grey card and its dark squares, as the source sends them."""
        frame = self.screen.grab()
        samples = [sum(frame.pixel(r.x + r.width * i // 40, r.y + r.height * j // 30)) / 3
                   for i in range(1, 40) for j in range(1, 30)]
        ink = sum(s < 90 for s in samples) / len(samples)
        paper = sum(170 < s < 230 for s in samples) / len(samples)
        return ink > 0.05 and paper > 0.5

    # ---- the steps ---------------------------------------------------------------------------

    def start_program(self):
        self.process = self.launch()
        self.ui = Program(self.process.pid)
        self.window(MAIN, timeout_s=20)
        check(self.button("New").enabled, '"New" is not enabled')
        # As a person waits for the window to be there before reaching for its menu.
        self.wait("the main dialog is the active window",
                  lambda: self.window(MAIN).has_state(pyatspi.STATE_ACTIVE), 10)

    def choose_the_camera_from_the_menu(self):
        kept = f'"CameraName"="{CAMERA}"'
        main = self.window(MAIN).rect
        self.input.click(main.x + 6, main.y + 6, button=3)
        time.sleep(0.5)  # the menu opens
        # "Ca&mera", whose first item (the simulator) is active; the test camera is next.
        self.input.keys("m", "Down", "Return")
        self.wait(f"the settings keep {kept}", lambda: kept in self.settings_text(), 5)

    def connect_with_new(self):
        self.press_new()
        raw = self.control(MAIN, "check box", "RawData")
        check(not raw.enabled, '"RawData" is enabled for a camera without raw stills')

    def start_shows_the_chart_and_a_figure(self):
        self.press_start_stop("Stop")
        preview = self.window(PREVIEW).rect
        check(self.ui.window(LENS) is None, "the simulator's lens panel opened")
        self.wait("the preview shows the chart", lambda: self.shows_chart(preview), 10)
        # The centre's MTF50 x 10000: the chart's edge is blurred by about a pixel.
        self.wait('"Focus Status:" shows a figure from the picture',
                  lambda: re.fullmatch(r"\d+", self.figure()) and 500 < int(self.figure()) < 5000,
                  10)
        self.save_screenshot("e2e-camera-preview.png")

    def stop_preview(self):
        self.press_start_stop("Start")
        check(self.button("New").enabled, '"New" is not enabled after "Stop"')

    def exit_keeps_the_choice(self):
        self.click(self.button("Exit"))
        status = self.wait_ended(self.process, 'the program still runs 10 s after "Exit"')
        self.process = None
        check(status == 0, f"the program ended with status {status}")
        check(f'"CameraName"="{CAMERA}"' in self.settings_text(), "the choice was not kept")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("--program", "--out", "--workdir", "--settings", "--framebuffer"):
        parser.add_argument(name, required=True)
    return CameraSuite(parser.parse_args()).run()


if __name__ == "__main__":
    sys.exit(main())
