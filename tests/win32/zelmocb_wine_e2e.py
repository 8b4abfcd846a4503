#!/usr/bin/env python3
"""End-to-end runs of ZelmoCB.exe under Wine with code page 932, keyboard only.

Expects what scripts/test-windows.sh sets up: WINEPREFIX (created, with
unmanaged windows and drive D: mapped to ZELMO_E2E_DRIVE_D), DISPLAY (a
virtual X server) and a running wineserver. Each case lays out C:\\ZelmoCB
(program and Zelmo.ini), C:\\ZelmoWork (the application list, the current
folder), C:\\Inventory (the save folder) and program files on C: and D:.

Usage: zelmocb_wine_e2e.py --program EXE --cli EXE --screenshots DIR CASE
"""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_support import Failure, case_arguments, check, screenshot, wait_for  # noqa: E402

WINDOW_TITLE = "Zelmo CB"
SPLASH_TITLE = "Form1"
SPLASH_BACKGROUND = (128, 128, 255)
MAIN_BACKGROUND = (192, 192, 192)
PICTURE_SCREEN_BLUE = (0, 64, 160)  # the monitor's screen in the picture

# Tag, display name, file name: found on C: and D:, on C: only, on D: only,
# nowhere.
ROWS = [("A", "エディタ", "zedit.exe"), ("B", "電卓", "zcalc.exe"),
        ("C", "Solitaire", "zsol.exe"), ("D", "Nothing", "znone.exe")]
FILES_ON_C = [r"Program Files\Zelmo Editor\zedit.exe", r"Tools\Calc\zcalc.exe"]
FILES_ON_D = [r"Apps\Editor\zedit.exe", r"Games\Solitaire\zsol.exe"]


