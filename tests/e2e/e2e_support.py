"""What the end-to-end runs of the real programs share: failures, polling,
screenshots and their pixels."""

import argparse
import subprocess
import time


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, timeout=30.0, interval=0.02):
    """Polls probe until it gives something true; that value is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


def screenshot(env, path):
    """The whole screen of the display in env, as an Image."""
    subprocess.run(["import", "-window", "root", path], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return Image(path)


class Image:
    """A screenshot's pixels, read through ImageMagick as binary PPM."""

    def __init__(self, path):
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                              capture_output=True).stdout
        fields, pos = [], 0
        while len(fields) < 4:  # magic, width, height, maximum
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        check(fields[0] == b"P6", "screenshot is not a PPM")
        self.path = path
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:]

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def count(self, rect, colour, tolerance=0):
        """Pixels in the rectangle within tolerance of colour in every channel."""
        left, top, width, height = rect
        return sum(1 for y in range(top, top + height) for x in range(left, left + width)
                   if all(abs(a - b) <= tolerance for a, b in zip(self.at(x, y), colour)))


def case_arguments(cases):
    """The programs to drive, where screenshots go, and which case to run."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--screenshots", required=True)
    parser.add_argument("case", choices=sorted(cases))
    return parser.parse_args()
