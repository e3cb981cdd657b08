#!/usr/bin/python3
"""A screen reader's view of the real program: rings an alarm on the X server
this runs under (xvfb-run), with the accessibility bus of at-spi2-core on a
private session bus, reads the ringing window and the main window under it
through AT-SPI (pyatspi), checks that their controls have names and roles,
presses "Snooze" through its accessible action and sees the alarm snoozed: the
countdown runs and the snooze's wake-up is registered with the notification
service.

Usage: atspi_snooze.py PROGRAM_DIR
Exit status 0 passed, 1 failed, 77 skipped (no at-spi2-core or pyatspi).
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
TIMEOUT = 40  # seconds for each wait; the machine may be loaded


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    return 1


def wait_for(what, probe, timeout=TIMEOUT):
    """Calls probe() until it returns something true; returns that, or None."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.25)
    print("gave up waiting for " + what, file=sys.stderr)
    return None


def notifications(program_dir, env):
    """The notification service's records as (time text, application, arguments)."""
    out = subprocess.run([os.path.join(program_dir, "dawnbell-notify"), "list"], env=env,
                         capture_output=True, text=True, timeout=30).stdout
    return {tuple(line.split("\t")[1:]) for line in out.splitlines() if line.strip()}


def log(home):
    """The end of the program's log, for failure messages."""
    try:
        with open(os.path.join(home, "dawnbell.log"), encoding="utf-8", errors="replace") as f:
            return "".join(f.readlines()[-20:])
    except OSError:
        return "(no log)"


