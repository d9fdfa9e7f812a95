#!/usr/bin/python3
"""Runs the intro where users see it, on a private Xvfb with the openbox window manager, and
measures with the preloaded probe (build/bench/libintro_probe.so) what its start-up is spent
on, how many frames a second reach the screen and what each SDL_Flip costs, and with /proc
the whole process's share of one core, per thread. Every configuration is run several times
and the medians are printed. Run from the repository's root after building:

    bench/on_screen.py [--runs 5] [--seconds 8] [--screens 320x240,1920x1080,3840x2160]
                       [--methods linear,nearest] [--build NAME=INTRO:FOLDER ...]
                       [--env NAME=VALUE ...] [--no-session-bus]

A build is an intro executable and the working directory it starts in (it reads res/
there); the default is build/intro in the current folder. With several --build options
the builds are measured in turns, one run of each configuration after the other, so that
the machine's changing load falls on all of them alike. --seconds 20 --screens 1920x1080
gives the share of one core over 20 s. CPU time per frame (the share of one core divided
by the frames per second) suffers least from other programs on a busy machine."""
import argparse
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import load  # noqa: E402  (the /proc readers and the Xvfb start-up)


def start_openbox(display):
    """Starts openbox and returns once it manages the screen (its --startup command ran)."""
    ready = tempfile.NamedTemporaryFile(prefix="intro-openbox-", delete=False)
    ready.close()
    os.unlink(ready.name)
    wm = subprocess.Popen(["openbox", "--sm-disable", "--startup", "touch " + ready.name],
                          env=dict(os.environ, DISPLAY=display),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while not os.path.exists(ready.name):
        if time.monotonic() > deadline or wm.poll() is not None:
            sys.exit("openbox did not start")
        time.sleep(0.01)
    os.unlink(ready.name)
    return wm


def start_session_bus():
    """A private D-Bus session bus, as a desktop session has: without one, SDL's D-Bus
    set-up has libdbus try to start a bus for the X display (dbus-launch), which costs
    tens of milliseconds of start-up that no desktop user pays."""
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                            "--print-address=1"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True)
    address = bus.stdout.readline().strip()
    if not address:
        sys.exit("dbus-daemon gave no address")
    return bus, address


def read_probe(path):
    calls = []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 5:  # name, wall and CPU time at entry and return, in ms
                calls.append((parts[0],) + tuple(int(p) / 1e6 for p in parts[1:]))
    return calls


def start_up(calls, started):
    """Milliseconds from the start of the process to the end of the first flip, by stage."""
    def first(name):
        return next(c for c in calls if c[0] == name)
    init = first("SDL_Init")
    loads = [c for c in calls if c[0] == "SDL_LoadBMP_RW" and c[2] <= init[1]]
    opened = [c for c in calls if c[0] == "SDL_RWFromFile" and c[1] <= init[1]]
    audio, play, flip = first("Mix_OpenAudio"), first("Mix_PlayMusic"), first("SDL_Flip")
    mode = first("SDL_SetVideoMode")
    begin = opened[0] if opened else init
    end = loads[-1] if loads else begin
    cpu = {
        "CPU: until main": begin[3],
        "CPU: loading the pictures": end[4] - begin[3],
        "CPU: video init (SDL_Init)": init[4] - init[3],
        "CPU: display mode (SDL_SetVideoMode)": mode[4] - mode[3],
        "CPU: audio open": audio[4] - audio[3],
        "CPU: module check, load, play": play[4] - audio[4],
        "CPU: first frame drawn": flip[3] - play[4],
        "CPU: first flip": flip[4] - flip[3],
        "CPU: start to first flip": flip[4],
    }
    begin, end = begin[1], end[2]
    return cpu | {
        "process start to main": begin - started,
        "loading the pictures": end - begin,
        "video init (SDL_Init)": init[2] - init[1],
        "display mode (SDL_SetVideoMode)": mode[2] - mode[1],
        "audio open": audio[2] - audio[1],
        "module check, load, play": play[2] - audio[2],
        "first frame drawn": flip[1] - play[2],
        "first flip": flip[2] - flip[1],
        "start to first flip": flip[2] - started,
    }


