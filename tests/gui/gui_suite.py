#!/usr/bin/env python3
"""An operator's session on a real X display, step by step.

Starts Xvfb and omclient on an embedded switch of 20,000 subscribers, then
works only through the X server. Every step photographs the screen into the
shots folder; a failing step photographs it once more, says what it waited
for, and the suite exits 1.
"""

import argparse
import os
import re
import shutil
import sys
import time
import traceback
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xclient import StepFailed, XClient, center, have_tools  # noqa: E402
from window_steps import WindowSteps  # noqa: E402
from team_steps import TeamSteps  # noqa: E402

TITLE = "MGCP and H.248 Subscribers"
MAIN_LIST = 10194
SECONDARY_LIST = 10195
CAPTION = 10196
SUBSCRIBERS = 20000


def read_sheet(path, name):
    """The rows of a workbook's sheet as texts, read with nothing but the standard library."""
    ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
          "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships"}
    with zipfile.ZipFile(path) as z:
        if z.testzip() is not None:
            raise StepFailed("the workbook %s has a damaged part" % path)
        book = ET.fromstring(z.read("xl/workbook.xml"))
        sheet = book.find("m:sheets/m:sheet[@name='%s']" % name, ns)
        if sheet is None:
            raise StepFailed("the workbook has no sheet '%s'" % name)
        rid = sheet.get("{%s}id" % ns["r"])
        rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
        target = next(r.get("Target") for r in rels if r.get("Id") == rid)
        part = target.lstrip("/") if target.startswith("/") else "xl/" + target
        root = ET.fromstring(z.read(part))
    rows = []
    for row in root.iterfind("m:sheetData/m:row", ns):
        texts = {}
        for c in row.iterfind("m:c", ns):
            col = "".join(ch for ch in c.get("r", "") if ch.isalpha())
            index = 0
            for ch in col:
                index = index * 26 + ord(ch) - ord("A") + 1
            texts[index - 1] = "".join(t.text or "" for t in c.iterfind(".//m:t", ns))
        rows.append([texts.get(i, "") for i in range(max(texts) + 1)] if texts else [])
    return rows