def walk(node, depth=0):
    """Every node below `node`, depth first (bounded)."""
    if node is None or depth > 25:
        return
    yield node
    for i in range(node.childCount):
        try:
            child = node.getChildAtIndex(i)
        except Exception:  # a node gone while walking
            continue
        yield from walk(child, depth + 1)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    program_dir = os.path.abspath(sys.argv[1])
    if not os.access(LAUNCHER, os.X_OK) or shutil.which("dbus-daemon") is None:
        print("SKIP: at-spi2-core or dbus-daemon is missing (scripts/setup-deps)")
        return SKIP
    if not os.environ.get("DISPLAY"):
        return fail("no X display: run under xvfb-run")

    work = tempfile.mkdtemp(prefix="dawnbell-atspi-")
    started = []  # processes this test started, ended at the end by their ids
    home = os.path.join(work, "home")
    env = dict(os.environ)
    env.update({
        "DAWNBELL_HOME": home,
        "XDG_RUNTIME_DIR": os.path.join(work, "run"),
        "DAWNBELL_SYSFS": os.path.join(work, "sys"),
        "DAWNBELL_DEVINPUT": os.path.join(work, "input"),
        "DAWNBELL_AUDIO_VIRTUAL": "1",
        "DAWNBELL_SYSTEMCTL": "false",
        "DAWNBELL_LOGINCTL": "false",
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "NO_AT_BRIDGE": "0",
    })
    env.pop("DAWNBELL_NOW", None)
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    try:
        # A private session bus, and the accessibility bus on it.
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             capture_output=True, text=True, timeout=30, env=env)
        if bus.returncode != 0:
            return fail("dbus-daemon did not start: " + bus.stderr)
        address, pid = bus.stdout.split()[:2]
        started.append(int(pid))
        env["DBUS_SESSION_BUS_ADDRESS"] = address
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=env)
        started.append(launcher.pid)
        # The program's bridge asks for the accessibility bus once, at start: the
        # bus must be there first.
        def has_bus():
            reply = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                                    "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                    "string:org.a11y.Bus"], env=env, capture_output=True, text=True, timeout=30)
            return "boolean true" in reply.stdout
        if not wait_for("the accessibility bus", has_bus):
            return fail("at-spi-bus-launcher never took the name org.a11y.Bus")

        try:
            import pyatspi  # after the bus address is set: it connects on import
        except ImportError:
            print("SKIP: python3-pyatspi is missing (scripts/setup-deps)")
            return SKIP

        # An alarm six hours ahead (nothing fires during the test), rung now.
        at = time.localtime(time.time() + 6 * 3600)
        add = subprocess.run([os.path.join(program_dir, "dawnbell-alarm"), "add", "--time",
                              "%02d:%02d" % (at.tm_hour, at.tm_min), "--title", "Wake up Ada"],
                             env=env, capture_output=True, text=True, timeout=60)
        if add.returncode != 0:
            return fail("dawnbell-alarm add: " + add.stderr)
        key = add.stdout.strip().splitlines()[-1]
        before = notifications(program_dir, env)
        program = subprocess.Popen([os.path.join(program_dir, "dawnbell"), key], env=env)
        started.append(program.pid)

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == program.pid:
                    return app
            return None

        def find(role, name):
            app = application()
            for node in walk(app):
                if node.getRoleName() == role and node.name == name:
                    return node
            return None

        if wait_for("the program on the accessibility bus", application) is None:
            return fail("the program never showed up on the accessibility bus (%s); its log:\n%s" %
                        ("running" if program.poll() is None else "ended with %d" % program.returncode,
                         log(home)))
        snooze = wait_for("the Snooze button", lambda: find("push button", "Snooze"))
        if snooze is None:
            return fail("no push button named Snooze; the tree: " +
                        "; ".join("%s %r" % (n.getRoleName(), n.name) for n in walk(application())))
        # The ringing window's other controls, with a name and a role.
        for role, name in (("push button", "End alarm"), ("label", "Wake up Ada")):
            if find(role, name) is None:
                return fail("no %s named %r" % (role, name))
        if find("dialog", "Wake up Ada") is None:
            return fail("no ringing window named after the alarm")

        # The main window under it: the alarm list and its row in words.
        if find("list", "Alarms") is None:
            return fail("no list named Alarms in the main window")
        row = next((n for n in walk(application()) if n.getRoleName() == "list item"), None)
        if row is None or "Wake up Ada, on, next ring in " not in row.name:
            return fail("the alarm's row is not read in words: %r" % (row.name if row else None))
        # Nothing a reader lands on in the program is nameless.
        unnamed = ["%s in %r" % (n.getRoleName(), n.parent.name if n.parent else "")
                   for n in walk(application())
                   if n.getRoleName() in ("push button", "check box", "slider", "progress bar", "list",
                                          "list item", "spin button", "text") and not n.name]
        if unnamed:
            return fail("controls without a name: " + ", ".join(unnamed))

        actions = snooze.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if not names:
            return fail("Snooze offers no action")
        index = next((i for i, n in enumerate(names) if n.lower() == "press"), 0)
        if not actions.doAction(index):
            return fail("the Snooze action %r was refused" % names[index])

        # Snoozed: the countdown runs, read as a live value ...
        def counting():
            node = find("progress bar", "Snooze countdown")
            return node is not None and node.queryValue().currentValue > 0
        if not wait_for("the snooze countdown", counting):
            return fail("the snooze countdown never ran")
        # ... and the wake-up for the snooze's end is registered.
        woken = wait_for("the snooze's wake-up", lambda: notifications(program_dir, env) - before)
        if not woken:
            return fail("no wake-up was registered for the snooze")
        if program.poll() is not None:
            return fail("the program ended after the snooze (status %d)" % program.returncode)
        print("PASS: Snooze pressed through AT-SPI (%s); new notification %s" % (names[index], sorted(woken)))
        return 0
    finally:
        # Ends what this test started, by id: the program, the notification
        # service it started for this home, the accessibility bus, the session bus.
        for proc in os.listdir("/proc"):
            if not proc.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % proc, "rb") as f:
                    if ("DAWNBELL_HOME=" + home).encode() + b"\0" in f.read() + b"\0":
                        if int(proc) not in started:
                            started.insert(0, int(proc))
            except OSError:
                continue
        for pid in started:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        time.sleep(1)
        for pid in started:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
