#!/usr/bin/python3
"""The end-to-end trials of Pelorin and PelorinNews: what a member does with the two
programs, from the first start on an empty store to the notifier's alert, each trial on
a desktop of its own against the demo service.

    scenarios.py <scenario> --bin-dir DIR --pin-tool FILE --work DIR --site URL ...

CTest runs each scenario as a test of its own (label "e2e"); see CMakeLists.txt.
"""

import glob
import os
import re
import shutil
import signal
import sys
import time
import urllib.parse

sys.dont_write_bytecode = True  # nothing of ours lands in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import (  # noqa: E402
    ALERT_TITLE,
    MAIN_TITLE,
    OPTION_TITLE,
    WIZARD_TITLE,
    click_at,
    drag,
    expect,
    Failure,
    focus,
    geometry,
    key,
    log,
    main,
    pin,
    stacking_order,
    type_text,
    wait_for_exit,
    wait_for_no_window,
    wait_for_page,
    wait_for_window,
    wait_until,
    windows,
    xdotool,
)

DEMO_ADDRESS = "demo@pelorin.example"
DEMO_PASSWORD = "123456"
CLIENT_VERSION = "1.1.0.9"

# The fifteen values the client writes to its section, in its order.
CLIENT_KEYS = ["Top", "Left", "Width", "Height", "gUserName", "gPass", "gII1", "gI1", "gR1", "gP1", "gII2", "gI2",
               "gR2", "gP2", "gPatMord"]


# ---- What a member sees -----------------------------------------------------------------


def wait_for_main_window(trial):
    """The client's main window once it shows: its X window, the program and the window
    on the accessibility bus. (The splash carries the same caption: the main window is
    the one drawn where the screen reader sees the main window.)"""
    window, app = trial.eyes.wait_window("Pelorin", MAIN_TITLE)
    regex = "^" + re.escape(MAIN_TITLE) + "$"

    def x_window():
        place = trial.eyes.extents(window)
        matches = [w for w in windows(regex) if geometry(w) == place]
        return matches[0] if len(matches) == 1 else None

    return wait_until("the main window on the screen", x_window), app, window


def home_page_request(trial, since, address, password):
    """Waits for the client to open the home page for the account (the address the
    client opens after a successful log-in) and returns its query."""

    def opened():
        for line in trial.demo.requests(r"\[site\] GET /quenvel/index\.php\?\S* -> 200", since):
            query = urllib.parse.parse_qs(urllib.parse.urlsplit(line.split()[2]).query)
            if query.get("m") == [address] and query.get("p") == [password]:
                return query
        return None

    return wait_until(f"the home page of {address} to be opened", opened)


def status_bar_texts(trial, main_window):
    """Everything a screen reader can tell of the labels along the window's bottom (the
    status bar): their names, descriptions and texts."""
    eyes = trial.eyes
    _, top, _, height = eyes.extents(main_window)
    texts = set()
    for label in eyes.find_all(main_window, role="label"):
        _, y, _, _ = eyes.extents(label)
        if y >= top + height - 30:
            texts.update(t for t in (eyes.name(label), label.get_description(), eyes.text(label)) if t)
    return texts


def client_section(trial):
    store = trial.desktop.read_store()
    expect("frmPelorin" in store, f"the store has no section frmPelorin: {store}")
    section = store["frmPelorin"]
    expect(sorted(section) == sorted(CLIENT_KEYS),
           f"the section frmPelorin holds {sorted(section)}, not the fifteen values {sorted(CLIENT_KEYS)}")
    return section


def expect_stored_pin(trial, stored, plain, what):
    if plain == "":
        expect(stored == "", f"{what} is stored as {stored!r} for an empty PIN")
        return
    expect(stored != plain, f"{what} is stored in the clear")
    # A four-digit PIN is four bytes: one Base64 group of eight, padded.
    if len(plain) == 4:
        expect(len(stored) == 8 and stored.endswith("=="), f"{what} is stored as {stored!r}, not 8 characters")
    expect(pin(trial, "decrypt", stored) == plain, f"{what} ({stored!r}) does not decipher to the PIN")