class Wine:
    """The prepared prefix, its drives and the programs run in it."""

    def __init__(self, work_dir):
        self.prefix = os.environ["WINEPREFIX"]
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.drive_d = os.environ["ZELMO_E2E_DRIVE_D"]
        self.logs = work_dir
        self.env = dict(os.environ, WINEDEBUG="-all", LC_ALL="ja_JP.UTF-8")
        self.loader = self.env.get("WINE", "/usr/lib/wine/wine64")
        self.env["WINESERVER"] = self.env.get("WINESERVER", "/usr/lib/wine/wineserver64")

    def c(self, path):
        return os.path.join(self.drive_c, *path.split("\\"))

    def d(self, path):
        return os.path.join(self.drive_d, *path.split("\\"))

    def _log(self, name):
        # Wine's own processes outlive the program: files, never pipes.
        return open(os.path.join(self.logs, name), "wb")

    def start(self, exe, *args, cwd, log):
        return subprocess.Popen([self.loader, exe, *args], cwd=cwd, env=self.env,
                                stdin=subprocess.DEVNULL, stdout=self._log(log),
                                stderr=subprocess.STDOUT)

    def run(self, exe, *args, cwd):
        out_path = os.path.join(self.logs, "cli.out")
        with open(out_path, "wb") as out:
            status = subprocess.run([self.loader, exe, *args], cwd=cwd, env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=self._log("cli.err")).returncode
        with open(out_path, "rb") as result:
            return status, result.read()

    def has_drive_d(self):
        return os.path.islink(os.path.join(self.prefix, "dosdevices", "d:"))

    def set_drive_d(self, present):
        """Maps or unmaps D:; the server reads the drives when it starts."""
        if self.has_drive_d() == present:
            return
        server = self.env["WINESERVER"]
        subprocess.run([server, "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run([server, "-w"], env=self.env, stderr=subprocess.DEVNULL)
        link = os.path.join(self.prefix, "dosdevices", "d:")
        if present:
            os.symlink(self.drive_d, link)
        else:
            os.unlink(link)
        subprocess.Popen([server, "-p"], env=self.env, stdin=subprocess.DEVNULL,
                         stdout=self._log("wineserver.log"), stderr=subprocess.STDOUT)
        self.run("cmd", "/c", "exit", cwd=self.drive_c)  # warms the prefix up


class Display:
    def __init__(self):
        self.env = dict(os.environ)

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        return result.stdout if result.returncode == 0 else ""

    def windows(self, title):
        out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title)
        return [int(w) for w in out.split()]

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", str(window))
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return tuple(int(values.get(k, 0)) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def type(self, text):
        # A character without a key of its own gets one for the moment of its
        # keystroke; Wine must read the keystroke before the key goes again.
        for run in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", text):
            delay = "40" if run.isascii() else "1000"
            self.xdotool("type", "--delay", delay, run)

    def screenshot(self, path):
        return screenshot(self.env, path)


class Case:
    def __init__(self, args):
        self.args = args
        os.makedirs(args.screenshots, exist_ok=True)
        self.wine = Wine(args.screenshots)
        self.x = Display()
        self.program = r"C:\ZelmoCB\ZelmoCB.exe"
        self.work = self.wine.c("ZelmoWork")
        for folder in ("ZelmoCB", "ZelmoWork", "Inventory", "Program Files\\Zelmo Editor",
                       "Tools"):
            shutil.rmtree(self.wine.c(folder), ignore_errors=True)
        for folder in ("Apps", "Games"):
            shutil.rmtree(self.wine.d(folder), ignore_errors=True)
        os.makedirs(self.wine.c("ZelmoCB"))
        os.makedirs(self.work)
        os.makedirs(self.wine.c("Inventory"))
        for path in FILES_ON_C:
            self.touch(self.wine.c(path))
        for path in FILES_ON_D:
            self.touch(self.wine.d(path))
        shutil.copy2(args.program, self.wine.c(r"ZelmoCB\ZelmoCB.exe"))
        shutil.copy2(args.cli, self.wine.c(r"ZelmoCB\zelmocb-cli.exe"))
        self.write(self.wine.c(r"ZelmoCB\Zelmo.ini"),
                   b"[Save]\r\nSavePath=C:\\Inventory\r\nPathString=12\r\n")

    @staticmethod
    def touch(path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "wb").close()

    @staticmethod
    def write(path, data):
        with open(path, "wb") as out:
            out.write(data)

    def write_list(self, rows):
        text = "".join("%s,%s,%s,\r\n" % row for row in rows)
        self.write(os.path.join(self.work, "ZelmoAppl.csv"), text.encode("cp932"))

    def facts(self):
        """Host, IP address and memory as the program will show them."""
        status, out = self.wine.run(r"C:\ZelmoCB\zelmocb-cli.exe", "facts", "--json",
                                    cwd=self.work)
        check(status == 0, "zelmocb-cli facts failed: %d" % status)
        facts = json.loads(out.decode("utf-8"))
        return facts["host"], facts["ip"], str(facts["memory"]["AllSpace"])

    def record_path(self, host):
        return self.wine.c("Inventory\\" + host + ".txt")

    def start(self):
        self.process = self.wine.start(self.program, cwd=self.work, log="ZelmoCB.log")

    def finish(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise Failure("the program did not end")

    def message_boxes(self):
        """Windows titled like the main window that are not the main window."""
        return [w for w in self.x.windows(WINDOW_TITLE) if w not in self.main_windows()]

    def main_windows(self):
        # The main window is the only one of its title that is taller than wide.
        return [w for w in self.x.windows(WINDOW_TITLE)
                if self.x.geometry(w)[3] > self.x.geometry(w)[2]]

    def wait_for_main(self):
        windows = wait_for("the main window", self.main_windows)
        time.sleep(0.5)  # the focus settles after the window maps
        return windows[0]

    def check_main_look(self, window, name):
        image = self.x.screenshot(os.path.join(self.args.screenshots, name))
        rect = self.x.geometry(window)
        check(image.count(rect, MAIN_BACKGROUND) > 2000, "main window background is not grey")
        check(image.count(rect, PICTURE_SCREEN_BLUE, 8) > 200, "the picture is not shown")

    def type_fields(self, values):
        for i, value in enumerate(values):
            if i:
                self.x.key("Tab")
            self.x.type(value)


def check_splash(case):
    """Looks at the splash while the list is read: its size, colour and text.

    The program is held still for the screenshot: the splash may be up for a
    moment only.
    """
    deadline = time.monotonic() + 30
    seen = None
    while time.monotonic() < deadline and not case.main_windows():
        splashes = case.x.windows(SPLASH_TITLE)
        # A window can show before it has its final size; look again then.
        seen = case.x.geometry(splashes[0]) if splashes else seen
        if seen and seen[2:] == (312, 64):
            case.process.send_signal(signal.SIGSTOP)
            try:
                if case.x.windows(SPLASH_TITLE) == splashes:
                    image = case.x.screenshot(os.path.join(case.args.screenshots, "splash.png"))
                    check(image.count(seen, SPLASH_BACKGROUND) > seen[2] * seen[3] // 2,
                          "the splash is not in its colour")
                    check(image.count(seen, (255, 255, 255)) > 50,
                          "the splash's text is not white")
                    return
            finally:
                case.process.send_signal(signal.SIGCONT)
        time.sleep(0.01)
    raise Failure("no 312x64 splash seen before the main window (last: %s)" % (seen,))


def case_record(case):
    """Four fields typed in tab order, OK pressed with Space: the record file."""
    case.write_list(ROWS)
    host, ip, memory = case.facts()
    typed = ["user1", "PC-0012", "MON-0034", "会議室 301"]
    case.start()
    check_splash(case)
    main = case.wait_for_main()
    case.type_fields(typed)
    case.check_main_look(main, "main-window.png")
    case.x.key("Tab", "space")  # from the location to OK
    check(case.finish() == 0, "the program failed")
    expected = ",".join(typed[:3] + [host, ip, memory, typed[3]])
    expected += ",Aエディタエディタ,B電卓,CSolitaire,D\r\n"
    with open(case.record_path(host), "rb") as record:
        actual = record.read()
    check(actual == expected.encode("cp932"),
          "record differs:\n  %r\nexpected\n  %r" % (actual, expected.encode("cp932")))
    check_record_command(case, host, actual, typed)


def check_record_command(case, host, written, typed):
    """The console program's `record` files the window's bytes: with the
    facts given (the ASCII ones; the location from the record, in CP932)
    and with all of them taken from the record. Its dry run writes nothing."""
    cli = r"C:\ZelmoCB\zelmocb-cli.exe"
    for facts in (["--name", typed[0], "--pc", typed[1], "--monitor", typed[2]], []):
        os.utime(case.record_path(host), (0, 0))
        status, out = case.wine.run(cli, "record", *facts, cwd=case.work)
        check(status == 0 and not out, "record %s: status %d, %r" % (facts, status, out))
        with open(case.record_path(host), "rb") as record:
            again = record.read()
        check(again == written, "record %s filed %r, the window %r" % (facts, again, written))
        check(os.stat(case.record_path(host)).st_mtime > 0, "record %s wrote nothing" % facts)
    status, out = case.wine.run(cli, "record", "--dry-run", cwd=case.work)
    check(status == 0, "record --dry-run: status %d" % status)
    line, path = out.decode("utf-8").splitlines()
    check(line.encode("cp932") == written[:-2], "record --dry-run printed %r" % line)
    check(path == "C:\\Inventory\\" + host + ".txt", "record --dry-run named %r" % path)
    check(os.listdir(case.wine.c("Inventory")) == [host + ".txt"], "the dry run wrote a file")


def case_cancel(case):
    """Enter and Esc press nothing, CD changes nothing here; Cancel leaves the
    earlier record alone."""
    case.write_list(ROWS[:1])
    host, _, _ = case.facts()
    earlier = b"earlier record\r\n"
    case.write(case.record_path(host), earlier)
    case.start()
    case.wait_for_main()
    case.x.type("user1")
    case.x.key("Return", "Escape")
    time.sleep(1)
    check(case.process.poll() is None, "Enter or Esc ended the program")
    check(case.main_windows(), "Enter or Esc closed the main window")
    case.x.key(*["Tab"] * 6, "space")  # to cmdOption; this machine has no CD drive
    time.sleep(1)
    check(case.process.poll() is None and case.main_windows(), "CD ended the program")
    check(not case.message_boxes(), "CD showed a message")
    case.x.key("shift+Tab", "space")  # back to cmdCancel
    check(case.finish() == 0, "the program failed")
    with open(case.record_path(host), "rb") as record:
        check(record.read() == earlier, "Cancel changed the record")


def case_list_error(case):
    """Without D: every row shows the message once; all rows are still filed."""
    case.wine.set_drive_d(False)
    try:
        case.write_list(ROWS[:3])
        host, ip, memory = case.facts()
        case.start()
        shown = 0
        seen = set()
        while True:
            wait_for("a message box or the main window",
                     lambda: case.message_boxes() or case.main_windows())
            boxes = case.message_boxes()
            if not boxes:
                break
            box = boxes[0]
            check(box not in seen, "the same box came back")
            seen.add(box)
            shown += 1
            if shown == 1:
                case.x.screenshot(os.path.join(case.args.screenshots, "message-box.png"))
            # The box is owned by the splash, which stays up under it.
            check(case.x.windows(SPLASH_TITLE), "the splash is not up while the list is read")
            case.x.key("Return")
            wait_for("the box to close", lambda: box not in case.message_boxes(), timeout=10)
        check(shown == 3, "%d messages for 3 rows" % shown)
        case.wait_for_main()
        case.x.key(*["Tab"] * 4, "space")  # txtname to cmdOK
        check(case.finish() == 0, "the program failed")
        with open(case.record_path(host), "rb") as record:
            actual = record.read()
        expected = ",,,%s,%s,%s,,Aエディタ,B電卓,C\r\n" % (host, ip, memory)
        check(actual == expected.encode("cp932"), "record differs: %r" % actual)
    finally:
        case.wine.set_drive_d(True)


def case_missing_list(case):
    """No list in the current folder: the run-time error box, then the end."""
    case.start()
    wait_for("the run-time error box", case.message_boxes)
    case.x.screenshot(os.path.join(case.args.screenshots, "run-time-error.png"))
    check(not case.main_windows(), "the main window opened")
    case.x.key("Return")
    check(case.finish() != 0, "the program ended with status 0")
    check(not os.listdir(case.wine.c("Inventory")), "a record was written")


CASES = {"record": case_record, "cancel": case_cancel, "list-error": case_list_error,
         "missing-list": case_missing_list}


def main():
    args = case_arguments(CASES)
    for name in ("WINEPREFIX", "DISPLAY", "ZELMO_E2E_DRIVE_D"):
        if not os.environ.get(name):
            print("%s is not set: run scripts/test-windows.sh" % name, file=sys.stderr)
            return 2
    case = Case(args)
    try:
        CASES[args.case](case)
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        if getattr(case, "process", None) and case.process.poll() is None:
            case.process.kill()
        return 1
    print("passed: " + args.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
