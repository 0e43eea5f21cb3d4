#!/usr/bin/env python3
"""End-to-end test: Lumadex's own account on a server whose SYSDBA password is the office's own.

Usage: e2e_account.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]
(--fbstate is taken like every area script's, and not used: the server here is the test's own.)

The test's own server runs with another SYSDBA password and WireCrypt = Required; the
administrator's docs/server-setup.sql creates the LUMADEX account and the table. The program,
started with the fixed account, cannot connect; the account is set through the settings dialog's
接続アカウント dialog; a drawing is stored; the program, started again, connects with the stored
account without a message. No file beside the program or in the per-user folder holds the
password, in any encoding.
"""
import glob
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (MAIN_BUTTONS, area_main, check, copy_program, hexof, message_box,  # noqa: E402
                 no_message, read_settings, settings_lines, unhex, wait_exit, write_settings)
from e2e_monitor import StandIn, wait_for  # noqa: E402

APP_TITLE = "t482－Lumadex"
MAIN_TITLE = "Lumadex"
SETTINGS_TITLE = "データベース設定"
ACCOUNT_TITLE = "接続アカウント"
CHECK_TITLE = "Jw_cad起動チェック"
LIST_TITLE = "データ一覧表示"
SYSDBA_PASSWORD = "Off1ce-Adm1n"
LUMADEX_PASSWORD = "Lmx-e2e-7kQ"
HERE = os.path.dirname(os.path.abspath(__file__))
SERVER_SCRIPT = os.path.join(HERE, "..", "..", "scripts", "firebird-server")
SETUP_FILE = os.path.join(HERE, "..", "..", "docs", "server-setup.sql")


def server_command(command, folder, environment=None):
    env = dict(os.environ, **(environment or {}))
    result = subprocess.run([SERVER_SCRIPT, command, folder], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=120, env=env)
    check(result.returncode == 0, f"firebird-server {command}: {result.stderr.decode('utf-8', 'replace')}")
    return result.stdout.decode("ascii").strip()


def isql_as_sysdba(script, database=None):
    with tempfile.NamedTemporaryFile("wb", suffix=".sql", delete=False) as handle:
        handle.write(script.encode("utf-8"))
        path = handle.name
    try:
        command = ["isql-fb", "-q", "-b", "-user", "SYSDBA", "-password", SYSDBA_PASSWORD, "-i", path]
        if database:
            command.append(database)
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    finally:
        os.unlink(path)
    check(result.returncode == 0, f"isql-fb: {result.stderr.decode('utf-8', 'replace')}")
    return result.stdout.decode("ascii", "replace")


def one_message(session):
    texts, buttons = message_box(session, APP_TITLE)
    check(len(buttons) == 1, f"message box buttons {buttons!r}")
    session.drive("click", hexof(APP_TITLE), "=" + hexof(buttons[0]))
    session.drive("gone", hexof(APP_TITLE))
    return "\n".join(texts)


def run(session, program, _fbstate):
    folder = tempfile.mkdtemp(prefix="account-", dir=session.work)
    data_folder = os.path.join(folder, "data") + "/"
    os.makedirs(data_folder)
    os.chmod(data_folder, 0o777)  # the server creates the database file here
    server_folder = os.path.join(folder, "fbserver")
    port = server_command("start", server_folder, {"LUMADEX_FB_SYSDBA_PASSWORD": SYSDBA_PASSWORD,
                                                   "LUMADEX_FB_WIRECRYPT": "Required"})
    try:
        run_against(session, program, folder, data_folder, f"localhost/{port}:")
    finally:
        server_command("stop", server_folder)


