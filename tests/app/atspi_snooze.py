#!/usr/bin/python3
"""A screen reader's view of the real program: rings an alarm on the X server
this runs under (xvfb-run), with the accessibility bus of at-spi2-core on a
private session bus, reads the ringing window and the main window under it
through AT-SPI (pyatspi), checks that their controls have names and roles,
presses "Snooze" through its accessible action and sees the alarm snoozed: the
countdown runs, told to the reader as value changes, and the snooze's wake-up
is registered with the notification service.

Then, with the ringing ended, in the main window as a reader's user works it:
switching the alarm on or off through the buttons reaches the reader as
events of the list and its rows; the row's "Press" action opens the compact
editor, every control of which has a name and a role; its "Cancel" closes it.

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

EVENTS = ("object:property-change:accessible-value", "object:value-changed", "object:children-changed",
          "object:state-changed:checked", "object:state-changed:selected",
          "object:property-change:accessible-name")

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
TIMEOUT = 40  # seconds for each wait; the machine may be loaded


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    return 1


def pump():
    """Delivers the accessibility events that came in to their listeners."""
    try:
        from gi.repository import GLib
    except ImportError:
        return
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(what, probe, timeout=TIMEOUT):
    """Calls probe() until it returns something true; returns that, or None.
    Events are delivered between the calls."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        pump()
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

        # What the program tells a listening reader, as (event, role, name) of
        # its source; the program sends events only while someone listens.
        events = []

        def heard(event):
            try:
                source = event.source
                events.append((event.type, source.getRoleName(), source.name or ""))
            except Exception:  # a source gone before it was read
                events.append((event.type, "", ""))
        pyatspi.Registry.registerEventListener(heard, *EVENTS)

        def told(kinds, role, name=None):
            """The events of one of `kinds` from a node of `role` (named `name`)."""
            return [e for e in events if any(e[0].startswith(k) for k in kinds) and e[1] == role and
                    (name is None or e[2] == name)]

        # An alarm six hours ahead (nothing fires during the test), rung now. Its
        # volume is forced, so the compact editor shows its volume slider.
        at = time.localtime(time.time() + 6 * 3600)
        add = subprocess.run([os.path.join(program_dir, "dawnbell-alarm"), "add", "--time",
                              "%02d:%02d" % (at.tm_hour, at.tm_min), "--title", "Wake up Ada", "--volume", "40"],
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

        def find(role, name, below=None):
            for node in walk(below or application()):
                if node.getRoleName() == role and node.name == name:
                    return node
            return None

        def unnamed_below(node):
            """Controls a reader lands on that have no name."""
            return ["%s in %r" % (n.getRoleName(), n.parent.name if n.parent else "")
                    for n in walk(node)
                    if n.getRoleName() in ("push button", "check box", "slider", "progress bar", "list",
                                           "list item", "spin button", "text") and not n.name]

        def press(node, what):
            """Runs the node's "Press" action (else its first); None when done, else why not.
            An action that opens a modal window may answer only after it closes:
            a call that times out meanwhile is taken as done."""
            actions = node.queryAction()
            names = [actions.getName(i) for i in range(actions.nActions)]
            if not names:
                return "%s offers no action" % what
            index = next((i for i, n in enumerate(names) if n.lower() == "press"), 0)
            try:
                if not actions.doAction(index):
                    return "the %s action %r was refused" % (what, names[index])
            except Exception as error:  # the reply timed out behind a modal window
                print("note: %s action: %s" % (what, error), file=sys.stderr)
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
        unnamed = unnamed_below(application())
        if unnamed:
            return fail("controls without a name: " + ", ".join(unnamed))

        del events[:]
        why = press(snooze, "Snooze")
        if why:
            return fail(why)

        # Snoozed: the countdown runs, read as a live value ...
        def counting():
            node = find("progress bar", "Snooze countdown")
            return node is not None and node.queryValue().currentValue > 0
        if not wait_for("the snooze countdown", counting):
            return fail("the snooze countdown never ran")
        # ... whose seconds the reader is told as they pass ...
        value_kinds = ("object:property-change:accessible-value", "object:value-changed")
        if not wait_for("value changes of the countdown",
                        lambda: len(told(value_kinds, "progress bar", "Snooze countdown")) >= 2):
            return fail("the countdown's seconds were not told as value changes; events: %r" % events[-20:])
        # ... and the wake-up for the snooze's end is registered.
        woken = wait_for("the snooze's wake-up", lambda: notifications(program_dir, env) - before)
        if not woken:
            return fail("no wake-up was registered for the snooze")
        if program.poll() is not None:
            return fail("the program ended after the snooze (status %d)" % program.returncode)
        print("PASS: Snooze pressed through AT-SPI; new notification %s; countdown told %d times" %
              (sorted(woken), len(told(value_kinds, "progress bar", "Snooze countdown"))))

        # The ringing ends, and with it the program; the user opens the main window.
        stop = subprocess.run([os.path.join(program_dir, "dawnbell-alarm"), "stop"], env=env,
                              capture_output=True, text=True, timeout=60)
        if stop.returncode != 0:
            return fail("dawnbell-alarm stop: %d %s" % (stop.returncode, stop.stderr))
        try:
            program.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return fail("the program did not end after its ringing; its log:\n" + log(home))
        program = subprocess.Popen([os.path.join(program_dir, "dawnbell")], env=env)
        started.append(program.pid)

        def ada_row():
            return next((n for n in walk(application())
                         if n.getRoleName() == "list item" and "Wake up Ada" in n.name), None)
        row = wait_for("the alarm's row in the main window", ada_row)
        if row is None:
            return fail("the main window shows no row of the alarm; its log:\n" + log(home))

        # Switching the alarm on or off is told: the list's rows change, and the
        # row is read anew.
        was_on = ", on" in row.name
        actions = row.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if "SetFocus" in names:
            actions.doAction(names.index("SetFocus"))
        def toggle_button():
            node = find("push button", "Deactivate" if was_on else "Activate")
            return node if node is not None and node.getState().contains(pyatspi.STATE_ENABLED) else None
        toggle = wait_for("the Activate/Deactivate button", toggle_button)
        if toggle is None:
            return fail("no enabled %s button for the selected row" % ("Deactivate" if was_on else "Activate"))
        del events[:]
        why = press(toggle, toggle.name)
        if why:
            return fail(why)
        flipped = wait_for("the row read anew", lambda: (ada_row() is not None and
                                                          (", on" in ada_row().name) != was_on))
        if not flipped:
            return fail("the row still reads %r" % ada_row().name)
        # The row's checked state and its words: what a reader says of it anew.
        def row_told():
            kinds = {e[0] for e in told(("object:state-changed:checked", "object:property-change:accessible-name"),
                                        "list item") if "Wake up Ada" in e[2]}
            return kinds if len(kinds) == 2 else None
        if not wait_for("the reader told of the row's change", row_told):
            return fail("switching the alarm %s did not tell the reader its row's state and words; events: %r" %
                        ("off" if was_on else "on", events[-20:]))
        print("PASS: switching the alarm told: %s" % sorted(set(e[0] for e in events)))

        # The row's "Press" opens the compact editor, as a double tap does.
        row = ada_row()
        why = press(row, "row")
        if why:
            return fail(why)

        def editor():
            """The compact editor's window: the top-level window with a Title field."""
            app = application()
            for i in range(app.childCount if app else 0):
                window = app.getChildAtIndex(i)
                if window is not None and find("text", "Title", below=window) is not None:
                    return window
            return None
        window = wait_for("the compact editor", editor)
        if window is None:
            return fail("the row's Press opened no compact editor; the tree: " +
                        "; ".join("%s %r" % (n.getRoleName(), n.name) for n in walk(application())))
        expected = [("text", "Title"), ("text", "Message"), ("spin button", "Time"),
                    ("spin button", "Snooze (min.)"), ("spin button", "Quiz"), ("check box", "Vibrate"),
                    ("check box", "Random order"), ("check box", "Force volume"), ("slider", "Volume"),
                    ("list", "Playlist"), ("push button", "Add"), ("push button", "Remove"),
                    ("push button", "Move up"), ("push button", "Move down"), ("push button", "OK"),
                    ("push button", "Cancel")]
        expected += [("check box", day) for day in ("Mo", "Tu", "We", "Th", "Fr", "Sa", "Su")]
        seen = [(n.getRoleName(), n.name) for n in walk(window)]
        missing = [node for node in expected if node not in seen]
        if missing:
            return fail("the compact editor lacks %r; it shows %r" % (missing, seen))
        title = find("text", "Title", below=window)
        if "Wake up Ada" not in title.queryText().getText(0, -1):
            return fail("the Title field does not hold the alarm's title")
        unnamed = unnamed_below(window)
        if unnamed:
            return fail("controls of the compact editor without a name: " + ", ".join(unnamed))

        # Cancel closes it through its action; the main window is back.
        why = press(find("push button", "Cancel", below=window), "Cancel")
        if why:
            return fail(why)
        if not wait_for("the compact editor to close", lambda: editor() is None):
            return fail("Cancel did not close the compact editor")
        if program.poll() is not None:
            return fail("the program ended with the editor (status %d)" % program.returncode)
        print("PASS: the compact editor read through AT-SPI (%d named controls) and cancelled" % len(expected))
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