# ---- 1. First run -------------------------------------------------------------------------


def first_run(trial):
    """An empty store: the wizard signs a new member up with the mailed password, and the
    client opens the home page logged in; the store keeps the account, and the next
    start goes straight to the home page."""
    demo, desktop, eyes = trial.demo, trial.desktop, trial.eyes
    address = f"e2e.{os.getpid()}.{int(time.time())}@pelorin.example"
    expect(not os.path.exists(desktop.store_path()), "the store is not empty at the start")

    client = trial.start("Pelorin")
    wizard_window = wait_for_window(WIZARD_TITLE)
    wizard, _ = eyes.wait_window("Pelorin", WIZARD_TITLE)

    # The question page: "no, this is my first time" is chosen already; Next is the
    # default button, so Return takes it.
    new_member = eyes.find(wizard, role="radio button", name_regex="^いいえ。")
    expect(new_member is not None and "checked" in eyes.states(new_member),
           "the wizard does not start with「いいえ」chosen")
    focus(wizard_window)
    key("Return")

    # The account page: the address field has the keyboard; Next waits for an address.
    eyes.wait_find(wizard, "the address field to take the keyboard", role="text", name="メールアドレス",
                   states={"focused"})
    next_button = eyes.find(wizard, role="push button", name_regex="^次へ")
    expect("enabled" not in eyes.states(next_button), "Next is enabled before an address is typed")
    type_text(address)
    wait_until("Next to be enabled for the address", lambda: "enabled" in eyes.states(next_button))
    mark = demo.mark()
    key("Return")

    # The demo service creates the account and "mails" the password.
    demo.wait_for_request(r"\[account\] POST /_pelorin/regist\.php -> 200", mark)
    password = wait_until("the password mail in the demo's mailbox",
                          lambda: dict(demo.mailbox()).get(address))
    log(f"signed up {address}; the mailed password is {password}")
    # The wizard asks for it: the password field shows, has the keyboard, and says why.
    eyes.wait_find(wizard, "the password field to take the keyboard", role="text", name="パスワード",
                   states={"focused"})
    expect(eyes.find(wizard, role="label", name_regex="パスワードを記載したメールを送信しました") is not None,
           "the wizard does not say that the password was mailed")
    type_text(password)
    wait_until("Next to be enabled for the password", lambda: "enabled" in eyes.states(next_button))
    mark = demo.mark()
    key("Return")

    # Signed in: the done page names the account, and 完了 has the keyboard.
    demo.wait_for_request(r"\[account\] POST /_pelorin/auth\.php -> 200", mark)
    eyes.wait_find(wizard, "the done page", role="label", name="設定が完了しました")
    expect(eyes.find(wizard, role="label", name=address) is not None, "the done page does not show the address")
    expect(eyes.find(wizard, role="label", name=password) is not None, "the done page does not show the password")
    eyes.wait_find(wizard, "完了 to take the keyboard", role="push button", name_regex="^完了", states={"focused"})
    mark = demo.mark()
    key("Return")

    # The main window, logged in, on the home page of the new account.
    main_x_window, _, main_window = wait_for_main_window(trial)
    wait_for_no_window(WIZARD_TITLE)
    query = home_page_request(trial, mark, address, password)
    expect(query.get("v") == [CLIENT_VERSION] and query.get("t") == ["1"],
           f"the home page was opened with {query}, not v={CLIENT_VERSION} and t=1")
    focus(main_x_window)
    wait_for_page("the home page to greet the new member", lambda text: f"ようこそ、{address} 様" in text)

    # Closed by the caption's close button: the store keeps the account.
    expect(not os.path.exists(desktop.store_path()), "the client wrote the store before it closed")
    close_button = eyes.find(main_window, role="push button", name="閉じる")
    expect(close_button is not None, "the main window's caption has no close button")
    eyes.click(close_button, "the caption's close button")
    expect(wait_for_exit(client, 30, "the client after its close button") == 0, "the client did not end with 0")
    wait_for_no_window(MAIN_TITLE)
    section = client_section(trial)
    expect(section["gUserName"] == address and section["gPass"] == password,
           f"the store holds the account {section['gUserName']!r} / {section['gPass']!r}")
    for name in ("gII1", "gI1", "gR1", "gP1", "gII2", "gI2", "gR2", "gP2"):
        expect(section[name] == "", f"{name} is {section[name]!r} though no credentials were entered")
    expect(section["gPatMord"] == "1", f"gPatMord is {section['gPatMord']!r}")
    log(f"stored section: {section}")

    # The next start: no wizard, straight to the home page of the stored account.
    mark = demo.mark()
    client = trial.start("Pelorin")
    main_x_window, _, _ = wait_for_main_window(trial)
    home_page_request(trial, mark, address, password)
    expect(not windows("^" + re.escape(WIZARD_TITLE) + "$"), "the wizard appeared again on the next start")
    focus(main_x_window)
    key("alt+F4")
    expect(wait_for_exit(client, 30, "the client after Alt+F4") == 0, "the client did not end with 0")


