"""The suite's own machinery, apart from the program it drives: running named steps in
order and reporting them, starting and stopping the program, waiting (bounded, never past
the run's budget) on what the accessibility interface and the screen show, and a few acts
common to every window."""

import os
import subprocess
import sys
import time
import traceback

import pyatspi

from desktop import Input, Rect, WindowManager, wait_until
from screen import Screen

BUDGET_S = 150  # every wait is cut short when the whole run would pass this

# The program's windows, and the green of a figure or region in focus.
MAIN, PREVIEW, LENS = "PXV58RL_V2.0.4.1 Nitidor", "ActiveMovie Window", "Simulated lens"
VIEW, HISTORY, SAVE, ABOUT = "Snapshot View", "Focus History", "Save As", "About Nitidor"
GREEN = (0x2E, 0x9D, 0x3A)


class StepFailed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise StepFailed(message)


def near(colour, expected, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


class Session:
    """Subclasses list their steps, by method name, in STEPS."""

    STEPS = []

    def __init__(self, args, program_env):
        self.args = args
        self.input = Input()
        self.wm = WindowManager()
        self.screen = Screen(args.framebuffer)
        self.env = dict(os.environ, **program_env)
        self.program_log = open(os.path.join(args.out, "nitidor.log"), "w")
        self.log = open(os.path.join(args.out, "e2e.log"), "w")
        self.process = None
        self.ui = None  # a desktop.Program once the program runs
        self.deadline = time.monotonic() + BUDGET_S
        self.screenshots_each_step = os.environ.get("NITIDOR_E2E_SCREENSHOTS") == "all"

    # ---- running -----------------------------------------------------------------------------

    def say(self, text):
        """To the terminal and to e2e.log alike."""
        for stream in (sys.stdout, self.log):
            print(text, file=stream, flush=True)

    def run(self):
        passed = 0
        try:
            for number, name in enumerate(self.STEPS, 1):
                self.say(f"[{number:2}/{len(self.STEPS)}] {name}")
                started = time.monotonic()
                try:
                    getattr(self, name)()
                    self.check_alive()
                except Exception as error:  # every failure ends the run the same way
                    self.report_failure(name, error)
                    break
                passed += 1
                self.say(f"        ok ({time.monotonic() - started:.1f} s)")
                if self.screenshots_each_step:
                    self.save_screenshot(f"e2e-{number:02}-{name}.png")
        finally:
            self.stop_program()
        failed = len(self.STEPS) - passed
        self.say(f"e2e: {passed} passed, {1 if failed else 0} failed"
                 + (f" ({failed - 1} not run)" if failed > 1 else ""))
        return 0 if failed == 0 else 1

    def report_failure(self, name, error):
        self.say(f"FAILED step '{name}': {error}")
        if not isinstance(error, (StepFailed, TimeoutError)):
            self.say(traceback.format_exc().rstrip())
        try:
            self.say(f"        screenshot: {self.save_screenshot(f'e2e-failed-{name}.png')}")
        except Exception as shot_error:
            self.say(f"        no screenshot: {shot_error}")

    def save_screenshot(self, file_name):
        path = os.path.join(self.args.out, file_name)
        self.screen.grab().save_png(path)
        return path

    def launch(self, **extra_env):
        return subprocess.Popen([self.args.program], cwd=self.args.workdir,
                                env=dict(self.env, **extra_env),
                                stdin=subprocess.DEVNULL, stdout=self.program_log,
                                stderr=subprocess.STDOUT)

    def stop_program(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()  # the program closes as "Exit" would
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def wait_ended(self, process, message):
        """The process's exit status once it ends within 10 s; else it is killed and the
        step fails with `message`."""
        try:
            return process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise StepFailed(message) from None

    def check_alive(self):
        if self.process and self.process.poll() is not None:
            raise StepFailed(f"the program ended (exit status {self.process.returncode})")

    def wait(self, what, probe, timeout_s=10, interval_s=0.1):
        """wait_until, also failing at once when the program has ended, and never past the
        suite's budget."""
        def alive_probe():
            self.check_alive()
            return probe()
        remaining = self.deadline - time.monotonic()
        if remaining <= 0:
            raise StepFailed(f"out of time for the whole suite before: {what}")
        return wait_until(what, alive_probe, min(timeout_s, remaining), interval_s)

    # ---- windows -----------------------------------------------------------------------------

    def window(self, title, timeout_s=10):
        return self.wait(f'the window "{title}" is shown', lambda: self.ui.window(title),
                         timeout_s)

    def close(self, title):
        """Closes the window from the window manager's frame and waits until it is gone."""
        self.wm.close(title)
        self.wait_gone(title)

    def wait_gone(self, title, timeout_s=10):
        self.wait(f'the window "{title}" is gone',
                  lambda: self.ui.window(title) is None and title not in self.wm.titles(),
                  timeout_s)

    def frame(self, title):
        """The window with the window manager's frame around it, where it is on the screen."""
        r = self.window(title).rect
        left, right, top, bottom = self.wm.frame_extents(title)
        return Rect(r.x - left, r.y - top, r.width + left + right, r.height + top + bottom)

    def control(self, title, role, name=None):
        widget = self.window(title).find(role, name)
        check(widget is not None, f'"{title}" has no {role} {name or ""}')
        return widget

    def assert_on_screen(self, title):
        frame = self.screen.grab()
        r = self.window(title).rect
        check(r.x >= 0 and r.y >= 0 and r.right <= frame.width and r.bottom <= frame.height,
              f'"{title}" ({r}) reaches off the {frame.width}x{frame.height} screen')

    def click(self, widget):
        self.input.click(*widget.rect.centre)

    def activate(self, title, x, y):
        """Clicks at (x, y) and waits until that made the window the active one."""
        self.input.click(x, y)
        self.wait(f'"{title}" is the active window',
                  lambda: self.window(title).has_state(pyatspi.STATE_ACTIVE), 5)

    def raise_window(self, title):
        """Clicks the middle of the window's title bar, as a person brings a window forward."""
        r = self.window(title).rect
        self.activate(title, r.x + r.width // 2, r.y - 8)

    def type_into(self, field, text):
        """Clicks into the field, replaces what it holds by typing, and presses Enter."""
        r = field.rect
        self.input.click(r.x + r.width // 3, r.y + r.height // 2)
        self.input.keys("ctrl+a")
        self.input.type_text(str(text))
        self.input.keys("Return")

    def settings_text(self):
        try:
            with open(self.args.settings, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return ""
        return data.decode("utf-16" if data.startswith(b"\xff\xfe") else "utf-8", "replace")
