#!/usr/bin/env python3
"""End-to-end tests: the real program under Wine and Xvfb, driven through lumadrive.

Usage: e2e.py TEST --program PATH --tools DIR --session DIR [--work DIR]

Each test copies the program into a fresh folder (it writes its settings file beside itself),
starts it in the Wine session prepared by `scripts/wine-env session-start`, and drives its
windows. Texts cross to the tools as hex of their Shift-JIS bytes.
"""
import argparse
import contextlib
import ctypes
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

APP_TITLE = "t482－Lumadex"
CONNECT_FAILED = "データベース接続が出来ません。設定を確認して下さい。"
# The first line of the message when no Firebird client library is found (the Windows build under
# Wine has none: the Linux client serves only the Winelib build).
CLIENT_NOT_FOUND = "Firebird のクライアント ライブラリ (fbclient.dll) が見つかりません。"


def connect_failed_for(program):
    """The start-up message's first line of a program that cannot connect."""
    return CLIENT_NOT_FOUND if os.sep + "windows" + os.sep in program else CONNECT_FAILED

# Caption, left, top of the main window's buttons; every button is 169 x 33.
MAIN_BUTTONS = [
    ("(&1) データベース設定　", 8, 48),
    ("(&2) Jw_cad起動チェック", 8, 88),
    ("(&3) データ編集　　　　", 8, 128),
    ("(&4) データ一覧表示　　", 8, 168),
    ("(&5) データCSV書き出し", 192, 48),
    ("(&6) データCSV読み込み", 192, 88),
    ("(&7) 集計　　　　　　　", 192, 128),
    ("(&0) 　　終　了　　　　", 192, 168),
]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def hexof(text):
    return text.encode("cp932").hex()


def unhex(text):
    return bytes.fromhex(text).decode("cp932")


def parse_fields(line):
    """'control index=3 class=Button text=41' -> {'kind': 'control', 'index': '3', ...}"""
    parts = line.split()
    fields = {"kind": parts[0] if parts else ""}
    for part in parts[1:]:
        if "=" in part:
            key, value = part.split("=", 1)
            fields[key] = value
        else:
            fields.setdefault("args", []).append(part)
    return fields


# Wine without its preloader (as Debian's wine64 ships) cannot keep the fixed addresses a Windows
# process needs free of the kernel's randomised placements: about one start in a thousand ends at
# once with exit status 1 and nothing on standard output ("failed to map the shared user data",
# shown only with the err channel on). A test run starts Wine programs thousands of times, so
# one such start failed a test now and then, wherever it fell. The programs of a session start
# with the placements fixed, as under `setarch -R`: the same layout every time, and one that works.
ADDR_NO_RANDOMIZE = 0x0040000
# What Wine says when a start fails (and nothing of the programs' own chatter).
WINE_START_ERRORS = "-all,err+winediag,err+virtual,err+module,err+process"


def fixed_address_layout():
    """Sets ADDR_NO_RANDOMIZE in this process's personality; the programs it starts inherit it."""
    if not sys.platform.startswith("linux"):
        return
    libc = ctypes.CDLL(None, use_errno=True)
    libc.personality.restype = ctypes.c_int
    libc.personality.argtypes = [ctypes.c_ulong]
    current = libc.personality(0xFFFFFFFF)  # a query: the personality is left as it is
    check(current != -1, f"personality: errno {ctypes.get_errno()}")
    if not current & ADDR_NO_RANDOMIZE:
        check(libc.personality(current | ADDR_NO_RANDOMIZE) != -1,
              f"personality(ADDR_NO_RANDOMIZE): errno {ctypes.get_errno()}")