# ---- 2 and 3. Credential sets on the prediction page -------------------------------------

# The demo site's pages start with the brand and five navigation links; the next Tab
# reaches the first link of the page's own content (on the prediction list the first
# race, on a prediction page the credential panel's link to OnGoPatMaker()).
SITE_HEADER_LINKS = 6

SET1 = {"ii": "QV1INET9", "i": "10203040", "r": "7531", "p": "2468"}
SET2 = {"ii": "ZX2INET7", "i": "50607080", "r": "8642", "p": "1357"}
DIALOG_FIELDS = [("ii", "INET-ID"), ("i", "加入者番号"), ("p", "暗証番号"), ("r", "P-ARS番号")]


def encode_credential(text):
    """What a credential page receives for `text`: each code-page byte minus 48 in at
    least three digits, a negative one led by "-"."""
    out = ""
    for byte in text.encode("cp932"):
        value = byte - 48
        out += ("-" if value < 0 else "") + f"{abs(value):03d}"
    return out


def demo_account_store(trial, **values):
    section = {"gUserName": DEMO_ADDRESS, "gPass": DEMO_PASSWORD}
    section.update(values)
    trial.desktop.write_store({"frmPelorin": section})


def start_logged_in(trial):
    """Starts the client on a store with an account; returns its process, its window and
    the window's accessible object once the home page was opened."""
    mark = trial.demo.mark()
    client = trial.start("Pelorin")
    x_window, app, window = wait_for_main_window(trial)
    section = trial.desktop.read_store()["frmPelorin"]
    home_page_request(trial, mark, section["gUserName"], section["gPass"])
    return client, x_window, app, window


def toolbar_button(trial, window, name):
    button = trial.eyes.find(window, role="push button", name=name)
    expect(button is not None, f"the toolbar has no button {name}")
    return button


def open_prediction_page(trial, x_window, window):
    """The toolbar's 予想 opens the prediction list; its first race opens a prediction
    page, one of the pages that receive the credentials."""
    demo = trial.demo
    mark = demo.mark()
    trial.eyes.click(toolbar_button(trial, window, "予想"), "the toolbar's 予想 button")
    demo.wait_for_request(r"\[site\] GET /quenvel/iyosou\.php -> 200", mark)
    focus(x_window)
    wait_for_page("the prediction list", lambda text: "予想一覧" in text and "本日の予想です" in text)
    mark = demo.mark()
    key(*["Tab"] * (SITE_HEADER_LINKS + 1), "Return")
    line = demo.wait_for_request(r"\[site\] GET /quenvel/yosou\.php\?race=\S+ -> 200", mark)
    return line.split()[2]


