#!/usr/bin/env python3
"""End-to-end test of Japanese typed into the edit boxes, as an input method hands it over.

Usage: e2e_typed.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]

Every text is typed with SendInput as Unicode characters (lumadrive's `input`), not set with
WM_SETTEXT nor pasted, so it passes through the program's message loops as a user's typing does:
into the database settings dialog's user name, the record editor's text boxes and the record
list's filter. Kana, kanji, full-width and half-width forms mixed with ASCII must arrive intact;
a character Shift-JIS cannot hold is refused with a beep (the X server's bell, seen by xkbevd)
and the rest kept; typing stops at the user name's 16 bytes by whole character.

Both programs work against a database on the private Firebird server (--fbstate): the filter
then finds its rows and the editor stores what was typed. The Windows program, which finds no
Firebird client library under Wine, gets the linux build's bridge (tools/fbclient: fbclient.dll
beside it, fbclient.dll.so on WINEDLLPATH) to the system's libfbclient.so.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (APP_TITLE, MAIN_BUTTONS, area_main, check, control_at, copy_program,  # noqa: E402
                 create_database, fb_server, hexof, message_box, no_message, select_rows, settings_lines,
                 unhex, wait_exit, write_settings)

MAIN_TITLE = "Lumadex"
SETTINGS_TITLE = "データベース設定"
EDITOR_TITLE = "データ編集"
LIST_TITLE = "データ一覧表示"
# Kanji with ASCII, half-width kana, full-width letters, sign and space with kanji.
TEXTS = ["設計abc", "ｱｲｳ", "Ｒ＆Ｄ　二係"]
# The file names of the table: each text finds its own row and no other.
FILE_NAMES = ["設計abc.jww", "ｱｲｳ.jww", "Ｒ＆Ｄ　二係.jww", "設計ab.jww", "ｱｲ.jww", "Ｒ＆Ｄ　二.jww"]
TABLE = ("CREATE TABLE BOOTJWW (N INTEGER NOT NULL UNIQUE, PNAME VARCHAR(16), L_FOLDER VARCHAR(255), "
         "N_FOLDER VARCHAR(255), FILE_NAME VARCHAR(255), BOOT_DATE VARCHAR(10), BOOT_TIME VARCHAR(8), "
         "FILE_DATE VARCHAR(10), FILE_TIME VARCHAR(8), FILE_SIZE INTEGER);\nCOMMIT;\nSET NAMES NONE;\n")


class Bells:
    """Counts the X server's bells (MessageBeep under Wine rings it) with xkbevd."""

    def __init__(self, session):
        check(shutil.which("xkbevd") is not None, "xkbevd is missing (x11-xkb-utils, scripts/install-deps)")
        config = os.path.join(session.work, "bells.cf")
        with open(config, "w", encoding="ascii") as handle:
            handle.write('Bell() shell "echo BELL"\n')
        self.log = os.path.join(session.work, "bells.log")
        with open(self.log, "wb") as log:
            process = subprocess.Popen(["xkbevd", "-cfg", config, "-display", session.env["DISPLAY"]],
                                       env=session.env, stdout=log, stderr=subprocess.STDOUT)
        session.processes.append(process)
        # xkbevd rings a bell of its own once it listens.
        self.wait_for(1, "xkbevd does not hear the bell")

    def count(self):
        with open(self.log, "rb") as handle:
            return handle.read().split().count(b"BELL")

    def wait_for(self, count, message, seconds=5):
        deadline = time.monotonic() + seconds
        while self.count() < count and time.monotonic() < deadline:
            time.sleep(0.1)
        check(self.count() >= count, message)


def typed(session, title, control, text, expected, start=""):
    """Sets the box to start, puts the caret at its end, types text; the box must come to hold
    expected. Returns what it holds."""
    session.drive("settext", hexof(title), control, hexof(start))
    session.drive("select", hexof(title), control, len(start), len(start))
    session.drive("input", hexof(title), control, "u:" + text.encode("utf-16-le").hex())
    deadline = time.monotonic() + 5
    while True:
        lines, _ = session.drive("gettext", hexof(title), control)
        got = unhex(lines[0]["args"][0]) if lines[0].get("args") else ""
        if got == expected or time.monotonic() > deadline:
            break
        time.sleep(0.2)
    check(got == expected, f"typed {text!r} into {title} {control} after {start!r}: it holds {got!r}")
    return got


def settings_user_name(session, bells):
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[0][0]))
    session.drive("find", hexof(SETTINGS_TITLE))
    user = control_at(session, SETTINGS_TITLE, 80, 176)
    rung = bells.count()
    for text in TEXTS:
        typed(session, SETTINGS_TITLE, user, text, text)
    check(bells.count() == rung, "a bell rang for text Shift-JIS holds")
    # 𠮷 (a surrogate pair, not in code page 932) is refused with a beep; あ and い stay.
    typed(session, SETTINGS_TITLE, user, "あ𠮷い", "あい")
    bells.wait_for(rung + 1, "no beep for the refused 𠮷")
    time.sleep(0.5)
    check(bells.count() == rung + 1, f"{bells.count() - rung} beeps for the one refused 𠮷")
    # 16 bytes: typing stops at the last whole character that fits, a later one that fits is
    # taken, and nothing already there is lost.
    typed(session, SETTINGS_TITLE, user, "あいうえおかきくけ", "あいうえおかきく")
    typed(session, SETTINGS_TITLE, user, "noあZ", "abcdefghijklmnoZ", start="abcdefghijklm")
    typed(session, SETTINGS_TITLE, user, "ｱｲｳ設計", "設計課ﾃｽﾄｱｲｳ設計", start="設計課ﾃｽﾄ")
    typed(session, SETTINGS_TITLE, user, "abc", "設計課ﾃｽﾄｱｲｳ設計", start="設計課ﾃｽﾄｱｲｳ設計")
    session.screenshot("typed-settings.png")
    session.drive("press", hexof(SETTINGS_TITLE), "=" + hexof("キャンセル(&N)"))
    session.drive("gone", hexof(SETTINGS_TITLE))


