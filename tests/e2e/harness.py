"""What the end-to-end trials stand on: a private desktop (X server, session bus,
accessibility bus), the demo service on the ports the build's origins name, the real
programs started as processes, and a member's hands and eyes on them.

The hands are xdotool: real key presses and mouse clicks through the X server, exactly
as a member's. The eyes are the accessibility bus, as a screen reader sees the windows:
which window is open, which field has the focus, what a label or a page says, and where
a button is drawn so that the mouse can be moved onto it. Nothing here reaches into a
program: every fact comes through the X server, the accessibility bus, the demo
service's request log and mailbox, or the settings file a program wrote.
"""

import argparse
import configparser
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SKIP_CODE = 77  # ctest's SKIP_RETURN_CODE for these tests
# A trial gives up by itself before CTest's time-out (180 s) would kill it, so that it
# still ends every process it started.
TRIAL_LIMIT = 150

STORE_FILE = "Pelorin Quenvel Kit.conf"
MAIN_TITLE = "FalvanePelorin クエンベルキット"
WIZARD_TITLE = "FalvanePelorinクエンベルキットの初期設定"
OPTION_TITLE = "FalvanePelorin クエンベルキット - 登録情報"
ALERT_TITLE = "FalvanePelorin"

# A condition that does not come true within this many seconds is a failure. Generous,
# because CTest runs these beside other tests on a machine of two cores.
PATIENCE = 40


class Failure(Exception):
    """The product did not do what the member expects."""


class Skipped(Exception):
    """The trial cannot run here (the demo's ports are taken, the build is for the real
    service); CTest reports it as skipped, not passed."""


def log(message):
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def wait_until(what, condition, timeout=PATIENCE, interval=0.1):
    """Polls `condition` until it returns something true and returns that; a Failure
    naming `what` when it has not come true within `timeout` seconds."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except Failure:
            raise
        except Exception as error:  # a window or an object that is still coming
            last_error = error
        if time.monotonic() > deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise Failure(f"timed out after {timeout} s waiting for {what}{detail}")
        time.sleep(interval)


def expect(condition, message):
    if not condition:
        raise Failure(message)


# ---- Processes ----------------------------------------------------------------------


class Processes:
    """Every process a trial starts, each in a process group of its own, ended by its id
    when the trial ends, however it ends."""

    def __init__(self, folder):
        self.folder = folder
        self.started = []  # (name, Popen)

    def start(self, name, argv, env, **kwargs):
        """Starts a process whose output goes to <name>.log in the trial's folder."""
        with open(os.path.join(self.folder, f"{name}.log"), "ab") as out:
            kwargs.setdefault("stdout", out)
            kwargs.setdefault("stderr", out)
            process = subprocess.Popen(argv, env=env, start_new_session=True, **kwargs)
        self.started.append((name, process))
        log(f"started {name} (pid {process.pid})")
        return process

    def adopt(self, name, pid):
        """A process some program of ours started (the notifier starts the client): ours
        to end as well."""
        self.started.append((name, pid))

    def end_all(self):
        for name, process in reversed(self.started):
            end_process(process)
        self.started.clear()


