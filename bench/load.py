#!/usr/bin/python3
"""Runs the intro on a private Xvfb display and measures what it costs while it runs:
its share of one core (user + system time over wall time) and its memory (VmRSS sampled
every second, and the peak VmHWM), with the growth of VmRSS from the first sample after
start-up to the last. Run from the repository's root:

    bench/load.py [--seconds 20] [--intro build/intro] [--sound dummy|none]

--seconds 180 gives the few minutes' run that shows whether memory stays flat."""
import argparse
import os
import signal
import subprocess
import sys
import time


def read_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime, fields 14 and 15 of stat


def read_threads(pid):
    """Ticks of each thread by name, to tell drawing from mixing from presenting."""
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                text = f.read()
        except OSError:
            continue
        name = text[text.index("(") + 1:text.rindex(")")]
        fields = text.rsplit(")", 1)[1].split()
        threads[name] = threads.get(name, 0) + int(fields[11]) + int(fields[12])
    return threads


def read_status(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])  # kB
    return 0


def start_xvfb(screen="640x480x24"):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen,
                             "-nolisten", "tcp"], pass_fds=[write_end],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            sys.exit("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--intro", default="build/intro")
    parser.add_argument("--sound", default="dummy",
                        help="SDL audio driver: 'dummy' mixes the music without a sound card")
    args = parser.parse_args()

    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER=args.sound)
    intro = subprocess.Popen([args.intro], env=env, stderr=subprocess.PIPE, text=True)
    try:
        hz = os.sysconf("SC_CLK_TCK")
        time.sleep(2)  # start-up: loading, opening the display and the audio
        if intro.poll() is not None:
            sys.exit("the intro ended early: " + intro.stderr.read())
        t0, ticks0 = time.monotonic(), read_ticks(intro.pid)
        threads0 = read_threads(intro.pid)
        samples = []
        while time.monotonic() - t0 < args.seconds:
            time.sleep(1)
            samples.append((time.monotonic() - t0, read_ticks(intro.pid),
                            read_status(intro.pid, "VmRSS")))
        t1, ticks1 = time.monotonic(), read_ticks(intro.pid)
        threads1 = read_threads(intro.pid)
        peak = read_status(intro.pid, "VmHWM")
    finally:
        intro.send_signal(signal.SIGTERM)
        try:
            intro.wait(5)
        except subprocess.TimeoutExpired:
            intro.kill()
        xvfb.terminate()
        xvfb.wait()

    share = (ticks1 - ticks0) / hz / (t1 - t0)
    rss = [s[2] for s in samples]
    print(f"ran {t1 - t0:.1f} s on {display}, audio driver {args.sound}")
    print(f"share of one core: {100 * share:.2f} %")
    for name, ticks in sorted(threads1.items(), key=lambda t: -t[1]):
        used = (ticks - threads0.get(name, 0)) / hz / (t1 - t0)
        if used > 0:
            print(f"  thread {name}: {100 * used:.2f} %")
    print(f"peak memory (VmHWM): {peak / 1024:.1f} MiB")
    print(f"VmRSS first {rss[0] / 1024:.1f} MiB, last {rss[-1] / 1024:.1f} MiB, "
          f"min {min(rss) / 1024:.1f}, max {max(rss) / 1024:.1f}, "
          f"growth {(rss[-1] - rss[0])} kB")


if __name__ == "__main__":
    main()