class Session(WindowSteps, TeamSteps):
    def __init__(self, x):
        self.x = x
        self.picked = None  # the number of the row clicked after wheeling

    # ---- helpers -----------------------------------------------------------

    def main_list(self, s):
        return self.x.control(s, "view", id=MAIN_LIST)

    def caption_count(self, s):
        text = self.x.control(s, "label", id=CAPTION)["text"]
        m = re.search(r"\(([\d,]+)", text)
        if not m:
            raise StepFailed("the list caption shows no count: %r" % text)
        return int(m.group(1).replace(",", ""))

    def column(self, s, title):
        header = self.x.control(s, "header", of=MAIN_LIST)
        for i, sec in enumerate(header["sections"]):
            if sec["text"] == title:
                return i, sec
        raise StepFailed("no column '%s' shown in the list" % title)

    def column_index(self, s, title):
        """The column's index in the rows' texts (all columns, shown or not)."""
        return next(i for i, c in enumerate(self.our_window(s)["lists"][0]["columns"]) if c == title)

    def our_window(self, s):
        w = self.x.object_window(s, TITLE)
        if not w:
            raise StepFailed("the %s window is not open" % TITLE)
        return w

    def row_with(self, s, number):
        for row in self.main_list(s)["rows"]:
            if row["texts"] and row["texts"][0] == number:
                return row
        return None

    def parameter_dialog(self, s, title):
        return self.x.window(s, "CCmdParaDlg", title)

    def type_parameter(self, dialog_title, name, text):
        """Clicks the value cell of a parameter, replaces its text, Enter."""
        s = self.x.wait_for(lambda s: self.parameter_dialog(s, dialog_title), 10, "the '%s' dialog" % dialog_title)
        table = self.x.control(s, "view", window=self.parameter_dialog(s, dialog_title), id=2902)
        row = next((r for r in table["rows"] if r["texts"][0] == name), None)
        if row is None:
            raise StepFailed("no parameter '%s' in the dialog" % name)
        x, y, w, h = row["rect"]

        def editor(s):
            dlg = self.parameter_dialog(s, dialog_title)
            return dlg and (self.x.controls(s, "edit", window=dlg, focus=True) or self.x.controls(s, "combo", window=dlg))

        # The first click makes the row the current one, a click on the
        # current row opens its editor.
        # The second click comes after the double-click time: two single clicks.
        for _ in range(2):
            self.x.click((x + w * 3 // 4, y + h // 2))
            time.sleep(0.6)
            if editor(self.x.state()):
                break
        self.x.wait_for(editor, 5, "an editor for '%s'" % name)
        self.x.key("ctrl+a", "BackSpace")
        self.x.type(text)
        self.x.key("Return")

    def press(self, window_title, text, cls="CCmdParaDlg"):
        s = self.x.state()
        win = self.x.window(s, cls, window_title)
        if not win:
            raise StepFailed("no window '%s'" % window_title)
        self.x.click(self.x.control(s, "button", window=win, text=text)["rect"])

    def answer_question(self, button):
        s = self.x.wait_for(lambda s: self.x.window(s, "QMessageBox"), 10, "a question")
        box = self.x.window(s, "QMessageBox")
        text = " ".join(c["text"] for c in self.x.controls(s, "label", window=box))
        self.x.shot("question")
        self.x.click(self.x.control(s, "button", window=box, text=button)["rect"])
        return text

    def no_message_box(self, s):
        box = self.x.window(s, "QMessageBox")
        if box:
            text = " ".join(c["text"] for c in self.x.controls(s, "label", window=box))
            raise StepFailed("the client says: %s" % text)

    def context_menu_on(self, row, item):
        self.x.click(row["rect"], button=3)
        self.x.choose(item)

    # ---- steps -------------------------------------------------------------

    def open_from_objects_menu(self):
        self.x.choose("Objects")
        self.x.choose(TITLE)
        s = self.x.wait_for(lambda s: self.x.object_window(s, TITLE) and self.main_list(s)["rows"], 60,
                            "the %s window with rows" % TITLE)
        s = self.x.settled()
        if self.caption_count(s) != SUBSCRIBERS:
            raise StepFailed("caption counts %d subscribers, the switch holds %d" % (self.caption_count(s), SUBSCRIBERS))

    def wheel_down_and_click_a_row(self):
        s = self.x.state()
        lst = self.main_list(s)
        self.x.wheel(lst["rect"], 120)
        s = self.x.settled()
        rows = self.main_list(s)["rows"]
        if not rows or not rows[0]["texts"][0]:
            raise StepFailed("after the wheel the shown rows are empty")
        if rows[0]["row"] < 300:
            raise StepFailed("120 wheel notches moved the list only to row %d" % rows[0]["row"])
        row = rows[len(rows) // 2]
        self.x.click(row["rect"])
        s = self.x.settled()
        if not self.x.alive():
            raise StepFailed("the client died on the click")
        self.picked = row["texts"][0]
        services = self.x.records("LST MGCPSRV: DN=%s;" % self.picked)
        secondary = self.x.control(s, "view", id=SECONDARY_LIST)
        if secondary["rowCount"] != len(services) or not services:
            raise StepFailed("secondary list shows %d services of %s, the switch has %d"
                             % (secondary["rowCount"], self.picked, len(services)))

    def modify_description(self):
        s = self.x.state()
        row = self.row_with(s, self.picked)
        if not row:
            raise StepFailed("the clicked row %s is no longer shown" % self.picked)
        self.context_menu_on(row, "Modify MGCP Subscriber")
        text = "Front desk %d" % (os.getpid() % 1000)
        self.type_parameter("Modify", "Description", text)
        self.x.shot("modify-typed")
        self.press("Modify", "OK")
        s = self.x.settled()
        self.no_message_box(s)
        rec = self.x.records("LST MGCPSUB: DN=%s;" % self.picked)
        if not rec or rec[0].get("DESC") != text:
            raise StepFailed("the switch holds description %r for %s, typed %r"
                             % (rec[0].get("DESC") if rec else None, self.picked, text))

    # ---- typing into a clicked parameter cell ------------------------------

    def type_into_a_clicked_cell(self):
        """One click on the Endpoint's value and the text typed at once; a
        double click on the Codec's value, Down, Return. The switch then
        holds the typed endpoint and the next codec, and the gateway as it was."""
        before = self.x.records("LST MGCPSUB: DN=%s;" % self.picked)
        if not before:
            raise StepFailed("the switch does not hold %s" % self.picked)
        before = before[0]
        s = self.x.state()
        row = self.row_with(s, self.picked)
        if not row:
            raise StepFailed("the clicked row %s is no longer shown" % self.picked)
        self.context_menu_on(row, "Modify MGCP Subscriber")
        s = self.x.wait_for(lambda s: self.parameter_dialog(s, "Modify"), 10, "the 'Modify' dialog")

        def value_cell(s, name):
            table = self.x.control(s, "view", window=self.parameter_dialog(s, "Modify"), id=2902)
            row = next((r for r in table["rows"] if r["texts"][0] == name), None)
            if row is None:
                raise StepFailed("no parameter '%s' in the dialog" % name)
            x, y, w, h = row["rect"]
            return x + w * 3 // 4, y + h // 2

        endpoint = "mgw-7"
        self.x.click(value_cell(s, "Endpoint"))
        self.x.type(endpoint)
        self.x.shot("endpoint-typed")
        s = self.x.state()
        time.sleep(0.6)  # the double click that follows is not taken for part of a triple one
        self.x.click(value_cell(s, "Codec"), double=True)
        self.x.wait_for(lambda s: s["screen"].get("popup")
                        or self.x.controls(s, "combo", window=self.parameter_dialog(s, "Modify")),
                        5, "the Codec's choices")
        self.x.key("Down")
        self.x.key("Return")
        self.x.shot("codec-picked")
        self.press("Modify", "OK")
        s = self.x.settled()
        self.no_message_box(s)
        after = self.x.records("LST MGCPSUB: DN=%s;" % self.picked)[0]
        if after.get("EID") != endpoint:
            raise StepFailed("the switch holds endpoint %r for %s, typed %r" % (after.get("EID"), self.picked, endpoint))
        if after.get("MGWNAME") != before.get("MGWNAME"):
            raise StepFailed("the gateway became %r (was %r)" % (after.get("MGWNAME"), before.get("MGWNAME")))
        codecs = ["PCMA", "PCMU", "G729", "G723"]
        expected = codecs[min(codecs.index(before.get("CODEC")) + 1, len(codecs) - 1)]
        if after.get("CODEC") != expected:
            raise StepFailed("the switch holds codec %r, Down from %r picks %r"
                             % (after.get("CODEC"), before.get("CODEC"), expected))

    # ---- end of typing into a clicked parameter cell -----------------------

    def sort_by_a_column(self):
        """Codec sorts on the switch: each click shows one codec at the top
        of its order, and the second click the other end."""
        shown = []
        for _ in range(2):
            s = self.x.state()
            _, section = self.column(s, "Codec")
            self.x.click(section["rect"])
            s = self.x.settled()
            col = self.column_index(s, "Codec")
            codecs = {r["texts"][col] for r in self.main_list(s)["rows"]}
            if len(codecs) != 1:
                raise StepFailed("after a click on Codec the rows show codecs %s" % sorted(codecs))
            shown.append(codecs.pop())
        if shown[0] == shown[1]:
            raise StepFailed("both sort orders show %s first" % shown[0])

    def add_and_remove_a_subscriber(self):
        number = "19999999"
        if self.x.records("LST MGCPSUB: DN=%s;" % number):
            raise StepFailed("the switch holds %s before the add" % number)
        s = self.x.state()
        # Back to number order, smallest first: the new number heads the list.
        _, section = self.column(s, "Directory Number")
        for _ in range(2):
            self.x.click(section["rect"])
            s = self.x.settled()
            first = self.main_list(s)["rows"][0]["texts"][0]
            if first == "20000000":
                break
        row = self.main_list(s)["rows"][0]
        self.context_menu_on(row, "Add MGCP Subscriber")
        for name, value in (("Directory Number", number), ("Gateway", "mgw-0"),
                            ("Endpoint", "aaln/99@mgw-0.example.net")):
            self.type_parameter("Add", name, value)
        self.x.shot("add-typed")
        self.press("Add", "OK")
        s = self.x.settled()
        self.no_message_box(s)
        if not self.x.records("LST MGCPSUB: DN=%s;" % number):
            raise StepFailed("the switch does not hold the added %s" % number)
        self.x.click(self.main_list(s)["rect"])
        self.x.key("F5")
        s = self.x.wait_for(lambda s: self.row_with(s, number), 30, "the new row %s in the list" % number)
        s = self.x.settled()
        self.x.shot("added")
        self.context_menu_on(self.row_with(s, number), "Remove MGCP Subscriber")
        question = self.answer_question("Yes")
        if number not in question:
            raise StepFailed("the remove question does not name %s: %r" % (number, question))
        s = self.x.settled()
        self.no_message_box(s)
        if self.x.records("LST MGCPSUB: DN=%s;" % number):
            raise StepFailed("the switch still holds %s after the remove" % number)

    def choose_a_saved_filter(self):
        s = self.x.state()
        combo = self.x.control(s, "combo", id=10238)
        self.x.click(combo["rect"])
        s = self.x.wait_for(lambda s: any(r["texts"] and r["texts"][0] == "G.729 lines"
                                          for v in self.x.controls(s, "view") for r in v["rows"]), 10,
                            "the saved filters in the drop-down")
        item = next(r for v in self.x.controls(s, "view") for r in v["rows"]
                    if r["texts"] and r["texts"][0] == "G.729 lines")
        self.x.click(item["rect"])  # a saved filter applies as it is chosen
        s = self.x.settled()
        self.no_message_box(s)
        head = self.x.records("LST MGCPSUB: CODEC=G729;")
        total = int(head[0].get("Total Recs", -1)) if head else -1
        if self.caption_count(s) != total:
            raise StepFailed("filtered caption counts %d, the switch has %d G.729 lines"
                             % (self.caption_count(s), total))
        col = self.column_index(s, "Codec")
        codecs = {r["texts"][col] for r in self.main_list(s)["rows"]}
        if codecs != {"G.729"}:
            raise StepFailed("filtered rows show codecs %s" % sorted(codecs))

    def export_through_the_menu(self, entry, name):
        """Exports the list through its context menu and the save dialog; returns the file's path."""
        s = self.x.state()
        out = os.path.join(self.x.workdir, name)
        row = self.main_list(s)["rows"][0]
        self.x.click(row["rect"], button=3)
        self.x.choose("Export")
        self.x.choose(entry)
        s = self.x.wait_for(lambda s: self.x.window(s, "QFileDialog"), 10, "the save dialog")
        self.x.shot("save-dialog-" + name)
        self.x.key("ctrl+a", "BackSpace")
        self.x.type(out)
        self.x.key("Return")
        deadline = time.time() + 120
        while time.time() < deadline and (not os.path.exists(out) or self.x.window(self.x.state(), "QProgressDialog")):
            time.sleep(0.3)
        s = self.x.settled()
        self.no_message_box(s)
        if not os.path.exists(out):
            raise StepFailed("no export file %s" % out)
        return out

    def export_the_list(self):
        out = self.export_through_the_menu("Text File...", "export.txt")
        s = self.x.state()
        with open(out, encoding="utf-8", errors="replace") as f:
            lines = [line.split("\t") for line in f.read().splitlines() if line.strip()]
        titles = [t for t in lines[0] if t]
        rows = [[v for v in line if v] for line in lines[1:]]
        expected = self.caption_count(s)  # the filtered list of the step before
        if len(rows) != expected:
            raise StepFailed("the export holds %d rows, the list %d records" % (len(rows), expected))
        codec = titles.index("Codec")
        others = {r[codec] for r in rows if len(r) > codec} - {"G.729"}
        if others:
            raise StepFailed("the export of the G.729 filter holds codecs %s" % sorted(others))
        numbers = {r[0] for r in rows}
        if len(numbers) != expected:
            raise StepFailed("the export repeats numbers: %d distinct of %d" % (len(numbers), expected))
        self.exported = rows

    def export_to_a_workbook(self):
        out = self.export_through_the_menu("Workbook...", "export.xlsx")
        rows = read_sheet(out, "Vexil Quenlow MGC")
        if len(rows) < 2 or any(rows[1]):
            raise StepFailed("the workbook's first rows are not the titles and an empty row: %s" % rows[:2])
        if "Codec" not in rows[0]:
            raise StepFailed("the workbook's titles are %s" % rows[0])
        data = [[v for v in r if v] for r in rows[2:]]
        if data != self.exported:
            raise StepFailed("the workbook holds %d rows, the text export %d; first differing: %s"
                             % (len(data), len(self.exported),
                                next(((a, b) for a, b in zip(data, self.exported) if a != b), None)))

    # ---- a click in a greyed tree window (number segments) ------------------

    SEGMENT_TREE = 10163
    NUMBER_LIST = 10166

    def segment_rows(self, s):
        return self.x.control(s, "tree", id=self.SEGMENT_TREE)["rows"]

    def tree_row(self, s, text):
        row = next((r for r in self.segment_rows(s) if r["texts"][0] == text), None)
        if row is None:
            raise StepFailed("the segment tree shows no '%s'" % text)
        return row

    def numbers_shown(self, s):
        return [r["texts"][0] for r in self.x.control(s, "view", id=self.NUMBER_LIST)["rows"] if r["texts"]]

    def click_in_a_greyed_tree_window(self):
        """Block B is listed, then block A is clicked and B at once, while A's
        numbers are still on their way: B's click is lost on the greyed
        window or comes after A's numbers; either way every block lists its
        own numbers, and B comes back from the cache with its own."""
        self.x.choose("Objects")
        self.x.choose("Number Segments")
        self.x.wait_for(lambda s: self.x.controls(s, "tree", id=self.SEGMENT_TREE) and self.segment_rows(s), 60,
                        "the segment tree with its segments")
        s = self.x.settled()
        segment = next((r for r in self.segment_rows(s) if r["texts"][0].startswith("2:20000000-")), None)
        if segment is None:
            raise StepFailed("no segment 2 of the MGCP numbers in the tree")
        self.x.click(segment["rect"])
        self.x.key("Right")
        s = self.x.settled()
        a, b = "20000000-20000999", "20001000-20001999"
        self.x.click(self.tree_row(s, b)["rect"])
        s = self.x.settled()
        if self.numbers_shown(s)[:1] != ["20001000"]:
            raise StepFailed("block %s lists %s" % (b, self.numbers_shown(s)[:3]))
        # Two clicks as one quick hand: A, then B before A's numbers are in.
        ax, ay = center(self.tree_row(s, a)["rect"])
        bx, by = center(self.tree_row(s, b)["rect"])
        self.x.xdo("mousemove", ax, ay, "click", 1, "mousemove", bx, by, "click", 1)
        s = self.x.settled()
        self.x.shot("greyed-clicks")
        if not self.x.alive():
            raise StepFailed("the client died on the clicks")
        shown = self.numbers_shown(s)
        current = next((r["texts"][0] for r in self.segment_rows(s) if r.get("selected")), None)
        if current not in (a, b) or not shown or not (current.split("-")[0] <= shown[0] <= current.split("-")[1]):
            raise StepFailed("the tree has %s selected, the list shows %s" % (current, shown[:3]))
        for block, first in ((a, "20000000"), (b, "20001000"), (a, "20000000")):
            self.x.click(self.tree_row(self.x.state(), block)["rect"])
            s = self.x.settled()
            if self.numbers_shown(s)[:1] != [first]:
                raise StepFailed("block %s lists %s, not its own numbers" % (block, self.numbers_shown(s)[:3]))


STEPS = [
    "open_from_objects_menu",
    "wheel_down_and_click_a_row",
    "modify_description",
    "type_into_a_clicked_cell",
    "sort_by_a_column",
    "add_and_remove_a_subscriber",
    "choose_a_saved_filter",
    "export_the_list",
    "export_to_a_workbook",
    # The panel of the number segment window and where the windows lie (window_steps.py).
    "click_a_segment_and_read_the_panel",
    "windows_stay_on_the_screen",
    "click_in_a_greyed_tree_window",
    # A switch for a team: over TLS, with a login (team_steps.py). Last: it starts the client anew.
    "log_in_to_a_team_switch_over_tls",
    "change_one_thing_and_read_the_operation_log",
]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True, help="folder holding omclient and mmlswitch")
    ap.add_argument("--work", required=True, help="scratch folder (emptied)")
    ap.add_argument("--shots", required=True, help="folder for the screenshots (emptied)")
    ap.add_argument("--only", nargs="*", help="run only these steps (and those before them)")
    ap.add_argument("--keep", action="store_true", help="leave the client running at the end")
    args = ap.parse_args()

    missing = have_tools()
    if missing:
        print("gui suite: missing %s (scripts/install-deps.sh installs them)" % ", ".join(missing))
        return 1
    for d in (args.work, args.shots):
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
    x = XClient(args.bin, args.work, args.shots, SUBSCRIBERS)
    session = Session(x)
    steps = STEPS
    if args.only:
        steps = STEPS[: max(STEPS.index(o) for o in args.only) + 1]
    failed = None
    try:
        x.start()
        x.shot("start")
        for name in steps:
            t0 = time.time()
            try:
                getattr(session, name)()
                x.shot(name)
                print("ok    %-32s %5.1fs" % (name, time.time() - t0), flush=True)
            except Exception as e:  # noqa: BLE001 - every failure is reported the same way
                failed = name
                x.shot("FAILED-" + name)
                print("FAIL  %-32s %s" % (name, e), flush=True)
                if not isinstance(e, StepFailed):
                    traceback.print_exc()
                break
    except StepFailed as e:
        failed = "start"
        print("FAIL  start %s" % e)
    finally:
        session.stop_team_switch()
        if args.keep and x.alive():
            print("client left running on DISPLAY=%s pid %d" % (x.display, x.client.pid))
        else:
            x.stop()
    print("screenshots in %s" % args.shots)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
