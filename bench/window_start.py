#!/usr/bin/env python3
"""From `fenban` started as a real process to its main window on screen:
the time until the X server reports the window viewable (Qt draws it on the
expose that follows at once), wall and the process's own CPU time, over a
number of runs. Settings and the runtime folder live in a temporary folder.
Without a display the script runs itself again under xvfb-run.

usage: window_start.py FENBAN [RUNS]"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time

if not os.environ.get("DISPLAY"):
    if not shutil.which("xvfb-run"):
        sys.exit("window_start: no DISPLAY and no xvfb-run")
    # A display number of its own: others may run Xvfb on the low ones.
    number = str(200 + os.getpid() % 700)
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-n", number, "-s", "-noreset -screen 0 1600x1000x24", sys.executable]
              + sys.argv)

fenban = os.path.abspath(sys.argv[1])
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
title = "分班系统 1.3.2 版  %d" % datetime.date.today().year
ticks = os.sysconf("SC_CLK_TCK")


def viewable():
    r = subprocess.run(["xwininfo", "-name", title], capture_output=True, text=True)
    return r.returncode == 0 and "IsViewable" in r.stdout


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


walls, cpus = [], []
for attempt in range(runs):
    with tempfile.TemporaryDirectory() as tmp:
        run = os.path.join(tmp, "run")
        os.mkdir(run, 0o700)
        config = os.path.join(tmp, "Config.ini")
        env = dict(os.environ, XDG_RUNTIME_DIR=run, FENBAN_CONFIG=config, HOME=tmp,
                   XDG_CONFIG_HOME=os.path.join(tmp, "config"), XDG_DATA_HOME=os.path.join(tmp, "data"))
        env.pop("QT_QPA_PLATFORM", None)
        started = time.perf_counter()
        p = subprocess.Popen([fenban], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            while not viewable():
                if p.poll() is not None:
                    sys.exit("window_start: run %d: fenban ended with %d before its window showed: %s" % (attempt, p.returncode, p.stderr.read().decode(errors="replace")))
                if time.perf_counter() - started > 30:
                    sys.exit("window_start: no window after 30 s")
            walls.append(time.perf_counter() - started)
            cpus.append(cpu_seconds(p.pid))
        finally:
            p.terminate()
            p.wait(20)

walls.sort()
cpus.sort()
print("fenban start to window viewable, %d runs: wall median %.0f ms (min %.0f, max %.0f); "
      "process CPU median %.0f ms (max %.0f)"
      % (runs, 1000 * walls[len(walls) // 2], 1000 * walls[0], 1000 * walls[-1],
         1000 * cpus[len(cpus) // 2], 1000 * cpus[-1]))
