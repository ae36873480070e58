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
from session import Session, StepFailed, check  # noqa: E402

MAIN_TITLE = "PXV58RL_V2.0.4.1 Nitidor"
PREVIEW_TITLE = "ActiveMovie Window"
LENS_TITLE = "Simulated lens"
CAMERA = "TestCam"


class CameraSuite(Session):
    STEPS = [
        "start_program",
        "choose_the_camera_from_the_menu",
        "connect_with_new",
        "start_shows_the_chart_and_a_figure",
        "stop_preview",
        "exit_keeps_the_choice",
    ]

    def __init__(self, args):
        runtime = os.environ["NITIDOR_E2E_PIPEWIRE_RUNTIME"]
        super().__init__(args, {"NITIDOR_REGISTRY_FILE": args.settings, "QT_QPA_PLATFORM": "xcb",
                                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                                "PIPEWIRE_RUNTIME_DIR": runtime})
        self.preload = os.environ["NITIDOR_E2E_PRELOAD"]

    def launch(self):
        # pw-v4l2 preloads PipeWire's V4L2 layer and becomes the program (same process).
        return subprocess.Popen([self.preload, self.args.program], cwd=self.args.workdir,
                                env=self.env, stdin=subprocess.DEVNULL,
                                stdout=self.program_log, stderr=subprocess.STDOUT)

    def button(self, name):
        return self.control(MAIN_TITLE, "push button", name)

    def start_stop(self):
        for widget in self.window(MAIN_TITLE).descendants():
            if widget.role == "push button" and widget.name in ("Start", "Stop"):
                return widget
        raise StepFailed('the main dialog has no button reading "Start" or "Stop"')

    def figure(self):
        labels = [w for w in self.window(MAIN_TITLE).descendants() if w.role == "label"]
        caption = next((w.rect for w in labels if w.name == "Focus Status:"), None)
        check(caption is not None, 'the main dialog has no "Focus Status:"')
        for label in labels:
            if abs(label.rect.y - caption.y) < 5 and label.rect.x >= caption.right:
                return label.name
        raise StepFailed("the main dialog has no figure")

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
        self.window(MAIN_TITLE, timeout_s=20)
        check(self.button("New").enabled, '"New" is not enabled')
        # As a person waits for the window to be there before reaching for its menu.
        self.wait("the main dialog is the active window",
                  lambda: self.window(MAIN_TITLE).has_state(pyatspi.STATE_ACTIVE), 10)

    def choose_the_camera_from_the_menu(self):
        kept = f'"CameraName"="{CAMERA}"'
        main = self.window(MAIN_TITLE).rect
        self.input.click(main.x + 6, main.y + 6, button=3)
        time.sleep(0.5)  # the menu opens
        # "Ca&mera", whose first item (the simulator) is active; the test camera is next.
        self.input.keys("m", "Down", "Return")
        self.wait(f"the settings keep {kept}", lambda: kept in self.settings_text(), 5)

    def connect_with_new(self):
        self.click(self.button("New"))
        self.wait('"Start" is enabled', lambda: self.start_stop().enabled, 15)
        raw = self.control(MAIN_TITLE, "check box", "RawData")
        check(not raw.enabled, '"RawData" is enabled for a camera without raw stills')

    def start_shows_the_chart_and_a_figure(self):
        self.click(self.start_stop())
        self.wait('the button reads "Stop"', lambda: self.start_stop().name == "Stop")
        preview = self.window(PREVIEW_TITLE).rect
        check(self.ui.window(LENS_TITLE) is None, "the simulator's lens panel opened")
        self.wait("the preview shows the chart", lambda: self.shows_chart(preview), 10)
        # The centre's MTF50 x 10000: the chart's edge is blurred by about a pixel.
        self.wait('"Focus Status:" shows a figure from the picture',
                  lambda: re.fullmatch(r"\d+", self.figure()) and 500 < int(self.figure()) < 5000,
                  10)
        self.save_screenshot("e2e-camera-preview.png")

    def stop_preview(self):
        self.click(self.start_stop())
        self.wait('the button reads "Start"', lambda: self.start_stop().name == "Start")
        check(self.button("New").enabled, '"New" is not enabled after "Stop"')

    def exit_keeps_the_choice(self):
        self.click(self.button("Exit"))
        try:
            status = self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise StepFailed('the program still runs 10 s after "Exit"') from None
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