def received_credentials(trial, x_window):
    """Presses the page's 買い目を作成 link (its script OnGoPatMaker() shows what the
    hidden fields hold) on a freshly loaded prediction page and returns
    {field: (received, decoded)} and the page's status line."""
    focus(x_window)
    # Fresh: the panel is there and has not shown anything yet.
    wait_for_page("a fresh prediction page",
                  lambda text: "IPAT連携" in text and "買い目を作成" in text and "受け取" not in text)
    key(*["Tab"] * (SITE_HEADER_LINKS + 1), "Return")

    def shown(text):
        if "IPAT加入者情報を受け取っていません" in text:
            # Pressed before the fill reached the fields (they are written as the page
            # completes): the link still has the keyboard, press it again. A page that
            # is never filled ends in the time-out, with what it said.
            key("Return")
            return False
        return "IPAT加入者情報を受け取りました" in text

    text = wait_for_page("the page script to show the credentials in the hidden fields", shown)
    rows = {m.group(1): (m.group(2), m.group(3))
            for m in re.finditer(r"^[^\t\n]*\t(ii|i|r|p)\t([^\t\n]*)\t([^\t\n]*)$", text, re.M)}
    status = re.search(r"^IPAT加入者情報を受け取.*$", text, re.M).group(0)
    return rows, status


def expect_page_received(trial, x_window, values, what):
    rows, status = received_credentials(trial, x_window)
    log(f"the page received {rows}")
    expect(status == "IPAT加入者情報を受け取りました（4／4 項目）。", f"{what}: the page says {status!r}")
    for name, value in values.items():
        expect(name in rows, f"{what}: the page shows no field {name}")
        received, decoded = rows[name]
        expect(received == encode_credential(value),
               f"{what}: field {name} received {received!r}, not {encode_credential(value)!r}")
        expect(decoded == value, f"{what}: field {name} decodes to {decoded!r}, not {value!r}")


def credential_sets(trial):
    """A store with set 1 (its PIN enciphered as the client writes it): a prediction page
    receives set 1; the settings dialog takes set 2 and switches to it, and the open page
    is loaded again with set 2; at close the store holds both sets, PINs enciphered."""
    demo, eyes = trial.demo, trial.eyes
    demo_account_store(trial, gII1=SET1["ii"], gI1=SET1["i"], gR1=SET1["r"], gP1=pin(trial, "encrypt", SET1["p"]),
                       gPatMord="1")
    client, x_window, app, window = start_logged_in(trial)

    page = open_prediction_page(trial, x_window, window)
    expect_page_received(trial, x_window, SET1, "with set 1 chosen")

    # The settings dialog: set 2 typed into its group, then chosen, then OK.
    eyes.click(toolbar_button(trial, window, "登録情報"), "the toolbar's 登録情報 button")
    dialog_x_window = wait_for_window(OPTION_TITLE)
    dialog, _ = eyes.wait_window("Pelorin", OPTION_TITLE)
    focus(dialog_x_window)
    for name, label in DIALOG_FIELDS:
        field = eyes.find(dialog, name=f"加入者情報２ {label}")
        expect(field is not None, f"the settings dialog has no field 加入者情報２ {label}")
        expect(eyes.text(field) == "", f"加入者情報２ {label} is not empty at first")
        eyes.click(field, f"the field 加入者情報２ {label}")
        wait_until(f"加入者情報２ {label} to take the keyboard", lambda: "focused" in eyes.states(field))
        type_text(SET2[name])
        if name != "p":  # the PIN field shows dots
            wait_until(f"加入者情報２ {label} to hold what was typed", lambda: eyes.text(field) == SET2[name])
    second = eyes.find(dialog, role="radio button", name="加入者情報２を使う")
    expect(second is not None and "checked" not in eyes.states(second), "加入者情報２を使う is chosen already")
    eyes.click(second, "the radio button 加入者情報２を使う")
    wait_until("加入者情報２を使う to be chosen", lambda: "checked" in eyes.states(second))
    mark = demo.mark()
    key("Return")  # OK is the default button
    wait_for_no_window(OPTION_TITLE)

    # The page on show is loaded again, now filled with set 2.
    path = re.escape(urllib.parse.urlsplit(page).path)
    demo.wait_for_request(rf"\[site\] GET {path}\S* -> 200", mark, what="the prediction page to be loaded again")
    expect_page_received(trial, x_window, SET2, "after switching to set 2")

    # Ended by the system (SIGTERM): the window closes normally and writes the store.
    client.send_signal(signal.SIGTERM)
    expect(wait_for_exit(client, 30, "the client after SIGTERM") == 0, "the client did not end with 0 on SIGTERM")
    section = client_section(trial)
    for number, values in (("1", SET1), ("2", SET2)):
        for name in ("ii", "i", "r"):
            stored = section[f"g{name.upper()}{number}"]
            expect(stored == values[name], f"g{name.upper()}{number} is stored as {stored!r}, not {values[name]!r}")
        expect_stored_pin(trial, section[f"gP{number}"], values["p"], f"gP{number}")
    expect(section["gPatMord"] == "2", f"gPatMord is stored as {section['gPatMord']!r}, not 2")
    expect(section["gUserName"] == DEMO_ADDRESS and section["gPass"] == DEMO_PASSWORD, "the account changed")