def end_process(process, grace=5.0):
    """Ends a process of the trial: one we started leads a process group, which goes
    with it (the client's web engine helpers); one a program of ours started is ended on
    its own unless it leads a group too. SIGTERM first, SIGKILL after `grace` seconds."""
    pid = process.pid if isinstance(process, subprocess.Popen) else process
    try:
        whole_group = os.getpgid(pid) == pid
    except ProcessLookupError:
        # Ended already; helpers of a group we started may still be there.
        whole_group = isinstance(process, subprocess.Popen)

    def running():
        if isinstance(process, subprocess.Popen):
            process.poll()  # reaps it
        return _group_running(pid) if whole_group else _running(pid)

    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(pid, sig) if whole_group else os.kill(pid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + grace
        while running() and time.monotonic() < deadline:
            time.sleep(0.05)
        if not running():
            return


def _process_stats():
    """(pid, state, process group) of every process."""
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    fields = stat.read().rsplit(") ", 1)[1].split()
            except OSError:
                continue
            yield int(entry), fields[0], int(fields[2])


def _running(pid):
    """Alive and not a zombie."""
    return any(p == pid and state != "Z" for p, state, _ in _process_stats())


def _group_running(group):
    return any(g == group and state != "Z" for _, state, g in _process_stats())


def wait_for_exit(process, timeout, what):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure(f"{what} did not end within {timeout} s")


# ---- The demo service ------------------------------------------------------------------


def parse_origin(origin):
    """(host, port) of a loopback http origin, or nothing when the build talks to
    something else."""
    url = urllib.parse.urlsplit(origin)
    if url.scheme != "http" or url.hostname != "127.0.0.1" or not url.port or url.path not in ("", "/"):
        return None
    return url.hostname, url.port


class Demo:
    """pelorin-demo on the ports the programs were built for, its request log kept."""

    def __init__(self, program, origins, processes, folder):
        self.origins = origins
        self.log_path = os.path.join(folder, "pelorin-demo.log")  # where Processes puts its output
        ports = {}
        for key, origin in origins.items():
            parsed = parse_origin(origin)
            if parsed is None:
                raise Skipped(f"the build's {key} origin {origin} is not the demo service's loopback: "
                              "the trials need a build against the demo")
            ports[key] = parsed[1]
        taken = [str(port) for port in ports.values() if not _port_free(port)]
        if taken:
            raise Skipped("the demo service's ports " + ", ".join(taken) + " are in use on 127.0.0.1 "
                          "(another demo service or program holds them); the trials need them free")
        argv = [program, "--site-port", str(ports["site"]), "--account-port", str(ports["account"]),
                "--guest-port", str(ports["guest"]), "--bet-port", str(ports["bet"])]
        self.process = processes.start("pelorin-demo", argv, os.environ.copy())
        wait_until("the demo service to be ready",
                   lambda: self.process.poll() is not None or "ready;" in self.text(), timeout=15)
        if self.process.poll() is not None:
            if "in use" in self.text():
                raise Skipped("the demo service could not take its ports:\n" + self.text())
            raise Failure("the demo service ended at start:\n" + self.text())

    def text(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def lines(self):
        return self.text().splitlines()

    def mark(self):
        """A point in the request log; later waits look only past it."""
        return len(self.lines())

    def requests(self, pattern, since=0):
        """Request lines past `since` matching `pattern` (a regular expression over
        "[origin] METHOD target -> status")."""
        regex = re.compile(pattern)
        return [line for line in self.lines()[since:] if regex.search(line)]

    def wait_for_request(self, pattern, since=0, what=None, timeout=PATIENCE):
        return wait_until(what or f"the demo service to log {pattern!r}",
                          lambda: self.requests(pattern, since), timeout=timeout)[0]

    def get(self, origin, path):
        with urllib.request.urlopen(self.origins[origin] + path, timeout=10) as reply:
            return reply.read().decode("utf-8")

    def mailbox(self):
        """The mails the service "sent": (address, password), oldest first."""
        return [tuple(line.split("\t", 1)) for line in self.get("account", "/mailbox.txt").splitlines() if line]

    def last_update_line(self):
        return self.get("site", "/pelorin/sql/sql_log.txt").splitlines()[-1]

    def publish(self, stamp, note="e2e update"):
        data = urllib.parse.urlencode({"stamp": stamp, "note": note}).encode()
        with urllib.request.urlopen(self.origins["site"] + "/pelorin/publish", data=data, timeout=10) as reply:
            return reply.read().decode("utf-8").strip()


def _port_free(port):
    """Nothing answers on the port. (A trial bind would not tell: the demo service, like
    any cpp-httplib server, listens with SO_REUSEPORT, so a second copy of it binds the
    same port beside the first and the two would share the requests.)"""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.settimeout(2)
        return s.connect_ex(("127.0.0.1", port)) != 0


# ---- The member's desktop ----------------------------------------------------------------


class Desktop:
    """A private X server without a window manager, a session bus with the accessibility
    bus on it, and a user of its own: home, settings, data, cache and runtime folders."""

    def __init__(self, processes, folder, runtime):
        self.processes = processes
        self.folder = folder
        self.home = os.path.join(folder, "home")
        self.config = os.path.join(folder, "config")
        self.data = os.path.join(folder, "data")
        self.cache = os.path.join(folder, "cache")
        for path in (self.home, self.config, self.data, self.cache):
            os.makedirs(path, exist_ok=True)
        self.runtime = runtime

        read_end, write_end = os.pipe()
        self.xserver = processes.start(
            "Xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                     "-noreset"], os.environ.copy(), pass_fds=(write_end,))
        os.close(write_end)
        number = _read_line(read_end, 15, "the X server to tell its display")
        os.close(read_end)
        self.display = ":" + number

        env = self._base_env()
        self.bus = processes.start("dbus-daemon", ["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                   env, stdout=subprocess.PIPE)
        self.bus_address = _read_line(self.bus.stdout.fileno(), 15, "the session bus to tell its address")
        self.env = self._base_env()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        # The accessibility bus comes up on the first request for it; programs started
        # later find it there and join it.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.a11y.Bus.GetAddress"], env=self.env, check=True, stdout=subprocess.DEVNULL,
                       timeout=30)
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
            os.environ[key] = self.env[key]
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        log(f"desktop {self.display}, user folders under {folder}")

    def _base_env(self):
        """A clean environment: the programs see this desktop and this user only, never
        the developer's own session, tray or settings."""
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "LANG": "C.UTF-8",
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config,
            "XDG_DATA_HOME": self.data,
            "XDG_CACHE_HOME": self.cache,
            "XDG_RUNTIME_DIR": self.runtime,
            "DISPLAY": getattr(self, "display", ""),
            "QT_QPA_PLATFORM": "xcb",
            # Windows and texts are read through the accessibility bus, as a screen
            # reader would: the programs are to work with it on.
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        }
        if os.geteuid() == 0:
            # The web engine's sandbox cannot run as root.
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        return env

    def store_path(self):
        return os.path.join(self.config, STORE_FILE)

    def write_store(self, sections):
        """Writes the settings file as the programs keep it: INI, one group per section,
        every value a quoted string (Qt reads quotes off as it writes them)."""
        lines = []
        for section, values in sections.items():
            lines.append(f"[{section}]")
            lines.extend(f"{key}={_ini_quote(value)}" for key, value in values.items())
            lines.append("")
        with open(self.store_path(), "w", encoding="utf-8") as f:
            f.write("\n".join(lines))

    def read_store(self):
        """{section: {key: value}} of the settings file, values unquoted as Qt reads them."""
        parser = configparser.RawConfigParser(interpolation=None, strict=False, delimiters=("=",),
                                              comment_prefixes=(";",))
        parser.optionxform = str
        with open(self.store_path(), encoding="utf-8") as f:
            parser.read_file(f)
        return {section: {key: _ini_unquote(value) for key, value in parser.items(section)}
                for section in parser.sections()}

    def screenshot(self, name):
        path = os.path.join(self.folder, f"{name}.png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        return path


def _ini_quote(value):
    return '"' + str(value).replace("\\", "\\\\").replace('"', '\\"') + '"'


def _ini_unquote(value):
    """A value of Qt's INI files: a quoted string (a value with "=", ";", "," or blanks at
    its ends is written so) loses its quotes and escapes; others stay as they are."""
    value = value.strip()
    if len(value) >= 2 and value[0] == '"' and value[-1] == '"':
        return re.sub(r"\\(.)", r"\1", value[1:-1])
    return value


def _read_line(fd, timeout, what):
    """The first line a starting server writes to `fd` (its display, its address)."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise Failure(f"timed out waiting for {what}")
        ready, _, _ = select.select([fd], [], [], remaining)
        if ready:
            chunk = os.read(fd, 256)
            if not chunk:
                break
            data += chunk
    text = data.decode().split("\n")[0].strip()
    if not text:
        raise Failure(f"no answer while waiting for {what}")
    return text


# ---- Hands: xdotool ---------------------------------------------------------------------


def xdotool(*args, timeout=30):
    result = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=timeout)
    return result


def windows(title_regex):
    """Mapped top-level windows whose title matches `title_regex`."""
    result = xdotool("search", "--onlyvisible", "--name", title_regex)
    return [int(w) for w in result.stdout.split()]


def wait_for_window(title, timeout=PATIENCE):
    """The one visible window titled exactly `title`."""
    regex = "^" + re.escape(title) + "$"
    found = wait_until(f"the window {title!r} to appear", lambda: windows(regex), timeout=timeout)
    expect(len(found) == 1, f"expected one window {title!r}, found {len(found)}")
    return found[0]


def wait_for_no_window(title, timeout=PATIENCE):
    regex = "^" + re.escape(title) + "$"
    wait_until(f"the window {title!r} to go away", lambda: not windows(regex), timeout=timeout)


def geometry(window):
    result = xdotool("getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in result.stdout.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def focus(window):
    """Gives the window the keyboard, as clicking into it would (there is no window
    manager to do it)."""
    xdotool("windowfocus", "--sync", window)


def focused_window():
    result = xdotool("getwindowfocus", "-f")
    return int(result.stdout.strip() or 0)


def key(*keys):
    xdotool("key", "--clearmodifiers", "--delay", "60", *keys)


def type_text(text):
    xdotool("type", "--clearmodifiers", "--delay", "40", text)


def page_text():
    """The text of the page in the focused window's web view, as the member copies it:
    select all, copy, and read the clipboard."""
    key("ctrl+a", "ctrl+c")
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"], capture_output=True,
                            timeout=30)
    return result.stdout.decode("utf-8", errors="replace") if result.returncode == 0 else ""


def wait_for_page(what, condition, timeout=PATIENCE):
    """Copies the page's text until `condition` holds for it, and returns the text."""
    last = [""]

    def ready():
        last[0] = page_text()
        return last[0] if condition(last[0]) else None

    try:
        return wait_until(what, ready, timeout=timeout, interval=0.3)
    except Failure as failure:
        raise Failure(f"{failure}; the page said:\n{last[0][:2000]}")


def stacking_order():
    """Top-level windows from the bottom-most to the top-most."""
    result = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True, timeout=30)
    # xwininfo lists the top-most first.
    return [int(m.group(1), 16) for m in re.finditer(r"^\s+(0x[0-9a-f]+)", result.stdout, re.M)][::-1]


def move_pointer(x, y):
    """Moves the mouse pointer and waits until it is there. (xdotool's --sync waits for
    the pointer to move, which never comes when it is there already.)"""
    where = dict(line.split("=", 1) for line in xdotool("getmouselocation", "--shell").stdout.split() if "=" in line)
    if (int(where.get("X", -1)), int(where.get("Y", -1))) != (x, y):
        xdotool("mousemove", "--sync", x, y)


def drag(start, end, steps=8):
    """Presses the left button at `start`, moves to `end` in steps, and lets go."""
    move_pointer(*start)
    xdotool("mousedown", 1)
    for i in range(1, steps + 1):
        move_pointer(start[0] + (end[0] - start[0]) * i // steps, start[1] + (end[1] - start[1]) * i // steps)
    xdotool("mouseup", 1)


def click_at(x, y, button=1):
    move_pointer(x, y)
    xdotool("click", button)


# ---- Eyes: the accessibility bus ---------------------------------------------------------


class Eyes:
    """What a screen reader sees of our programs."""

    def __init__(self):
        import gi

        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi

        self.Atspi = Atspi

    def apps(self, name):
        """The programs of that name on the bus (one that just ended may linger a while)."""
        desktop = self.Atspi.get_desktop(0)
        found = []
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child is not None and child.get_name() == name:
                # Fresh values on every look: the programs change under our eyes.
                child.set_cache_mask(self.Atspi.Cache.NONE)
                found.append(child)
        return found

    def wait_app(self, name, timeout=PATIENCE):
        return wait_until(f"the program {name} on the accessibility bus", lambda: self.apps(name), timeout=timeout)[0]

    def window(self, program, title):
        """The program's top-level window of that title while it shows, and the program."""
        for app in self.apps(program):
            try:
                for i in range(app.get_child_count()):
                    child = app.get_child_at_index(i)
                    if child is not None and self.name(child) == title and self.showing(child):
                        return child, app
            except Exception:  # a program that has just ended
                continue
        return None

    def wait_window(self, program, title, timeout=PATIENCE):
        return wait_until(f"the window {title!r} of {program} on the accessibility bus",
                          lambda: self.window(program, title), timeout=timeout)

    @staticmethod
    def role(obj):
        return obj.get_role_name()

    @staticmethod
    def name(obj):
        return obj.get_name() or ""

    def states(self, obj):
        """The object's states by their short names ("focused", "checked", "enabled")."""
        return {self.Atspi.StateType(state).value_nick for state in obj.get_state_set().get_states()}

    def showing(self, obj):
        return "showing" in self.states(obj)

    def find_all(self, root, role=None, name=None, name_regex=None, states=(), showing=True, limit=None,
                 skip_web=True):
        """Objects under `root` (breadth first) of the role and name given. Web pages are
        left out unless asked for: they are large, and the widgets are what we look for."""
        found = []
        queue = [root]
        while queue:
            obj = queue.pop(0)
            if obj is None:
                continue
            try:
                obj_role = self.role(obj)
                obj_name = self.name(obj)
                count = obj.get_child_count()
            except Exception:
                continue
            match = (role is None or obj_role == role) and (name is None or obj_name == name) and (
                name_regex is None or re.search(name_regex, obj_name))
            if match and obj is not root and (not showing or self.showing(obj)) and (
                    not states or set(states) <= self.states(obj)):
                found.append(obj)
                if limit and len(found) >= limit:
                    return found
            if skip_web and obj_role in ("document web", "document frame"):
                continue
            if showing and obj is not root and obj_role not in ("application",) and not self.showing(obj):
                continue
            for i in range(count):
                queue.append(obj.get_child_at_index(i))
        return found

    def find(self, root, role=None, name=None, name_regex=None, states=(), showing=True, skip_web=True):
        found = self.find_all(root, role, name, name_regex, states, showing, limit=1, skip_web=skip_web)
        return found[0] if found else None

    def wait_find(self, root, what, timeout=PATIENCE, **criteria):
        return wait_until(what, lambda: self.find(root, **criteria), timeout=timeout)

    def extents(self, obj):
        rect = obj.get_extents(self.Atspi.CoordType.SCREEN)
        return rect.x, rect.y, rect.width, rect.height

    def text(self, obj):
        """The text an object shows: its text content where it has one, else its name."""
        try:
            text = obj.get_text_iface()
            if text is not None:
                return text.get_text(0, text.get_character_count())
        except Exception:
            pass
        return self.name(obj)

    def click(self, obj, what):
        """Moves the mouse onto the object's middle and clicks, as a member would."""
        x, y, w, h = self.extents(obj)
        expect(w > 0 and h > 0, f"{what} has no place on the screen")
        click_at(x + w // 2, y + h // 2)


# ---- Running one trial -------------------------------------------------------------------


class Trial:
    """One scenario's world: processes, desktop, demo service and the programs' paths.
    Its folder keeps every log and a screenshot when the scenario fails."""

    def __init__(self, args, name):
        self.args = args
        self.name = name
        os.makedirs(args.work, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix=f"{name}-", dir=args.work)
        self.processes = Processes(self.folder)
        self.desktop = None
        self.runtime = None
        self.demo = None
        self.eyes = None

    def program(self, name):
        return os.path.join(self.args.bin_dir, name)

    def __enter__(self):
        # Stopped from outside (SIGTERM, SIGHUP): the trial still ends what it started.
        signal.signal(signal.SIGTERM, _terminate)
        signal.signal(signal.SIGHUP, _terminate)
        return self

    def open(self):
        origins = {"site": self.args.site, "account": self.args.account, "guest": self.args.guest,
                   "bet": self.args.bet}
        # The demo first: without its ports there is nothing to try.
        self.demo = Demo(self.program("pelorin-demo"), origins, self.processes, self.folder)
        # Local sockets live in the runtime folder (the client's single-instance socket,
        # the buses), and their paths must stay short whatever the build folder: a
        # private folder in /tmp (mode 700).
        self.runtime = tempfile.mkdtemp(prefix="pelorin-e2e-")
        self.desktop = Desktop(self.processes, self.folder, self.runtime)
        self.eyes = Eyes()
        return self

    def start(self, name, extra_env=None):
        env = dict(self.desktop.env)
        env.update(extra_env or {})
        return self.processes.start(name, [self.program(name)], env, cwd=self.desktop.home)

    def __exit__(self, kind, error, trace):
        signal.alarm(0)  # the clean-up is not to be cut short
        failed = kind is not None and not issubclass(kind, Skipped)
        if failed and self.desktop is not None:
            try:
                log(f"screenshot at the failure: {self.desktop.screenshot('failure')}")
            except Exception:
                pass
        self.processes.end_all()
        if self.runtime is not None:
            _remove_tree(self.runtime)
        if failed:
            log(f"logs kept in {self.folder}")
        else:
            _remove_tree(self.folder)
        return False


def _over_time(signum, frame):
    raise Failure(f"the trial took longer than {TRIAL_LIMIT} s")


def _terminate(signum, frame):
    raise SystemExit(f"ended by signal {signum}")


def _remove_tree(path):
    shutil.rmtree(path, ignore_errors=True)


def main(scenarios, argv=None):
    parser = argparse.ArgumentParser(description="End-to-end trials of Pelorin and PelorinNews")
    parser.add_argument("scenario", choices=sorted(scenarios))
    parser.add_argument("--bin-dir", required=True, help="folder of Pelorin, PelorinNews and pelorin-demo")
    parser.add_argument("--pin-tool", required=True, help="the e2e_pin program")
    parser.add_argument("--work", required=True, help="folder for the trials' user folders and logs")
    for origin in ("site", "account", "guest", "bet"):
        parser.add_argument(f"--{origin}", required=True, help=f"the build's {origin} origin")
    args = parser.parse_args(argv)
    started = time.monotonic()
    signal.signal(signal.SIGALRM, _over_time)
    signal.alarm(TRIAL_LIMIT)
    try:
        with Trial(args, args.scenario) as trial:
            trial.open()
            scenarios[args.scenario](trial)
    except Skipped as reason:
        log(f"SKIPPED: {reason}")
        return SKIP_CODE
    except Failure as failure:
        log(f"FAILED: {failure}")
        return 1
    log(f"passed in {time.monotonic() - started:.1f} s")
    return 0


def pin(trial, operation, text):
    """The stored form of a PIN, or the PIN of a stored form, as the programs have it."""
    result = subprocess.run([trial.args.pin_tool, operation, text], capture_output=True, text=True, check=True,
                            timeout=30)
    return result.stdout.rstrip("\n")


if __name__ == "__main__":
    sys.exit("harness.py is a library; run scenarios.py")
