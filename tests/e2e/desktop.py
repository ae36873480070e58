"""The two ways the suite meets the program, both through the window system: input sent with
XTest (xdotool) or as window-manager requests (wmctrl), and what the accessibility interface
(AT-SPI) reports of the program's windows: their texts, states and places on the screen."""

import re
import subprocess
import time

import pyatspi


class Rect:
    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    centre = property(lambda self: (self.x + self.width // 2, self.y + self.height // 2))
    right = property(lambda self: self.x + self.width)
    bottom = property(lambda self: self.y + self.height)

    def contains(self, x, y):
        return self.x <= x < self.right and self.y <= y < self.bottom

    def __repr__(self):
        return f"{self.width}x{self.height} at ({self.x}, {self.y})"


def _xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=20)


class Input:
    """Mouse and keyboard through XTest, as if a person used them. The server takes one
    connection's requests in order, so a move is in place before the press that follows it
    (and xdotool's --sync would wait long for a pointer that is already there)."""

    def click(self, x, y, button=1):
        _xdotool("mousemove", x, y, "click", button)

    def point_at(self, x, y):
        _xdotool("mousemove", x, y)

    def keys(self, *names):
        _xdotool("key", "--delay", 40, *names)

    def type_text(self, text):
        _xdotool("type", "--delay", 40, text)

    def wheel(self, notches, ctrl=False):
        """Turns the wheel under the pointer: positive notches away from the user (button 4)."""
        button = 4 if notches > 0 else 5
        clicks = ["click", "--repeat", abs(notches), "--delay", 60, button]
        _xdotool(*(["keydown", "ctrl", *clicks, "keyup", "ctrl"] if ctrl else clicks))

    def drag(self, start, end, steps=12):
        """Left button down at `start`, moved in small steps to `end`, and released there."""
        (x0, y0), (x1, y1) = start, end
        args = ["mousemove", x0, y0, "mousedown", 1]
        for i in range(1, steps + 1):
            args += ["sleep", 0.02, "mousemove",
                     x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps]
        _xdotool(*args, "sleep", 0.05, "mouseup", 1)


class WindowManager:
    """Requests a person makes through the window manager's decorations."""

    def close(self, title):
        subprocess.run(["wmctrl", "-c", title], check=True, timeout=20)

    def window_id(self, title):
        """The X window of the shown top-level window with that title."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                "^" + re.escape(title) + "$"],
                               timeout=20, capture_output=True, text=True).stdout.split()
        if not found:
            raise LookupError(f'no shown window "{title}"')
        return found[0]

    def _property(self, window_id, name):
        return subprocess.run(["xprop", "-id", window_id, name], check=True,
                              timeout=20, capture_output=True, text=True).stdout

    def frame_extents(self, title):
        """The window manager's frame around the window: left, right, top, bottom."""
        extents = self._property(self.window_id(title), "_NET_FRAME_EXTENTS").split("=")[-1]
        found = re.findall(r"\d+", extents)
        return tuple(map(int, found)) if len(found) == 4 else (0, 0, 0, 0)

    def minimise(self, title):
        """Minimises the shown window and returns its X window, which stays when unmapped."""
        window_id = self.window_id(title)
        _xdotool("windowminimize", window_id)
        return window_id

    def is_minimised(self, window_id):
        return "_NET_WM_STATE_HIDDEN" in self._property(window_id, "_NET_WM_STATE")

    def titles(self):
        listing = subprocess.run(["wmctrl", "-l"], check=True, timeout=20,
                                 capture_output=True, text=True).stdout
        # "<id> <desktop> <host> <title>"; the host may be "N/A".
        return [line.split(None, 3)[3] for line in listing.splitlines()
                if len(line.split(None, 3)) == 4]


class Accessible:
    """One widget as the accessibility interface shows it; every read asks the program anew."""

    def __init__(self, acc):
        self._acc = acc

    def _fresh(self):
        self._acc.clearCache()
        return self._acc

    @property
    def name(self):
        return self._fresh().name

    @property
    def role(self):
        return self._acc.getRoleName()

    def has_state(self, state):
        return self._fresh().getState().contains(state)

    enabled = property(lambda self: self.has_state(pyatspi.STATE_ENABLED))
    showing = property(lambda self: self.has_state(pyatspi.STATE_SHOWING))
    checked = property(lambda self: self.has_state(pyatspi.STATE_CHECKED))

    @property
    def value(self):
        return self._acc.queryValue().currentValue

    @property
    def text(self):
        """What a text field holds, read-only ones included."""
        return self._fresh().queryText().getText(0, -1)

    @property
    def rect(self):
        """Where it is on the screen (for a window: its client area, frame left out)."""
        e = self._acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return Rect(e.x, e.y, e.width, e.height)

    def descendants(self):
        found = []

        def walk(acc):
            acc.clearCache()
            for child in acc:
                if child is not None:
                    found.append(Accessible(child))
                    walk(child)

        walk(self._acc)
        return found

    def find(self, role, name=None):
        """The first descendant of that role (and name, when given), or None."""
        return next((w for w in self.descendants()
                     if w.role == role and (name is None or w.name == name)), None)


class Program:
    """The program's windows, found through the accessibility registry by process id."""

    def __init__(self, pid):
        self._pid = pid

    def _application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.clearCache()
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == self._pid:
                    return app
            except RuntimeError:  # an application that left while we looked
                continue
        return None

    def window(self, title):
        """The top-level window with that title while it is shown, else None."""
        shown = self.windows(title)
        return shown[0] if shown else None

    def windows(self, title):
        """Every top-level window with that title that is shown (a dialog's own question
        may carry the dialog's title)."""
        app = self._application()
        if app is None:
            return []
        app.clearCache()
        windows = [Accessible(acc) for acc in app if acc is not None and acc.name == title]
        return [window for window in windows if window.showing]


def wait_until(what, probe, timeout_s, interval_s=0.1):
    """Polls `probe` until it returns something true and returns that; raises TimeoutError
    naming `what` and the last answer otherwise."""
    deadline = time.monotonic() + timeout_s
    last = None
    while True:
        try:
            last = probe()
        except (RuntimeError, LookupError) as error:  # a widget that went away under us
            last = error
        else:
            if last:
                return last
        if time.monotonic() >= deadline:
            raise TimeoutError(f"{what}: not so after {timeout_s:g} s (last seen: {last!r})")
        time.sleep(interval_s)
