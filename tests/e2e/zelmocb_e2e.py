#!/usr/bin/env python3
"""End-to-end runs of zelmocb on a private virtual X server.

Each case builds a scratch folder with a copy of the program (the settings
file is read from the program's own folder, which /proc/self/exe gives with
links resolved), a Zelmo.ini that maps drives C: and D: to scratch trees, and
an application list; it then drives the windows with the keyboard only.

Usage: zelmocb_e2e.py --program ZELMOCB --cli ZELMOCB_CLI --screenshots DIR CASE
"""
import ctypes
import ctypes.util
import os
import random
import select
import signal
import shutil
import subprocess
import sys
import tempfile
import time

from e2e_support import Failure, case_arguments, check, screenshot, wait_for

WINDOW_TITLE = "Zelmo CB"
SPLASH_TITLE = "Form1"
SPLASH_SIZE = (312, 64)
SPLASH_BACKGROUND = (128, 128, 255)
MAIN_SIZE = (246, 274)
MAIN_BACKGROUND = (192, 192, 192)
PICTURE_RECT = (112, 200, 73, 64)
PICTURE_SCREEN_BLUE = (0, 64, 160)  # the monitor's screen in the picture


class Display:
    """A private Xvfb server.

    Display numbers are drawn at random from a wide range rather than taken
    lowest-free, so that a test never starts on a number whose earlier server
    is still shutting down (it would remove the new server's socket).
    """

    def __init__(self):
        for _ in range(50):
            number = random.randint(100, 9999)
            if os.path.exists("/tmp/.X%d-lock" % number):
                continue
            if self.start(number):
                self.name = ":%d" % number
                self.env = dict(os.environ, DISPLAY=self.name)
                wait_for("the X server to take connections",
                         lambda: self.xdotool("getdisplaygeometry"), 10, 0.05)
                return
        raise Failure("Xvfb did not start")

    def start(self, number):
        """Starts a server on the display; False when it is taken."""
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-screen", "0",
             "1024x768x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        reported = b""
        deadline = time.monotonic() + 20
        while not reported.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0, deadline - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            reported += chunk
        os.close(read_end)
        if reported.strip() == str(number).encode():
            return True
        self.close()
        return False

    def close(self):
        self.server.terminate()
        try:
            self.server.wait(10)
        except subprocess.TimeoutExpired:
            self.server.kill()

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                                text=True)
        return result.stdout if result.returncode == 0 else None

    def windows(self, title):
        """Visible windows whose title is exactly title."""
        out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title)
        return [int(w) for w in out.split()] if out else []

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", str(window)) or ""
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def focused_window(self):
        out = self.xdotool("getwindowfocus", "-f")
        return int(out) if out and out.strip().isdigit() else None

    def key(self, *keys):
        self.xdotool("key", "--delay", "40", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "20", text)

    def close_command(self, window):
        """Sends what a title bar's close button sends: WM_DELETE_WINDOW."""
        xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XInternAtom.restype = ctypes.c_ulong
        xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                    ctypes.c_void_p]
        xlib.XFlush.argtypes = [ctypes.c_void_p]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                        ("pad", ctypes.c_long * 12)]

        connection = xlib.XOpenDisplay(self.name.encode())
        check(connection, "cannot open " + self.name)
        try:
            event = ClientMessage()
            event.type = 33  # ClientMessage
            event.window = window
            event.message_type = xlib.XInternAtom(connection, b"WM_PROTOCOLS", False)
            event.format = 32
            event.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", False)
            check(xlib.XSendEvent(connection, window, False, 0, ctypes.byref(event)),
                  "cannot send the close command")
            xlib.XFlush(connection)
        finally:
            xlib.XCloseDisplay(connection)

    def screenshot(self, path):
        return screenshot(self.env, path)