# ---- 4. A second start ------------------------------------------------------------------------


def second_start(trial):
    """A second start of the client, while the first runs under another window, brings
    the first window to the front and ends at once with 0; there is still one main
    window. (Whether the keyboard follows is the window manager's call: X refuses a
    program focus that another took after its last event, and here is no manager.)"""
    demo_account_store(trial)
    client, x_window, _, _ = start_logged_in(trial)

    # Another program's window over the whole screen, with the keyboard.
    trial.processes.start("xmessage", ["xmessage", "-geometry", "1280x1024+0+0", "another program"],
                          trial.desktop.env)
    cover_window = wait_for_window("xmessage")
    focus(cover_window)
    order = stacking_order()
    expect(order.index(cover_window) > order.index(x_window), "the other window is not above the client's")

    started = time.monotonic()
    again = trial.start("Pelorin")
    code = wait_for_exit(again, 20, "the second client")
    took = time.monotonic() - started
    log(f"the second start ended with {code} after {took:.2f} s")
    expect(code == 0, f"the second start ended with {code}, not 0")
    wait_until("the first client's window to come above the other window",
               lambda: (lambda o: o.index(x_window) > o.index(cover_window))(stacking_order()))
    mains = windows("^" + re.escape(MAIN_TITLE) + "$")
    expect(mains == [x_window], f"expected the one main window {x_window}, found {mains}")
    expect(client.poll() is None, "the first client ended")


# ---- 5. Closing ----------------------------------------------------------------------------


def close_by_caption(trial, client, x_window, window):
    trial.eyes.click(trial.eyes.find(window, role="push button", name="閉じる"), "the caption's close button")


def close_by_alt_f4(trial, client, x_window, window):
    focus(x_window)
    key("alt+F4")


def close_by_sigterm(trial, client, x_window, window):
    client.send_signal(signal.SIGTERM)


CLOSING_WAYS = [
    # (how, close, where the window is dragged to, where it is then)
    ("the caption's close button", close_by_caption, (120, 40), (120, 40)),
    ("Alt+F4", close_by_alt_f4, (60, 90), (60, 90)),
    # Within 10 pixels of the screen's top edge the window snaps to it.
    ("SIGTERM", close_by_sigterm, (200, 7), (200, 0)),
]


