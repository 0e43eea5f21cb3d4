#!/usr/bin/env python3
"""End-to-end test of the export and import buttons: the real program under Wine and Xvfb.

Usage: e2e_exchange.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]

A database on the private Firebird server (its state folder is --fbstate) is filled with rows,
the program exports them through its save dialog, and the file is compared byte for byte with the
table. The table is then changed behind the program's back, and the file is imported with
"replace" through the question and the open dialog; the table must hold the file's rows again,
numbered 1 .. n. Each tells how many rows it moved. Uses the session and driver helpers of e2e.py.
"""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e  # noqa: E402
from e2e import COLUMNS, Failure, check, hexof, isql, no_message, unhex  # noqa: E402

QUESTION = "現在のデータを削除して新規読み込みを行いますか？\r\nはい：新規　いいえ：追加"
# Rows as stored: None is NULL. Double-byte texts whose trail bytes are "\" (表, ソ) included.
ROWS = [
    [1, "田中", "C:\\jww\\案件\\表\\", "\\\\server\\share\\表\\", "平面図-1F.jww", "2024/05/06",
     "07:08:09", "2024/01/02", "03:04:05", 123456],
    [2, "ｻｲﾄｳ", None, "Z:\\ソ\\", "立面図.jww", "2024/05/07", None, "2024/01/03", "04:05:06", 0],
    [5, "e2e", "D:\\図面\\", None, "a b.jww", "2024/05/08", "10:11:12", None, None, -7],
]


def literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, int):
        return str(value)
    return "'" + value.replace("'", "''") + "'"


def insert_script(rows):
    return "".join("INSERT INTO BOOTJWW VALUES (" + ", ".join(literal(v) for v in row) + ");\n"
                   for row in rows) + "COMMIT;\n"


def table_rows(database):
    """Every row ordered by N, as lists of the column values (texts, NULL as None)."""
    return [[r.get(c) for c in COLUMNS] for r in e2e.select_rows(database, COLUMNS, strict=True)]


def export_bytes(rows):
    lines = ["".join(c + "\t" for c in COLUMNS)]
    for row in rows:
        lines.append("".join(("" if v is None else str(v)) + "\t" for v in row))
    return b"".join(line.encode("cp932") + b"\r\n" for line in lines)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def wait_dialog(session, known, seconds=30):
    """The title of a new visible dialog window (class #32770) that is not in `known`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        lines, _ = session.drive("windows")
        for window in lines:
            if window.get("class") == "#32770" and window.get("visible") == "1":
                title = unhex(window.get("title", ""))
                if title not in known:
                    return title
        time.sleep(0.3)
    raise Failure(f"no dialog appeared (known: {known!r})")


def choose_file(session, title, path):
    """Types the file name into a file dialog and presses its OK button."""
    lines, _ = session.drive("controls", hexof(title))
    controls = [c for c in lines if c["kind"] == "control"]
    edits = [c for c in controls if c["class"].lower() == "edit" and c["visible"] == "1"]
    check(edits, f"no file name field in {title!r}: {[c['class'] for c in controls]}")
    session.drive("settext", hexof(title), "#" + edits[0]["index"], hexof(path))
    ok = [c for c in controls if c["class"].lower() == "button" and c["id"] == "1"]
    check(ok, f"no OK button in {title!r}")
    session.drive("click", hexof(title), "#" + ok[0]["index"])
    session.drive("gone", hexof(title), timeout_ms=30000)


def confirm(session, text, timeout_ms=30000):
    """The program's message box says `text` (and nothing else); it is closed with its OK."""
    texts, buttons = e2e.message_box(session, e2e.APP_TITLE, timeout_ms=timeout_ms)
    check(texts == [text], f"message {texts!r}, expected {text!r}")
    check(len(buttons) == 1, f"message buttons {buttons!r}")
    session.drive("click", hexof(e2e.APP_TITLE), "=" + hexof(buttons[0]))
    session.drive("gone", hexof(e2e.APP_TITLE))


