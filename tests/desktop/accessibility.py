#!/usr/bin/python3
"""Both windows of ZumiVok as a Linux screen reader meets them: read over
AT-SPI from the program running on a real X server with Qt's xcb platform.

    accessibility.py PATH_TO_ZUMIVOK

Brings its own session bus (dbus-run-session) and X server (Xvfb), so it
needs no desktop. Every wait has a time limit, and a watchdog ends the whole
run, whatever hangs. Prints every role and name it read.
"""

import os
import select
import signal
import subprocess
import sys
import tempfile
import time

RUN_LIMIT_S = 90
MAIN_CAPTION = "ZumiVok \u00df-2"
EDITOR_CAPTION = "ZumiVok Data Entry - New"

# The focusable controls, (role, name), in the order the windows hold them.
MAIN_CONTROLS = [
    ("text", "Entry text"), ("text", "Name to search for"),
    ("push button", "Next"), ("push button", "Previous"), ("push button", "Topic"),
    ("push button", "Chart"), ("push button", "Edit Entry"), ("push button", "New Entry"),
    ("push button", "Search"), ("push button", "Help"), ("push button", "Version"),
    ("push button", "Exit"), ("image", "Entry picture"),
    ("push button", "Alpha Sort"), ("push button", "Num Sort"),
]
EDITOR_CONTROLS = [
    ("push button", "Add Picture"), ("text", "Entry Name"), ("text", "Entry Data"),
    ("push button", "Done"), ("push button", "Delete Entry"), ("push button", "Help"),
    ("push button", "Cancel"),
]
# Labels and the control each names.
EDITOR_LABELS = {"Entry Name:": "Entry Name", "Entry Data:": "Entry Data", "No picture": None}
DESCRIBED = {"Entry text", "Name to search for", "Entry picture", "Entry Name", "Entry Data"}


