#!/usr/bin/env python3
"""End-to-end test of the settings dialog, the record editor and the record list.

Usage: e2e_records.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]

The program starts without a settings file; its settings dialog creates a new database on the
private Firebird server of the test run; the editor (whose showing creates the table) fetches,
changes and registers a row that isql-fb put there; the list pages through 300 rows, sorts,
filters, and a grid column is resized, whose width must be in Lumadex.dat after closing.
Screenshots of every step are kept in the work folder for a human to look at.
"""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (Failure, area_main, check, control_at, copy_program, enabled_at_once,  # noqa: E402
                 fb_server, hexof, isql, message_box, no_message, read_settings, select_rows, unhex,
                 wait_exit, wait_for_window)

APP_TITLE = "t482－Lumadex"
MAIN_TITLE = "Lumadex"
SETTINGS_TITLE = "データベース設定"
ACCOUNT_TITLE = "接続アカウント"
ACCOUNT_BUTTON = "接続アカウント(&A)"
EDITOR_TITLE = "データ編集"
LIST_TITLE = "データ一覧表示"
SETTINGS_BUTTON = "(&1) データベース設定　"
EDITOR_BUTTON = "(&3) データ編集　　　　"
LIST_BUTTON = "(&4) データ一覧表示　　"
SUMMARY_BUTTON = "(&7) 集計　　　　　　　"
SUMMARY_TITLE = "集計"
END_BUTTON = "(&0) 　　終　了　　　　"
ROWS = 300


def row_texts(path, n):
    """Columns 2 to 5 of row n as stored (Shift-JIS decoded), or None when there is no row."""
    rows = select_rows(path, ["PNAME", "L_FOLDER", "N_FOLDER", "FILE_NAME"], f" WHERE N = {n}")
    return rows[0] if rows else None


def count_rows(path):
    output = isql("SET LIST ON;\nSELECT COUNT(*) AS ROWS_HELD FROM BOOTJWW;\n", path)
    output = output.decode("ascii", "replace")
    for line in output.splitlines():
        words = line.split()
        if len(words) == 2 and words[0] == "ROWS_HELD":
            return int(words[1])
    raise Failure(f"no count in {output!r}")


def text_of(session, title, control):
    lines, _ = session.drive("gettext", hexof(title), control)
    return unhex(lines[0]["args"][0]) if lines and lines[0].get("args") else ""


def message(session):
    """The text of the plain message box now shown, and its one button (to close it with)."""
    texts, buttons = message_box(session, APP_TITLE)
    check(len(buttons) == 1, f"message box buttons {buttons!r}")
    return texts, buttons[0]


def close_message(session, button):
    session.drive("click", hexof(APP_TITLE), "=" + hexof(button))
    session.drive("gone", hexof(APP_TITLE))


def current_cell(session):
    """(row, column, focused) of the grid's current cell as the screen shows it: the row the list
    view has focused, the column under the cell drawn in the highlight colour (None when no cell
    is drawn so), and whether the grid has the input focus."""
    lines, _ = session.drive("current", hexof(LIST_TITLE), "SysListView32:0")
    cell = next(l for l in lines if l["kind"] == "current")
    columns = next(l for l in lines if l["kind"] == "columns")
    x, y, width, height = map(int, cell["box"].split(","))
    column = None
    if width > 0:
        check(height < 30, f"more than one row is highlighted: {cell['box']}")
        left, centre = int(columns["left"]), x + width // 2
        for index, column_width in enumerate(map(int, columns["widths"].split(","))):
            if left <= centre < left + column_width:
                check(width <= column_width, f"more than one cell is highlighted: {cell['box']}")
                column = index
                break
            left += column_width
    return int(cell["item"]) + 1, column, cell["focused"] == "1"


def keys_move_cell(session, keys, expected, what):
    """Types the keys into the record list; the current cell must come to expected (row, column,
    focused) once the grid has painted."""
    session.drive("keys", hexof(LIST_TITLE), *keys)
    deadline = time.monotonic() + 2
    while True:
        cell = current_cell(session)
        if cell == expected or time.monotonic() > deadline:
            break
        time.sleep(0.2)
    check(cell == expected, f"{what}: current cell {cell}, expected {expected}")


