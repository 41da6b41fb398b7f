#!/usr/bin/env python3
"""Two real window processes of fenban on the offscreen platform: the second
ends at once, silently, with 0; the first keeps running; the command-line
subcommands run beside it; once the first has ended, a new window process
starts. Settings and the runtime folder live in a temporary folder.

usage: window_instance.py FENBAN SOURCE_DIR"""
import os
import subprocess
import sys
import tempfile
import time

fenban, source = sys.argv[1], sys.argv[2]
roster = os.path.join(source, "examples", "roster.csv")


def wait_for(predicate, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return False


def fail(message):
    print("window_instance: " + message)
    sys.exit(1)


with tempfile.TemporaryDirectory() as tmp:
    run = os.path.join(tmp, "run")
    os.mkdir(run, 0o700)
    config = os.path.join(tmp, "Config.ini")
    with open(config, "w") as f:
        f.write("[Global]\r\nClassCount=3\r\n")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=run, FENBAN_CONFIG=config,
               HOME=tmp, XDG_CONFIG_HOME=os.path.join(tmp, "config"), XDG_DATA_HOME=os.path.join(tmp, "data"))
    lock = os.path.join(run, "fenban-window.lock")

    first = subprocess.Popen([fenban, roster], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        if not wait_for(lambda: os.path.exists(lock) or first.poll() is not None, 20):
            fail("the first window process took no lock")
        if first.poll() is not None:
            fail("the first window process ended: %r" % (first.communicate(),))

        started = time.time()
        second = subprocess.run([fenban], env=env, capture_output=True, timeout=30)
        elapsed = time.time() - started
        if second.returncode != 0 or second.stdout or second.stderr:
            fail("the second window process: exit %d, stdout %r, stderr %r"
                 % (second.returncode, second.stdout, second.stderr))
        if elapsed > 10:
            fail("the second window process took %.1f s to end" % elapsed)
        if first.poll() is not None:
            fail("the first window process ended with the second")

        check = subprocess.run([fenban, "check", roster, "--config", config], env=env,
                               capture_output=True, timeout=60)
        if check.returncode != 0:
            fail("fenban check beside the window: exit %d, %r" % (check.returncode, check.stderr))
    finally:
        first.terminate()
        first.wait(20)

    # The lock of the ended process is taken over by the next window.
    third = subprocess.Popen([fenban], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        def third_holds():
            try:
                with open(lock) as f:
                    return f.readline().strip() == str(third.pid)
            except OSError:
                return False
        if not wait_for(lambda: third_holds() or third.poll() is not None, 20) or third.poll() is not None:
            fail("a window after the first one ended did not start")
    finally:
        third.terminate()
        third.wait(20)

    # Bad arguments are refused with a line on stderr.
    for args, text in (([os.path.join(tmp, "none.csv")], b"cannot open"), (["--bogus"], b"unknown command")):
        r = subprocess.run([fenban] + args, env=env, capture_output=True, timeout=30)
        if r.returncode != 2 or text not in r.stderr:
            fail("fenban %s: exit %d, stderr %r" % (args, r.returncode, r.stderr))
print("window_instance: ok")
