#!/usr/bin/env python3
"""End-to-end test: the record editor and the record list after a restart of the server.

Usage: e2e_restart.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]
(--fbstate is taken like every area script's, and not used: the server here is the test's own.)

The program runs against a Firebird server of this test's own (the shared one keeps serving the
tests that run meanwhile), which is stopped and started again between two uses of each action:
the first use after the restart must work, without a second click and without reopening the
window. With the server still down the general error box must say so in Japanese, with the
technical detail below, and the next use once it is back must work.
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (Failure, area_main, check, copy_program, create_database, hexof,  # noqa: E402
                 message_box, no_message, select_rows, settings_lines, unhex, wait_exit,
                 write_settings)

APP_TITLE = "t482－Lumadex"
MAIN_TITLE = "Lumadex"
EDITOR_TITLE = "データ編集"
LIST_TITLE = "データ一覧表示"
EDITOR_BUTTON = "(&3) データ編集　　　　"
LIST_BUTTON = "(&4) データ一覧表示　　"
END_BUTTON = "(&0) 　　終　了　　　　"
CONNECTION_SENTENCE = "データベースに接続できません。"
ROWS = 150
SERVER_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                             "firebird-server")


class OwnServer:
    """A private Firebird server in a folder of the test's own; it keeps its port across restarts."""

    def __init__(self, folder):
        self.folder = folder

    def run(self, command):
        result = subprocess.run([SERVER_SCRIPT, command, self.folder], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=120)
        check(result.returncode == 0,
              f"firebird-server {command} failed: {result.stderr.decode('utf-8', 'replace')}")
        return result.stdout.decode("ascii", "replace").strip()

    def start(self):
        return f"localhost/{self.run('start')}:"

    def stop(self):
        self.run("stop")

    def restart(self):
        self.stop()
        self.start()


def control_at(session, title, left, top):
    lines, _ = session.drive("controls", hexof(title))
    for line in lines:
        if line["kind"] == "control" and tuple(map(int, line["rect"].split(",")[:2])) == (left, top):
            return "#" + line["index"]
    raise Failure(f"no control at {left},{top} in {title}")


def text_of(session, title, control):
    lines, _ = session.drive("gettext", hexof(title), control)
    return unhex(lines[0]["args"][0]) if lines and lines[0].get("args") else ""


def cell(session, row, col):
    lines, _ = session.drive("cell", hexof(LIST_TITLE), "SysListView32:0", row, col)
    return unhex(lines[0]["args"][0]) if lines and lines[0].get("args") else ""


def one_message(session, screenshot=None):
    """The text of the one message box now shown; it is closed with its one button."""
    texts, buttons = message_box(session, APP_TITLE)
    check(len(buttons) == 1, f"message box buttons {buttons!r}")
    if screenshot:
        session.screenshot(screenshot)
    session.drive("click", hexof(APP_TITLE), "=" + hexof(buttons[0]))
    session.drive("gone", hexof(APP_TITLE))
    return "\n".join(texts)


def expect_connection_box(session, what, screenshot):
    text = one_message(session, screenshot)
    lines = text.replace("\r\n", "\n").split("\n")
    check(lines[0] == CONNECTION_SENTENCE and len(lines) > 1 and "Firebird" in lines[1],
          f"{what} with the server down showed {text!r}")


def run(session, program, _fbstate):
    folder = tempfile.mkdtemp(prefix="restart-", dir=session.work)
    data_folder = os.path.join(folder, "data") + "/"
    os.makedirs(data_folder)
    os.chmod(data_folder, 0o777)  # the server creates the database file here
    server = OwnServer(os.path.join(folder, "fbserver"))
    address = server.start()
    try:
        run_against(session, program, folder, data_folder, server, address)
    finally:
        server.stop()