def tab_through_grid(session):
    """Tab reaches the grid, moves along its cells, Shift+Tab goes back, the other keys move too."""
    for _ in range(10):  # from wherever the focus is, along the tab order to the grid
        if current_cell(session)[2]:
            break
        session.drive("keys", hexof(LIST_TITLE), "09")
    keys_move_cell(session, [], (1, 0, True), "the grid's first cell")
    keys_move_cell(session, ["09"], (1, 1, True), "Tab")
    keys_move_cell(session, ["09"], (1, 2, True), "Tab again")
    session.screenshot("records-10-current-cell.png")
    keys_move_cell(session, ["shift+09"], (1, 1, True), "Shift+Tab")
    keys_move_cell(session, ["28", "28", "27"], (3, 2, True), "down, down, right")
    session.screenshot("records-11-current-cell-moved.png")
    # The last column lies beyond the window's right edge: the grid scrolls it into view.
    keys_move_cell(session, ["23"], (3, 9, True), "End")
    session.screenshot("records-12-current-cell-last-column.png")
    keys_move_cell(session, ["24"], (3, 0, True), "Home")
    # Typed letters do not move it (the cells are read-only).
    keys_move_cell(session, ["31", "41"], (3, 0, True), "typed 1 and A")


def settings_closed_by_sent_clicks(session):
    """キャンセル and OK pressed with a sent BM_CLICK (as automation and accessibility tools press a
    button) close the settings dialog and give the main window back at once; the 接続アカウント
    dialog opened on top of it closes on its own キャンセル and gives the settings dialog back."""
    for caption in ("キャンセル(&N)", "OK(&Y)"):
        session.drive("click", hexof(MAIN_TITLE), "=" + hexof(SETTINGS_BUTTON))
        session.drive("find", hexof(SETTINGS_TITLE))
        lines = wait_for_window(session, hexof(MAIN_TITLE), lambda w: w["enabled"] == "0")
        check(lines[0]["enabled"] == "0", "the main window is usable under the modal dialog")
        if caption == "キャンセル(&N)":
            # Posted: the account dialog runs modally inside the button's click, so a sent press
            # of 接続アカウント returns only once that dialog is closed.
            session.drive("click", hexof(SETTINGS_TITLE), "=" + hexof(ACCOUNT_BUTTON))
            session.drive("find", hexof(ACCOUNT_TITLE))
            lines = wait_for_window(session, hexof(SETTINGS_TITLE), lambda w: w["enabled"] == "0")
            check(lines[0]["enabled"] == "0", "the settings dialog is usable under the account dialog")
            session.drive("press", hexof(ACCOUNT_TITLE), "=" + hexof("キャンセル(&N)"), timeout_ms=60000)
            session.drive("gone", hexof(ACCOUNT_TITLE))
            check(enabled_at_once(session, SETTINGS_TITLE), "the settings dialog stays disabled after the account dialog")
            lines, _ = session.drive("find", hexof(MAIN_TITLE))
            check(lines[0]["enabled"] == "0", "the main window came back under the settings dialog")
            no_message(session)
        session.drive("press", hexof(SETTINGS_TITLE), "=" + hexof(caption), timeout_ms=60000)
        session.drive("gone", hexof(SETTINGS_TITLE))
        check(enabled_at_once(session, MAIN_TITLE), f"the main window stays disabled after a sent {caption}")
        no_message(session)


def summary_of_the_month(session, database_path):
    """The summary window: December 2026 by user, counted by the server, in the grid (a bar in
    each row) and the chart of its days; the screenshot is for a human to look at."""
    users = ["田中", "鈴木", "佐藤"]
    inserts = ["SET NAMES NONE;"]
    for n in range(ROWS + 1, ROWS + 61):
        inserts.append(
            f"INSERT INTO BOOTJWW VALUES ({n}, '{users[n % 3]}', 'C:\\jww\\', '\\\\srv\\案件B\\', "
            f"'詳細{n % 7}.jww', '2026/12/{1 + n * 7 % 28:02d}', '12:00:00', '2026/01/01', '00:00:00', 1);")
    inserts.append("COMMIT;")
    isql("\n".join(inserts) + "\n", database_path)
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(SUMMARY_BUTTON))
    session.drive("find", hexof(SUMMARY_TITLE))
    session.drive("settext", hexof(SUMMARY_TITLE), "Edit:0", hexof("2026/12/01"))
    session.drive("settext", hexof(SUMMARY_TITLE), "Edit:1", hexof("2026/12/31"))
    session.drive("choose", hexof(SUMMARY_TITLE), "ComboBox:0", 0)  # PC利用者名: shows at once
    # Columns key, 起動回数, (the bar), 図面数, 利用者数, 最初, 最後.
    columns = [0, 1, 3, 4, 5, 6]
    expected = [["e2e", "300", "300", "1", "2026/12/07 00:01:00", "2026/12/07 05:00:00"],
                ["佐藤", "20", "7", "1"], ["田中", "20", "7", "1"], ["鈴木", "20", "7", "1"]]
    def cell(row, col):
        # The summary is counted on the worker: until it is shown the row is not there yet.
        args = session.drive("cell", hexof(SUMMARY_TITLE), "SysListView32:0", row, col)[0][0].get("args")
        return unhex(args[0]) if args else None

    deadline = time.monotonic() + 10
    while True:
        shown = [[cell(row, col) for col in columns[:len(cells)]] for row, cells in enumerate(expected)]
        if shown == expected or time.monotonic() > deadline:
            break
        time.sleep(0.3)
    check(shown == expected, f"summary rows {shown!r}")
    session.screenshot("records-13-summary.png")
    no_message(session)
    session.drive("close", hexof(SUMMARY_TITLE))
    session.drive("gone", hexof(SUMMARY_TITLE))


