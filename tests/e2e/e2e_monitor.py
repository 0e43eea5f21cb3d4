#!/usr/bin/env python3
"""End-to-end test of the launch check: drawings opened by the stand-in end up in BOOTJWW.

Usage: e2e_monitor.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]

The program runs under Wine against the private Firebird server of the test run (its state
folder holds the port). The stand-in opens windows titled like Jw_cad drawings, sets Jw_cad's
folder in the registry and creates the drawing files; the program's own controls start the check
with interval 1; the rows are read back with isql-fb, texts as hex of their stored bytes.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (COLUMNS, area_main, check, copy_program, create_database, fb_server,  # noqa: E402
                 hexof, item_texts, select_rows, settings_lines, unhex, wait_exit, write_settings)

MAIN_TITLE = "Lumadex"
CHECK_TITLE = "Jw_cad起動チェック"
CHECK_BUTTON = "(&2) Jw_cad起動チェック"
START_BUTTON = "起動チェック開始(&C)"
STOP_BUTTON = "中断(&S)"
CLOSE_BUTTON = "閉じる(&X)"


class Database:
    """The database file on the private server, reached with isql-fb."""

    def __init__(self, fbstate, folder):
        self.server = fb_server(fbstate)
        self.folder = folder.rstrip("/") + "/"
        self.path = self.server + self.folder + "JWWDB.FDB"

    def create(self):
        create_database(self.path)

    def rows(self):
        """Every row by number; texts decoded from their stored Shift-JIS bytes, NULL as None."""
        return select_rows(self.path, COLUMNS)


class StandIn:
    def __init__(self, session):
        command = session.command_for(os.path.join(session.tools, "jwstand.exe"))
        self.process = subprocess.Popen(command, env=session.env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        session.processes.append(self.process)

    def say(self, line):
        self.process.stdin.write((line + "\n").encode("ascii"))
        self.process.stdin.flush()
        while True:
            answer = self.process.stdout.readline().decode("ascii").strip()
            check(answer != "", "the stand-in ended")
            if answer != "ready":
                check(answer.startswith("ok"), f"stand-in: {line} -> {answer}")
                return answer

    def open(self, name, title):
        return int(self.say(f"open {name} {hexof(title)}").split()[-1])


def wait_for(condition, seconds=20):
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.5)


def run(session, program, fbstate):
    folder = tempfile.mkdtemp(prefix="monitor-", dir=session.work)
    os.chmod(folder, 0o777)  # the server creates the database file here
    database = Database(fbstate, folder)
    database.create()

    # Jw_cad's folder and a drawing file in it, modified at 10:15:33 local time.
    drawing_folder = os.path.join(session.env["WINEPREFIX"], "drive_c", "図面")
    os.makedirs(drawing_folder, exist_ok=True)
    stand = StandIn(session)
    stand.say("folder " + hexof("C:\\図面"))
    stand.say("file " + hexof("C:\\図面\\図面1.jww") + " 2026 3 9 10 15 33 1234")
    first_window = stand.open("a", "図面1.jww - jw_win")
    stand.open("u", "無題 - jw_win")

    exe = copy_program(program, os.path.join(folder, "program"))
    dat = os.path.splitext(exe)[0] + ".dat"
    write_settings(dat, settings_lines(database.server, database.folder, user="設計ﾀﾛｳ"))
    process = session.start(exe)
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(CHECK_BUTTON))
    lines, _ = session.drive("controls", hexof(CHECK_TITLE))
    controls = {unhex(l["text"]): l for l in lines if l["kind"] == "control"}
    check(controls[START_BUTTON]["enabled"] == "1",
          "the start button is disabled: no connection or no table")
    session.drive("settext", hexof(CHECK_TITLE), "Edit:0", hexof("1"))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(START_BUTTON))

    # The open drawing is registered by the first tick; the untitled one is not.
    rows = wait_for(lambda: database.rows())
    check(len(rows) == 1, f"rows after the first tick: {rows!r}")
    row = rows[0]
    expected = {"N": "1", "PNAME": "設計ﾀﾛｳ", "L_FOLDER": "C:\\図面\\", "N_FOLDER": "C:\\図面\\",
                "FILE_NAME": "図面1.jww", "FILE_DATE": "2026/03/09", "FILE_TIME": "10:15:32",
                "FILE_SIZE": "1234"}
    for name, value in expected.items():
        check(row[name] == value, f"{name} is {row[name]!r}, expected {value!r}")
    check(len(row["BOOT_DATE"]) == 10 and row["BOOT_DATE"][4] == "/", f"BOOT_DATE {row['BOOT_DATE']!r}")
    check(len(row["BOOT_TIME"]) == 8 and row["BOOT_TIME"][2] == ":", f"BOOT_TIME {row['BOOT_TIME']!r}")
    # The known list holds the window entry of the open drawing: folder, file name, handle.
    lines, _ = session.drive("items", hexof(CHECK_TITLE), "ListBox:0")
    items = item_texts(lines)
    check(items == [f"C:\\図面\\図面1.jww :H{first_window}"], f"known drawings {items!r}")

    # A file selection window pauses the registration until it closes.
    stand.open("dialog", "ファイル選択")
    time.sleep(1.5)
    stand.open("b", "図面2.jww - jw_win")
    time.sleep(3.5)
    check(len(database.rows()) == 1, "a drawing was registered while a file selection window was open")
    stand.say("close dialog")
    rows = wait_for(lambda: len(database.rows()) == 2 and database.rows())
    check(rows and [r["FILE_NAME"] for r in rows] == ["図面1.jww", "図面2.jww"],
          f"rows after the file selection closed: {rows!r}")
    check(rows[1]["N"] == "2" and rows[1]["FILE_DATE"] is None and rows[1]["FILE_SIZE"] is None,
          f"a drawing without its file is stored with the file facts NULL: {rows[1]!r}")
    time.sleep(2.5)
    check(len(database.rows()) == 2, "a drawing was registered twice")
    session.screenshot("monitor.png")

    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(STOP_BUTTON))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(CLOSE_BUTTON))
    session.drive("gone", hexof(CHECK_TITLE))
    session.drive("close", hexof(MAIN_TITLE))
    wait_exit(process)
    stand.say("quit")
    shutil.rmtree(drawing_folder, ignore_errors=True)
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(area_main("monitor", run, tools=("lumadrive.exe", "jwstand.exe")))