class Scratch:
    """The program's folder, drive trees, save folder and application list."""

    def __init__(self, program, drives=("C", "D")):
        self.root = tempfile.mkdtemp(prefix="zelmo-e2e-")
        self.program = os.path.join(self.root, "zelmocb")
        shutil.copy2(program, self.program)
        self.save = os.path.join(self.root, "save")
        os.mkdir(self.save)
        for letter in "CD":
            os.mkdir(os.path.join(self.root, letter.lower()))
        lines = ["[Drives]"]
        lines += ["%s=%s" % (letter, os.path.join(self.root, letter.lower()))
                  for letter in drives]
        lines += ["", "[Save]", "SavePath=" + self.save, "PathString=%d" % len(self.save), ""]
        self.write("Zelmo.ini", "\r\n".join(lines))

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def write(self, name, text, encoding="utf-8"):
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(text.encode(encoding) if isinstance(text, str) else text)

    def tree(self, drive, fanout, depth, folder=""):
        """A full tree of folders, each with one file, to make the search take time."""
        if depth == 0:
            return
        for i in range(fanout):
            sub = os.path.join(folder, "dir%d" % i)
            self.write(os.path.join(drive, sub, "data%d.bin" % i), b"")
            self.tree(drive, fanout, depth - 1, sub)

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class Run:
    """One run of the program on the display, from the scratch folder."""

    def __init__(self, display, scratch):
        self.display = display
        env = dict(display.env, LANG="C.UTF-8", LC_ALL="C.UTF-8", QT_QPA_PLATFORM="xcb")
        self.process = subprocess.Popen([scratch.program], cwd=scratch.root, env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def hold(self):
        self.process.send_signal(signal.SIGSTOP)

    def release(self):
        self.process.send_signal(signal.SIGCONT)

    def step(self, seconds):
        self.release()
        time.sleep(seconds)
        self.hold()

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout=20):
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")
        return self.process.returncode

    def output(self):
        return self.process.stdout.read().decode(errors="replace") if self.process.stdout else ""

    def stop(self):
        if self.running():
            self.process.kill()
            self.process.wait()

    def main_window(self, timeout=60):
        """Waits for the main window: the program's caption at the main window's size."""
        return self._focused_window("its main window", lambda size: size == MAIN_SIZE, timeout)

    def message_box(self, timeout=60):
        """Waits for a message box: the program's caption, not the main window's size."""
        return self._focused_window("its message box", lambda size: size != MAIN_SIZE, timeout)

    def _focused_window(self, what, size_matches, timeout):
        def probe():
            if not self.running():
                raise Failure("the program ended before %s opened: %s" % (what, self.output()))
            for window in self.display.windows(WINDOW_TITLE):
                if size_matches(self.display.geometry(window)[2:]):
                    return window
            return None
        window = wait_for(what, probe, timeout)
        wait_for("the keyboard focus on " + what,
                 lambda: self.display.focused_window() == window, 10)
        time.sleep(0.2)
        return window

def expected_facts(cli):
    """Host, IP and memory as the program's own services give them."""
    out = subprocess.run([cli, "facts"], check=True, capture_output=True, text=True).stdout
    facts = dict(line.split(": ", 1) for line in out.splitlines() if ": " in line)
    return facts["Host"], facts["IP"], facts["AllSpace"]


def host_name():
    return subprocess.run(["hostname"], check=True, capture_output=True,
                          text=True).stdout.strip().upper()


def painted(display, path, geometry):
    """A screenshot once the window is painted (it is mapped a moment before)."""
    shot = display.screenshot(path)
    return shot if shot.at(geometry[0] + 2, geometry[1] + 2) != (0, 0, 0) else None


def check_window_look(image, geometry, size, background, what):
    x, y, width, height = geometry
    check((width, height) == size, "%s is %dx%d, not %dx%d" % ((what, width, height) + size))
    check(image.at(x + 2, y + 2) == background,
          "%s background is %s, not %s" % (what, image.at(x + 2, y + 2), background))


def install_list(scratch, rows):
    scratch.write("ZelmoAppl.csv", "".join("%s\r\n" % row for row in rows))