def run(session, program, fbstate):
    folder = tempfile.mkdtemp(prefix="records-", dir=session.work)
    data_folder = os.path.join(folder, "data") + "/"
    os.makedirs(data_folder)
    os.chmod(data_folder, 0o777)  # the server creates the database file here
    server = fb_server(fbstate)
    database_path = server + data_folder + "E2EDB.FDB"

    exe = copy_program(program, os.path.join(folder, "program"))
    dat = os.path.splitext(exe)[0] + ".dat"
    process = session.start(exe)
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)

    # ---- the settings dialog creates the database ----
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(SETTINGS_BUTTON))
    session.drive("find", hexof(SETTINGS_TITLE))
    edits = [control_at(session, SETTINGS_TITLE, x, y) for x, y in ((24, 44), (24, 88), (24, 136), (80, 176))]
    check(text_of(session, SETTINGS_TITLE, edits[0]) == "localhost:", "Edit1 does not show the default")
    check(text_of(session, SETTINGS_TITLE, edits[2]) == "JWWDB.FDB", "Edit3 does not show the default")
    session.drive("settext", hexof(SETTINGS_TITLE), edits[0], hexof(server))
    session.drive("settext", hexof(SETTINGS_TITLE), edits[1], hexof(data_folder))
    session.drive("settext", hexof(SETTINGS_TITLE), edits[2], hexof("e2edb"))
    session.drive("settext", hexof(SETTINGS_TITLE), edits[3], hexof("設計課ﾃｽﾄ"))
    session.screenshot("records-1-settings.png")
    session.drive("keys", hexof(SETTINGS_TITLE), "0d")  # Enter: the default button, OK
    session.drive("gone", hexof(SETTINGS_TITLE), timeout_ms=60000)
    no_message(session)
    check(os.path.isfile(data_folder + "E2EDB.FDB"), "the settings dialog did not create E2EDB.FDB")

    # ---- the editor: its showing creates the table; fetch, change, register ----
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(EDITOR_BUTTON))
    session.drive("find", hexof(EDITOR_TITLE))
    check(count_rows(database_path) == 0, "BOOTJWW was not created when the editor was shown")
    inserts = ["SET NAMES NONE;"]
    for n in range(1, ROWS + 1):
        inserts.append(
            f"INSERT INTO BOOTJWW VALUES ({n}, 'e2e', 'C:\\jww\\案件\\', 'C:\\jww\\案件\\', "
            f"'図面{n}.jww', '2026/12/07', '{n // 60 % 24:02d}:{n % 60:02d}:00', '2026/01/01', "
            f"'00:00:00', {n * 100});")
    inserts.append("COMMIT;")
    isql("\n".join(inserts) + "\n", database_path)
    check(count_rows(database_path) == ROWS, "the rows were not inserted")

    # Panel at 8,8: Edit1 at 80,4 and Edit3 at 80,52 inside it.
    number_box = control_at(session, EDITOR_TITLE, 88, 12)
    folder_box = control_at(session, EDITOR_TITLE, 88, 60)
    file_box = control_at(session, EDITOR_TITLE, 88, 108)
    size_box = control_at(session, EDITOR_TITLE, 328, 204)
    session.drive("settext", hexof(EDITOR_TITLE), number_box, hexof("123"))
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("データ取得(&R)"))
    no_message(session)
    check(text_of(session, EDITOR_TITLE, file_box) == "図面123.jww", "fetch did not fill the file name")
    check(text_of(session, EDITOR_TITLE, size_box) == "12300", "fetch did not fill the size")
    session.drive("settext", hexof(EDITOR_TITLE), folder_box, hexof("D:\\変更後\\"))
    session.screenshot("records-2-editor.png")
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("編集登録(&S)"))
    texts, button = message(session)
    check(texts == ["編集登録OK"], f"register message {texts!r}")
    close_message(session, button)
    stored = row_texts(database_path, 123)
    check(stored and stored["L_FOLDER"] == "D:\\変更後\\" and stored["FILE_NAME"] == "図面123.jww",
          f"row 123 after registering: {stored!r}")
    # A number without a row: nothing stored, and the user is told so.
    session.drive("settext", hexof(EDITOR_TITLE), number_box, hexof("999"))
    session.drive("click", hexof(EDITOR_TITLE), "=" + hexof("編集登録(&S)"))
    texts, button = message(session)
    check(texts == ["編集登録失敗"], f"register of a missing number: {texts!r}")
    close_message(session, button)
    check(count_rows(database_path) == ROWS, "registering a missing number added a row")
    session.drive("keys", hexof(EDITOR_TITLE), "1b")  # Esc closes the editor
    session.drive("gone", hexof(EDITOR_TITLE))

    # ---- the list: page through the rows, sort, filter, resize a column ----
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(LIST_BUTTON))
    session.drive("find", hexof(LIST_TITLE))
    # The first page loads while the window is already shown (its buttons wait meanwhile); on a
    # loaded machine that can outlast the first look, so look again for a while.
    paging = ("最初(&F)", "前頁(&P)", "次頁(&N)", "更新(&U)")
    deadline = time.time() + 15
    while True:
        lines, _ = session.drive("controls", hexof(LIST_TITLE))
        buttons = {unhex(l["text"]): l for l in lines if l["kind"] == "control" and l["class"].lower() == "button"}
        if all(c in buttons and buttons[c]["enabled"] == "1" for c in paging) or time.time() > deadline:
            break
        time.sleep(0.2)
    for caption in paging:
        check(caption in buttons and buttons[caption]["enabled"] == "1", f"{caption} is not usable")
    # The window opens at the settings' 320 x 240, not its designed size: the panel, the grid and
    # the status bar must have followed the real client area.
    width, height = map(int, lines[0]["client"].split(","))
    grids = [l for l in lines if l["kind"] == "control" and l["class"].lower() == "syslistview32"]
    check(len(grids) == 1 and grids[0]["rect"] == f"0,57,{width},{height - 57 - 19}",
          f"grid placement in a {width} x {height} client area: {[g['rect'] for g in grids]}")
    session.screenshot("records-3-list-page1.png")
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("次頁(&N)"))
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("次頁(&N)"))
    time.sleep(0.5)
    session.screenshot("records-4-list-page3.png")   # rows 201 to 300
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("次頁(&N)"))
    time.sleep(0.5)
    session.screenshot("records-5-list-past-end.png")  # empty
    session.drive("click", hexof(LIST_TITLE), "=" + hexof("前頁(&P)"))
    time.sleep(0.5)
    session.screenshot("records-6-list-back.png")    # rows 201 to 300 again
    session.drive("choose", hexof(LIST_TITLE), "ComboBox:0", 1)  # 登録番号↑
    time.sleep(0.5)
    session.screenshot("records-7-list-descending.png")  # 300 down to 201
    session.drive("settext", hexof(LIST_TITLE), "Edit:0", hexof("図面12"))
    session.drive("choose", hexof(LIST_TITLE), "ComboBox:1", 4)  # ファイル名
    time.sleep(0.5)
    session.screenshot("records-8-list-filtered.png")  # 129..120, 12 (descending)
    session.drive("colwidth", hexof(LIST_TITLE), "SysListView32:0", 4, 173)
    time.sleep(0.5)
    session.screenshot("records-9-list-column.png")
    tab_through_grid(session)
    no_message(session)
    session.drive("close", hexof(LIST_TITLE))
    session.drive("gone", hexof(LIST_TITLE))

    summary_of_the_month(session, database_path)
    settings_closed_by_sent_clicks(session)

    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(END_BUTTON))
    wait_exit(process)
    lines = read_settings(dat)
    check(len(lines) == 31, f"Lumadex.dat has {len(lines)} lines")
    check(lines[:4] == [server, data_folder, "E2EDB.FDB", "設計課ﾃｽﾄ"], f"settings written: {lines[:4]!r}")
    widths = lines[17:27]
    check(widths[4] == "173", f"column widths in Lumadex.dat: {widths!r}")
    check(widths[:4] == ["80"] * 4 and widths[5:] == ["80"] * 5, f"other columns changed: {widths!r}")
    check(lines[27:29] == ["192", "107"], f"the summary window's place after the 27 lines: {lines[27:]!r}")


if __name__ == "__main__":
    sys.exit(area_main("records", run))
