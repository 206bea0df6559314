"""Steps of the session on a switch shared by a team: served over TLS, with
operators' accounts. The client is started anew on it, logs in through the
dialog, makes one change, and the operation log window shows that change."""

import os
import socket
import subprocess
import time

from xclient import StepFailed

OPLOG_LIST = 10198
OPERATOR = "alice"
PASSWORD = "alice-secret-1"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class TeamSteps:
    team_switch = None

    def start_team_switch(self):
        """mmlswitch over TLS with a certificate made now and one operator's account."""
        x = self.x
        self.team_db = os.path.join(x.workdir, "team.db")
        cert, key = os.path.join(x.workdir, "team.crt"), os.path.join(x.workdir, "team.key")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-days", "2", "-subj", "/CN=team switch",
                        "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", key, "-out", cert],
                       check=True, capture_output=True, timeout=60)
        mml = os.path.join(x.bindir, "mmlswitch")
        subprocess.run([mml, "--db", self.team_db, "--seed", "demo", "--subscribers", "400"],
                       check=True, capture_output=True, timeout=120)
        subprocess.run([mml, "--db", self.team_db, "--add-operator", OPERATOR, "--role", "operator"],
                       input=PASSWORD + "\n", text=True, check=True, capture_output=True, timeout=60)
        port = free_port()
        log = open(os.path.join(x.workdir, "team-switch.log"), "w")
        self.team_switch = subprocess.Popen(
            [mml, "--db", self.team_db, "--listen", "127.0.0.1:%d" % port, "--tls-cert", cert, "--tls-key", key],
            stdout=log, stderr=subprocess.STDOUT)
        deadline = time.time() + 30
        while True:
            try:
                socket.create_connection(("127.0.0.1", port), 1).close()
                break
            except OSError:
                if self.team_switch.poll() is not None or time.time() > deadline:
                    raise StepFailed("the team switch did not listen; see %s" % log.name)
                time.sleep(0.1)
        return port, cert

    def stop_team_switch(self):
        if self.team_switch and self.team_switch.poll() is None:
            self.team_switch.terminate()
            self.team_switch.wait(10)

    def log_in_to_a_team_switch_over_tls(self):
        x = self.x
        port, cert = self.start_team_switch()
        x.restart_client(["--switch", "tls://127.0.0.1:%d" % port, "--ca", cert, "--config", "3"])
        s = x.wait_for(lambda s: x.window(s, "CLoginDlg"), 60, "the login dialog")
        x.shot("login-dialog")
        dlg = x.window(s, "CLoginDlg")
        x.click(x.control(s, "edit", window=dlg, name="loginName")["rect"])
        x.key("ctrl+a", "BackSpace")
        x.type(OPERATOR)
        x.click(x.control(s, "edit", window=dlg, name="loginPassword")["rect"])
        x.type(PASSWORD)
        x.shot("login-typed")
        x.click(x.control(s, "button", window=dlg, name="loginOk")["rect"])
        x.wait_for(lambda s: not x.window(s, "CLoginDlg") and self.main_list(s)["rows"], 60,
                   "the subscribers after the login")
        s = x.settled()
        self.no_message_box(s)
        said = [c.get("text", "") for c in x.controls(s, "label")]
        if "Operator: %s (operator)" % OPERATOR not in said:
            raise StepFailed("the status bar does not name the operator: %s" % [t for t in said if t][:12])

    def change_one_thing_and_read_the_operation_log(self):
        x = self.x
        s = x.state()
        row = self.main_list(s)["rows"][0]
        number = row["texts"][0]
        self.context_menu_on(row, "Modify MGCP Subscriber")
        text = "Team desk %d" % (os.getpid() % 1000)
        self.type_parameter("Modify", "Description", text)
        self.press("Modify", "OK")
        s = x.settled()
        self.no_message_box(s)
        rec = x.records("LST MGCPSUB: DN=%s;" % number, self.team_db)
        if not rec or rec[0].get("DESC") != text:
            raise StepFailed("the team switch holds description %r for %s, typed %r"
                             % (rec[0].get("DESC") if rec else None, number, text))
        x.choose("Objects")
        x.choose("Operation Log")
        s = x.wait_for(lambda s: x.object_window(s, "Operation Log") and x.controls(s, "view", id=OPLOG_LIST)
                       and x.control(s, "view", id=OPLOG_LIST)["rows"], 60, "the operation log with rows")
        s = x.settled()
        log = x.control(s, "view", id=OPLOG_LIST)
        first = " | ".join(log["rows"][0]["texts"])
        if "MOD MGCPSUB" not in first or number not in first or OPERATOR not in first:
            raise StepFailed("the operation log's newest row is not the change: %s" % first)
        self.stop_team_switch()
