#!/usr/bin/env python3
"""End-to-end test of recording from logon: the check box writes the Run value, a start with
/autostart records a drawing without a click or a window, a second start of the same program
file shows the running copy's main window, the icon's double-click and menu reach the windows,
and closing the main window or the check window while the check runs asks first.

Usage: e2e_logon.py --program PATH --tools DIR --session DIR --fbstate DIR [--work DIR]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (Failure, area_main, check, copy_program, hexof, message_box, settings_lines,  # noqa: E402
                 unhex, wait_exit, write_settings)
from e2e_monitor import Database, StandIn, wait_for  # noqa: E402

MAIN_TITLE = "Lumadex"
CHECK_TITLE = "Jw_cad起動チェック"
LIST_TITLE = "データ一覧表示"
CHECK_BUTTON = "(&2) Jw_cad起動チェック"
START_BUTTON = "起動チェック開始(&C)"
LOGON_BOX = "ログオン時に自動で開始(&L)"
QUESTION = "起動チェック中です。終了すると図面の記録が止まります。終了しますか？"
CLOSE_QUESTION = "起動チェック中です。閉じると図面の記録が止まります。閉じますか？"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"

ICON_WINDOW = "LumadexNotifyIcon"
ICON_MESSAGE = 0x8001  # WM_APP + 1
WM_KEYDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONUP = 0x100, 0x203, 0x205
VK_RETURN, VK_DOWN = 0x0D, 0x28


def run_value(session):
    """The Run value "Lumadex" as `wine reg query` prints it, or None."""
    result = subprocess.run(["wine", "reg", "query", RUN_KEY, "/v", "Lumadex"], env=session.env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        words = line.split(None, 2)
        if len(words) == 3 and words[0] == "Lumadex" and words[1].startswith("REG_"):
            return words[2].strip()
    return None


def stored_rows(database):
    """The rows of BOOTJWW; none while the program has not made the table yet."""
    try:
        return database.rows()
    except Failure:
        return []


def visible_titles(session):
    lines, _ = session.drive("windows")
    return [unhex(l.get("title", "")) for l in lines if l.get("visible") == "1"]


def windows_of_class(session, name):
    lines, _ = session.drive("windows")
    return [l for l in lines if l.get("class") == name]


def icon_tips(session):
    """The tooltips of this program's icons in the notification area (one per icon)."""
    lines, _ = session.drive("tooltips")
    return [unhex(l["text"]) for l in lines if unhex(l.get("text", "")).startswith("Lumadex：")]


