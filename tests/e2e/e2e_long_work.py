#!/usr/bin/env python3
"""End-to-end test of long work: an import of 120 000 lines under Wine and Xvfb.

Usage: e2e_long_work.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]

The progress window shows the lines counting up while the main window takes no input but keeps
answering and painting; 中止 leaves the table as it was and says so; an import run to its end says
how many rows it stored; the end of the session during an import cancels it (the table as it was)
and the program saves its settings as at any end of the session. Screenshots of each step are
left in the work folder for a human to look at.
"""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e  # noqa: E402
import e2e_exchange  # noqa: E402
from e2e import APP_TITLE, check, hexof, isql, unhex  # noqa: E402
from e2e_exchange import ROWS, confirm, insert_script, table_rows, wait_dialog, windows_path  # noqa: E402

LINES = 120000
IMPORTING = "読み込み中"
CANCEL = "中止"


def big_file(path):
    """An export file of LINES rows with Shift-JIS texts."""
    header = "".join(c + "\t" for c in e2e.COLUMNS)
    with open(path, "wb") as handle:
        handle.write(header.encode("cp932") + b"\r\n")
        chunk = []
        for n in range(1, LINES + 1):
            row = [n, f"利用者{n % 7}", f"C:\\図面\\案件{n % 100}\\", "", f"平面図{n}.jww",
                   "2024/05/06", "07:08:09", "2024/01/02", "03:04:05", n * 3]
            chunk.append("".join(str(v) + "\t" for v in row).encode("cp932") + b"\r\n")
            if len(chunk) == 5000:
                handle.write(b"".join(chunk))
                chunk = []
        handle.write(b"".join(chunk))


def summary(database):
    """Row count and sums over the table: a checksum of its rows."""
    output = isql("SET LIST ON;\nSELECT COUNT(*) AS ROWS_, COALESCE(SUM(N), 0) AS NUMBERS, "
                  "COALESCE(SUM(FILE_SIZE), 0) AS SIZES, "
                  "COALESCE(SUM(CHAR_LENGTH(FILE_NAME)), 0) AS NAMES FROM BOOTJWW;\n", database, strict=True)
    return " ".join(output.decode("ascii", "replace").split())


def start_import(session, replace, path):
    session.drive("click", hexof("Lumadex"), "=" + hexof(e2e.MAIN_BUTTONS[5][0]))
    _, buttons = e2e.message_box(session, "確認", timeout_ms=30000)
    wanted = [b for b in buttons if ("Y" in b) == replace]
    check(wanted, f"question buttons {buttons!r}")
    session.drive("click", hexof("確認"), "=" + hexof(wanted[0]))
    session.drive("gone", hexof("確認"))
    e2e_exchange.choose_file(session, wait_dialog(session, {"Lumadex"}), windows_path(path))
    session.drive("find", hexof(IMPORTING), timeout_ms=30000)


def rows_shown(session):
    """The lines the progress window shows, from "12345件（40%）"; -1 once it is gone."""
    lines, status = session.drive("gettext", hexof(IMPORTING), "Static:1", timeout_ms=2000,
                                  expect_ok=False)
    text = unhex(lines[0]["args"][0]) if status == 0 and lines and lines[0].get("args") else ""
    if not text:
        return -1  # gone, or going
    digits = text.split("件")[0]
    check(digits.isdigit(), f"progress text {text!r}")
    return int(digits)