def case_record(args, display, scratch):
    """Types the four fields in tab order and files the record with OK."""
    host, ip, memory = expected_facts(args.cli)
    check(host == host_name(), "host %r is not the upper-cased hostname %r" % (host, host_name()))
    scratch.write("c/Program Files/Editor/edit.exe", b"")
    scratch.write("d/Tools/calc.exe", b"")
    scratch.write("c/Games/sol.exe", b"")
    scratch.write("d/Games/sol.exe", b"")
    # Enough rows and folders that the splash stays up long enough to capture.
    scratch.tree("c", 6, 4)
    scratch.tree("d", 6, 4)
    rows = ["ED01,Text Editor,edit.exe,", "CA01,Calculator,calc.exe,",
            "GM01,ソリティア,sol.exe,"]
    rows += ["NX%02d,Nowhere %d,missing%d.exe," % (i, i, i) for i in range(12)]
    install_list(scratch, rows)

    run = Run(display, scratch)
    try:
        def splash_probe():
            if not run.running():
                raise Failure("the program ended before its splash opened: " + run.output())
            return display.windows(SPLASH_TITLE)
        splash = wait_for("the splash window", splash_probe, 30, 0.005)[0]
        # The load behind the splash can be quick: the program is held still
        # while the X server's picture of it is taken, and let run in small
        # steps until the splash has been painted.
        image = None
        run.hold()
        for _ in range(200):
            check(display.windows(SPLASH_TITLE), "the splash closed before it was captured")
            geometry = display.geometry(splash)
            image = painted(display, os.path.join(args.screenshots, "splash.png"), geometry)
            if image:
                break
            run.step(0.01)
        run.release()
        check(image, "the splash was never painted")
        x, y = geometry[:2]
        check_window_look(image, geometry, SPLASH_SIZE, SPLASH_BACKGROUND, "the splash")
        # Text, drawn white with smoothed edges, in the label's rectangle only.
        check(image.count((x + 64, y + 24, 192, 20), (255, 255, 255), 40) > 50,
              "no white text in the splash's label")
        check(image.count((x, y, 312, 24), (255, 255, 255), 40) == 0,
              "white above the splash's label")

        main = run.main_window()
        check(not display.windows(SPLASH_TITLE), "the splash is still up with the main window")
        geometry = display.geometry(main)
        image = wait_for("the main window to be painted", lambda: painted(
            display, os.path.join(args.screenshots, "main.png"), geometry), 10, 0.05)
        check_window_look(image, geometry, MAIN_SIZE, MAIN_BACKGROUND, "the main window")
        px, py, pw, ph = PICTURE_RECT
        check(image.count((geometry[0] + px, geometry[1] + py, pw, ph), PICTURE_SCREEN_BLUE) > 200,
              "the picture is not shown in its rectangle")

        display.type("Taro Yamada")
        # Neither Enter nor Esc may press a button.
        display.key("Return", "Escape")
        time.sleep(0.5)
        check(run.running() and display.windows(WINDOW_TITLE) == [main],
              "Enter or Esc ended the main window")
        check(os.listdir(scratch.save) == [], "a record was written before OK")
        display.key("Tab")
        display.type("PC-0042")
        display.key("Tab")
        display.type("MON-7")
        display.key("Tab")
        display.type("3F Room 301")
        display.key("Tab", "space")  # OK, the next stop after the location
        status = run.wait()
        check(status == 0, "the program ended with status %d: %s" % (status, run.output()))
    finally:
        run.stop()

    expected = ",".join(["Taro Yamada", "PC-0042", "MON-7", host, ip, memory,
                         "3F Room 301",
                         "ED01Text Editor,CA01Calculator,GM01ソリティアソリティア" +
                         "".join(",NX%02d" % i for i in range(12))]) + "\r\n"
    check(os.listdir(scratch.save) == [host + ".txt"],
          "save folder holds %s" % os.listdir(scratch.save))
    with open(os.path.join(scratch.save, host + ".txt"), "rb") as record:
        written = record.read()
    check(written == expected.encode("utf-8"),
          "record is %r, expected %r" % (written, expected.encode("utf-8")))
    check_record_command(args, scratch, host, written,
                         ["--name", "Taro Yamada", "--pc", "PC-0042", "--monitor", "MON-7",
                          "--location", "3F Room 301"])


