#!/usr/bin/env python3
"""End-to-end test of the launch journal: a drawing opened while the server is down, the program
closed, the server back, the program started again: the drawing is in BOOTJWW once, with the
date and time of the tick that saw it.

Usage: e2e_journal.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]

The test stops and starts a Firebird server of its own (scripts/firebird-server in a folder under
the work folder), so the server the other tests share keeps running; --fbstate is not used.
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (area_main, check, copy_program, database_file, hexof, settings_lines, wait_exit,  # noqa: E402
                 write_settings)
from e2e_monitor import (CHECK_BUTTON, CHECK_TITLE, CLOSE_BUTTON, MAIN_TITLE, START_BUTTON,  # noqa: E402
                         STOP_BUTTON, Database, StandIn, wait_for)

SERVER_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                             "firebird-server")


def server(command, state):
    result = subprocess.run([SERVER_SCRIPT, command, state], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, timeout=180)
    check(result.returncode == 0, f"firebird-server {command}: {result.stderr.decode(errors='replace')}")


def wine_now():
    """The local time of the Wine programs, which is the Unix time zone's."""
    return datetime.datetime.now().replace(microsecond=0)


def start_program(session, exe):
    process = session.start(exe)
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)
    return process


def close_program(session, process):
    session.drive("close", hexof(MAIN_TITLE))
    wait_exit(process)


def run(session, program, _fbstate):
    folder = tempfile.mkdtemp(prefix="journal-", dir=session.work)
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
    stand.say("file " + hexof("C:\\図面\\停止中.jww") + " 2026 3 9 10 15 33 2048")

    exe = copy_program(program, os.path.join(folder, "program"))
    base = os.path.splitext(exe)[0]
    write_settings(base + ".dat", settings_lines(database.server, database.folder, user="夜間PC"))
    process = start_program(session, exe)
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(CHECK_BUTTON))
    session.drive("settext", hexof(CHECK_TITLE), "Edit:0", hexof("1"))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(START_BUTTON))

    # The server goes down (rebooted overnight); then a drawing is opened.
    server("stop", state)
    seen_after = wine_now()
    stand.open("a", "停止中.jww - jw_win")
    journal = database_file(base, ".jnl", database.server, database.folder)  # the journal of this database
    check(wait_for(lambda: os.path.isfile(journal)), "the launch was not written to the journal")
    with open(journal, "rb") as handle:
        lines = handle.read().split(b"\r\n")
    check(len(lines) == 3 and "停止中.jww".encode("cp932") in lines[1],
          f"the journal holds {lines!r}")
    session.screenshot("journal-server-down.png")

    # The program is closed while the server is still down; the drawing is closed too.
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(STOP_BUTTON))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(CLOSE_BUTTON))
    close_program(session, process)
    seen_before = wine_now()
    stand.say("close a")
    check(os.path.isfile(journal), "the journal is gone although nothing was stored")

    # The server is back; the program started again stores the drawing as it starts.
    server("start", state)
    process = start_program(session, exe)
    rows = wait_for(lambda: database.rows())
    check(len(rows) == 1, f"rows after the new start: {rows!r}")
    time.sleep(2)
    rows = database.rows()
    check(len(rows) == 1, f"the drawing is in the table {len(rows)} times: {rows!r}")
    row = rows[0]
    check(row["FILE_NAME"] == "停止中.jww" and row["PNAME"] == "夜間PC" and row["L_FOLDER"] == "C:\\図面\\"
          and row["FILE_SIZE"] == "2048", f"row {row!r}")
    seen = datetime.datetime.strptime(row["BOOT_DATE"] + " " + row["BOOT_TIME"], "%Y/%m/%d %H:%M:%S")
    check(seen_after - datetime.timedelta(seconds=1) <= seen <= seen_before,
          f"stored with {seen}, not the time of the tick that saw it ({seen_after} to {seen_before})")
    check(not os.path.exists(journal), "the journal still exists after its launch was stored")
    close_program(session, process)
    stand.say("quit")
    shutil.rmtree(drawing_folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(area_main("journal", run, tools=("lumadrive.exe", "jwstand.exe")))