def wait_rows(session, at_least, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        rows = rows_shown(session)
        if rows >= at_least:
            return rows
        time.sleep(0.2)
    raise e2e.Failure(f"the progress window did not reach {at_least} lines")


def check_main_answers(session, label):
    """The main window takes no input but answers a sent message and paints at once."""
    lines, _ = session.drive("find", hexof("Lumadex"))
    if lines[0]["enabled"] == "1":
        check(rows_shown(session) < 0, f"{label}: the main window takes input during the import")
        return  # the import has just ended
    lines, _ = session.drive("ping", hexof("Lumadex"), timeout_ms=3000)
    ping = int(lines[0]["args"][0])
    lines, _ = session.drive("repaint", hexof("Lumadex"), timeout_ms=3000)
    paint = int(lines[0]["args"][0])
    print(f"  {label}: main window answered in {ping} ms, painted in {paint} ms")
    check(ping < 1000 and paint < 1000, f"{label}: answered in {ping} ms, painted in {paint} ms")


def answers_until_gone(session, label):
    """Sends the progress window a message again and again until it is gone (the rollback after
    中止 runs meanwhile): the longest answer in ms, -1 when it was gone at the first try."""
    worst = -1
    answers = 0
    while True:
        lines, status = session.drive("ping", hexof(IMPORTING), timeout_ms=5000, expect_ok=False)
        if status != 0 or not lines or not lines[0].get("args"):
            break
        worst = max(worst, int(lines[0]["args"][0]))
        answers += 1
    print(f"  {label}: the progress window answered {answers} times, the longest in {worst} ms")
    return worst


def run(session, program, fbstate):
    server = e2e.fb_server(fbstate)
    folder = tempfile.mkdtemp(prefix="long-work-", dir=session.work)
    os.chmod(folder, 0o777)
    database = server + folder + "/LONG.FDB"
    e2e.create_database(database,
                        "CREATE TABLE BOOTJWW (\n  N INTEGER NOT NULL UNIQUE,\n  PNAME VARCHAR(16),\n"
                        "  L_FOLDER VARCHAR(255),\n  N_FOLDER VARCHAR(255),\n  FILE_NAME VARCHAR(255),\n"
                        "  BOOT_DATE VARCHAR(10),\n  BOOT_TIME VARCHAR(8),\n  FILE_DATE VARCHAR(10),\n"
                        "  FILE_TIME VARCHAR(8),\n  FILE_SIZE INTEGER\n  );\nCOMMIT;\n"
                        + insert_script(ROWS), strict=True)
    path = os.path.join(folder, "big.txt")
    big_file(path)

    exe = e2e.copy_program(program, folder)
    dat = os.path.splitext(exe)[0] + ".dat"
    e2e.write_settings(dat, e2e.settings_lines(server, folder + "/", "LONG.FDB"))
    process = session.start(exe)
    session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    e2e.no_message(session)
    before = table_rows(database)

    # Replace, cancelled in the middle: the deletion and the lines sent so far are taken back.
    start_import(session, True, path)
    first = wait_rows(session, 1)
    check_main_answers(session, "replace")
    session.screenshot("long-import-progress-1.png")
    # Late enough that the rollback has many lines to take back.
    second = wait_rows(session, max(first + 1000, 60000))
    session.screenshot("long-import-progress-2.png")
    print(f"  progress counted {first} then {second} lines")
    check(second < LINES, "the import ended before it could be cancelled")
    session.drive("click", hexof(IMPORTING), "=" + hexof(CANCEL))
    # The rollback runs on a worker: the windows keep answering (loosely bounded here, the
    # machine is shared).
    worst = answers_until_gone(session, "after 中止")
    check(worst < 2000, f"after 中止 the progress window took {worst} ms to answer")
    session.drive("gone", hexof(IMPORTING), timeout_ms=30000)
    texts, _ = e2e.message_box(session, APP_TITLE, timeout_ms=30000)
    session.screenshot("long-import-cancelled.png")
    confirm(session, "中止しました。")
    check(table_rows(database) == before, "the table changed although the import was cancelled")

    # Add, to its end: the count stored is told, and the window counted up to it meanwhile. On the
    # way Windows asks whether the session may end and another program says no: a question only,
    # the import goes on.
    start_import(session, False, path)
    seen = [wait_rows(session, 1)]
    lines, _ = session.drive("queryendsession", hexof("Lumadex"), timeout_ms=30000)
    check(lines[0]["args"] == ["1"], f"the program refused the question of the session's end: {lines}")
    while seen[-1] >= 0:
        check_main_answers(session, f"add at {seen[-1]} lines")
        time.sleep(1.0)
        seen.append(rows_shown(session))
        if len(seen) == 3:
            session.screenshot("long-import-progress-3.png")
    counted = [r for r in seen if r >= 0]
    print(f"  progress while adding: {counted}")
    check(len(counted) >= 3 and counted == sorted(counted) and counted[-1] > counted[0],
          f"the lines did not count up: {counted}")
    texts, _ = e2e.message_box(session, APP_TITLE, timeout_ms=120000)
    session.screenshot("long-import-done.png")
    confirm(session, f"{LINES}件を読み込みました。")
    after_add = summary(database)
    check(after_add.startswith(f"ROWS_ {LINES + len(ROWS)} "), f"table after the import: {after_add}")

    # The session ends during a replacing import: cancelled, then the settings are saved.
    e2e.write_settings(dat, e2e.settings_lines(server, folder + "/", "LONG.FDB")[:4])
    start_import(session, True, path)
    wait_rows(session, 5000)
    lines, _ = session.drive("endsession", hexof("Lumadex"), timeout_ms=30000)
    check(lines[0]["args"] == ["1"], f"the program refused to let the session end: {lines}")
    deadline = time.monotonic() + 60
    while len(e2e.read_settings(dat)) != 31 and time.monotonic() < deadline:
        time.sleep(0.3)
    session.screenshot("long-import-session-end.png")
    check(len(e2e.read_settings(dat)) == 31, "the settings were not saved at the end of the session")
    _, status = session.drive("find", hexof(APP_TITLE), timeout_ms=1500, expect_ok=False)
    check(status != 0, "a message box held up the end of the session")
    # Windows ends the process after WM_ENDSESSION; so do we.
    process.kill()
    process.wait()
    check(summary(database) == after_add, "the table changed although the session ended the import")


if __name__ == "__main__":
    sys.exit(e2e.area_main("long_work", run))