def export_while_held(session, target, release_ms):
    """Exports over `target` (confirming the replacement) while another program holds it; returns
    the holder (see e2e.hold)."""
    known = e2e.visible_dialogs(session)
    session.drive("click", hexof("Lumadex"), "=" + hexof(e2e.MAIN_BUTTONS[4][0]))
    dialog = e2e.wait_new_dialog(session, known)
    check(dialog is not None, "no save dialog appeared")
    # The dialog belongs to the main window, which waits meanwhile.
    main, _ = session.drive("find", hexof("Lumadex"))
    lines, _ = session.drive("find", "@" + dialog)
    check(lines[0]["owner"] == main[0]["hwnd"] and main[0]["enabled"] == "0",
          f"the save dialog's owner {lines[0]['owner']}, the main window {main[0]}")
    lines, _ = session.drive("controls", "@" + dialog)
    controls = [c for c in lines if c["kind"] == "control"]
    edits = [c for c in controls if c["class"].lower() == "edit" and c["visible"] == "1"]
    ok = [c for c in controls if c["class"].lower() == "button" and c["id"] == "1"]
    check(edits and ok, f"no file name field or OK button in the save dialog: {controls}")
    holder = e2e.hold(session, target, release_ms)
    session.drive("settext", "@" + dialog, "#" + edits[0]["index"], hexof(windows_path(target)))
    session.drive("click", "@" + dialog, "#" + ok[0]["index"])
    box = e2e.wait_new_dialog(session, known + [dialog])
    check(box is not None, "no question before replacing the file")
    lines, _ = session.drive("msgbox", "@" + box)
    buttons = [unhex(l["args"][0]) for l in lines if l["kind"] == "button"]
    yes = [b for b in buttons if b.startswith("はい") or "Y" in b]
    check(yes, f"the replacement question's buttons {buttons!r}")
    session.drive("click", "@" + box, "=" + hexof(yes[0]))
    session.drive("gone", "@" + dialog, timeout_ms=30000)
    return holder