class Session:
    def __init__(self, session_dir, tools_dir, work_dir):
        fixed_address_layout()
        env_file = os.path.join(session_dir, "env")
        check(os.path.isfile(env_file), f"no Wine session at {session_dir} (fixture 'wine' not run?)")
        self.env = os.environ.copy()
        with open(env_file, encoding="utf-8") as handle:
            for line in handle:
                words = shlex.split(line)
                if len(words) == 2 and words[0] == "export":
                    name, value = words[1].split("=", 1)
                    self.env[name] = value
        self.tools = tools_dir
        self.work = work_dir
        self.processes = []
        self.logs = []
        self.xvfb_pid_file = os.path.join(session_dir, "xvfb.pid")
        check(self.display_alive(), f"the X server of the session {self.env.get('DISPLAY')} is not running")
        owner = self.prefix_owner()
        check(owner in (None, os.path.abspath(session_dir)),
              f"the Wine prefix {self.env.get('WINEPREFIX')} belongs to the session in {owner}")

    def prefix_owner(self):
        """The session folder that `wine-env session-start` recorded in the prefix, if any."""
        path = os.path.join(self.env.get("WINEPREFIX", ""), ".lumadex-session")
        try:
            with open(path, encoding="utf-8") as handle:
                words = handle.read().split()
        except OSError:
            return None
        return words[0] if words else None

    def display_alive(self):
        """Whether the session's own Xvfb still runs and holds its display."""
        try:
            with open(self.xvfb_pid_file, encoding="ascii") as handle:
                pid = handle.read().strip()
            with open(f"/proc/{pid}/cmdline", "rb") as handle:
                command = handle.read().split(b"\0")
        except OSError:
            return False
        display = self.env.get("DISPLAY", "")
        return display.encode() in command and os.path.exists(f"/tmp/.X11-unix/X{display.lstrip(':')}")

    def command_for(self, path):
        with open(path, "rb") as handle:
            pe = handle.read(2) == b"MZ"
        return ["wine", path] if pe else [path]

    def drive(self, *args, timeout_ms=10000, expect_ok=True):
        command = self.command_for(os.path.join(self.tools, "lumadrive.exe"))
        command += ["-t", str(timeout_ms)] + [str(a) for a in args]
        # Wine's complaints go to a file, not a pipe: the desktop process a Wine program may start
        # inherits the standard error and keeps it open as long as it runs.
        with tempfile.TemporaryFile() as errors:
            result = subprocess.run(command, env=dict(self.env, WINEDEBUG=WINE_START_ERRORS),
                                    stdout=subprocess.PIPE, stderr=errors, timeout=timeout_ms / 1000 + 60)
            errors.seek(0)
            complaint = errors.read()[-1000:].decode("utf-8", "replace").strip()
        lines = result.stdout.decode("ascii", "replace").splitlines()
        if expect_ok and result.returncode != 0:
            # Without an "error" line the tool did not get to say why (it crashed, or Wine did
            # not start it): its exit status and Wine's complaints tell.
            raise Failure(f"lumadrive {' '.join(map(str, args))} failed: {lines}"
                          + ("" if lines else f" (exit status {result.returncode:#x}{': ' + complaint if complaint else ''})"))
        return [parse_fields(line) for line in lines], result.returncode

    def start(self, program, *args, capture=False):
        """Starts a program; capture keeps its standard output (for the toolkit probe's events)."""
        # Wine's own complaints (no display, no window driver) go to a log for a failure report.
        log_path = os.path.join(self.work, f"{os.path.basename(program)}-{len(self.logs)}.log")
        env = dict(self.env, WINEDEBUG=WINE_START_ERRORS)
        with open(log_path, "wb") as log:
            process = subprocess.Popen(self.command_for(program) + list(args), env=env,
                                       cwd=os.path.dirname(program),
                                       stdout=subprocess.PIPE if capture else subprocess.DEVNULL,
                                       stderr=log)
        self.processes.append(process)
        self.logs.append(log_path)
        return process

    def screenshot(self, name):
        """Saves the screen for a human to look at; not part of any assertion."""
        if shutil.which("import") is None:
            return None
        path = os.path.join(self.work, name)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", path],
                       env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        return path

    def describe(self):
        """What a failure left on the desktop, for the log."""
        print(f"  X server {self.env.get('DISPLAY')}: {'running' if self.display_alive() else 'GONE'};"
              f" prefix session {self.prefix_owner()}")
        for process in self.processes:
            print(f"  process {process.args!r}: {'running' if process.poll() is None else f'ended {process.returncode}'}")
        for path in self.logs:
            try:
                with open(path, "rb") as handle:
                    tail = handle.read()[-2000:].decode("utf-8", "replace").strip()
            except OSError:
                continue
            if tail:
                print(f"  {os.path.basename(path)}:\n    " + tail.replace("\n", "\n    "))
        try:
            lines, _ = self.drive("windows", timeout_ms=2000, expect_ok=False)
        except Exception as error:  # the description must not hide the failure
            print(f"  windows: {error}")
            return
        for line in lines:
            if line.get("visible") == "1":
                print(f"  window {line.get('class')} {unhex(line.get('title', ''))!r} frame={line.get('frame')}"
                      f" enabled={line.get('enabled')}")

    def stop_all(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()


def copy_program(program, folder):
    """Copies Lumadex.exe (and, for Winelib, Lumadex.exe.so beside it) into folder."""
    check(os.path.isfile(program), f"{program} is missing: build it first (make test builds it)")
    os.makedirs(folder, exist_ok=True)
    copied = os.path.join(folder, os.path.basename(program))
    shutil.copy2(program, copied)
    if os.path.isfile(program + ".so"):
        shutil.copy2(program + ".so", copied + ".so")
    return copied


def settings_lines(server_name, server_folder, database="JWWDB.FDB", user="e2e", interval=10):
    lines = [server_name, server_folder, database, user, str(interval),
             "192", "107",            # TForm1
             "200", "120",            # TForm2
             "210", "130",            # TForm3
             "220", "140",            # TForm4
             "230", "150", "700", "500",  # TForm5 position and size
             ] + ["80"] * 10
    assert len(lines) == 27
    return lines


def write_settings(path, lines):
    with open(path, "wb") as handle:
        handle.write(b"".join(line.encode("cp932") + b"\r\n" for line in lines))


def database_file(base, extension, server_name, server_folder, database="JWWDB.FDB"):
    """The program's journal (or rejected file) for the database these settings name: base +
    ".<readable part of the database file's name>.<8 hex digits of FNV-1a of the full path>" + extension."""
    path = server_name + server_folder + database
    name = re.split(r"[\\/:]", path)[-1]
    if "." in name:
        name = name[:name.rindex(".")]
    readable = "".join(c for c in name if c.isascii() and (c.isalnum() or c in "_-"))[:12] or "DB"
    value = 2166136261
    for byte in path.encode("cp932"):
        value = ((value ^ byte) * 16777619) & 0xFFFFFFFF
    return f"{base}.{readable}.{value:08x}{extension}"


def read_settings(path):
    with open(path, "rb") as handle:
        data = handle.read()
    return [line.decode("cp932") for line in data.splitlines()]


def item_texts(lines):
    """The texts of lumadrive's "item N HEX" lines (an empty entry has no HEX)."""
    return [unhex(l["args"][1]) if len(l.get("args", [])) > 1 else "" for l in lines if l["kind"] == "item"]


def wait_for_window(session, title_hex, condition, seconds=10):
    """The window's line once condition holds for it (or the last one seen after the wait)."""
    deadline = time.monotonic() + seconds
    while True:
        lines, _ = session.drive("find", title_hex)
        if condition(lines[0]) or time.monotonic() > deadline:
            return lines
        time.sleep(0.2)


def control_at(session, title, left, top, kind=None):
    """The "#N" address of the control whose client rectangle starts at left, top."""
    lines, _ = session.drive("controls", hexof(title))
    for line in lines:
        if line["kind"] != "control":
            continue
        x, y = line["rect"].split(",")[:2]
        if (int(x), int(y)) == (left, top) and (kind is None or line["class"].lower() == kind):
            return "#" + line["index"]
    raise Failure(f"no control at {left},{top} in {title}: {[l.get('rect') for l in lines]}")


def control_text(session, title, control):
    lines, _ = session.drive("gettext", hexof(title), control)
    return unhex(lines[0]["args"][0]) if lines and lines[0].get("args") else ""


def enabled_at_once(session, title, seconds=1.0):
    """Whether the window is enabled within a moment (no later event needed to wake anything)."""
    lines = wait_for_window(session, hexof(title), lambda w: w["enabled"] == "1", seconds)
    return lines[0]["enabled"] == "1"


@contextlib.contextmanager
def simulated_taskbar(session, height):
    """A taskbar across the top of the screen, as the work area says it. Without a window
    manager Wine has none: the X root window's _NET_WORKAREA (which a window manager sets) is
    set by hand and Wine is asked to read the display anew. A program of the session must run,
    so that the X server keeps the property."""
    check(shutil.which("xprop") is not None, "xprop is missing (x11-utils, scripts/install-deps)")
    lines, _ = session.drive("displaychange")
    left, top, right, bottom = map(int, lines[0]["args"][0].split(","))
    work = f"{left},{top + height},{right - left},{bottom - top - height}"

    def xprop(*args):
        subprocess.run(["xprop", "-display", session.env["DISPLAY"], "-root"] + list(args),
                       env=session.env, check=True, timeout=30)

    xprop("-format", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", work)
    try:
        lines, _ = session.drive("displaychange")
        check(lines[0]["args"][0] == f"{left},{top + height},{right},{bottom}",
              f"the simulated taskbar did not take: work area {lines[0]['args'][0]}")
        yield
    finally:
        xprop("-remove", "_NET_WORKAREA")
        session.drive("displaychange", expect_ok=False)


def wait_exit(process, seconds=60):
    try:
        return process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after its main window was closed")


def windows_path_of(path):
    return "Z:" + path.replace("/", "\\")


def hold(session, path, release_ms):
    """Another program (lumadrive) holds `path` open without delete sharing until the writer's
    temporary file beside it appears, then lets go `release_ms` later (-1: once the writer gave
    up and the temporary file is gone). Returns the holder's process once it holds the file."""
    command = session.command_for(os.path.join(session.tools, "lumadrive.exe"))
    command += ["-t", "60000", "hold", windows_path_of(path), windows_path_of(path + ".tmp"), str(release_ms)]
    holder = subprocess.Popen(command, env=session.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    session.processes.append(holder)
    first = holder.stdout.readline().decode("ascii", "replace").strip()
    check(first == "held", f"the holder could not open {path}: {first!r}")
    return holder


def holder_said(holder):
    out, _ = holder.communicate(timeout=120)
    return out.decode("ascii", "replace").split()


# ---- shared by the per-area scripts (e2e_monitor.py, e2e_records.py, e2e_exchange.py) ----

SYSDBA_PASSWORD = "quillstar"
COLUMNS = ["N", "PNAME", "L_FOLDER", "N_FOLDER", "FILE_NAME", "BOOT_DATE", "BOOT_TIME",
           "FILE_DATE", "FILE_TIME", "FILE_SIZE"]


def fb_server(fbstate):
    """"localhost/PORT:" of the private Firebird server whose state folder is fbstate."""
    with open(os.path.join(fbstate, "port"), encoding="ascii") as handle:
        return f"localhost/{handle.read().strip()}:"


def isql(script, database=None, strict=False):
    """Runs isql-fb on the script (text) and returns its standard output (bytes). strict: any
    complaint on its standard error fails too."""
    # isql-fb drops Shift-JIS bytes read from standard input: the script goes in a file.
    with tempfile.NamedTemporaryFile("wb", suffix=".sql", delete=False) as handle:
        handle.write(script.encode("cp932"))
        path = handle.name
    try:
        command = ["isql-fb", "-q", "-user", "SYSDBA", "-password", SYSDBA_PASSWORD, "-i", path]
        if database:
            command.append(database)
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    finally:
        os.unlink(path)
    check(result.returncode == 0 and not (strict and result.stderr.strip()),
          f"isql-fb failed: {result.stderr.decode('cp932', 'replace')}")
    return result.stdout


def create_database(database, script="", strict=False):
    """Creates the database (page size 4096), then runs the rest of the script in it."""
    isql(f"CREATE DATABASE '{database}' USER 'SYSDBA' PASSWORD '{SYSDBA_PASSWORD}' "
         "PAGE_SIZE 4096;\n" + script, strict=strict)


def select_rows(database, columns, where="", strict=False):
    """The rows of BOOTJWW ordered by N, as dicts of the columns: texts decoded from their
    stored Shift-JIS bytes (read as hex, so no connection character set is involved), the two
    numbers as isql prints them, NULL as None."""
    numbers = ("N", "FILE_SIZE")
    selected = ", ".join(c if c in numbers else f"CAST({c} AS VARCHAR(255) CHARACTER SET OCTETS) AS {c}"
                         for c in columns)
    output = isql(f"SET LIST ON;\nSELECT {selected} FROM BOOTJWW{where} ORDER BY N;\n", database, strict)
    rows, row = [], {}
    for line in output.decode("ascii", "replace").splitlines():
        words = line.split(None, 1)
        # A blank line, or a column seen again, starts the next row.
        if row and (not words or words[0] in row):
            rows.append(row)
            row = {}
        if not words or words[0] not in columns:
            continue
        name, value = words[0], (words[1].strip() if len(words) > 1 else "")
        if value == "<null>":
            row[name] = None
        elif name in numbers:
            row[name] = value
        else:
            row[name] = bytes.fromhex(value).decode("cp932")
    if row:
        rows.append(row)
    return rows


def message_box(session, title, timeout_ms=10000):
    """The texts and the button captions of the message box titled title."""
    lines, _ = session.drive("msgbox", hexof(title), timeout_ms=timeout_ms)
    texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
    buttons = [unhex(l["args"][0]) for l in lines if l["kind"] == "button"]
    return texts, buttons


def no_message(session):
    """No message box of the program comes (within 1.5 s)."""
    lines, status = session.drive("msgbox", hexof(APP_TITLE), timeout_ms=1500, expect_ok=False)
    texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
    check(status != 0, f"a message box appeared: {texts!r}")


def add_common_arguments(parser):
    """The options every e2e script takes."""
    parser.add_argument("--program", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--session", required=True)
    parser.add_argument("--work", default=None)


def open_session(options, tools):
    """The session for the parsed options; None (after a FAIL line) when a tool is not built."""
    for tool in tools:
        path = os.path.join(options.tools, tool)
        if not os.path.isfile(path):
            print(f"FAIL: {path} is missing: build the linux preset first (make test does)")
            return None
    work = options.work or os.path.join(options.session, "work")
    os.makedirs(work, exist_ok=True)
    try:
        return Session(options.session, options.tools, work)
    except Failure as failure:  # no usable session: nothing to drive
        print(f"FAIL: {failure}")
        return None


def run_reported(session, name, body, describe=False):
    """Runs body() and prints PASS or FAIL for name (with a screenshot, and with describe the
    desktop's state, on failure); stops what the session started. Returns the exit status."""
    started = time.monotonic()
    try:
        body()
    except Failure as failure:
        print(f"FAIL: {name}: {failure}")
        session.screenshot(f"{name}-failure.png")
        if describe:
            session.describe()
        return 1
    finally:
        session.stop_all()
    print(f"PASS: {name} ({time.monotonic() - started:.1f} s)")
    return 0


def area_main(name, run, tools=("lumadrive.exe",)):
    """The command line of a per-area script: run(session, program, fbstate) against the private
    Firebird server whose state folder is --fbstate. Returns the exit status."""
    parser = argparse.ArgumentParser()
    add_common_arguments(parser)
    parser.add_argument("--fbstate", required=True)
    options = parser.parse_args()
    session = open_session(options, tools)
    if session is None:
        return 1
    return run_reported(session, name, lambda: run(session, os.path.abspath(options.program), options.fbstate))


def test_main_window(session, program):
    """The main window, the failed-connection message and the settings file written on close."""
    folder = tempfile.mkdtemp(prefix="main-window-", dir=session.work)
    exe = copy_program(program, folder)
    dat = os.path.splitext(exe)[0] + ".dat"
    # Nothing listens on port 9 of the loopback: the connection fails at once.
    write_settings(dat, settings_lines("127.0.0.1/9:", "C:\\lumadex-e2e-nowhere\\"))
    process = session.start(exe)

    # The message of the failed connection, with the application title as caption.
    lines, _ = session.drive("msgbox", hexof(APP_TITLE), timeout_ms=60000)
    texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
    buttons = [unhex(l["args"][0]) for l in lines if l["kind"] == "button"]
    check([t.splitlines()[0] for t in texts] == [connect_failed_for(program)], f"message box texts {texts!r}")
    check(len(buttons) == 1, f"message box buttons {buttons!r}")
    session.screenshot("main-window-message.png")
    session.drive("click", hexof(APP_TITLE), "=" + hexof(buttons[0]))
    session.drive("gone", hexof(APP_TITLE))
    # Shown once only.
    _, status = session.drive("find", hexof(APP_TITLE), timeout_ms=1500, expect_ok=False)
    check(status != 0, "the connection message came a second time")

    lines, _ = session.drive("controls", hexof("Lumadex"))
    window = lines[0]
    check(window["client"] == "369,209", f"main window client area {window['client']}")
    check(window["frame"].split(",")[:2] == ["192", "107"], f"main window frame {window['frame']}")
    controls = [l for l in lines if l["kind"] == "control"]
    buttons = [c for c in controls if c["class"].lower() == "button"]
    found = [(unhex(b["text"]), b["rect"], b["visible"]) for b in buttons]
    expected = [(caption, f"{left},{top},169,33", "1") for caption, left, top in MAIN_BUTTONS]
    check(found == expected, f"buttons (in tab order) {found!r}")
    labels = [unhex(c["text"]) for c in controls if c["class"].lower() == "static" and c["visible"] == "1"]
    check("Jw_cadの起動をチェックしDB登録します" in labels, f"labels {labels!r}")
    combos = [c for c in controls if c["class"].lower() == "combobox"]
    check(len(combos) == 1 and combos[0]["visible"] == "0", "ComboBox1 must exist and stay hidden")
    session.screenshot("main-window.png")

    session.drive("close", hexof("Lumadex"))
    wait_exit(process)
    lines = read_settings(dat)
    check(len(lines) == 31, f"Lumadex.dat has {len(lines)} lines")
    check(lines[0:2] == ["127.0.0.1/9:", "C:\\lumadex-e2e-nowhere\\"], f"settings kept: {lines[0:2]!r}")
    check(lines[5:7] == ["192", "107"], f"main window position written: {lines[5:7]!r}")
    shutil.rmtree(folder, ignore_errors=True)


DEFAULT_SETTINGS_HEAD = ["localhost:", "", "JWWDB.FDB", "PCユーザー名", "10", "192", "107"]


def start_fresh(session, program, name):
    folder = tempfile.mkdtemp(prefix=name + "-", dir=session.work)
    exe = copy_program(program, folder)
    return folder, exe, os.path.splitext(exe)[0] + ".dat"


def test_first_start_keyboard(session, program):
    """No settings file: no connection, no message; Alt+0 ends the program, defaults are written."""
    folder, exe, dat = start_fresh(session, program, "first-start")
    process = session.start(exe)
    lines, _ = session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    check(lines[0]["client"] == "369,209", f"client area {lines[0]['client']}")
    _, status = session.drive("find", hexof(APP_TITLE), timeout_ms=1500, expect_ok=False)
    check(status != 0, "a message box came without any settings file")
    check(not os.path.exists(dat), "a settings file was written at start")
    # The access key of "(&0) 　　終　了　　　　" pressed with Alt, as a user types it.
    session.drive("keys", hexof("Lumadex"), "alt+30")
    wait_exit(process)
    lines = read_settings(dat)
    check(len(lines) == 31, f"Lumadex.dat has {len(lines)} lines")
    check(lines[:7] == DEFAULT_SETTINGS_HEAD, f"defaults written: {lines[:7]!r}")
    shutil.rmtree(folder, ignore_errors=True)


def test_end_session(session, program):
    """Log-off while the program runs: the settings are saved although the window never closes."""
    folder, exe, dat = start_fresh(session, program, "end-session")
    # A short file: only a save writes all 27 lines.
    write_settings(dat, ["localhost:", "", "JWWDB.FDB", "利用者"])
    process = session.start(exe)
    session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    lines, _ = session.drive("endsession", hexof("Lumadex"))
    check(lines[0]["args"] == ["1"], f"the program refused to let the session end: {lines}")
    # Windows ends the process after WM_ENDSESSION; so do we.
    process.kill()
    process.wait()
    lines = read_settings(dat)
    check(len(lines) == 31, f"Lumadex.dat has {len(lines)} lines after the session ended")
    check(lines[:4] == ["localhost:", "", "JWWDB.FDB", "利用者"],
          f"settings saved at the end of the session: {lines[:4]!r}")
    shutil.rmtree(folder, ignore_errors=True)


def test_modal_settings(session, program):
    """Button1 runs the settings dialog modally: the main window waits until it closes."""
    folder, exe, dat = start_fresh(session, program, "modal")
    process = session.start(exe)
    session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    session.drive("click", hexof("Lumadex"), "=" + hexof(MAIN_BUTTONS[0][0]))
    lines, _ = session.drive("find", hexof("データベース設定"))
    check(lines[0]["enabled"] == "1", "the settings dialog is disabled")
    # One taskbar entry: the dialog is owned by the main window, which is owned by nobody.
    check(lines[0]["owned"] == "1", "the settings dialog is not owned by the main window")
    lines, _ = session.drive("find", hexof("Lumadex"))
    check(lines[0]["enabled"] == "0", "the main window stays usable while the dialog is modal")
    check(lines[0]["owned"] == "0", "the main window is owned")
    session.screenshot("modal-settings.png")
    session.drive("close", hexof("データベース設定"))
    session.drive("gone", hexof("データベース設定"))
    lines = wait_for_window(session, hexof("Lumadex"), lambda w: w["enabled"] == "1" and w["foreground"] == "1")
    check(lines[0]["enabled"] == "1" and lines[0]["foreground"] == "1",
          f"the main window is not usable and in front after the dialog closed: {lines[0]}")
    session.drive("close", hexof("Lumadex"))
    wait_exit(process)
    check(len(read_settings(dat)) == 31, "no settings file after closing")
    shutil.rmtree(folder, ignore_errors=True)


def test_minimised_position(session, program):
    """Windows minimised when the program ends are saved where they stand when restored, in
    screen coordinates, with a taskbar taking the top of the screen."""
    folder, exe, dat = start_fresh(session, program, "minimised")
    write_settings(dat, settings_lines("localhost:", ""))
    process = session.start(exe)
    session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    check_title = "Jw_cad起動チェック"
    with simulated_taskbar(session, 48):
        session.drive("click", hexof("Lumadex"), "=" + hexof(MAIN_BUTTONS[1][0]))
        lines, _ = session.drive("find", hexof(check_title))
        check(lines[0]["frame"].split(",")[:2] == ["210", "130"], f"launch check window at {lines[0]['frame']}")
        # The user drags it, then minimises it and the main window.
        session.drive("move", hexof(check_title), 333, 251)
        lines = wait_for_window(session, hexof(check_title), lambda w: w["frame"].startswith("333,251,"))
        check(lines[0]["frame"].startswith("333,251,"), f"the window was not moved: {lines[0]['frame']}")
        session.drive("minimize", hexof(check_title))
        lines = wait_for_window(session, hexof(check_title), lambda w: w["iconic"] == "1")
        check(lines[0]["iconic"] == "1", f"the launch check window is not minimised: {lines[0]}")
        session.drive("minimize", hexof("Lumadex"))
        lines = wait_for_window(session, hexof("Lumadex"), lambda w: w["iconic"] == "1")
        check(lines[0]["iconic"] == "1", f"the main window is not minimised: {lines[0]}")
        session.screenshot("minimised-windows.png")
        session.drive("close", hexof("Lumadex"))
        wait_exit(process)
    lines = read_settings(dat)
    check(len(lines) == 31, f"Lumadex.dat has {len(lines)} lines")
    check(lines[5:7] == ["192", "107"], f"the minimised main window saved at {lines[5:7]!r}")
    check(lines[9:11] == ["333", "251"], f"the minimised launch check window saved at {lines[9:11]!r}")
    shutil.rmtree(folder, ignore_errors=True)


def test_grid_widths(session, program):
    """Grid column widths are kept as read: -1, 0 and 40000 come back unchanged after a run in
    which the user resized another column, while the grid shows them as 0, 0 and its widest."""
    folder, exe, dat = start_fresh(session, program, "grid-widths")
    lines = settings_lines("localhost:", "")
    lines[17:20] = ["-1", "0", "40000"]
    write_settings(dat, lines)
    process = session.start(exe)
    session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    session.drive("click", hexof("Lumadex"), "=" + hexof(MAIN_BUTTONS[3][0]))
    session.drive("find", hexof("データ一覧表示"))
    lines, _ = session.drive("colwidths", hexof("データ一覧表示"), "SysListView32:0")
    check(lines[0]["args"][0] == "0,0,32767,80,80,80,80,80,80,80", f"widths shown {lines[0]['args']}")
    session.drive("colwidth", hexof("データ一覧表示"), "SysListView32:0", 4, 173)
    session.screenshot("grid-widths.png")
    session.drive("close", hexof("データ一覧表示"))
    session.drive("close", hexof("Lumadex"))
    wait_exit(process)
    widths = read_settings(dat)[17:27]
    check(widths == ["-1", "0", "40000", "80", "173", "80", "80", "80", "80", "80"],
          f"column widths in Lumadex.dat {widths!r}")
    shutil.rmtree(folder, ignore_errors=True)


def test_settings_byte_limit(session, program):
    """The user name field keeps its 16 bytes: a typed character that does not fit is refused
    and the text stays; a paste is cut at the last whole character that fits. A sent BM_CLICK
    on キャンセル closes the dialog and gives the main window back at once."""
    folder, exe, dat = start_fresh(session, program, "byte-limit")
    process = session.start(exe)
    session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    session.drive("click", hexof("Lumadex"), "=" + hexof(MAIN_BUTTONS[0][0]))
    dialog = "データベース設定"
    session.drive("find", hexof(dialog))
    user = control_at(session, dialog, 80, 176)

    def typed(start_text, caret, keys, paste=False):
        session.drive("settext", hexof(dialog), user, hexof(start_text))
        session.drive("select", hexof(dialog), user, caret, caret)
        session.drive("paste" if paste else "type", hexof(dialog), user, hexof(keys))
        return control_text(session, dialog, user)

    # 15 of 16 bytes: a double-byte character does not fit, a single-byte one does.
    check(typed("あいうえおかきZ", 8, "あ") == "あいうえおかきZ", "a typed character went past 16 bytes")
    check(typed("あいうえおかきZ", 8, "あY") == "あいうえおかきZY", "the single-byte character was refused")
    # Full, caret at the start: nothing is dropped from the end.
    check(typed("あいうえおかきく", 0, "Z") == "あいうえおかきく", "typing into a full field changed it")
    check(typed("あいう", 3, "かきくけこさし", paste=True) == "あいうかきくけこ", "the paste was not cut to fit")
    check(typed("abcdefghijklmno", 2, "かきく", paste=True) == "abcdefghijklmno", "half a character was pasted")
    session.screenshot("byte-limit.png")

    cancel = control_at(session, dialog, 128, 208)
    session.drive("press", hexof(dialog), cancel)
    session.drive("gone", hexof(dialog))
    check(enabled_at_once(session, "Lumadex"), "the main window stays disabled after a sent キャンセル")
    session.drive("close", hexof("Lumadex"))
    wait_exit(process)
    check(read_settings(dat)[3] == "PCユーザー名", "キャンセル stored the user name")
    shutil.rmtree(folder, ignore_errors=True)


def test_standin(session, program):
    """The stand-in's windows reach another process with their Shift-JIS titles intact."""
    del program
    stand = subprocess.Popen(session.command_for(os.path.join(session.tools, "jwstand.exe")),
                             env=session.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
    session.processes.append(stand)

    def say(line):
        stand.stdin.write((line + "\n").encode("ascii"))
        stand.stdin.flush()
        while True:
            answer = stand.stdout.readline().decode("ascii").strip()
            check(answer != "", "the stand-in ended")
            if answer != "ready":
                return answer

    first, second = "図面1.jww - jw_win", "Ｃ：表\\ソ.jww - jw_win"
    check(say("open a " + hexof(first)).startswith("ok open a"), "open failed")
    lines, _ = session.drive("find", hexof(first))
    check(lines[0]["owned"] == "0" and lines[0]["visible"] == "1", f"window {lines[0]}")
    check(say("retitle a " + hexof(second)) == "ok retitle a", "retitle failed")
    session.drive("find", hexof(second))
    check(say("close a") == "ok close a", "close failed")
    session.drive("gone", hexof(second))
    check(say("folder " + hexof("C:\\図面\\")) == "ok folder", "registry value not set")
    check(say("quit") == "ok quit", "quit failed")
    stand.wait(timeout=30)


def test_toolkit(session, program):
    """The Win32 backend itself: byte limits, keys, focus, choices, columns, boxes, modality."""
    probe = session.start(program, capture=True)
    title = hexof("ToolkitProbe")
    lines, _ = session.drive("find", title, timeout_ms=60000)
    check(lines[0]["client"] == "520,400", f"probe client area {lines[0]['client']}")

    # The byte limit holds for typed Japanese (one character at a time, as an input method
    # delivers it) and for a text set at once; a double-byte character is never split.
    session.drive("type", title, "Edit:0", hexof("あいうえお"))
    lines, _ = session.drive("gettext", title, "Edit:0")
    check(unhex(lines[0]["args"][0]) == "あいうえ", f"typed into the 8-byte field: {lines}")
    session.drive("settext", title, "Edit:0", hexof("abcdefgあ"))
    lines, _ = session.drive("gettext", title, "Edit:0")
    check(unhex(lines[0]["args"][0]) == "abcdefg", f"set into the 8-byte field: {lines}")
    session.drive("settext", title, "Edit:1", hexof("無制限の欄です"))

    session.drive("choose", title, "ComboBox:0", 2)
    # Entries read from another process come back as the program's Shift-JIS texts.
    lines, _ = session.drive("items", title, "ListBox:0")
    items = item_texts(lines)
    check(items == ["図面1.jww", "図面2.jww"], f"list box entries {items!r}")
    lines, _ = session.drive("items", title, "ComboBox:0")
    items = item_texts(lines)
    check(items == ["昇順", "降順", "番号順"], f"drop-down entries {items!r}")
    check([l["args"] for l in lines if l["kind"] == "selected"] == [["2"]], f"drop-down selection {lines!r}")
    session.drive("colwidth", title, "SysListView32:0", 1, 150)

    # Keys: Enter presses the default button, Esc the cancel button; six Tabs walk the tab order
    # (into the panel) to "取消(&C)", where Enter presses the focused button; Alt+R is the access
    # key of "報告(&R)".
    session.drive("keys", title, "0d", "1b", "09", "09", "09", "09", "09", "09", "0d", "alt+52")
    # An exception in a handler: the error box with the application title, a general Japanese
    # sentence with the exception's own text below it, and the program goes on.
    session.drive("click", title, "=" + hexof("例外(&T)"))
    lines, _ = session.drive("msgbox", hexof("t482－Probe"))
    texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
    check(texts == ["処理を完了できませんでした。\r\n確認用の例外"], f"error box texts {texts!r}")
    session.drive("click", hexof("t482－Probe"), "=" + hexof("OK"))
    session.drive("gone", hexof("t482－Probe"))

    # The question: caption and text (with its line break) as given, Yes and No; Escape answers
    # No (not "closed"), Enter the default Yes.
    session.drive("click", title, "=" + hexof("質問(&A)"))
    lines, _ = session.drive("msgbox", hexof("確認"))
    texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
    buttons = [unhex(l["args"][0]) for l in lines if l["kind"] == "button"]
    check(texts == ["続けますか？\r\n元に戻せません。"], f"question texts {texts!r}")
    check(len(buttons) == 2, f"question buttons {buttons!r}")
    session.drive("keys", hexof("確認"), "1b")
    session.drive("gone", hexof("確認"))
    session.drive("click", title, "=" + hexof("質問(&A)"))
    session.drive("keys", hexof("確認"), "0d")
    session.drive("gone", hexof("確認"))

    # Modal: the probe waits (disabled) until the dialog closes, then is usable again.
    session.drive("click", title, "=" + hexof("モーダル(&M)"))
    lines, _ = session.drive("find", hexof("ProbeDialog"))
    check(lines[0]["owned"] == "1", "the dialog is not owned by the main window")
    lines, _ = session.drive("find", title)
    check(lines[0]["enabled"] == "0", "the probe stays enabled under a modal dialog")
    check(lines[0]["owned"] == "0", "the main window is owned")
    session.drive("keys", hexof("ProbeDialog"), "1b")  # Esc = the dialog's cancel button
    session.drive("gone", hexof("ProbeDialog"))
    lines = wait_for_window(session, title, lambda w: w["enabled"] == "1" and w["foreground"] == "1")
    check(lines[0]["enabled"] == "1" and lines[0]["foreground"] == "1",
          f"the probe is not usable and in front again after the modal dialog: {lines[0]}")
    save_path = save_dialog_path_must_exist(session, title)
    session.drive("click", title, "=" + hexof("待機(&W)"))
    # Five presses of Alt+Z typed within the first one's slow handler: one click only.
    session.drive("keys", title, *(["alt+5a"] * 5))
    time.sleep(2.0)
    session.screenshot("toolkit-probe.png")
    session.drive("close", title)
    try:
        probe.wait(timeout=60)
    except subprocess.TimeoutExpired:
        raise Failure("the probe did not end after its window was closed")

    out = probe.stdout.read().decode("ascii", "replace").split("\n")
    events = [line.strip() for line in out if line.strip()]
    report = [e for e in events if e.split()[0] in ("edit1", "edit2", "combo", "widths", "focused")]
    expected_events = ["tick", "ok-click", "cancel-click", "cancel-click", "answer no", "answer yes",
                       "modal-start", "dialog-close", "modal-end", "close"]
    # The wait cursor over the window at once, the normal one again when the work ends.
    paused = [e for e in events if e == "paused-click"]
    check(len(paused) == 1, f"presses queued during a slow handler reached it: {len(paused)} clicks")
    cursors = [e for e in events if e.startswith("busy-cursor ")]
    check(cursors == ["busy-cursor wait", "busy-cursor normal"], f"cursors {cursors}")
    saves = [e for e in events if e.startswith("save ")]
    check(saves == ["save " + hexof(save_path)], f"save dialog results {saves}")
    seen = [e for e in events if e in expected_events or e.startswith(("select ", "answer "))]
    check("select 2" in seen, f"OnSelect not seen: {events}")
    seen = [e for e in seen if not e.startswith("select ")]
    check(seen == expected_events, f"events {seen}")
    # Two reports: Alt+R (the access key moves the focus to its button), then the close.
    first = report[:5]
    check(first[0] == "edit1 " + hexof("abcdefg"), f"first report {first}")
    check(first[1] == "edit2 " + hexof("無制限の欄です"), f"first report {first}")
    check(first[2] == "combo 2", f"first report {first}")
    check(first[3] == "widths 80,150,80", f"first report {first}")
    check(first[4] == "focused ButtonReport", f"first report {first}")


def visible_dialogs(session):
    lines, _ = session.drive("windows")
    return [w["hwnd"] for w in lines if w.get("class") == "#32770" and w.get("visible") == "1"]


def wait_new_dialog(session, known, seconds=15):
    deadline = time.monotonic() + seconds
    while True:
        found = [h for h in visible_dialogs(session) if h not in known]
        if found or time.monotonic() > deadline:
            return found[0] if found else None
        time.sleep(0.3)


def save_dialog_path_must_exist(session, title):
    """A save dialog refuses a file in a missing folder (a box, the dialog stays) and then takes
    one in an existing folder. Returns that file's path as the probe should report it."""
    known = visible_dialogs(session)
    session.drive("click", title, "=" + hexof("保存(&V)"))
    dialog = wait_new_dialog(session, known)
    check(dialog is not None, "no save dialog appeared")
    lines, _ = session.drive("controls", "@" + dialog)
    controls = [c for c in lines if c["kind"] == "control"]
    edits = [c for c in controls if c["class"].lower() == "edit" and c["visible"] == "1"]
    ok = [c for c in controls if c["class"].lower() == "button" and c["id"] == "1"]
    check(edits and ok, f"no file name field or OK button in the save dialog: {controls}")
    missing = "C:\\lumadex-e2e-nowhere\\probe.csv"
    session.drive("settext", "@" + dialog, "#" + edits[0]["index"], hexof(missing))
    session.drive("click", "@" + dialog, "#" + ok[0]["index"])
    box = wait_new_dialog(session, known + [dialog])
    check(box is not None, "the save dialog accepted a file in a folder that does not exist")
    lines, _ = session.drive("msgbox", "@" + box)
    buttons = [l["args"][0] for l in lines if l["kind"] == "button"]
    check(len(buttons) == 1, f"the missing folder's box has buttons {buttons}")
    session.drive("click", "@" + box, "=" + buttons[0])
    session.drive("gone", "@" + box)
    folder = tempfile.mkdtemp(prefix="save-", dir=session.work)
    path = "Z:" + os.path.join(folder, "probe.csv").replace("/", "\\")
    session.drive("settext", "@" + dialog, "#" + edits[0]["index"], hexof(path))
    session.drive("click", "@" + dialog, "#" + ok[0]["index"])
    session.drive("gone", "@" + dialog)
    return path


def test_path_outside_code_page(session, program):
    """A folder name the ANSI code page (932) cannot hold: the program says so at once and ends,
    instead of writing settings and journal files that no later start would find."""
    folder = tempfile.mkdtemp(prefix="path-é-", dir=session.work)
    exe = copy_program(program, folder)
    process = session.start(exe)
    lines, _ = session.drive("msgbox", hexof(APP_TITLE), timeout_ms=60000)
    texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
    check(len(texts) == 1 and "文字コードで表せない文字" in texts[0], f"the message {texts!r}")
    session.drive("click", hexof(APP_TITLE), "button:0")
    check(wait_exit(process, 30) == 1, "the program did not end after the message")
    left = [name for name in os.listdir(folder) if not name.startswith(os.path.basename(exe))]
    check(left == [], f"files written beside it: {left}")
    shutil.rmtree(folder, ignore_errors=True)


TESTS = {
    "path_outside_code_page": test_path_outside_code_page,
    "main_window": test_main_window,
    "first_start_keyboard": test_first_start_keyboard,
    "modal_settings": test_modal_settings,
    "end_session": test_end_session,
    "standin": test_standin,
    "minimised_position": test_minimised_position,
    "grid_widths": test_grid_widths,
    "settings_byte_limit": test_settings_byte_limit,
    "toolkit": test_toolkit,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=sorted(TESTS))
    add_common_arguments(parser)
    options = parser.parse_args()
    session = open_session(options, ("lumadrive.exe", "jwstand.exe"))
    if session is None:
        return 1
    return run_reported(session, options.test,
                        lambda: TESTS[options.test](session, os.path.abspath(options.program)),
                        describe=True)


if __name__ == "__main__":
    sys.exit(main())
