"""The client on a real X server, driven the way an operator drives it.

Input goes only through the X server (xdotool: pointer moves, clicks, wheel
notches, keys, typed text). Where things are and what they show comes from
the client's own description of its screen (omclient --state FILE writes it on
SIGUSR1); what the switch holds comes from the switch itself (mmlswitch --exec
on the same database).
"""

import json
import os
import re
import shutil
import signal
import subprocess
import time


class StepFailed(Exception):
    pass


def center(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


class XClient:
    def __init__(self, bindir, workdir, shotdir, subscribers):
        self.bindir = bindir
        self.workdir = workdir
        self.shotdir = shotdir
        self.subscribers = subscribers
        self.db = os.path.join(workdir, "switch.db")
        self.state_file = os.path.join(workdir, "state.json")
        self.xvfb = None
        self.client = None
        self.display = None
        self.shots = 0
        self.log = open(os.path.join(workdir, "omclient.log"), "w")

    # ---- processes -------------------------------------------------------

    def start(self, client_args=None):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1600x1000x24", "-nolisten", "tcp"],
            pass_fds=[write_fd], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise StepFailed("Xvfb did not start")
        self.display = ":" + number.decode()
        runtime = os.path.join(self.workdir, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = dict(os.environ)
        env.pop("QT_QPA_PLATFORM", None)
        env.update(DISPLAY=self.display, HOME=self.workdir, XDG_CONFIG_HOME=os.path.join(self.workdir, "config"),
                   XDG_RUNTIME_DIR=runtime)
        self.env = env
        self.start_client(client_args or ["--switch-db", self.db, "--subscribers", str(self.subscribers)])

    def start_client(self, args):
        """omclient with those arguments on the display, once it describes its screen."""
        self.client = subprocess.Popen(
            [os.path.join(self.bindir, "omclient")] + args + ["--state", self.state_file, "--no-restore"],
            env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        # The client writes its state once by itself when it listens for the signal.
        deadline = time.time() + 120
        while not os.path.exists(self.state_file):
            if not self.alive() or time.time() > deadline:
                raise StepFailed("omclient did not start (alive: %s); see %s" % (self.alive(), self.log.name))
            time.sleep(0.1)
        self.wait_for(lambda s: self.window(s, "CHostMainWindow"), 60, "the main window")

    def restart_client(self, args):
        """The running client ends; another starts with those arguments."""
        self.client.terminate()
        self.client.wait(30)
        try:
            os.remove(self.state_file)
        except FileNotFoundError:
            pass
        self.start_client(args)

    def stop(self):
        for p in (self.client, self.xvfb):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.log.close()

    def alive(self):
        return self.client.poll() is None

    # ---- what the client shows -------------------------------------------

    def state(self):
        """The client's description of its windows and screen, fresh."""
        if not self.alive():
            raise StepFailed("omclient is gone (exit code %s); see %s" % (self.client.returncode, self.log.name))
        try:
            os.remove(self.state_file)
        except FileNotFoundError:
            pass
        self.client.send_signal(signal.SIGUSR1)
        deadline = time.time() + 20
        while time.time() < deadline:
            if os.path.exists(self.state_file):
                with open(self.state_file) as f:
                    return json.load(f)
            if not self.alive():
                break
            time.sleep(0.03)
        raise StepFailed("omclient did not describe its screen (alive: %s)" % self.alive())

    def wait_for(self, predicate, seconds, what):
        """The first state the predicate holds for."""
        deadline = time.time() + seconds
        last = None
        while True:
            last = self.state()
            if predicate(last):
                return last
            if time.time() > deadline:
                raise StepFailed("waited %ss for %s" % (seconds, what))
            time.sleep(0.15)

    def settled(self, seconds=60):
        """The state once no command has been outstanding for a while."""
        quiet = 0
        deadline = time.time() + seconds
        while time.time() < deadline:
            s = self.state()
            quiet = quiet + 1 if s["outstanding"] == 0 else 0
            if quiet >= 3:
                return s
            time.sleep(0.1)
        raise StepFailed("commands still outstanding after %ss" % seconds)

    @staticmethod
    def windows(s):
        return s["screen"]["windows"]

    def window(self, s, cls=None, title=None):
        for w in self.windows(s):
            if cls and not w["class"].endswith(cls):
                continue
            if title and title not in w["title"]:
                continue
            return w
        return None

    @staticmethod
    def controls(s, kind=None, window=None, **match):
        wins = [window] if window else XClient.windows(s)
        found = []
        for w in wins:
            for c in w["controls"]:
                if kind and c["kind"] != kind:
                    continue
                if all(c.get(k) == v for k, v in match.items()):
                    found.append(c)
        return found

    def control(self, s, kind=None, window=None, **match):
        found = self.controls(s, kind, window, **match)
        if not found:
            raise StepFailed("no %s %s on screen" % (kind or "control", match))
        return found[0]

    def menu_item(self, s, text):
        """A visible item of the menu bar or of an open menu, by its text."""
        for c in self.controls(s, "menu") + self.controls(s, "menubar"):
            for item in c["items"]:
                if item["text"].split("  ")[0].strip() == text or item["text"].startswith(text):
                    return item
        return None

    @staticmethod
    def object_window(s, title):
        for w in s["windows"]:
            if title in w["title"]:
                return w
        return None

    # ---- hands -----------------------------------------------------------

    def xdo(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True)

    def click(self, rect_or_point, button=1, double=False):
        x, y = center(rect_or_point) if len(rect_or_point) == 4 else rect_or_point
        self.xdo("mousemove", x, y)
        time.sleep(0.05)
        self.xdo("click", "--repeat", 2 if double else 1, "--delay", 80, button)
        time.sleep(0.15)

    def wheel(self, rect, notches):
        x, y = center(rect)
        self.xdo("mousemove", x, y)
        self.xdo("click", "--repeat", abs(notches), "--delay", 15, 5 if notches > 0 else 4)
        time.sleep(0.2)

    def key(self, *keys):
        self.xdo("key", "--delay", 40, *keys)
        time.sleep(0.15)

    def type(self, text):
        self.xdo("type", "--delay", 30, text)
        time.sleep(0.1)

    def choose(self, text, seconds=10):
        """Clicks the item of an open menu (or the menu bar) with that text."""
        item = self.menu_item(self.wait_for(lambda s: self.menu_item(s, text), seconds, "menu item '%s'" % text), text)
        if not item["enabled"]:
            raise StepFailed("menu item '%s' is disabled" % text)
        self.click(item["rect"])

    def shot(self, name):
        self.shots += 1
        os.makedirs(self.shotdir, exist_ok=True)
        path = os.path.join(self.shotdir, "%02d-%s.png" % (self.shots, re.sub(r"[^a-z0-9]+", "-", name.lower())))
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    # ---- the switch ------------------------------------------------------

    def switch(self, command, db=None):
        """The switch's report on one command, read from the same database (or that one)."""
        out = subprocess.run([os.path.join(self.bindir, "mmlswitch"), "--db", db or self.db, "--exec", command],
                             capture_output=True, text=True, timeout=60)
        if out.returncode != 0 and "RETCODE" not in out.stdout:
            raise StepFailed("mmlswitch --exec %s: %s" % (command, out.stderr.strip()))
        return out.stdout

    def records(self, command, db=None):
        """The records of a report as dicts (first value of each key)."""
        recs, cur = [], None
        for line in self.switch(command, db).splitlines():
            if line.startswith("[") and line.endswith("]"):
                cur = {}
                recs.append(cur)
            elif cur is not None and " = " in line:
                k, v = line.split(" = ", 1)
                cur[k.strip()] = v.split("\t")[0].strip()
            elif cur is not None and line.rstrip().endswith("="):
                cur[line.split("=")[0].strip()] = ""
        return recs

    def retcode(self, command):
        m = re.search(r"^RETCODE = (\d+)", self.switch(command), re.M)
        return int(m.group(1)) if m else -1


def have_tools():
    return [t for t in ("Xvfb", "xdotool", "import") if not shutil.which(t)]