def copy_mutex_name(windows_path):
    """The mutex a running copy of the program file holds: "Lumadex-" and the FNV-1a hash of the
    path with its ASCII letters upper-cased, in the session's namespace."""
    value = 1469598103934665603
    for byte in windows_path.encode("cp932").upper():
        value = ((value ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return "Local\\Lumadex-%016x" % value


def hold_denied_mutex(session, name, milliseconds):
    """lumadrive holds the mutex `name` so that nobody else may open it (as a copy started as
    administrator holds it for a copy of ordinary rights); returns the holder and the error its
    own second open met (5: access denied, as on Windows)."""
    command = session.command_for(os.path.join(session.tools, "lumadrive.exe"))
    command += ["holdmutex", name, str(milliseconds)]
    holder = subprocess.Popen(command, env=session.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    session.processes.append(holder)
    words = holder.stdout.readline().decode("ascii", "replace").split()
    check(len(words) == 2 and words[0] == "held", f"the mutex could not be made: {words!r}")
    return holder, int(words[1])


APPROVED_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"


def set_approved(session, hex_bytes):
    subprocess.run(["wine", "reg", "add", APPROVED_KEY, "/v", "Lumadex", "/t", "REG_BINARY", "/d", hex_bytes, "/f"],
                   env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def approved_value(session):
    """The StartupApproved value "Lumadex" as hex, or None."""
    result = subprocess.run(["wine", "reg", "query", APPROVED_KEY, "/v", "Lumadex"], env=session.env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        words = line.split(None, 2)
        if len(words) == 3 and words[0] == "Lumadex":
            return words[2].strip().lower()
    return None


def box_checked(session):
    lines, _ = session.drive("controls", hexof(CHECK_TITLE))
    return [l for l in lines if l["kind"] == "control" and unhex(l["text"]) == LOGON_BOX][0].get("checked")


def run(session, program, fbstate):
    folder = tempfile.mkdtemp(prefix="logon-", dir=session.work)
    os.chmod(folder, 0o777)
    database = Database(fbstate, folder)
    database.create()
    subprocess.run(["wine", "reg", "delete", RUN_KEY, "/v", "Lumadex", "/f"], env=session.env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    exe = copy_program(program, os.path.join(folder, "program"))
    dat = os.path.splitext(exe)[0] + ".dat"
    write_settings(dat, settings_lines(database.server, database.folder, user="e2e", interval=1))

    # 1. Started by hand: tick the box; the Run value names this program file with /autostart.
    first = session.start(exe)
    session.drive("find", hexof(MAIN_TITLE), timeout_ms=60000)
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(CHECK_BUTTON))
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(LOGON_BOX))
    value = wait_for(lambda: run_value(session), seconds=10)
    windows_path = "Z:" + exe.replace("/", "\\")
    check(value == f'"{windows_path}" /autostart', f"Run value {value!r}, expected the program {windows_path!r}")

    # 1b. Task Manager turns the entry off: StartupApproved\Run says so, the Run value stays. The
    # box shows it unticked with a tooltip; ticking it turns the entry on again there.
    set_approved(session, "030000000000000000000000")
    session.drive("close", hexof(CHECK_TITLE))
    session.drive("gone", hexof(CHECK_TITLE))
    session.drive("click", hexof(MAIN_TITLE), "=" + hexof(CHECK_BUTTON))
    check(box_checked(session) == "0", "the box shows a start Windows was told not to make")
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(LOGON_BOX))
    approved = wait_for(lambda: (approved_value(session) or "").startswith("02") and approved_value(session), 10)
    check(approved == "020000000000000000000000", f"StartupApproved after ticking: {approved!r}")
    check(box_checked(session) == "1" and run_value(session) == value, "the box or the Run value after ticking")
    session.screenshot("logon-box.png")

    # 2. Closing the main window while the check runs asks; No keeps the program, Yes ends it.
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(START_BUTTON))
    session.drive("close", hexof(MAIN_TITLE))
    texts, buttons = message_box(session, "確認")
    check([t.replace("\r\n", "\n") for t in texts] == [QUESTION], f"question {texts!r}")
    no = [b for b in buttons if b.startswith("いいえ") or "N" in b]
    yes = [b for b in buttons if b.startswith("はい") or "Y" in b]
    check(len(buttons) == 2 and no and yes, f"buttons {buttons!r}")
    session.screenshot("logon-question.png")
    session.drive("click", hexof("確認"), "=" + hexof(no[0]))
    session.drive("gone", hexof("確認"))
    time.sleep(1)
    check(first.poll() is None, "the program ended after No")
    session.drive("find", hexof(MAIN_TITLE))
    session.drive("close", hexof(MAIN_TITLE))
    message_box(session, "確認")
    session.drive("click", hexof("確認"), "=" + hexof(yes[0]))
    wait_exit(first)

    # 3. Started with /autostart: no window, and a drawing opened later is stored with no click.
    drawing_folder = os.path.join(session.env["WINEPREFIX"], "drive_c", "図面")
    os.makedirs(drawing_folder, exist_ok=True)
    stand = StandIn(session)
    stand.say("folder " + hexof("C:\\図面"))
    stand.say("file " + hexof("C:\\図面\\朝の図面.jww") + " 2026 3 9 10 15 33 1234")
    logon = session.start(exe, "/autostart")
    wait_for(lambda: windows_of_class(session, ICON_WINDOW), seconds=60)
    check(MAIN_TITLE not in visible_titles(session) and CHECK_TITLE not in visible_titles(session),
          f"a window shows after a start at logon: {visible_titles(session)!r}")
    stand.open("a", "朝の図面.jww - jw_win")
    rows = wait_for(lambda: stored_rows(database), seconds=30)
    check([r["FILE_NAME"] for r in rows] == ["朝の図面.jww"], f"rows after the start at logon: {rows!r}")
    lines, _ = session.drive("windows")
    trays = [f"{l.get('class')} visible={l.get('visible')} frame={l.get('frame')}"
             for l in lines if "tray" in l.get("class", "").lower()]
    print(f"  shell tray windows under Wine: {trays or 'none'}")
    session.screenshot("logon-autostart.png")

    # 3b. With the main window hidden, a window shown from the icon stands on its own: its own
    # taskbar button and Alt+Tab entry (no owner, WS_EX_APPWINDOW).
    session.drive("post", ICON_WINDOW, ICON_MESSAGE, 0, WM_LBUTTONDBLCLK)
    lines, _ = session.drive("find", hexof(CHECK_TITLE))
    check(lines[0]["owned"] == "0" and lines[0]["appwindow"] == "1",
          f"the check window shown from the icon is owned or has no taskbar button: {lines[0]}")

    # 4. A second start at logon does nothing; a second start by hand shows the main window.
    again = session.start(exe, "/autostart")
    check(wait_exit(again, 30) == 0, "the second copy at logon did not end")
    check(MAIN_TITLE not in visible_titles(session), "a second start at logon showed the main window")
    again = session.start(exe)
    check(wait_exit(again, 30) == 0, "the second copy did not end")
    main_lines, _ = session.drive("find", hexof(MAIN_TITLE), timeout_ms=20000)
    # With the main window shown, the check window is its own again.
    lines, _ = session.drive("find", hexof(CHECK_TITLE))
    check(lines[0]["owner"] == main_lines[0]["hwnd"] and lines[0]["appwindow"] == "0",
          f"the check window did not return to the main window: {lines[0]} (main {main_lines[0]['hwnd']})")
    check(logon.poll() is None, "the running copy ended")
    time.sleep(2)
    check(len(stored_rows(database)) == 1, "the drawing was stored again after the main window came")

    # 5. The icon: double-click shows the check window (still checking); the right button's menu
    # opens, and its first item shows the check window again after it was closed.
    session.drive("post", ICON_WINDOW, ICON_MESSAGE, 0, WM_LBUTTONDBLCLK)
    session.drive("find", hexof(CHECK_TITLE))
    lines, _ = session.drive("controls", hexof(CHECK_TITLE))
    controls = {unhex(l["text"]): l for l in lines if l["kind"] == "control"}
    check(controls["1"]["enabled"] == "0", "the interval field is enabled: the check stopped")

    # Closing the check window while the check runs asks; いいえ keeps the window and the check,
    # and a drawing opened afterwards is stored; はい stops the check and closes the window.
    session.drive("close", hexof(CHECK_TITLE))
    texts, buttons = message_box(session, "確認")
    check([t.replace("\r\n", "\n") for t in texts] == [CLOSE_QUESTION], f"close question {texts!r}")
    no = [b for b in buttons if b.startswith("いいえ") or "N" in b]
    yes = [b for b in buttons if b.startswith("はい") or "Y" in b]
    check(len(buttons) == 2 and no and yes, f"buttons {buttons!r}")
    session.screenshot("logon-close-question.png")
    session.drive("click", hexof("確認"), "=" + hexof(no[0]))
    session.drive("gone", hexof("確認"))
    check(CHECK_TITLE in visible_titles(session), "the check window closed after いいえ")
    stand.say("file " + hexof("C:\\図面\\昼の図面.jww") + " 2026 3 9 12 0 0 2048")
    stand.open("b", "昼の図面.jww - jw_win")
    rows = wait_for(lambda: [r for r in stored_rows(database) if r["FILE_NAME"] == "昼の図面.jww"], seconds=30)
    check(len(rows) == 1, f"the drawing opened after いいえ: {rows!r}")
    session.drive("close", hexof(CHECK_TITLE))
    message_box(session, "確認")
    session.drive("click", hexof("確認"), "=" + hexof(yes[0]))
    session.drive("gone", hexof(CHECK_TITLE))
    session.drive("post", ICON_WINDOW, ICON_MESSAGE, 0, WM_RBUTTONUP)
    menus = wait_for(lambda: [m for m in windows_of_class(session, "#32768") if m.get("visible") == "1"], 10)
    check(menus, "no menu opened on the right button")
    session.screenshot("logon-menu.png")
    session.drive("post", "#32768", WM_KEYDOWN, VK_DOWN, 0)
    session.drive("post", "#32768", WM_KEYDOWN, VK_RETURN, 0)
    session.drive("find", hexof(CHECK_TITLE))

    # 5b. The shell says TaskbarCreated while it still shows the icon (Windows does so after a
    # change of the display's scale), twice: one icon stays, and it follows the check's state.
    check(icon_tips(session) == ["Lumadex：停止中"], f"the icon before TaskbarCreated: {icon_tips(session)!r}")
    session.drive("post", ICON_WINDOW, "TaskbarCreated", 0, 0)
    session.drive("post", ICON_WINDOW, "TaskbarCreated", 0, 0)
    session.drive("click", hexof(CHECK_TITLE), "=" + hexof(START_BUTTON))
    tips = wait_for(lambda: [t for t in icon_tips(session) if "チェック中" in t], seconds=10)
    # Two stored by this run today: the drawing of the check started at logon, and the one opened
    # after いいえ.
    check(icon_tips(session) == ["Lumadex：チェック中（本日の登録 2件）"],
          f"the icon after TaskbarCreated twice and a started check: {icon_tips(session)!r} ({tips!r})")
    session.drive("close", hexof(CHECK_TITLE))
    message_box(session, "確認")  # the check runs: closing asks, and はい stops it
    session.drive("click", hexof("確認"), "=" + hexof(yes[0]))
    session.drive("gone", hexof(CHECK_TITLE))

    # The main window's close asks nothing now (closing the check window stopped the check).
    session.drive("close", hexof(MAIN_TITLE))
    wait_exit(logon)
    check(not windows_of_class(session, ICON_WINDOW), "the icon's window outlived the program")
    check(icon_tips(session) == [], f"the icon outlived the program: {icon_tips(session)!r}")

    # 6. A copy of this program file started as administrator holds its mutex where ours may not
    # open it: a start by hand counts it as running and ends, and no second recorder starts.
    holder, error = hold_denied_mutex(session, copy_mutex_name(windows_path), 20000)
    check(error == 5, f"Wine let the mutex be opened (error {error}): the denied case is not shown")
    denied = session.start(exe)
    check(wait_exit(denied, 30) == 0, "the start beside a copy we cannot open did not end")
    check(MAIN_TITLE not in visible_titles(session), "a second recorder started beside the elevated copy")
    holder.kill()
    holder.wait()
    stand.say("quit")
    subprocess.run(["wine", "reg", "delete", RUN_KEY, "/v", "Lumadex", "/f"], env=session.env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    subprocess.run(["wine", "reg", "delete", APPROVED_KEY, "/v", "Lumadex", "/f"], env=session.env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    shutil.rmtree(drawing_folder, ignore_errors=True)
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(area_main("logon", run, tools=("lumadrive.exe", "jwstand.exe")))