def outer(program):
    """Runs the check in a session bus of its own; kills all of it at the end."""
    with tempfile.TemporaryDirectory() as runtime, tempfile.TemporaryFile() as log:
        os.chmod(runtime, 0o700)
        env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
        command = ["dbus-run-session", "--", sys.executable, __file__, "--inner", program]
        # Output goes to a file: a daemon left behind must not hold our pipe.
        run = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT,
                               stdin=subprocess.DEVNULL, start_new_session=True)
        try:
            status = run.wait(timeout=RUN_LIMIT_S)
        except subprocess.TimeoutExpired:
            status = None
        try:
            os.killpg(run.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        run.wait()
        log.seek(0)
        sys.stdout.write(log.read().decode(errors="replace"))
        if status is None:
            print(f"FAIL: no result after {RUN_LIMIT_S} s")
            return 1
        return status


def start_x_server():
    """A fresh Xvfb on a free display; returns the process and the display."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    # The server writes the number, then a line break; it dies if the pipe
    # closes in between.
    written = b""
    deadline = time.monotonic() + 20
    while not written.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_end], [], [], max(0, deadline - time.monotonic()))
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            break
        written += chunk
    os.close(read_end)
    number = written.decode().strip() if written.endswith(b"\n") else ""
    if not number:
        server.kill()
        raise SystemExit("FAIL: Xvfb did not start")
    return server, ":" + number


def wait_for(what, probe, limit_s=20):
    deadline = time.monotonic() + limit_s
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit(f"FAIL: {what} did not come within {limit_s} s")


def controls(window):
    """Every accessible below window, depth first."""
    for child in window:
        if child is None:
            continue
        yield child
        yield from controls(child)


def focusable(window, pyatspi):
    return [c for c in controls(window) if c.getState().contains(pyatspi.STATE_FOCUSABLE)]


def window_of(app, role, name, pyatspi):
    """The window of that role and name on the screen, if any."""
    for window in app:
        if window is not None and window.getRoleName() == role and window.name == name \
                and window.getState().contains(pyatspi.STATE_SHOWING):
            return window
    return None


def press(window, name):
    for control in controls(window):
        if control.getRoleName() == "push button" and control.name == name:
            action = control.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            action.doAction(names.index("Press"))
            return
    raise SystemExit(f"FAIL: no button {name!r}")


def report(window):
    print(f"{window.getRoleName()} {window.name!r}")
    for control in controls(window):
        if control.getRoleName() in ("filler", "scroll bar"):
            continue  # the parts of a text box
        described = f" ({control.description})" if control.description else ""
        print(f"    {control.getRoleName()} {control.name!r}{described}")


def check_window(window, expected, pyatspi, failures):
    found = [(c.getRoleName(), c.name) for c in focusable(window, pyatspi)]
    if found != expected:
        failures.append(f"{window.name}: focusable controls {found}, expected {expected}")
    for control in controls(window):
        if control.name in DESCRIBED and not control.description:
            failures.append(f"{control.name!r} has no description")


def check_editor(editor, pyatspi, failures):
    check_window(editor, EDITOR_CONTROLS, pyatspi, failures)
    for control in controls(editor):
        if control.getRoleName() != "label" or control.name not in EDITOR_LABELS:
            continue
        names = [relation.getTarget(0).name for relation in control.getRelationSet()
                 if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR]
        wanted = EDITOR_LABELS[control.name]
        if names != ([wanted] if wanted else []):
            failures.append(f"label {control.name!r} names {names}, expected {wanted}")
    labels = {c.name for c in controls(editor) if c.getRoleName() == "label"}
    if labels != set(EDITOR_LABELS):
        failures.append(f"editor labels {sorted(labels)}")


def inner(program):
    server, display = start_x_server()
    # The program and the reader find the same accessibility bus: the one of
    # this session, not one another display or the caller's desktop names.
    os.environ["DISPLAY"] = display
    for name in ("AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "QT_QPA_PLATFORMTHEME"):
        os.environ.pop(name, None)
    import pyatspi
    pyatspi.setTimeout(5000, 15000)
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    with tempfile.TemporaryDirectory() as data:
        zumivok = subprocess.Popen([program], cwd=data, env=env, stdin=subprocess.DEVNULL)
        try:
            failures = read_both_windows(zumivok, pyatspi)
        finally:
            if zumivok.poll() is None:
                zumivok.kill()
            server.kill()
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


def read_both_windows(zumivok, pyatspi):
    """Reads and checks the main window, opens the editor, reads and checks it,
    then leaves the editor and the program through their buttons."""
    failures = []
    def application():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == zumivok.pid:
                return app
        return None
    app = wait_for("the program on the bus", application)
    main = wait_for("the main window", lambda: window_of(app, "frame", MAIN_CAPTION, pyatspi))
    wait_for("the main window's controls",
             lambda: len(focusable(main, pyatspi)) >= len(MAIN_CONTROLS))
    report(main)
    check_window(main, MAIN_CONTROLS, pyatspi, failures)
    editable = {c.name: c.getState().contains(pyatspi.STATE_EDITABLE)
                for c in focusable(main, pyatspi)}
    if editable.get("Entry text") is not False or editable.get("Name to search for") is not True:
        failures.append(f"only the search box should be editable: {editable}")

    press(main, "New Entry")
    editor = wait_for("the editor", lambda: window_of(app, "dialog", EDITOR_CAPTION, pyatspi))
    wait_for("the editor's controls",
             lambda: len(focusable(editor, pyatspi)) >= len(EDITOR_CONTROLS))
    report(editor)
    check_editor(editor, pyatspi, failures)

    press(editor, "Cancel")
    wait_for("the editor to close", lambda: window_of(app, "dialog", EDITOR_CAPTION, pyatspi) is None)
    press(main, "Exit")
    if zumivok.wait(timeout=10) != 0:
        failures.append(f"Exit ended the program with {zumivok.returncode}")
    return failures


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inner":
        sys.exit(inner(os.path.abspath(sys.argv[2])))
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(outer(os.path.abspath(sys.argv[1])))