def run_once(args, build, screen, method, seconds, probe):
    intro_path, folder = build
    xvfb, display = load.start_xvfb(screen + "x24")
    wm = start_openbox(display)
    out = tempfile.NamedTemporaryFile(prefix="intro-probe-", delete=False)
    out.close()
    env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER=args.sound,
               SDL12COMPAT_SCALE_METHOD=method, LD_PRELOAD=probe, INTRO_PROBE_OUT=out.name)
    bus = None
    if args.session_bus:
        bus, env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus()
    env.update(assignment.split("=", 1) for assignment in args.env)
    started = time.monotonic_ns() / 1e6
    intro = subprocess.Popen([os.path.abspath(intro_path)], cwd=folder, env=env,
                             stderr=subprocess.PIPE, text=True)
    try:
        hz = os.sysconf("SC_CLK_TCK")
        time.sleep(2)  # start-up, then a second of frames before measuring
        if intro.poll() is not None:
            sys.exit("the intro ended early: " + intro.stderr.read())
        t0, ticks0, threads0 = time.monotonic(), load.read_ticks(intro.pid), load.read_threads(intro.pid)
        time.sleep(seconds)
        t1, ticks1, threads1 = time.monotonic(), load.read_ticks(intro.pid), load.read_threads(intro.pid)
    finally:
        intro.send_signal(signal.SIGTERM)
        try:
            intro.wait(5)
        except subprocess.TimeoutExpired:
            intro.kill()
        wm.terminate()
        wm.wait()
        if bus:
            bus.terminate()
            bus.wait()
        xvfb.terminate()
        xvfb.wait()
    calls = read_probe(out.name)
    os.unlink(out.name)
    window = [c for c in calls if c[0] == "SDL_Flip" and t0 * 1000 <= c[1] <= t1 * 1000]
    result = start_up(calls, started)
    result["frames per second"] = (len(window) - 1) / ((window[-1][1] - window[0][1]) / 1000)
    result["flip, median ms"] = statistics.median(c[2] - c[1] for c in window)
    result["share of one core, %"] = 100 * (ticks1 - ticks0) / hz / (t1 - t0)
    result["CPU ms per frame"] = 10 * result["share of one core, %"] / result["frames per second"]
    for name in set(threads1):
        used = (threads1[name] - threads0.get(name, 0)) / hz / (t1 - t0)
        result["  thread " + name + ", %"] = 100 * used
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=8)
    parser.add_argument("--screens", default="320x240,1920x1080,3840x2160")
    parser.add_argument("--methods", default="linear,nearest")
    parser.add_argument("--build", action="append", default=[],
                        help="NAME=INTRO:FOLDER, an intro and the folder it starts in")
    parser.add_argument("--no-session-bus", dest="session_bus", action="store_false",
                        help="run without a D-Bus session bus, as on a bare Xvfb")
    parser.add_argument("--env", action="append", default=[],
                        help="NAME=VALUE set for the intro, e.g. SDL_RENDER_DRIVER=software")
    parser.add_argument("--probe", default="build/bench/libintro_probe.so")
    parser.add_argument("--sound", default="dummy",
                        help="SDL audio driver: 'dummy' mixes the music without a sound card")
    args = parser.parse_args()
    probe = os.path.abspath(args.probe)
    if not os.path.exists(probe):
        sys.exit(probe + " is missing: build the intro_probe target first")

    builds = {}
    for b in args.build or ["now=build/intro:."]:
        name, _, where = b.partition("=")
        intro_path, _, folder = where.partition(":")
        builds[name] = (intro_path, folder or ".")
    configurations = [(b, screen, method) for screen in args.screens.split(",")
                      for method in args.methods.split(",") for b in builds]
    runs = {c: [] for c in configurations}
    for _ in range(args.runs):
        for c in configurations:
            runs[c].append(run_once(args, builds[c[0]], c[1], c[2], args.seconds, probe))
    for (b, screen, method), results in runs.items():
        print(f"{b}: {screen}, {method}{' ' + ' '.join(args.env) if args.env else ''}: "
              f"medians of {len(results)} runs of {args.seconds:g} s")
        names = list(results[0]) + sorted({n for r in results for n in r} - set(results[0]))
        for name in names:
            values = [r.get(name, 0.0) for r in results]
            print(f"  {name:34} {statistics.median(values):9.2f}   "
                  f"(min {min(values):.2f}, max {max(values):.2f})")


if __name__ == "__main__":
    main()
