#!/usr/bin/env python3
"""The Windows program as a Windows user meets it: its resources, the installer, and the Win32
behaviours that Wine can show.

Usage: e2e_windows_program.py TEST --program PATH --tools DIR --session DIR [--work DIR]
                                   [--setup PATH]
  resources  the manifest, icons and version inside --program, read back with icoutils
  installer  --setup run silently under Wine: install, start, upgrade, uninstall
  mends      --program (the linux build): owner of a message box, an off-screen saved position,
             characters Shift-JIS cannot hold, the settings written while another program holds
             the file
  client_library  --program (the windows build): the message when fbclient.dll is missing, is a
             32-bit one, or needs a library that is missing
  probe      --program (toolkit_probe.exe): what only the program sees from inside (input
             contexts, the drawing of "&", the owners' state when a modal form hides) and the
             owner of a file dialog with the other forms disabled
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import (APP_TITLE, CLIENT_NOT_FOUND, MAIN_BUTTONS, Failure, check, control_at, control_text,  # noqa: E402
                 copy_program, hexof, hold, holder_said, open_session, read_settings, run_reported,
                 settings_lines, unhex, wait_exit, write_settings)

SUPPORTED_OS = ["35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"]


def resource(exe, kind, name=None):
    command = ["wrestool", "-x", "--raw", f"--type={kind}"] + ([f"--name={name}"] if name else []) + [exe]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    check(result.returncode == 0 and result.stdout, f"wrestool found no resource {kind}/{name}: {result.stderr!r}")
    return result.stdout


def icon_sizes(exe, group):
    """The pixel sizes of an icon group (0 in a GRPICONDIR entry means 256)."""
    data = resource(exe, 14, group)
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    check(kind == 1, f"icon group {group} is not an icon group")
    return sorted((data[6 + 14 * i] or 256) for i in range(count))


def test_resources(options):
    exe = options.program
    check(shutil.which("wrestool"), "wrestool is missing (icoutils, scripts/install-deps)")
    manifest = resource(exe, 24, 1).decode("utf-8")
    for needle, what in [
        ('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', "common controls 6"),
        ('<gdiScaling xmlns="http://schemas.microsoft.com/SMI/2017/WindowsSettings">true</gdiScaling>', "gdiScaling"),
        ('<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">false</dpiAware>', "not DPI aware"),
        ('level="asInvoker"', "asInvoker"),
        ('>ja-JP</activeCodePage>', "activeCodePage ja-JP"),
    ]:
        check(needle in manifest, f"the manifest lacks {what}")
    found_os = re.findall(r'<supportedOS Id="\{([0-9a-f-]+)\}"/>', manifest)
    check(found_os == SUPPORTED_OS, f"supportedOS {found_os} (Windows 7, 8, 8.1, 10/11 expected)")
    # The application icon and the three notification-area states (platform/win32/resource_ids.h).
    check(icon_sizes(exe, 1) == [16, 24, 32, 48, 256], f"application icon sizes {icon_sizes(exe, 1)}")
    for group in (2, 3, 4):
        check(icon_sizes(exe, group) == [16, 32], f"state icon {group} sizes {icon_sizes(exe, group)}")
    version = resource(exe, 16, 1)
    text = version.decode("utf-16-le", "replace")
    fixed = version.find(struct.pack("<I", 0xFEEF04BD))
    check(fixed > 0, "no fixed version information")
    ms, ls = struct.unpack_from("<II", version, fixed + 8)
    file_version = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}"
    check(re.fullmatch(r"\d+\.\d+\.\d+", options.version or "") and file_version == options.version,
          f"file version {file_version}, project version {options.version}")
    for key, value in [("ProductName", "Lumadex"), ("FileVersion", options.version),
                       ("ProductVersion", options.version), ("OriginalFilename", "Lumadex.exe")]:
        check(re.search(key + "\0+" + re.escape(value) + "\0", text), f"version string {key} is not {value!r}")
    check(re.search("FileDescription\0+Lumadex", text) and re.search("LegalCopyright\0+Copyright", text),
          "description or copyright missing")
    print("resources: manifest, 4 icon groups, version", file_version)


def wine_path(session, windows_path):
    result = subprocess.run(["winepath", "-u", windows_path], env=session.env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=60)
    return result.stdout.decode().strip()


def wine_run(session, *args, timeout=120):
    return subprocess.run(["wine"] + list(args), env=session.env, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=timeout)


def wine_status(session, *args, timeout=180):
    """The exit code of a Windows program run to its end; its output is not kept (a program it
    starts and leaves running, as the installer restarts Lumadex, would hold a pipe open)."""
    return subprocess.run(["wine"] + list(args), env=session.env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout).returncode


def registry_value(session, key, name):
    result = wine_run(session, "reg", "query", key, "/v", name)
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        words = line.split(None, 2)
        if len(words) == 3 and words[0] == name:
            return words[2].strip()
    return None


RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumadex"


def wait_until(condition, seconds, message):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise Failure(message)
        time.sleep(0.3)


def test_installer(session, setup, windows_tools):
    check(os.path.isfile(setup), f"{setup} is missing: make windows builds it")
    local = wine_run(session, "cmd", "/c", "echo %LOCALAPPDATA%").stdout.decode().strip()
    check(local.lower().startswith("c:\\users\\"), f"LOCALAPPDATA is {local!r}")
    install_dir = local + "\\Programs\\Lumadex"
    folder = wine_path(session, install_dir)
    start_menu = wine_path(session, wine_run(session, "cmd", "/c", "echo %APPDATA%").stdout.decode().strip()
                           + "\\Microsoft\\Windows\\Start Menu\\Programs\\Lumadex.lnk")
    shutil.rmtree(folder, ignore_errors=True)

    # A silent install on a new PC, with the start at logon and the settings on the command line
    # (the user name: the Windows logon name).
    logon_name = wine_run(session, "cmd", "/c", "echo %USERNAME%").stdout.decode().strip()
    check(wine_run(session, setup, "/S", "/AUTOSTART", "/SERVER=db-server", "/FOLDER=D:\\jwdata",
                   "/DATABASE=OFFICE.FDB", "/USERNAME=*").returncode == 0, "the installer failed")
    check(sorted(os.listdir(folder)) == ["Lumadex.dat", "Lumadex.exe", "uninstall.exe"], f"installed: {os.listdir(folder)}")
    dat = os.path.join(folder, "Lumadex.dat")
    written = read_settings(dat)
    check(written[:5] == ["db-server:", "D:\\jwdata\\", "OFFICE.FDB", logon_name, "10"] and len(written) == 27,
          f"the settings of the new PC: {written!r} (logon name {logon_name!r})")
    size = registry_value(session, UNINSTALL_KEY, "EstimatedSize") or ""
    check(size.startswith("0x") and int(size, 16) > 0, f"EstimatedSize {size!r}")
    check(os.path.isfile(start_menu), "no Start-menu shortcut")
    check(registry_value(session, UNINSTALL_KEY, "DisplayName") == "Lumadex", "no entry in the installed programs")
    uninstall = registry_value(session, UNINSTALL_KEY, "UninstallString") or ""
    check(uninstall.lower() == f'"{install_dir}\\uninstall.exe"'.lower(), f"UninstallString {uninstall!r}")
    run = registry_value(session, RUN_KEY, "Lumadex") or ""
    check(run.lower() == f'"{install_dir}\\Lumadex.exe" /autostart'.lower(), f"Run value {run!r}")

    # The installed program starts, shows its main window and writes its settings beside itself.
    exe = os.path.join(folder, "Lumadex.exe")
    write_settings(os.path.join(folder, "Lumadex.dat"), settings_lines("127.0.0.1/9:", "C:\\nowhere\\"))
    process = session.start(exe)
    lines, _ = session.drive("msgbox", hexof(APP_TITLE), timeout_ms=60000)
    texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
    check([t.splitlines()[0] for t in texts] == [CLIENT_NOT_FOUND], f"no client library message: {texts!r}")
    session.drive("click", hexof(APP_TITLE), "button:0")
    session.drive("find", hexof("Lumadex"))
    session.screenshot("installed-main-window.png")
    session.drive("close", hexof("Lumadex"))
    wait_exit(process)

    # An upgrade keeps the settings and the two records files; the start at logon stays chosen.
    kept = {"Lumadex.jnl": b"journal\r\n", "Lumadex.rej": b"refused\r\n"}
    for name, content in kept.items():
        with open(os.path.join(folder, name), "wb") as handle:
            handle.write(content)
    settings_before = read_settings(os.path.join(folder, "Lumadex.dat"))
    check(wine_run(session, setup, "/S").returncode == 0, "the upgrade failed")
    check(read_settings(os.path.join(folder, "Lumadex.dat")) == settings_before, "the upgrade changed Lumadex.dat")
    for name, content in kept.items():
        with open(os.path.join(folder, name), "rb") as handle:
            check(handle.read() == content, f"the upgrade changed {name}")
    check(registry_value(session, RUN_KEY, "Lumadex") is not None, "the upgrade dropped the start at logon")
    os.remove(os.path.join(folder, "Lumadex.jnl"))  # not a journal the program could read

    # An upgrade while the program runs in the notification area (started at logon): it ends by
    # itself without asking, the file is replaced, and the new program goes on. Settings on the
    # command line leave an existing file as it is; /FORCESETTINGS replaces it.
    def icon_windows():
        lines, _ = session.drive("windows")
        return [l for l in lines if l.get("class") == "LumadexNotifyIcon"]

    running = session.start(exe, "/autostart")
    wait_until(icon_windows, 60, "the program started at logon shows no icon")
    settings_before = read_settings(dat)
    check(wine_status(session, setup, "/S", "/SERVER=other-server") == 0, "the upgrade of a running program failed")
    check(wait_exit(running, 30) == 0, "the running program did not end for the upgrade")
    check(read_settings(dat) == settings_before, "settings on the command line replaced an existing file")
    wait_until(icon_windows, 60, "the program did not go on after the upgrade")
    check(wine_status(session, setup, "/S", "/SERVER=other-server", "/FORCESETTINGS") == 0,
          "the upgrade with /FORCESETTINGS failed")
    check(read_settings(dat)[:4] == ["other-server:", "", "JWWDB.FDB", "PCユーザー名"],
          f"/FORCESETTINGS: {read_settings(dat)[:4]!r}")
    wait_until(icon_windows, 60, "the program did not go on after the second upgrade")

    # Task Manager turned the start at logon off: a plain upgrade leaves it so (the Run value and
    # the mark), /AUTOSTART turns it on again.
    approved_key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
    wine_status(session, "reg", "add", approved_key, "/v", "Lumadex", "/t", "REG_BINARY", "/d",
                "030000000000000000000000", "/f")
    check(wine_status(session, setup, "/S") == 0, "the upgrade with the start at logon turned off failed")
    check(registry_value(session, RUN_KEY, "Lumadex") is not None, "a plain upgrade removed a Run value turned off")
    check((registry_value(session, approved_key, "Lumadex") or "").startswith("03"), "a plain upgrade turned it on")
    check(wine_status(session, setup, "/S", "/AUTOSTART") == 0, "the upgrade with /AUTOSTART failed")
    check(registry_value(session, approved_key, "Lumadex") == "020000000000000000000000",
          f"/AUTOSTART left {registry_value(session, approved_key, 'Lumadex')!r}")
    wait_until(icon_windows, 60, "the program did not go on after the third upgrade")

    # A silent uninstall while the program runs: it ends, and the program, the shortcut, the entry
    # and the Run value go; the settings and the refused records stay.
    wine_status(session, os.path.join(folder, "uninstall.exe"), "/S")
    wait_until(lambda: not os.path.exists(os.path.join(folder, "uninstall.exe")), 60, "the uninstaller left itself")
    check(not icon_windows(), "the program still runs after the uninstall")
    check(sorted(os.listdir(folder)) == ["Lumadex.dat", "Lumadex.rej"],
          f"left after the uninstall: {os.listdir(folder)}")
    check(not os.path.exists(start_menu), "the shortcut is still there")
    check(registry_value(session, UNINSTALL_KEY, "DisplayName") is None, "the uninstall entry is still there")
    check(registry_value(session, RUN_KEY, "Lumadex") is None, "the Run value is still there")

    # Asked to, the uninstaller removes the three files and the folder too.
    check(wine_run(session, setup, "/S").returncode == 0, "the second install failed")
    check(registry_value(session, RUN_KEY, "Lumadex") is None, "a plain install wrote the Run value")

    # A copy that does not end (an older program, or one that hangs; here another program running
    # under the name): a silent run stops with code 2 and changes nothing.
    stubborn = os.path.join(windows_tools, "lumadrive.exe")
    shutil.copy(stubborn, exe)
    refusing = session.start(exe, "holdmutex", "Local\\lumadex-e2e-stubborn", "120000")
    time.sleep(2)
    settings_before = read_settings(dat)
    status = wine_status(session, setup, "/S", "/SERVER=third-server", "/FORCESETTINGS")
    check(status == 2, f"the installer beside a program that does not end exited with {status}")
    with open(exe, "rb") as handle, open(stubborn, "rb") as original:
        check(handle.read() == original.read(), "the installer replaced a program file that was running")
    check(read_settings(dat) == settings_before, "the installer wrote settings although it stopped")
    # In place (_?=), so that its exit code can be read; it gives up after about 20 s.
    status = wine_status(session, os.path.join(folder, "uninstall.exe"), "/S", "/REMOVEDATA", "_?=" + install_dir)
    check(status == 2, f"the uninstaller beside a program that does not end exited with {status}")
    check(os.path.exists(exe) and os.path.exists(dat), "the uninstaller removed files beside a program that did not end")
    refusing.kill()
    refusing.wait()
    wine_run(session, os.path.join(folder, "uninstall.exe"), "/S", "/REMOVEDATA")
    wait_until(lambda: not os.path.exists(folder), 30, "the folder is still there after an uninstall with /REMOVEDATA")


def build_dll(compiler, folder, name, source, *link):
    """A small DLL made with a mingw compiler; its import library beside it."""
    c_file = os.path.join(folder, name + ".c")
    with open(c_file, "w", encoding="ascii") as handle:
        handle.write(source)
    dll = os.path.join(folder, name + ".dll")
    result = subprocess.run([compiler, "-shared", "-o", dll, c_file, f"-Wl,--out-implib,{dll}.a"] + list(link),
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    check(result.returncode == 0, f"{compiler} could not build {name}.dll: {result.stdout.decode()!r}")
    return dll


def test_client_library(session, program):
    """Each way fbclient.dll can fail to load gets its own message, naming the file."""
    tools = tempfile.mkdtemp(prefix="client-dlls-", dir=session.work)
    x86 = build_dll("i686-w64-mingw32-gcc", tools, "client32", "int isc_attach_database(void) { return 0; }\n")
    absent = build_dll("x86_64-w64-mingw32-gcc", tools, "lumadex_absent", "int absent_call(void) { return 1; }\n")
    needing = build_dll("x86_64-w64-mingw32-gcc", tools, "client_needing",
                        "int absent_call(void);\nint isc_attach_database(void) { return absent_call(); }\n",
                        absent + ".a")
    cases = [
        ("no client", None, CLIENT_NOT_FOUND),
        ("a 32-bit client", x86, "fbclient.dll は 32 ビット版のため使えません。"),
        ("a library it needs is missing", needing, "fbclient.dll が必要とするファイルが見つかりません。"),
    ]
    for what, dll, first_line in cases:
        folder = tempfile.mkdtemp(prefix="client-", dir=session.work)
        exe = copy_program(program, folder)
        if dll:
            shutil.copy(dll, os.path.join(folder, "fbclient.dll"))  # without lumadex_absent.dll
        write_settings(os.path.splitext(exe)[0] + ".dat", settings_lines("127.0.0.1/9:", "C:\\nowhere\\"))
        process = session.start(exe)
        lines, _ = session.drive("msgbox", hexof(APP_TITLE), timeout_ms=60000)
        texts = [unhex(l["args"][0]) for l in lines if l["kind"] == "text"]
        print(f"  {what}: {texts!r}")
        check(len(texts) == 1 and first_line in texts[0].splitlines()[0], f"{what}: the message {texts!r}")
        if dll:
            check(("Z:" + folder.replace("/", "\\") + "\\fbclient.dll").lower() in texts[0].lower(),
                  f"{what}: the message does not name the file beside the program: {texts!r}")
        check("msvcr100.dll" in texts[0] or what == "a 32-bit client", f"{what}: no word of what it needs: {texts!r}")
        session.drive("click", hexof(APP_TITLE), "button:0")
        session.drive("find", hexof("Lumadex"))
        session.drive("close", hexof("Lumadex"))
        wait_exit(process)
        shutil.rmtree(folder, ignore_errors=True)


def test_mends(session, program):
    folder = tempfile.mkdtemp(prefix="mends-", dir=session.work)
    exe = copy_program(program, folder)
    dat = os.path.splitext(exe)[0] + ".dat"
    lines = settings_lines("127.0.0.1/9:", "C:\\nowhere\\")
    lines[5:7] = ["6000", "5000"]  # the main window saved on a monitor that is gone
    write_settings(dat, lines)
    process = session.start(exe)

    # The connection message is owned by the main window (one taskbar entry, above its form).
    box, _ = session.drive("msgbox", hexof(APP_TITLE), timeout_ms=60000)
    main, _ = session.drive("find", hexof("Lumadex"))
    check(box[0]["owner"] == main[0]["hwnd"], f"the message box's owner is {box[0]['owner']}, "
          f"the main window is {main[0]['hwnd']}")
    session.drive("click", hexof(APP_TITLE), "button:0")
    session.drive("gone", hexof(APP_TITLE))

    # Moved onto the screen (1280 x 1024 under Xvfb), wholly inside.
    left, top, width, height = map(int, session.drive("find", hexof("Lumadex"))[0][0]["frame"].split(","))
    check(0 <= left and left + width <= 1280 and 0 <= top and top + height <= 1024,
          f"main window at {left},{top} {width}x{height}, not on the screen")

    # Characters Shift-JIS cannot hold are refused in the settings dialog's edit boxes.
    session.drive("click", hexof("Lumadex"), "=" + hexof(MAIN_BUTTONS[0][0]))
    dialog = "データベース設定"
    session.drive("find", hexof(dialog))
    user = control_at(session, dialog, 80, 176)

    def entered(start_text, keys, paste=False):
        session.drive("settext", hexof(dialog), user, hexof(start_text))
        session.drive("select", hexof(dialog), user, len(start_text), len(start_text))
        session.drive("paste" if paste else "type", hexof(dialog), user, "u:" + keys.encode("utf-16-le").hex())
        return control_text(session, dialog, user)

    for keys, paste, expected in [("𠮷", False, "ab"), ("㋿", False, "ab"), ("é", False, "ab"),
                                  ("あ𠮷い", True, "abあ"), ("いう", True, "abいう")]:
        got = entered("ab", keys, paste)
        check(got == expected, f"{'pasted' if paste else 'typed'} {keys!r}: the field holds {got!r}")
    session.screenshot("mends-settings.png")
    session.drive("press", hexof(dialog), control_at(session, dialog, 128, 208))
    session.drive("gone", hexof(dialog))

    # The settings are written at close while another program holds Lumadex.dat (without delete
    # sharing, as a scanner or Excel does) and lets go 300 ms after the write began: the
    # replacement is tried again and the new settings arrive.
    holder = hold(session, dat, 300)
    session.drive("close", hexof("Lumadex"))
    wait_exit(process)
    said = holder_said(holder)
    check(said[-3:] == ["watch", "seen", "released"], f"the holder did not see the write: {said}")
    saved = read_settings(dat)[5:7]
    check(saved == [str(left), str(top)], f"the position written is {saved}, the window stood at {left},{top}")
    check(not os.path.exists(dat + ".tmp"), "a temporary file is left beside the settings")

    # Held for longer than the program tries: the old file stays as it was, whole, and nothing
    # is left beside it (the close itself goes on: settings are written silently at close).
    with open(dat, "rb") as handle:
        before = handle.read()
    process = session.start(exe)
    session.drive("msgbox", hexof(APP_TITLE), timeout_ms=60000)
    session.drive("click", hexof(APP_TITLE), "button:0")
    session.drive("gone", hexof(APP_TITLE))
    session.drive("move", hexof("Lumadex"), left + 40, top + 30)
    holder = hold(session, dat, -1)
    session.drive("close", hexof("Lumadex"))
    wait_exit(process)
    said = holder_said(holder)
    check(said[-3:] == ["watch", "seen", "released"], f"the holder did not see the write: {said}")
    with open(dat, "rb") as handle:
        check(handle.read() == before, "the settings file changed while it was held")
    check(not os.path.exists(dat + ".tmp"), "a temporary file is left beside the settings")
    shutil.rmtree(folder, ignore_errors=True)


def probe_windows(session):
    lines, _ = session.drive("windows")
    return {unhex(w.get("title", "")): w for w in lines if w.get("visible") == "1"}


def test_probe(session, program):
    probe = session.start(program, "mends", capture=True)
    title = hexof("MendsProbe")
    session.drive("find", title, timeout_ms=60000)
    session.drive("find", hexof("MendsSide"))
    main = probe_windows(session)["MendsProbe"]["hwnd"]

    # The label showing data says of itself that "&" is a character.
    lines, _ = session.drive("controls", title)
    statics = [c for c in lines if c["kind"] == "control" and c["class"].lower() == "static"]
    check(len(statics) == 1, f"labels of the probe: {statics}")
    check(int(statics[0]["style"], 16) & 0x80, f"the label's style {statics[0]['style']} lacks SS_NOPREFIX")
    session.drive("press", title, "=" + hexof("報告(&R)"))
    session.screenshot("probe-label.png")

    # A modal form over another program's window: the main window and the other form wait while
    # it is open, and its close leaves the program in front.
    other = subprocess.Popen(session.command_for(os.path.join(session.tools, "jwstand.exe")) + [hexof("他のプログラム")],
                             env=session.env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    session.processes.append(other)
    session.drive("find", hexof("他のプログラム"), timeout_ms=30000)
    session.drive("keys", title)
    session.drive("click", title, "=" + hexof("モーダル(&M)"))
    session.drive("find", hexof("ProbeDialog"))
    shown = probe_windows(session)
    check(shown["MendsProbe"]["enabled"] == "0" and shown["MendsSide"]["enabled"] == "0",
          f"windows usable under the modal form: {shown}")
    session.drive("keys", hexof("ProbeDialog"), "1b")
    session.drive("gone", hexof("ProbeDialog"))
    other.communicate(b"quit\n", timeout=60)

    # A file dialog opened from the main window, with the other form shown beside it: owned by
    # the main window, and both forms wait while it is open.
    known = [w["hwnd"] for w in probe_windows(session).values() if w.get("class") == "#32770"]
    session.drive("keys", title, "alt+56")
    deadline = time.monotonic() + 30
    dialogs = []
    while not dialogs and time.monotonic() < deadline:
        dialogs = [w for w in probe_windows(session).values() if w.get("class") == "#32770" and w["hwnd"] not in known]
        time.sleep(0.3)
    check(dialogs, "no save dialog appeared")
    dialog = dialogs[0]
    check(dialog["owner"] == main, f"the save dialog's owner is {dialog['owner']}, the main window {main}")
    shown = probe_windows(session)
    check(shown["MendsProbe"]["enabled"] == "0", "the main window takes input under its file dialog")
    check(shown["MendsSide"]["enabled"] == "0", "the other form takes input while a file dialog is open")
    session.screenshot("probe-file-dialog.png")
    session.drive("close", "@" + dialog["hwnd"])
    session.drive("gone", "@" + dialog["hwnd"])
    shown = wait_for_windows(session, lambda w: w["MendsProbe"]["enabled"] == "1" and w["MendsSide"]["enabled"] == "1")
    check(shown, "the forms do not take input again after the file dialog closed")

    session.drive("close", title)
    try:
        probe.wait(timeout=60)
    except subprocess.TimeoutExpired:
        raise Failure("the probe did not end after its window was closed")
    events = [line.strip() for line in probe.stdout.read().decode("ascii", "replace").split("\n") if line.strip()]
    print("probe:", events)

    # No input context for buttons, lists, drop-down lists and the grid: typed keys reach them
    # without an input method. The edit keeps the context it has; the one set "IME off" has none.
    ime = {e.split()[1]: e.split()[2] for e in events if e.startswith("ime ")}
    check(ime == {"Edit1": "1", "Edit2": "0", "ComboBox1": "0", "ListBox1": "0", "StringGrid1": "0",
                  "ButtonModal": "0"}, f"input contexts {ime}")
    # The label's pixels are those of its text drawn as it is, not with "&" as a prefix.
    check([e for e in events if e.startswith("label ")] == ["label as-is"],
          f"the label with '&' drew {[e for e in events if e.startswith('label ')]}")
    # When the modal form was hidden its owner and the other form took input already, so the
    # activation went to the program's own window and not to the other program's window below.
    check("deactivated while closing" not in events,
          f"the activation went to another program's window when the modal form closed: {events}")
    hides = [e for e in events if e.startswith("hide ")]
    check(hides == ["hide owner=main owner-enabled=1 side-enabled=1"], f"at the modal form's hide: {hides}")
    check("save cancelled" in events, f"the file dialog's result: {events}")


def wait_for_windows(session, condition, seconds=10):
    deadline = time.monotonic() + seconds
    while True:
        shown = probe_windows(session)
        try:
            if condition(shown):
                return shown
        except KeyError:
            pass
        if time.monotonic() > deadline:
            return None
        time.sleep(0.3)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=["resources", "installer", "mends", "probe", "client_library"])
    parser.add_argument("--program", required=True)
    parser.add_argument("--tools", default="")
    parser.add_argument("--session", default="")
    parser.add_argument("--work", default=None)
    parser.add_argument("--setup", default="")
    parser.add_argument("--version", default="")
    parser.add_argument("--windows-tools", default="")
    options = parser.parse_args()
    if options.test == "resources":
        try:
            test_resources(options)
        except Failure as failure:
            print(f"FAIL: resources: {failure}")
            return 1
        print("PASS: resources")
        return 0
    session = open_session(options, ["lumadrive.exe"])
    if session is None:
        return 1
    if options.test == "installer":
        return run_reported(session, "installer",
                            lambda: test_installer(session, os.path.abspath(options.setup),
                                                   os.path.abspath(options.windows_tools)),
                            describe=True)
    if options.test == "client_library":
        return run_reported(session, "client_library",
                            lambda: test_client_library(session, os.path.abspath(options.program)), describe=True)
    if options.test == "probe":
        return run_reported(session, "probe", lambda: test_probe(session, os.path.abspath(options.program)),
                            describe=True)
    return run_reported(session, "mends", lambda: test_mends(session, os.path.abspath(options.program)),
                        describe=True)


if __name__ == "__main__":
    sys.exit(main())
