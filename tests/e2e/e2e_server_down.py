#!/usr/bin/env python3
"""End-to-end test of the launch check started while the server is down: the program started,
起動チェック開始 pressed (no error box, the check runs), a drawing opened; the check window's line
says the launch waits; the server started: the drawing is in BOOTJWW once, with the time of the
tick that saw it, and the line is empty again.

Usage: e2e_server_down.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]

The test stops and starts a Firebird server of its own (scripts/firebird-server in a folder under
the work folder), so the server the other tests share keeps running; --fbstate is not used.
"""
import datetime
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (APP_TITLE, CONNECT_FAILED, Failure, area_main, check, copy_program, database_file, hexof,  # noqa: E402
                 message_box, no_message, settings_lines, unhex, wait_exit, write_settings)
from e2e_journal import server, wine_now  # noqa: E402
from e2e_monitor import (CHECK_BUTTON, CHECK_TITLE, CLOSE_BUTTON, MAIN_TITLE, START_BUTTON,  # noqa: E402
                         STOP_BUTTON, Database, StandIn, wait_for)

WAITING_LINE = "サーバーに接続できません。接続後に登録します（{}件待機中）"
# Where the check window's line sits (client coordinates of the form): under the three buttons.
STATE_LINE_RECT = "8,240,449,14"


def check_controls(session):
    """The check window's controls by kind: (the interval field, the line under the buttons)."""
    lines, _ = session.drive("controls", hexof(CHECK_TITLE))
    controls = [l for l in lines if l["kind"] == "control"]
    edits = [c for c in controls if c["class"].lower() == "edit"]
    states = [c for c in controls if c["class"].lower() == "static" and c["rect"] == STATE_LINE_RECT]
    check(edits, f"the check window has no interval field: {controls!r}")
    check(len(states) == 1, f"no line under the buttons at {STATE_LINE_RECT}: "
                            f"{[(c['class'], c['rect'], unhex(c['text'])) for c in controls]!r}")
    return edits[0], states[0]


def state_line(session):
    _, state = check_controls(session)
    check(state["visible"] == "1", "the line under the buttons is hidden")
    return unhex(state["text"])


def stored_rows(database):
    """The table's rows; None while the program has not made the table yet (it makes it once it
    reaches the server)."""
    try:
        return database.rows()
    except Failure:
        return None


def run(session, program, _fbstate):
    folder = tempfile.mkdtemp(prefix="server-down-", dir=session.work)
    os.chmod(folder, 0o777)  # the server creates the database file here
    state = os.path.join(folder, "fbserver")
    server("start", state)
    try:
        body(session, program, folder, state)
    finally:
        server("stop", state)
    shutil.rmtree(folder, ignore_errors=True)


def body(session, program, folder, state):
    database = Database(state, folder)
    database.create()
    drawing_folder = os.path.join(session.env["WINEPREFIX"], "drive_c", "図面")
    os.makedirs(drawing_folder, exist_ok=True)
    stand = StandIn(session)
    stand.say("folder " + hexof("C:\\図面"))
    stand.say("file " + hexof("C:\\図面\\朝一番.jww") + " 2026 3 9 8 45 10 4096")

    # Monday morning: the PC starts before the server.
    server("stop", state)
    exe = copy_program(program, os.path.join(folder, "program"))
    base = os.path.splitext(exe)[0]
    write_settings(base + ".dat", settings_lines(database.server, database.folder, user="朝のPC"))
    process = session.start(exe)
    # The main window tells once that it cannot connect, as at every start without the server.
    texts, buttons = message_box(session, APP_TITLE, timeout_ms=60000)
    check(texts == [CONNECT_FAILED], f"start-up message {texts!r}")
    session.drive("click", hexof(APP_TITLE), "=" + hexof(buttons[0]))
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=30000)

    # The check window opens and its check starts without an error box.
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(CHECK_BUTTON))
    session.drive("find", hexof(CHECK_TITLE))
    no_message(session)
    session.drive("settext", hexof(CHECK_TITLE), "Edit:0", hexof("1"))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(START_BUTTON))
    no_message(session)
    edit, _ = check_controls(session)
    check(edit["enabled"] == "0", "the interval field is still enabled: the check did not start")
    line = wait_for(lambda: state_line(session) == WAITING_LINE.format(0) or None, seconds=10)
    check(line, f"the line while nothing waits: {state_line(session)!r}")

    # A drawing is opened while the server is down: the tick keeps it and the line counts it.
    seen_after = wine_now()
    stand.open("a", "朝一番.jww - jw_win")
    expected = WAITING_LINE.format(1)
    check(wait_for(lambda: state_line(session) == expected, seconds=15),
          f"the line after a drawing was opened: {state_line(session)!r}, expected {expected!r}")
    seen_before = wine_now()
    journal = database_file(base, ".jnl", database.server, database.folder)  # the journal of this database
    check(os.path.isfile(journal), "the waiting launch is not in the journal")
    no_message(session)
    session.screenshot("server-down.png")

    # The server comes up: a few ticks later the drawing is in the table, once.
    server("start", state)
    rows = wait_for(lambda: stored_rows(database), seconds=30)
    check(rows and len(rows) == 1, f"rows once the server is up: {rows!r}")
    time.sleep(3.5)  # a few more ticks: nothing is stored again
    rows = database.rows()
    check(len(rows) == 1, f"the drawing is in the table {len(rows)} times: {rows!r}")
    row = rows[0]
    expected_row = {"N": "1", "PNAME": "朝のPC", "L_FOLDER": "C:\\図面\\", "FILE_NAME": "朝一番.jww",
                    "FILE_DATE": "2026/03/09", "FILE_TIME": "08:45:10", "FILE_SIZE": "4096"}
    for name, value in expected_row.items():
        check(row[name] == value, f"{name} is {row[name]!r}, expected {value!r}")
    seen = datetime.datetime.strptime(row["BOOT_DATE"] + " " + row["BOOT_TIME"], "%Y/%m/%d %H:%M:%S")
    check(seen_after - datetime.timedelta(seconds=1) <= seen <= seen_before,
          f"stored with {seen}, not the time of the tick that saw it ({seen_after} to {seen_before})")
    check(wait_for(lambda: state_line(session) == "", seconds=10),
          f"the line once everything is stored: {state_line(session)!r}")
    check(wait_for(lambda: not os.path.exists(journal), seconds=5),
          "the journal is still there although its launch is stored")
    no_message(session)

    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(STOP_BUTTON))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(CLOSE_BUTTON))
    session.drive("gone", hexof(CHECK_TITLE))
    session.drive("close", hexof(MAIN_TITLE))
    wait_exit(process)
    stand.say("close a")
    stand.say("quit")
    shutil.rmtree(drawing_folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(area_main("server_down", run, tools=("lumadrive.exe", "jwstand.exe")))