def run_against(session, program, folder, data_folder, server, address):
    database = address + data_folder + "RESTART.FDB"
    inserts = ["CREATE TABLE BOOTJWW (N INTEGER NOT NULL UNIQUE, PNAME VARCHAR(16), "
               "L_FOLDER VARCHAR(255), N_FOLDER VARCHAR(255), FILE_NAME VARCHAR(255), "
               "BOOT_DATE VARCHAR(10), BOOT_TIME VARCHAR(8), FILE_DATE VARCHAR(10), "
               "FILE_TIME VARCHAR(8), FILE_SIZE INTEGER);", "COMMIT;", "SET NAMES NONE;"]
    for n in range(1, ROWS + 1):
        inserts.append(f"INSERT INTO BOOTJWW VALUES ({n}, 'e2e', 'C:\\jww\\', 'C:\\jww\\', "
                       f"'図面{n}.jww', '2026/12/07', '10:00:00', '2026/01/01', '00:00:00', {n});")
    inserts.append("COMMIT;")
    create_database(database, "\n".join(inserts) + "\n")

    exe = copy_program(program, os.path.join(folder, "program"))
    write_settings(os.path.splitext(exe)[0] + ".dat", settings_lines(address, data_folder, "RESTART.FDB"))
    process = session.start(exe)
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)
    no_message(session)

    # ---- the editor: fetch, register, delete, each right after a restart ----
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(EDITOR_BUTTON))
    session.drive("find", hexof(EDITOR_TITLE))
    number_box = control_at(session, EDITOR_TITLE, 88, 12)
    folder_box = control_at(session, EDITOR_TITLE, 88, 60)
    file_box = control_at(session, EDITOR_TITLE, 88, 108)
    server.restart()
    session.drive("settext", hexof(EDITOR_TITLE), number_box, hexof("2"))
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("データ取得(&R)"))
    no_message(session)
    check(text_of(session, EDITOR_TITLE, file_box) == "図面2.jww", "the first fetch after a restart failed")
    server.restart()
    session.drive("settext", hexof(EDITOR_TITLE), folder_box, hexof("D:\\再起動後\\"))
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("編集登録(&S)"))
    text = one_message(session)
    check(text == "編集登録OK", f"the first register after a restart said {text!r}")
    rows = select_rows(database, ["N", "L_FOLDER"], " WHERE N = 2")
    check(rows and rows[0]["L_FOLDER"] == "D:\\再起動後\\", f"row 2 after registering: {rows!r}")
    server.restart()
    session.drive("settext", hexof(EDITOR_TITLE), number_box, hexof("3"))
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("このデータを削除(&D)"))
    no_message(session)
    check(not select_rows(database, ["N"], " WHERE N = 3"), "the first delete after a restart failed")

    server.stop()
    session.drive("settext", hexof(EDITOR_TITLE), number_box, hexof("4"))
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("データ取得(&R)"))
    expect_connection_box(session, "a fetch", "restart-1-editor-server-down.png")
    check(text_of(session, EDITOR_TITLE, number_box) == "4", "the failed fetch emptied the boxes")
    server.start()
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("データ取得(&R)"))
    no_message(session)
    check(text_of(session, EDITOR_TITLE, file_box) == "図面4.jww", "the fetch once the server was back failed")
    session.drive("keys", hexof(EDITOR_TITLE), "1b")
    session.drive("gone", hexof(EDITOR_TITLE))

    # ---- the list: opening, next page and reload, each right after a restart ----
    server.restart()
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(LIST_BUTTON))
    session.drive("find", hexof(LIST_TITLE))
    no_message(session)
    check(cell(session, 0, 0) == "1" and cell(session, 1, 0) == "2",
          "the list opened after a restart does not show the first page")
    server.restart()
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("次頁(&N)"))
    no_message(session)
    check(cell(session, 0, 0) == "102" and cell(session, 0, 4) == "図面102.jww",
          f"next page after a restart starts with {cell(session, 0, 0)!r}")
    server.restart()
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("更新(&U)"))
    no_message(session)
    check(cell(session, 0, 0) == "102", "reload after a restart lost the page")
    server.stop()
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("更新(&U)"))
    expect_connection_box(session, "a reload", "restart-2-list-server-down.png")
    check(cell(session, 0, 0) == "", "the failed reload left rows on the page")
    server.start()
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("更新(&U)"))
    no_message(session)
    check(cell(session, 0, 0) == "102", "the reload once the server was back failed")
    session.screenshot("restart-3-list-back.png")
    session.drive("close", hexof(LIST_TITLE))
    session.drive("gone", hexof(LIST_TITLE))

    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(END_BUTTON))
    wait_exit(process)


if __name__ == "__main__":
    sys.exit(area_main("restart", run))