def run(session, program, fbstate):
    server = e2e.fb_server(fbstate)
    folder = tempfile.mkdtemp(prefix="exchange-", dir=session.work)
    os.chmod(folder, 0o777)  # the database server writes its file here
    database = server + folder + "/E2E.FDB"
    e2e.create_database(database,
                        "CREATE TABLE BOOTJWW (\n  N INTEGER NOT NULL UNIQUE,\n  PNAME VARCHAR(16),\n"
                        "  L_FOLDER VARCHAR(255),\n  N_FOLDER VARCHAR(255),\n  FILE_NAME VARCHAR(255),\n"
                        "  BOOT_DATE VARCHAR(10),\n  BOOT_TIME VARCHAR(8),\n  FILE_DATE VARCHAR(10),\n"
                        "  FILE_TIME VARCHAR(8),\n  FILE_SIZE INTEGER\n  );\nCOMMIT;\n"
                        + insert_script(ROWS), strict=True)

    exe = e2e.copy_program(program, folder)
    dat = os.path.splitext(exe)[0] + ".dat"
    e2e.write_settings(dat, e2e.settings_lines(server, folder + "/", "E2E.FDB"))
    process = session.start(exe)
    session.drive("find", hexof("Lumadex"), timeout_ms=60000)
    no_message(session)  # connected

    # Export: "export" without extension becomes export.txt.
    session.drive("click", hexof("Lumadex"), "=" + hexof(e2e.MAIN_BUTTONS[4][0]))
    title = wait_dialog(session, {"Lumadex"})
    session.screenshot("exchange-save-dialog.png")
    target = os.path.join(folder, "export.txt")
    choose_file(session, title, windows_path(os.path.join(folder, "export")))
    deadline = time.monotonic() + 30
    while not os.path.exists(target) and time.monotonic() < deadline:
        time.sleep(0.2)
    check(os.path.exists(target), "export.txt was not written")
    with open(target, "rb") as handle:
        exported = handle.read()
    check(exported == export_bytes(table_rows(database)),
          f"the file differs from the table: {exported!r}")
    check(exported == export_bytes(ROWS), f"the file differs from the rows stored: {exported!r}")
    check(not [n for n in os.listdir(folder) if n.startswith("export") and n != "export.txt"],
          f"files left beside the export: {os.listdir(folder)}")
    confirm(session, "3件を書き出しました。")

    # Change the table behind the program's back; the import with replace restores the file.
    isql("DELETE FROM BOOTJWW WHERE N = 2;\nCOMMIT;\n" +
         insert_script([[50, "extra", None, None, "x.jww", None, None, None, None, 1]]), database,
         strict=True)
    session.drive("click", hexof("Lumadex"), "=" + hexof(e2e.MAIN_BUTTONS[5][0]))
    texts, buttons = e2e.message_box(session, "確認", timeout_ms=30000)
    check(QUESTION.replace("\r\n", "\n") in [t.replace("\r\n", "\n") for t in texts],
          f"question texts {texts!r}")
    yes = [b for b in buttons if b.startswith("はい") or "Y" in b]
    check(len(buttons) == 2 and yes, f"question buttons {buttons!r}")
    session.screenshot("exchange-question.png")
    session.drive("click", hexof("確認"), "=" + hexof(yes[0]))
    session.drive("gone", hexof("確認"))
    title = wait_dialog(session, {"Lumadex"})
    choose_file(session, title, windows_path(target))

    expected = [[i + 1] + row[1:] for i, row in enumerate(ROWS)]
    expected = [[None if v is None else str(v) for v in row] for row in expected]
    deadline = time.monotonic() + 30
    rows = table_rows(database)
    while rows != expected and time.monotonic() < deadline:
        time.sleep(0.5)
        rows = table_rows(database)
    check(rows == expected, f"table after the import: {rows!r}")
    confirm(session, "3件を読み込みました。")

    # Another program (a scanner, Excel) holds the file being replaced and lets go 300 ms after
    # the export began writing: the replacement is tried again and the new rows arrive.
    isql(insert_script([[60, "late", None, None, "y.jww", None, None, None, None, 2]]), database, strict=True)
    holder = export_while_held(session, target, 300)
    confirm(session, "4件を書き出しました。")
    said = e2e.holder_said(holder)
    check(said[-3:] == ["watch", "seen", "released"], f"the holder did not see the export: {said}")
    with open(target, "rb") as handle:
        exported = handle.read()
    # The rows in the table's own order, which the import and the deletes have changed.
    check(sorted(exported.split(b"\r\n")) == sorted(export_bytes(table_rows(database)).split(b"\r\n")),
          f"the file after a held export: {exported!r}")
    check(not [n for n in os.listdir(folder) if n.startswith("export") and n != "export.txt"],
          f"files left beside the export: {os.listdir(folder)}")

    # Held for longer than the program tries: the failure is told and the earlier file is whole.
    isql(insert_script([[61, "later", None, None, "z.jww", None, None, None, None, 3]]), database, strict=True)
    holder = export_while_held(session, target, -1)
    confirm(session, "ファイルを書き出せませんでした。元のファイルは変更していません。")
    said = e2e.holder_said(holder)
    check(said[-3:] == ["watch", "seen", "released"], f"the holder did not see the export: {said}")
    with open(target, "rb") as handle:
        check(handle.read() == exported, "the earlier export changed while it was held")
    check(not [n for n in os.listdir(folder) if n.startswith("export") and n != "export.txt"],
          f"files left beside the export: {os.listdir(folder)}")

    session.drive("close", hexof("Lumadex"))
    e2e.wait_exit(process)


if __name__ == "__main__":
    sys.exit(e2e.area_main("exchange", run))
