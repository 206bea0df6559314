"""Steps of the session that look at what the windows show of themselves:
the number segment window's panel, and where the object windows lie.

Mixed into the session of gui_suite.py; each step works through the X
server only and reads the client's --state description.
"""

import time

from xclient import StepFailed

SEGMENTS = "Number Segments"
SEGMENT_TREE = 10163


class WindowSteps:
    # ---- helpers -----------------------------------------------------------

    def panel(self, s, title):
        """The property panel's rows of an object window, as (name, value) pairs."""
        w = self.x.object_window(s, title)
        return [tuple(p) for p in w["properties"]] if w else []

    @staticmethod
    def panel_value(rows, name):
        return next((v for n, v in rows if n == name), None)

    def segment_rows(self, s):
        tree = self.x.control(s, "tree", id=SEGMENT_TREE)
        return [r for r in tree["rows"] if r.get("depth") == 0]

    def segment_row(self, s, index):
        for r in self.segment_rows(s):
            if r["texts"] and r["texts"][0].startswith("%s:" % index):
                return r
        raise StepFailed("no segment %s shown in the tree" % index)

    def mdi(self, s):
        return self.x.control(s, "mdiarea")["rect"]

    def mdi_children(self, s):
        return self.x.controls(s, "mdichild")

    def open_window(self, title):
        self.x.choose("Objects")
        self.x.choose(title)
        self.x.wait_for(lambda s: self.x.object_window(s, title) and
                        any(c["title"].startswith(title) and c["active"] for c in self.mdi_children(s)), 60,
                        "the %s window in front" % title)
        return self.x.settled()

    def check_windows_whole(self, s, what, least=(2, 3)):
        """Every object window is maximised over the area, or lies inside it
        at least least[0]/least[1] of the area each way; its panel is not cut."""
        ax, ay, aw, ah = self.mdi(s)
        children = self.mdi_children(s)
        if not children:
            raise StepFailed("%s: no object windows" % what)
        for c in children:
            x, y, w, h = c["rect"]
            where = "%s: '%s' at %d,%d %dx%d in an area of %dx%d at %d,%d" % (what, c["title"], x, y, w, h,
                                                                           aw, ah, ax, ay)
            if c["minimized"]:
                continue
            if x < ax or y < ay or x + w > ax + aw or y + h > ay + ah:
                raise StepFailed(where + " reaches outside the area")
            if c["maximized"]:
                if (w, h) != (aw, ah):
                    raise StepFailed(where + " is maximised but does not fill the area")
                continue
            # A pixel less for the rounding of an area shared out.
            if w * least[1] < aw * least[0] - least[1] or h * least[1] < ah * least[0] - least[1]:
                raise StepFailed(where + " is smaller than %d/%d of the area" % least)

    # ---- steps -------------------------------------------------------------

    def click_a_segment_and_read_the_panel(self):
        """A click on a segment shows that segment in the panel; a double
        click shows its details, which say how many of its numbers came."""
        s = self.open_window(SEGMENTS)
        s = self.x.wait_for(lambda s: self.segment_rows(s), 30, "segments in the tree")
        segments = {r["SEGIDX"]: r for r in self.x.records("LST DNSEG:;")}
        shown = [r["texts"][0].split(":")[0] for r in self.segment_rows(s)]
        big = next((i for i in shown if int(segments.get(i, {}).get("USED", 0) or 0) > 100), None)
        small = next((i for i in shown if i != big and i in segments), None)
        if big is None or small is None:
            raise StepFailed("the tree shows no segment with more than 100 numbers in use and another: %s" % shown)

        def shows(index, s):
            rows = self.panel(s, SEGMENTS)
            return self.panel_value(rows, "Segment Index") == index and self.panel_value(rows, "Records") is None

        for index in (big, small, big):
            row = self.segment_row(s, index)
            x, y, w, h = row["rect"]
            self.x.click((x + min(w // 3, 80), y + h // 2))
            s = self.x.wait_for(lambda s: shows(index, s), 10, "segment %s in the panel" % index)
            rows = self.panel(s, SEGMENTS)
            for name, key in (("First Number", "BGNDN"), ("Last Number", "ENDDN")):
                if self.panel_value(rows, name) != segments[index][key]:
                    raise StepFailed("the panel shows %s %r for segment %s, the switch holds %r"
                                     % (name, self.panel_value(rows, name), index, segments[index][key]))
        self.x.shot("segment-clicked")

        row = self.segment_row(s, big)
        x, y, w, h = row["rect"]
        self.x.click((x + min(w // 3, 80), y + h // 2), double=True)
        used = int(segments[big]["USED"])
        want = "100 of %d" % used

        def noted(s):
            note = self.panel_value(self.panel(s, SEGMENTS), "Note")
            return note is not None and want in note

        s = self.x.wait_for(noted, 20, "the details of segment %s saying '%s'" % (big, want))
        self.x.shot("segment-details")
        row = self.segment_row(s, small)
        x, y, w, h = row["rect"]
        self.x.click((x + min(w // 3, 80), y + h // 2))
        s = self.x.wait_for(lambda s: shows(small, s), 10, "segment %s in the panel after the details of %s"
                            % (small, big))
        if self.panel_value(self.panel(s, SEGMENTS), "Note") is not None:
            raise StepFailed("segment %s shows the note of segment %s's details" % (small, big))

    def windows_stay_on_the_screen(self):
        """Windows opened over maximised ones, then tiled, cascaded and
        maximised again: each lies inside the area at a usable size."""
        s = self.open_window("SIP and H.323 Subscribers")
        self.check_windows_whole(s, "opened while the others were maximised")

        self.x.choose("Window")
        self.x.choose("Tile")
        time.sleep(0.3)
        s = self.x.settled()
        self.x.shot("tiled")
        self.check_windows_whole(s, "after Tile", least=(1, 2))
        _, _, aw, ah = self.mdi(s)
        rects = [c["rect"] for c in self.mdi_children(s)]
        if sum(w * h for _, _, w, h in rects) != aw * ah:
            raise StepFailed("after Tile the windows do not cover the area side by side: %s in %dx%d" % (rects, aw, ah))

        self.x.choose("Window")
        self.x.choose("Cascade")
        time.sleep(0.3)
        s = self.x.settled()
        self.x.shot("cascaded")
        self.check_windows_whole(s, "after Cascade")
        lefts = {c["rect"][0] for c in self.mdi_children(s)}
        if len(lefts) != len(self.mdi_children(s)):
            raise StepFailed("after Cascade windows lie on each other: %s" % [c["rect"] for c in self.mdi_children(s)])

        front = next(c for c in self.mdi_children(s) if c["active"])
        x, y, w, _ = front["rect"]
        self.x.click((x + w // 2, y + 8), double=True)  # on the title bar
        s = self.x.wait_for(lambda s: any(c["active"] and c["maximized"] for c in self.mdi_children(s)), 10,
                            "the front window maximised")
        self.check_windows_whole(s, "one maximised")
        s = self.open_window("IP Network Subscribers")
        self.x.shot("opened-over-maximised")
        self.check_windows_whole(s, "opened while one was maximised")

        self.x.choose("Window")
        self.x.choose("Cascade")
        time.sleep(0.3)
        s = self.x.settled()
        self.check_windows_whole(s, "cascaded at the end")
        if any(c["maximized"] for c in self.mdi_children(s)):
            raise StepFailed("a window stays maximised after Cascade")
