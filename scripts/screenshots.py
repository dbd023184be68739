#!/usr/bin/env python3
"""Takes screenshots of every window of vemuKeys.exe under Wine, at 96 and
144 DPI, into docs/screenshots/: the configuration dialog as the first start
shows it (two tabs, no port chosen) and with every tab (the port group
collapsed and expanded, the port list dropped down with the devices a user
might have), the event dialog, the splash window, the log window, the
log-file notice and the tray menu. Wine runs with a virtual desktop in a
prefix of its own (build/wineprefix-shots), so windows get their frames;
scripts/screenshots.sh gives it a German locale and input language and
Wine's own fonts.

Drawn here, not taken from Wine: one picture per tray icon, and a sketch of
the notification area with the arrow that hides icons (Wine's taskbar has
no such arrow).

    scripts/screenshots.py [--build build/win64] [--out docs/screenshots]
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("VEMU_WINEPREFIX", os.path.join(TOP, "build", "wineprefix-shots"))
sys.path.insert(0, os.path.join(TOP, "tests", "support"))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
from wine_testing import Lines, wine_harness  # noqa: E402
from program_e2e import LAYOUT_NOTICE  # noqa: E402

from PIL import Image, ImageDraw, ImageFont, ImageGrab  # noqa: E402  (Debian: python3-pil)

PORT = 7
FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"  # fonts-liberation
WAIT = 20.0
SCREEN = (1280, 960)
UM_TRAYICON = 0x8001
WM_RBUTTONDOWN = 0x0204
IDOK, IDCANCEL = 1, 2
IDC_PORT, IDC_EXPAND, IDC_LOGVIEW, IDC_EVENTS = 1012, 1015, 1031, 1035
CB_SHOWDROPDOWN = 0x014F
# The ports the dialog lists, by the names their drivers give them: the
# virtual COM7 as a USB-serial adapter with the system's own driver, the
# built-in port, and both ports of a Bluetooth pairing (outgoing COM4 with
# the device's address, incoming COM5 without one).
DEVICES = [(7, "USB\\VID_1234&PID_5678\\5&2A5C9B4&0&2", "Serielles USB-Ger\u00e4t (COM7)"),
           (1, "ACPI\\PNP0501\\0", "Kommunikationsanschluss (COM1)"),
           (4, "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&1F9F5C5E&0&001A7DDA7113_C00000000",
            "Standardm\u00e4\u00dfige Seriell-\u00fcber-Bluetooth-Verbindung (COM4)"),
           (5, "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&1F9F5C5E&0&000000000000_00000000",
            "Standardm\u00e4\u00dfige Seriell-\u00fcber-Bluetooth-Verbindung (COM5)")]
# What the device has sent when the settings tab is taken: harmless to the
# dialog (no key reaches its fields), shown under "Empfangen:".
RECEIVED = b"\x1b,move,10,5.\x1b,moustop."
# The tray icons and the pictures of them the guide shows.
TRAY_ICONS = [("tray-active.ico", "symbol-aktiv.png"), ("tray-inactive.ico", "symbol-nicht-aktiv.png"),
              ("tray-closed.ico", "symbol-keine-verbindung.png"),
              ("tray-language.ico", "symbol-eingabegebietsschema.png"), ("tray-error.ico", "symbol-fehler.png")]


class Session:
    """One run of the program with a UI driver on the shared display."""

    def __init__(self, build, display, work, settings, com):
        """settings None: no settings file, as at the first start."""
        self.build, self.display, self.work, self.com = build, display, work, com
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        shutil.copy(os.path.join(build, "vemuKeys.exe"), work)
        if settings is not None:
            with open(os.path.join(work, "vemuKeys.set"), "w", newline="\r\n") as f:
                f.write(settings)
        self.env = wine_harness.wine_env(display)
        self.procs = wine_harness.Processes()
        self.driver_proc = self.procs.start(["wine", os.path.join(build, "tests", "uidriver.exe")],
                                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL, env=self.env)
        self.driver = Lines(self.driver_proc.stdout, "uidriver", "utf-8")
        self.driver.until(lambda l: l == "ready", "driver ready")

    def start(self):
        self.proc = self.procs.start(["wine", os.path.join(self.work, "vemuKeys.exe")], env=self.env,
                                     cwd=self.work, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def ask(self, command):
        self.driver_proc.stdin.write((command + "\n").encode("utf-8"))
        self.driver_proc.stdin.flush()
        _, line = self.driver.next(WAIT + 10)
        return line

    def dialog(self, title, with_control=None, timeout=WAIT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for box in (self.ask("dialogs") or "").split():
                if self.ask("title %s" % box) == title and (
                        with_control is None or self.ask("control %s %d" % (box, with_control)) != "none"):
                    return box
            time.sleep(0.05)
        return None

    def dismiss_layout_notice(self):
        """Only in a prefix without a German input language."""
        deadline = time.monotonic() + 3
        while time.monotonic() < deadline:
            box = self.dialog("Vemu Keys", timeout=0.5)
            if box and LAYOUT_NOTICE in self.ask("text %s 65535" % box):
                self.ask("command %s %d" % (box, IDOK))
                self.ask("gone %s 3000" % box)
                return

    def grab(self, hwnd, path, margin=0, also=None):
        """The window (and the window also, which may stand out of it)."""
        time.sleep(0.6)  # let it paint
        left, top, right, bottom = (int(v) for v in self.ask("rect %s" % hwnd).split())
        if also:
            l2, t2, r2, b2 = (int(v) for v in self.ask("rect %s" % also).split())
            left, top, right, bottom = min(left, l2), min(top, t2), max(right, r2), max(bottom, b2)
        image = ImageGrab.grab(xdisplay=self.display, bbox=(left - margin, top - margin, right + margin,
                                                            bottom + margin))
        image.save(path)
        print("  ", os.path.relpath(path, TOP), image.size)

    def end(self):
        main = self.ask("find TvemuCfgDlg * 0")
        if main and main != "none":
            self.ask("command %s 1002" % main)
        try:
            self.proc.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            pass
        self.driver_proc.stdin.close()
        self.procs.stop_all()


def shoot_first_start(build, display, out, suffix):
    session = Session(build, display, os.path.join(build, "shots", "first"), None, com=True)
    session.start()
    main = session.ask("find TvemuCfgDlg * %d" % int(WAIT * 1000))
    deadline = time.monotonic() + WAIT
    while session.ask("visible %s" % main) != "1" and time.monotonic() < deadline:
        time.sleep(0.1)
    session.dismiss_layout_notice()
    session.grab(main, os.path.join(out, "dialog-erster-start%s.png" % suffix))
    session.end()


def shoot_dialog(build, display, out, suffix, peer):
    settings = ("[Start]\nExtendedUI=1\nGIDEIUI=1\n[Port]\nPort=%d\nRate=9600\n[Extended]\n"
                "ViewMax=200\n" % PORT)
    session = Session(build, display, os.path.join(build, "shots", "dialog"), settings, com=True)
    session.start()
    # The splash window stands for a little over a second.
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        splash = session.dialog("", with_control=1070, timeout=0.2)
        if splash:
            session.grab(splash, os.path.join(out, "splash%s.png" % suffix))
            break
    main = session.ask("find TvemuCfgDlg * %d" % int(WAIT * 1000))
    session.dismiss_layout_notice()
    session.ask("tab %s 0" % main)
    os.write(peer, RECEIVED)
    time.sleep(1.0)
    session.grab(main, os.path.join(out, "dialog-einstellungen%s.png" % suffix))
    ports = session.ask("control %s %d" % (main, IDC_PORT))
    session.ask("post %s %d 1 0" % (ports, CB_SHOWDROPDOWN))
    deadline = time.monotonic() + WAIT
    dropped = "none"
    while dropped == "none" and time.monotonic() < deadline:
        dropped = session.ask("droplist %s %d" % (main, IDC_PORT))
        time.sleep(0.05)
    if dropped and dropped != "none":
        session.grab(main, os.path.join(out, "dialog-anschluss-liste%s.png" % suffix), also=dropped)
    session.ask("post %s %d 0 0" % (ports, CB_SHOWDROPDOWN))
    session.ask("click %s %d" % (main, IDC_EXPAND))
    session.grab(main, os.path.join(out, "dialog-einstellungen-offen%s.png" % suffix))
    for index, name in ((1, "erweitert"), (2, "gidei"), (3, "info")):
        session.ask("tab %s %d" % (main, index))
        session.grab(main, os.path.join(out, "dialog-%s%s.png" % (name, suffix)))
    session.ask("tab %s 1" % main)
    session.ask("click %s %d" % (main, IDC_LOGVIEW))
    time.sleep(0.3)
    session.ask("command %s %d" % (main, IDC_EVENTS))
    events = session.dialog("Events")
    if events:
        session.grab(events, os.path.join(out, "events-dialog%s.png" % suffix))
        session.ask("command %s %d" % (events, IDCANCEL))
    # The log window that Anzeigen opened goes with Abbrechen.
    session.ask("command %s %d" % (main, IDCANCEL))
    session.end()


def shoot_tray(build, display, out, suffix, peer):
    settings = ("[Start]\nTray=1\nExtendedUI=1\n[Port]\nPort=%d\nRate=9600\n[Extended]\nViewLog=1\nViewMax=200\n"
                "LogEvents=-1\nFileLog=1\nFileName=Z:\\no\\such\\folder\\vemu.log\n[LogView]\nLeft=40\nTop=40\n"
                "Width=%d\nHeight=%d\n" % (PORT, 520 if not suffix else 780, 300 if not suffix else 450))
    session = Session(build, display, os.path.join(build, "shots", "tray"), settings, com=True)
    session.start()
    notice = session.dialog("Vemu Keys", with_control=1082)
    if notice:
        session.grab(notice, os.path.join(out, "info-dialog%s.png" % suffix))
        session.ask("command %s %d" % (notice, IDOK))
    os.write(peer, b"Hallo \x1b,hold,shift.a\x1b,move,10,5.\x1b,foo.")
    log = session.dialog("Vemu Keys Log")
    if log:
        time.sleep(1.0)
        session.grab(log, os.path.join(out, "log-window%s.png" % suffix))
    tray = session.ask("find TvemuSysTray * 5000")
    session.ask("post %s %d 1701 %d" % (tray, UM_TRAYICON, WM_RBUTTONDOWN))
    menu = session.ask("find #32768 * 5000")
    if menu and menu != "none":
        session.grab(menu, os.path.join(out, "tray-menu%s.png" % suffix), margin=2)
        session.ask("menu escape")
    session.end()


def tray_icon_pictures(out):
    """One picture per tray icon for the guide's table of states: the icon at
    the sizes the notification area uses (16, 24 and 32 pixels), on a light
    and on a dark strip, because the taskbar is either."""
    art = os.path.join(TOP, "resources", "art")
    strips = ((243, 243, 243), (32, 32, 32))
    for name, picture in TRAY_ICONS:
        sheet = Image.new("RGB", (112, 80), strips[0])
        sheet.paste(strips[1], (0, 40, 112, 80))
        icon = Image.open(os.path.join(art, name))
        for row in range(len(strips)):
            x = 8
            for size in (16, 24, 32):
                icon.size = (size, size)
                frame = icon.copy().convert("RGBA")
                sheet.paste(frame, (x, row * 40 + 20 - size // 2), frame)
                x += size + 12
        path = os.path.join(out, picture)
        sheet.save(path)
        print("  ", os.path.relpath(path, TOP), sheet.size)


def icon_image(name, size):
    icon = Image.open(os.path.join(TOP, "resources", "art", name))
    icon.size = (size, size)
    return icon.copy().convert("RGBA")


def notification_area_picture(path, scale):
    """A sketch of the taskbar's right end as Windows shows it: the arrow
    that hides icons, opened, with the program's icon among the hidden ones
    and its tooltip; beside the arrow two other icons and the clock with a
    German date. Drawn from shapes, not taken from Wine."""
    def px(value):
        return int(round(value * scale))

    width, height, bar = px(300), px(150), px(48)
    image = Image.new("RGB", (width, height), (196, 211, 228))
    draw = ImageDraw.Draw(image)
    font = ImageFont.truetype(FONT, px(12))
    draw.rectangle((0, height - bar, width, height), fill=(243, 243, 243))
    draw.line((0, height - bar, width, height - bar), fill=(214, 214, 214), width=max(1, px(1)))
    middle = height - bar // 2
    # The clock, then two grey icons standing for the system's own.
    for text, dy in (("14:15", -9), ("09.12.2026", 8)):
        draw.text((width - px(12), middle + px(dy)), text, font=font, fill=(20, 20, 20), anchor="rm")
    for x in (px(186), px(162)):
        draw.rounded_rectangle((x, middle - px(8), x + px(16), middle + px(8)), radius=px(3), fill=(110, 110, 110))
    # The arrow, pressed: its flyout stands above it.
    arrow = px(126)
    draw.rounded_rectangle((arrow - px(14), middle - px(16), arrow + px(14), middle + px(16)), radius=px(4),
                           fill=(222, 222, 222))
    draw.line((arrow - px(6), middle + px(3), arrow, middle - px(3), arrow + px(6), middle + px(3)),
              fill=(30, 30, 30), width=max(1, px(1.5)))
    top = height - bar - px(58)
    draw.rounded_rectangle((arrow - px(46), top, arrow + px(46), height - bar - px(8)), radius=px(6),
                           fill=(249, 249, 249), outline=(190, 190, 190))
    icons = [None, "tray-active.ico", None]
    for i, name in enumerate(icons):
        x, y = arrow - px(38) + i * px(28), top + px(13)
        size = px(16)
        if name:
            icon = icon_image(name, size)
            image.paste(icon, (x + px(6), y + px(6)), icon)
            draw.ellipse((x - px(1), y - px(1), x + px(29), y + px(29)), outline=(200, 30, 30), width=max(2, px(2)))
            own = (x + px(14), y)
        else:
            draw.rounded_rectangle((x + px(6), y + px(6), x + px(22), y + px(22)), radius=px(3), fill=(110, 110, 110))
    # The tooltip of the program's icon.
    tip = "Vemu Keys (aktiv)"
    _, _, right, down = draw.textbbox((0, 0), tip, font=font)
    box = (own[0] - px(20), top - px(8) - down - px(10), own[0] - px(20) + right + px(12), top - px(8))
    draw.rectangle(box, fill=(255, 255, 255), outline=(120, 120, 120))
    draw.text((box[0] + px(6), box[1] + px(4)), tip, font=font, fill=(20, 20, 20))
    image.save(path)
    print("  ", os.path.relpath(path, TOP), image.size)


def bluetooth_ports_picture(path, scale):
    """A sketch of the system's "Bluetooth-Einstellungen" window on its tab
    "COM-Anschlüsse", where only the direction tells the two ports of a
    pairing apart: the outgoing one marked. Drawn from shapes; Wine has no
    such window."""
    def px(value):
        return int(round(value * scale))

    width, height = px(380), px(250)
    image = Image.new("RGB", (width, height), (240, 240, 240))
    draw = ImageDraw.Draw(image)
    font, bold = ImageFont.truetype(FONT, px(12)), ImageFont.truetype(FONT.replace("Regular", "Bold"), px(12))
    line = max(1, px(1))
    draw.rectangle((0, 0, width - 1, px(26)), fill=(255, 255, 255))
    draw.text((px(10), px(13)), "Bluetooth-Einstellungen", font=font, fill=(20, 20, 20), anchor="lm")
    draw.rectangle((0, 0, width - 1, height - 1), outline=(120, 120, 120), width=line)
    # The tabs, the second one chosen.
    x = px(10)
    for name in ("Optionen", "COM-Anschl\u00fcsse", "Hardware"):
        _, _, right, _ = draw.textbbox((0, 0), name, font=font)
        chosen = name.startswith("COM")
        draw.rectangle((x, px(34), x + right + px(14), px(56)), fill=(255, 255, 255) if chosen else (232, 232, 232),
                       outline=(160, 160, 160), width=line)
        draw.text((x + px(7), px(45)), name, font=bold if chosen else font, fill=(20, 20, 20), anchor="lm")
        x += right + px(16)
    draw.rectangle((px(10), px(56), width - px(10), height - px(44)), fill=(255, 255, 255), outline=(160, 160, 160))
    # The list of ports with its three columns.
    columns = (px(20), px(90), px(180))
    top = px(70)
    for left, title in zip(columns, ("Anschluss", "Richtung", "Name")):
        draw.text((left, top), title, font=bold, fill=(20, 20, 20), anchor="lm")
    draw.line((px(18), top + px(10), width - px(20), top + px(10)), fill=(200, 200, 200), width=line)
    rows = (("COM4", "Ausgehend", "Ihr Ger\u00e4t"), ("COM5", "Eingehend", "Ihr Ger\u00e4t"))
    for i, row in enumerate(rows):
        y = top + px(26) + i * px(22)
        for left, text in zip(columns, row):
            draw.text((left, y), text, font=font, fill=(20, 20, 20), anchor="lm")
        if i == 0:
            draw.rounded_rectangle((px(14), y - px(10), width - px(24), y + px(10)), radius=px(4),
                                   outline=(200, 30, 30), width=max(2, px(2)))
    for left, text in ((px(180), "Hinzuf\u00fcgen..."), (px(280), "Entfernen")):
        draw.rectangle((left, height - px(76), left + px(90), height - px(54)), fill=(232, 232, 232),
                       outline=(150, 150, 150), width=line)
        draw.text((left + px(45), height - px(65)), text, font=font, fill=(20, 20, 20), anchor="mm")
    for left, text in ((px(110), "OK"), (px(200), "Abbrechen"), (px(290), "\u00dcbernehmen")):
        draw.rectangle((left, height - px(34), left + px(80), height - px(12)), fill=(232, 232, 232),
                       outline=(150, 150, 150), width=line)
        draw.text((left + px(40), height - px(23)), text, font=font, fill=(20, 20, 20), anchor="mm")
    image.save(path)
    print("  ", os.path.relpath(path, TOP), image.size)


def set_dpi(env, dpi):
    """The DPI and the virtual desktop; and the short date as a German
    Windows writes it ("09.12.2026"), where Wine's German locale has
    "9.12.2026"."""
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\International", "/v", "sShortDate", "/d", "dd.MM.yyyy",
                    "/f"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    for key in (r"HKCU\Control Panel\Desktop", r"HKCU\Software\Wine\Fonts"):
        subprocess.run(["wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/d", "Default", "/f"],
                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default", "/d",
                    "%dx%d" % SCREEN, "/f"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=False)
    subprocess.run(["wineserver", "-k"], env=env, check=False)
    subprocess.run(["wineserver", "-w"], env=env, check=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(TOP, "build", "win64"))
    parser.add_argument("--out", default=os.path.join(TOP, "docs", "screenshots"))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    os.makedirs(args.out, exist_ok=True)
    os.environ.pop("VEMU_DISPLAY", None)
    wine_harness.ensure_prefix()
    procs = wine_harness.Processes()
    try:
        for dpi, suffix in ((96, ""), (144, "-144dpi")):
            print("%d DPI" % dpi)
            display = ":%d" % (150 + dpi // 48)
            xvfb = procs.start(["Xvfb", display, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists("/tmp/.X11-unix/X%s" % display[1:]):
                    break
                time.sleep(0.05)
            env = wine_harness.wine_env(display)
            set_dpi(env, dpi)
            wine_harness.start_server(display)
            with wine_harness.virtual_com(procs, PORT) as peer_path, wine_harness.port_devices(env) as devices:
                for number, instance_id, name in DEVICES:
                    devices.add(number, instance_id, name)
                peer = os.open(peer_path, os.O_WRONLY | os.O_NOCTTY)
                try:
                    shoot_first_start(build, display, args.out, suffix)
                    shoot_dialog(build, display, args.out, suffix, peer)
                    shoot_tray(build, display, args.out, suffix, peer)
                finally:
                    os.close(peer)
            subprocess.run(["wineserver", "-k"], env=env, check=False)
            xvfb.terminate()
            xvfb.wait()
        tray_icon_pictures(args.out)
        for scale, suffix in ((1, ""), (1.5, "-144dpi")):
            notification_area_picture(os.path.join(args.out, "infobereich%s.png" % suffix), scale)
            bluetooth_ports_picture(os.path.join(args.out, "bluetooth-anschluesse%s.png" % suffix), scale)
    finally:
        procs.stop_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())