def editor_boxes(session, database):
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[2][0]))
    session.drive("find", hexof(EDITOR_TITLE))
    no_message(session)
    # PC利用者名, フォルダ名, (展開名), ファイル名: a panel at 8,8, the boxes at 80,28.. inside it.
    boxes = [control_at(session, EDITOR_TITLE, 88, top) for top in (36, 60, 84, 108)]
    for box in boxes:
        for text in TEXTS:
            typed(session, EDITOR_TITLE, box, text, text)
    session.screenshot("typed-editor.png")
    # What was typed is stored as its Shift-JIS bytes.
    session.drive("settext", hexof(EDITOR_TITLE), control_at(session, EDITOR_TITLE, 88, 12), hexof("4"))
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("データ取得(&R)"))
    no_message(session)
    typed(session, EDITOR_TITLE, boxes[0], "二係ｱｲｳ", "二係ｱｲｳ")
    typed(session, EDITOR_TITLE, boxes[1], "\\Ｒ＆Ｄ　二係\\", "D:\\設計abc\\Ｒ＆Ｄ　二係\\", start="D:\\設計abc")
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("編集登録(&S)"))
    texts, buttons = message_box(session, APP_TITLE)
    check(texts == ["編集登録OK"], f"register message {texts!r}")
    session.drive("click", hexof(APP_TITLE), "=" + hexof(buttons[0]))
    session.drive("gone", hexof(APP_TITLE))
    stored = select_rows(database, ["PNAME", "L_FOLDER", "FILE_NAME"], " WHERE N = 4")
    check(stored == [{"PNAME": "二係ｱｲｳ", "L_FOLDER": "D:\\設計abc\\Ｒ＆Ｄ　二係\\", "FILE_NAME": FILE_NAMES[3]}],
          f"row 4 as stored: {stored!r}")
    session.drive("keys", hexof(EDITOR_TITLE), "1b")  # Esc closes the editor
    session.drive("gone", hexof(EDITOR_TITLE))


def cell(session, row, col):
    lines, _ = session.drive("cell", hexof(LIST_TITLE), "SysListView32:0", row, col)
    return unhex(lines[0]["args"][0]) if lines[0].get("args") else ""


def list_filter(session):
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[3][0]))
    session.drive("find", hexof(LIST_TITLE))
    no_message(session)
    for n, text in enumerate(TEXTS, start=1):
        typed(session, LIST_TITLE, "Edit:0", text, text)
        session.drive("choose", hexof(LIST_TITLE), "ComboBox:1", 4)  # ファイル名
        deadline = time.monotonic() + 10
        while True:
            shown = [cell(session, row, col) for row, col in ((0, 0), (0, 4), (1, 0))]
            if shown == [str(n), FILE_NAMES[n - 1], ""] or time.monotonic() > deadline:
                break
            time.sleep(0.3)
        check(shown == [str(n), FILE_NAMES[n - 1], ""], f"the filter {text!r} shows {shown!r}")
        no_message(session)
    session.screenshot("typed-list.png")
    session.drive("close", hexof(LIST_TITLE))
    session.drive("gone", hexof(LIST_TITLE))


def run(session, program, fbstate):
    folder = tempfile.mkdtemp(prefix="typed-", dir=session.work)
    exe = copy_program(program, os.path.join(folder, "program"))
    program_env = {}
    if session.command_for(exe)[0] == "wine":
        bridge = os.path.join(session.tools, "fbclient")
        check(os.path.isfile(os.path.join(bridge, "fbclient.dll.so")), f"{bridge}/fbclient.dll.so is missing")
        shutil.copy2(os.path.join(bridge, "fbclient.dll"), os.path.dirname(exe))
        program_env["WINEDLLPATH"] = bridge
    data_folder = os.path.join(folder, "data") + "/"
    os.makedirs(data_folder)
    os.chmod(data_folder, 0o777)  # the server creates the database file here
    server = fb_server(fbstate)
    database = server + data_folder + "TYPED.FDB"
    create_database(database, TABLE + "".join(
        f"INSERT INTO BOOTJWW VALUES ({n}, 'e2e', 'C:\\jww\\', 'C:\\jww\\', '{name}', '2026/12/07', "
        f"'10:00:00', '2026/01/01', '00:00:00', {n});\n" for n, name in enumerate(FILE_NAMES, start=1))
        + "COMMIT;\n")
    write_settings(os.path.splitext(exe)[0] + ".dat", settings_lines(server, data_folder, "TYPED.FDB"))
    bells = Bells(session)
    tools_env = session.env
    session.env = dict(tools_env, **program_env)
    process = session.start(exe)
    session.env = tools_env
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)
    settings_user_name(session, bells)
    editor_boxes(session, database)
    list_filter(session)
    session.drive("close", hexof(MAIN_TITLE))
    wait_exit(process)
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(area_main("typed", run))