def run_against(session, program, folder, data_folder, address):
    database = address + data_folder + "OFFICE.FDB"
    isql_as_sysdba(f"CREATE DATABASE '{database}' USER 'SYSDBA' PASSWORD '{SYSDBA_PASSWORD}' PAGE_SIZE 4096;\n")
    with open(SETUP_FILE, encoding="utf-8") as handle:
        setup = handle.read()
    check(setup.count("CHANGE_THIS_PASSWORD") == 1, "the setup file's placeholder is not there once")
    isql_as_sysdba(setup.replace("CHANGE_THIS_PASSWORD", LUMADEX_PASSWORD), database)

    stand = StandIn(session)
    drawing_folder = os.path.join(session.env["WINEPREFIX"], "drive_c", "図面")
    os.makedirs(drawing_folder, exist_ok=True)
    stand.say("folder " + hexof("C:\\図面"))
    stand.say("file " + hexof("C:\\図面\\安全.jww") + " 2026 3 9 10 15 33 1234")

    exe = copy_program(program, os.path.join(folder, "program"))
    dat = os.path.splitext(exe)[0] + ".dat"
    write_settings(dat, settings_lines(address, data_folder, "OFFICE.FDB"))

    # The fixed account: the server's SYSDBA password is the office's own.
    process = session.start(exe)
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)
    text = one_message(session)
    check(text == "データベース接続が出来ません。設定を確認して下さい。", f"the first start said {text!r}")

    # The account through the dialogs.
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[0][0]))
    session.drive("find", hexof(SETTINGS_TITLE))
    session.drive("click", hexof(SETTINGS_TITLE), "=" + hexof("接続アカウント(&A)"))
    session.drive("find", hexof(ACCOUNT_TITLE))
    session.drive("settext", hexof(ACCOUNT_TITLE), "Edit:0", hexof("LUMADEX"))
    session.drive("settext", hexof(ACCOUNT_TITLE), "Edit:1", hexof(LUMADEX_PASSWORD))
    session.screenshot("account-1-dialog.png")
    session.drive("click", hexof(ACCOUNT_TITLE), "=" + hexof("OK(&Y)"))
    session.drive("gone", hexof(ACCOUNT_TITLE))
    session.drive("click", hexof(SETTINGS_TITLE), "=" + hexof("OK(&Y)"))
    session.drive("gone", hexof(SETTINGS_TITLE))
    no_message(session)

    # A drawing stored with it.
    stand.open("a", "安全.jww - jw_win")
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[1][0]))
    session.drive("find", hexof(CHECK_TITLE))
    session.drive("settext", hexof(CHECK_TITLE), "Edit:0", hexof("1"))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof("起動チェック開始(&C)"))
    stored = wait_for(lambda: "安全".encode("cp932").hex().upper() in isql_as_sysdba(
        "SELECT CAST(FILE_NAME AS VARCHAR(255) CHARACTER SET OCTETS) FROM BOOTJWW;\n", database).upper())
    check(stored, "the drawing was not stored with the account")
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof("中断(&S)"))
    session.drive("close", hexof(CHECK_TITLE))
    session.drive("gone", hexof(CHECK_TITLE))
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[7][0]))
    wait_exit(process)
    lines = read_settings(dat)
    check(len(lines) == 32 and lines[31] == "LUMADEX", f"settings lines 28 on: {lines[27:]!r}")

    # Started again: connected with the stored account, without a box.
    process = session.start(exe)
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)
    no_message(session)
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[3][0]))
    session.drive("find", hexof(LIST_TITLE))
    lines, _ = session.drive("cell", hexof(LIST_TITLE), "SysListView32:0", 0, 4)
    shown = unhex(lines[0]["args"][0]) if lines and lines[0].get("args") else ""
    check(shown == "安全.jww", f"the list after the restart shows {shown!r}")
    session.drive("close", hexof(LIST_TITLE))
    session.drive("gone", hexof(LIST_TITLE))
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(MAIN_BUTTONS[7][0]))
    wait_exit(process)

    # No file beside the program or in the user's own folders holds the password.
    places = [os.path.dirname(exe)] + glob.glob(os.path.join(session.env["WINEPREFIX"], "drive_c", "users", "*"))
    forms = [LUMADEX_PASSWORD.encode("ascii"), LUMADEX_PASSWORD.encode("utf-16-le")]
    checked = 0
    for place in places:
        for root, _dirs, files in os.walk(place):
            for name in files:
                path = os.path.join(root, name)
                if not os.path.isfile(path) or os.path.islink(path):
                    continue
                with open(path, "rb") as handle:
                    data = handle.read()
                checked += 1
                check(not any(form in data for form in forms), f"{path} holds the password")
    check(os.path.isfile(os.path.splitext(exe)[0] + ".key"), "no protected password beside the program")
    check(checked > 3, f"only {checked} files looked at")


if __name__ == "__main__":
    sys.exit(area_main("account", run))