def check_record_command(args, scratch, host, written, facts):
    """`zelmocb-cli record` with the same facts files the same bytes; its dry
    run shows them and writes nothing."""
    cli = scratch.path("zelmocb-cli")  # beside Zelmo.ini, like the program
    shutil.copy2(args.cli, cli)
    record = os.path.join(scratch.save, host + ".txt")
    os.remove(record)
    env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")

    def run(*arguments):
        return subprocess.run([cli, "record", *arguments], cwd=scratch.root, env=env,
                              capture_output=True)
    done = run(*facts)
    check(done.returncode == 0 and not done.stdout and not done.stderr,
          "record: status %d, %r %r" % (done.returncode, done.stdout, done.stderr))
    with open(record, "rb") as filed:
        again = filed.read()
    check(again == written, "record filed %r, the window %r" % (again, written))
    dry = run("--dry-run")
    check(dry.returncode == 0, "record --dry-run: status %d" % dry.returncode)
    check(dry.stdout == written[:-2] + b"\n" + record.encode() + b"\n",
          "record --dry-run printed %r" % dry.stdout)
    check(os.listdir(scratch.save) == [host + ".txt"], "the dry run wrote a file")
    with open(record, "rb") as filed:
        check(filed.read() == written, "the dry run changed the record")


def typed_into_main_window(display, scratch):
    """The program on a one-row list, a user's name typed into its main window."""
    scratch.write("c/edit.exe", b"")
    install_list(scratch, ["ED01,Text Editor,edit.exe,"])
    run = Run(display, scratch)
    try:
        main = run.main_window()
        display.type("Somebody")
    except BaseException:
        run.stop()
        raise
    return run, main


def case_cancel(args, display, scratch):
    """CD changes nothing; Cancel ends the program and leaves the earlier record."""
    host = host_name()
    earlier = b"EARLIER,RECORD\r\n"
    scratch.write(os.path.join("save", host + ".txt"), earlier)
    run, main = typed_into_main_window(display, scratch)
    try:
        display.key(*["Tab"] * 6, "space")  # CD
        time.sleep(0.5)
        check(run.running() and display.windows(WINDOW_TITLE) == [main],
              "CD ended the main window")
        display.key("shift+Tab", "space")  # Cancel
        status = run.wait()
        check(status == 0, "the program ended with status %d: %s" % (status, run.output()))
    finally:
        run.stop()
    with open(os.path.join(scratch.save, host + ".txt"), "rb") as record:
        check(record.read() == earlier, "Cancel changed the earlier record")
    check(os.listdir(scratch.save) == [host + ".txt"], "Cancel left files in the save folder")


def case_close_command(args, display, scratch):
    """The title bar's close command ends the program like Cancel: nothing written."""
    run, main = typed_into_main_window(display, scratch)
    try:
        display.close_command(main)
        status = run.wait()
        check(status == 0, "the program ended with status %d: %s" % (status, run.output()))
    finally:
        run.stop()
    check(os.listdir(scratch.save) == [], "closing the window wrote a record")


def case_missing_list(args, display, scratch):
    """No application list: the run-time error box, then a failure status."""
    run = Run(display, scratch)
    try:
        box = run.message_box()
        display.screenshot(os.path.join(args.screenshots, "missing-list.png"))
        check(display.geometry(box)[2:] != MAIN_SIZE, "the main window opened")
        display.key("Return")
        status = run.wait()
        check(status != 0, "the program ended with status 0 after a run-time error")
    finally:
        run.stop()
    check(os.listdir(scratch.save) == [], "a record was written")


def case_list_error(args, display, scratch):
    """Without drive D: every row shows the Japanese list-error message once."""
    scratch = Scratch(args.program, drives=("C",))
    try:
        scratch.write("c/edit.exe", b"")
        install_list(scratch, ["ED01,Text Editor,edit.exe,", "CA01,Calculator,calc.exe,"])
        run = Run(display, scratch)
        try:
            for shown in range(2):
                box = run.message_box()
                if shown == 0:
                    display.screenshot(os.path.join(args.screenshots, "list-error.png"))
                display.key("Return")
                wait_for("the message box to close", lambda: box not in display.windows(
                    WINDOW_TITLE), 10)
            run.main_window()
            display.key(*["Tab"] * 5, "space")  # Cancel
            status = run.wait()
            check(status == 0, "the program ended with status %d: %s" % (status, run.output()))
        finally:
            run.stop()
    finally:
        scratch.remove()


CASES = {
    "record": case_record,
    "cancel": case_cancel,
    "close-command": case_close_command,
    "missing-list": case_missing_list,
    "list-error": case_list_error,
}


def main():
    args = case_arguments(CASES)
    os.makedirs(args.screenshots, exist_ok=True)

    display = Display()
    scratch = Scratch(args.program)
    try:
        CASES[args.case](args, display, scratch)
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    finally:
        scratch.remove()
        display.close()
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
