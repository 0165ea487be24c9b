#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Times Qt windows side by side on an X server without a window manager.

Each case is a program, optionally with a settings file copied into place
before every run (or "-" for none). A run starts the program and takes the
time until the server reports its top-level window mapped, with the
process's peak resident memory and processor time at that moment; with
--close it then lets the window paint, asks it to close as a window
manager's close button does and takes the time until the process has ended
(the settings written). Rounds are interleaved,
so every case sees the same load, and each case's figures are also given as
the median of its per-round ratios to the first case.

Usage: window_timing.py [--runs N] [--close] [--settings PATH]
                        LABEL=PROGRAM[,FILE] ...
DISPLAY must name the X server; no window manager may run on it.
"""
import argparse
import ctypes
import ctypes.util
import os
import select
import shutil
import statistics
import subprocess
import sys
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
CLIENT_MESSAGE = 33


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("xclient", XClientMessageEvent),
                ("pad", ctypes.c_long * 24)]


class X11:
    def __init__(self):
        self.lib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        lib = self.lib
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        lib.XConnectionNumber.argtypes = [ctypes.c_void_p]
        lib.XPending.argtypes = [ctypes.c_void_p]
        lib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(XEvent)]
        lib.XFlush.argtypes = [ctypes.c_void_p]
        self.display = lib.XOpenDisplay(None)
        if not self.display:
            sys.exit("cannot open the display")
        lib.XSelectInput(self.display, lib.XDefaultRootWindow(self.display), SUBSTRUCTURE_NOTIFY_MASK)
        lib.XFlush(self.display)
        self.fd = lib.XConnectionNumber(self.display)

    def wait_for_map(self, process):
        """The first top-level window mapped (not a popup), or None when the process ended first."""
        event = XEvent()
        while True:
            while self.lib.XPending(self.display):
                self.lib.XNextEvent(self.display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and not event.xmap.override_redirect:
                    return event.xmap.window
            if process.poll() is not None:
                return None
            select.select([self.fd], [], [], 0.05)

    def close(self, window):
        event = XEvent()
        event.xclient.type = CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = self.lib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = self.lib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        self.lib.XSendEvent(self.display, window, 0, 0, ctypes.byref(event))
        self.lib.XFlush(self.display)


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def cpu_ms(pid):
    """Processor time of all the process's threads so far."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as schedstat:
            total += int(schedstat.read().split()[0])
    return total / 1e6


def run_once(x11, program, close):
    """Milliseconds to the window mapped, with the peak kB and processor milliseconds by then; with
    close, also the milliseconds from the close request to the end."""
    start = time.perf_counter()
    process = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = x11.wait_for_map(process)
    mapped = time.perf_counter()
    if window is None:
        sys.exit(f"{program} ended before its window was mapped")
    peak = peak_kb(process.pid)
    cpu_mapped = cpu_ms(process.pid)
    result = {"map": (mapped - start) * 1000, "peak RSS": peak, "map cpu": cpu_mapped}
    if close:
        # The first paint done, the close is timed alone.
        time.sleep(0.3)
        asked = time.perf_counter()
        x11.close(window)
        process.wait()
        result["close"] = (time.perf_counter() - asked) * 1000
    else:
        process.kill()
        process.wait()
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--close", action="store_true")
    parser.add_argument("--settings", help="where the program reads its settings file")
    parser.add_argument("cases", nargs="+", metavar="LABEL=PROGRAM[,FILE]")
    args = parser.parse_args()
    cases = []
    for case in args.cases:
        label, _, rest = case.partition("=")
        program, _, settings = rest.partition(",")
        cases.append((label, program, settings))

    x11 = X11()
    results = {label: [] for label, _, _ in cases}
    for _ in range(args.runs):
        for label, program, settings in cases:
            if args.settings:
                if settings and settings != "-":
                    shutil.copyfile(settings, args.settings)
                elif os.path.exists(args.settings):
                    os.remove(args.settings)
            results[label].append(run_once(x11, program, args.close))

    base = results[cases[0][0]]
    width = max(len(label) for label, _, _ in cases)
    kinds = ["map", "map cpu", "close", "peak RSS"] if args.close else ["map", "map cpu", "peak RSS"]
    print(f"{args.runs} interleaved rounds; medians, and medians of the per-round ratios to {cases[0][0]}")
    print("(map cpu: processor time of the process's threads by then, which a busy machine disturbs less)")
    for label, _, _ in cases:
        runs = results[label]
        parts = []
        for kind in kinds:
            value = statistics.median(r[kind] for r in runs)
            ratio = statistics.median(r[kind] / b[kind] for r, b in zip(runs, base))
            unit = "kB" if kind == "peak RSS" else "ms"
            parts.append(f"{kind} {value:7.1f} {unit} ({ratio:4.2f}x)")
        print(f"{label:<{width}}  " + "  ".join(parts))


if __name__ == "__main__":
    main()