def drag_by_caption(trial, x_window, window, left, top):
    """Drags the window by its caption so that its top-left corner would be at left,top."""
    caption = trial.eyes.find(window, role="label", name=MAIN_TITLE)
    expect(caption is not None, "the main window has no caption")
    x, y, width, height = trial.eyes.extents(caption)
    window_left, window_top = geometry(x_window)[:2]
    grip = (x + width // 2, y + height // 2)
    drag(grip, (grip[0] + left - window_left, grip[1] + top - window_top))


def closing(trial):
    """However the client is closed, its section holds the fifteen values: the window
    where the member dragged it, the account, both sets with the PINs enciphered, the
    set in use; and the next start puts the window back there."""
    prepared = {"gII1": SET1["ii"], "gI1": SET1["i"], "gR1": SET1["r"], "gP1": pin(trial, "encrypt", SET1["p"]),
                "gII2": SET2["ii"], "gI2": SET2["i"], "gR2": SET2["r"], "gP2": pin(trial, "encrypt", SET2["p"]),
                "gPatMord": "2"}
    demo_account_store(trial, **prepared)
    for how, close, (left, top), place in CLOSING_WAYS:
        log(f"closing by {how}")
        client, x_window, _, window = start_logged_in(trial)
        drag_by_caption(trial, x_window, window, left, top)
        wait_until(f"the window to be at {place}", lambda: geometry(x_window)[:2] == place)
        width, height = geometry(x_window)[2:]
        log(f"the window is at {place}; closing it")
        close(trial, client, x_window, window)
        expect(wait_for_exit(client, 30, f"the client after {how}") == 0, f"the client did not end with 0 after {how}")
        wait_for_no_window(MAIN_TITLE)
        section = client_section(trial)
        stored = tuple(section[name] for name in ("Left", "Top", "Width", "Height"))
        expect(stored == tuple(str(v) for v in (*place, width, height)),
               f"after {how} the store holds the window at {stored}, not {(*place, width, height)}")
        for name, value in prepared.items():
            if name in ("gP1", "gP2"):
                expect_stored_pin(trial, section[name], SET1["p"] if name == "gP1" else SET2["p"], name)
            else:
                expect(section[name] == value, f"after {how} {name} is {section[name]!r}, not {value!r}")
        expect(section["gUserName"] == DEMO_ADDRESS and section["gPass"] == DEMO_PASSWORD,
               f"after {how} the account is {section['gUserName']!r} / {section['gPass']!r}")

    # The next start puts the window where it was last.
    client, x_window, _, _ = start_logged_in(trial)
    place = CLOSING_WAYS[-1][3]
    expect(geometry(x_window)[:2] == place,
           f"the next start placed the window at {geometry(x_window)[:2]}, not {place}")


# ---- The status bar ------------------------------------------------------------------------


def status_bar(trial):
    """Logged in, the status bar tells the member's ID and points, to the eye and to a
    screen reader alike."""
    demo_account_store(trial)
    _, _, _, window = start_logged_in(trial)
    expected = {"ID: " + DEMO_ADDRESS, "所有ポイント: 1200P"}
    texts = set()

    def shown():
        texts.clear()
        texts.update(status_bar_texts(trial, window))
        return expected <= texts

    try:
        wait_until("the status bar to tell the account", shown, timeout=15)
    except Failure:
        raise Failure(f"a screen reader finds {sorted(texts)} in the status bar, not {sorted(expected)}")


# ---- 6. The notifier ----------------------------------------------------------------------

# The notifier polls three minutes after start and every ten minutes after that, and reads
# no argument or environment that could say otherwise. Its clock is made to run this many
# times faster instead (libfaketime, in the notifier's process only): the first poll
# comes after 6 s, the next 20 s later. The alert's own timing speeds up as much, so the
# member here has turned off 自動的にメッセージを閉じる and the alert stays until clicked.
NOTIFIER_CLOCK_RATE = 30
FAKETIME_LIBRARY = next(iter(sorted(glob.glob("/usr/lib/*/faketime/libfaketimeMT.so.1"))), "libfaketimeMT.so.1")
PUBLISHED_STAMP = "2031/07/22 09:00:00"


def install_notifier(trial):
    """The notifier in a folder of its own, as installed: the program itself, and beside
    it the "Pelorin" it starts, which here puts the real client back on the real clock
    (the web engine does not run with libfaketime loaded) and then becomes the client."""
    folder = os.path.join(trial.folder, "installed")
    os.makedirs(folder, exist_ok=True)
    program = os.path.join(folder, "PelorinNews")
    shutil.copy2(trial.program("PelorinNews"), program)
    client = os.path.join(folder, "Pelorin")
    with open(client, "w") as f:
        f.write("#!/bin/sh\n"
                "unset LD_PRELOAD FAKETIME FAKETIME_ONLY_CMDS\n"
                f"exec '{trial.program('Pelorin')}' \"$@\"\n")
    os.chmod(client, 0o755)
    return program


def notifier(trial):
    """The notifier in the tray announces a stamp published on the service at its next
    poll (nothing at a poll that finds the stamp it knows), and the alert's link starts
    the client, which logs in; the notifier keeps the stamp it announced."""
    demo, desktop, eyes = trial.demo, trial.desktop, trial.eyes
    expect(os.path.exists(FAKETIME_LIBRARY), f"{FAKETIME_LIBRARY} is missing (Debian package faketime)")
    known = demo.last_update_line()[:19]
    desktop.write_store({
        "frmPelorin": {"gUserName": DEMO_ADDRESS, "gPass": DEMO_PASSWORD},
        "News": {"AutoClose": "0", "AutoLaunch": "1", "LastDateTime": known},
    })

    # A notification area on the desktop, then the notifier.
    tray = trial.processes.start("trayer", ["trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                                            "request", "--height", "32", "--SetDockType", "false"], desktop.env)
    wait_until("the notification area", lambda: xdotool("search", "--class", "trayer").returncode == 0)
    mark = demo.mark()
    env = dict(desktop.env, LD_PRELOAD=FAKETIME_LIBRARY, FAKETIME=f"+0 x{NOTIFIER_CLOCK_RATE}",
               FAKETIME_ONLY_CMDS="PelorinNews")
    news = trial.processes.start("PelorinNews", [install_notifier(trial)], env, cwd=desktop.home)
    eyes.wait_app("PelorinNews")

    # The first poll finds the stamp the notifier announced last time: no alert.
    poll = r"\[site\] GET /pelorin/sql/sql_log\.txt -> (200|304)"
    demo.wait_for_request(poll, mark, what="the notifier's first poll", timeout=60)
    expect(news.poll() is None, "the notifier ended")
    expect(tray.poll() is None, "the notification area ended")
    time.sleep(1)  # an alert would begin to fade in at once after the reply
    expect(not windows("^" + re.escape(ALERT_TITLE) + "$"), "an alert appeared although nothing was published")

    # Something new on the service: the next poll announces it.
    mark = demo.mark()
    log(f"published {demo.publish(PUBLISHED_STAMP)!r}")
    demo.wait_for_request(poll, mark, what="the notifier's next poll", timeout=60)
    alert_window = wait_for_window(ALERT_TITLE, timeout=20)
    app = eyes.wait_app("PelorinNews")
    message = eyes.wait_find(app, "the alert's message on the accessibility bus", role="label",
                             name_regex=re.escape(PUBLISHED_STAMP[:10]) + " 最新のデータに更新されました。")
    text = eyes.name(message)
    log(f"the alert says {text!r}")
    expect(text.startswith("\u3000FalvanePelorin\n") and text.endswith("FalvanePelorinクエンベルキットを起動"),
           f"the alert says {text!r}")

    # Its link, the message's last line, starts the client, which logs in; the alert goes.
    x, y, width, height = eyes.extents(message)
    expect(width > 0 and height > 0, "the alert's message has no place on the screen")
    line = height / 5  # title, blank, the news, blank, the link
    mark = demo.mark()
    click_at(x + 48, int(y + height - line / 2))
    wait_for_no_window(ALERT_TITLE, timeout=20)
    main_window, _, _ = wait_for_main_window(trial)
    trial.processes.adopt("Pelorin (started by the notifier)",
                          int(xdotool("getwindowpid", main_window).stdout.strip()))
    home_page_request(trial, mark, DEMO_ADDRESS, DEMO_PASSWORD)
    expect(alert_window not in windows("^" + re.escape(ALERT_TITLE) + "$"), "the alert is still there")

    # At its end the notifier keeps what it announced, and the member's choice.
    news.send_signal(signal.SIGTERM)
    expect(wait_for_exit(news, 30, "the notifier after SIGTERM") == 0, "the notifier did not end with 0")
    stored = desktop.read_store().get("News", {})
    expect(stored.get("LastDateTime") == PUBLISHED_STAMP,
           f"the notifier stored the stamp {stored.get('LastDateTime')!r}, not {PUBLISHED_STAMP!r}")
    expect(stored.get("AutoClose") == "0", f"AutoClose is stored as {stored.get('AutoClose')!r}, not 0")


SCENARIOS = {
    "first_run": first_run,
    "credential_sets": credential_sets,
    "second_start": second_start,
    "closing": closing,
    "status_bar": status_bar,
    "notifier": notifier,
}

if __name__ == "__main__":
    sys.exit(main(SCENARIOS))
