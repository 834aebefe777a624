#!/usr/bin/python3
"""Drops files on the X window under a point of the root window, as a file manager does (XDND).

usage: xdnd_drop.py [--timeout SECONDS] <unix path> [<unix path> ...] <root x> <root y>

The drop source is a window of this X client. It finds the window that carries XdndAware under the
point, sends XdndEnter (text/uri-list), XdndPosition at the point, waits for the target's
XdndStatus, sends XdndDrop, hands out the file list (one file:// URI per line, CRLF ends) whenever
the target asks for the XdndSelection, and waits for XdndFinished.

Exit status: 0 when the target reports the drop as accepted; 2 for bad arguments or no display;
3 when no window under the point is XdndAware; 4 when the target refuses the drop (in its
XdndStatus or its XdndFinished); 5 when the target does not answer in time. The reason goes to
stderr.
"""
import os
import select
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, error
from Xlib.protocol import event

# The newest protocol version this source speaks.
XDND_VERSION = 5

EXIT_OK, EXIT_USAGE, EXIT_NOT_AWARE, EXIT_REFUSED, EXIT_TIMEOUT = 0, 2, 3, 4, 5


class DropFailed(Exception):
    def __init__(self, status, reason):
        super().__init__(reason)
        self.status = status


def uri_list(paths):
    """The text/uri-list payload: absolute file:// URIs, each line ended by CRLF."""
    lines = []
    for path in paths:
        absolute = os.path.abspath(path)
        lines.append("file://" + urllib.parse.quote(absolute, safe="/") + "\r\n")
    return "".join(lines).encode("utf-8")


class DropSource:
    def __init__(self, dpy, paths, timeout):
        self.dpy = dpy
        self.root = dpy.screen().root
        self.deadline = time.monotonic() + timeout
        self.payload = uri_list(paths)
        self.atom = {name: dpy.intern_atom(name) for name in (
            "XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndLeave", "XdndDrop",
            "XdndFinished", "XdndSelection", "XdndActionCopy", "XdndTypeList", "text/uri-list", "TARGETS")}
        self.uri_type = self.atom["text/uri-list"]
        self.target = None
        self.version = XDND_VERSION
        self.files_handed_out = 0
        # An unmapped window of ours: it owns the selection and receives the target's answers.
        self.window = self.root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, X.InputOnly, X.CopyFromParent,
                                              event_mask=X.PropertyChangeMask)
        self.window.change_property(self.atom["XdndTypeList"], Xatom.ATOM, 32, [self.uri_type])
        self.time = self.server_time()
        self.window.set_selection_owner(self.atom["XdndSelection"], self.time)
        self.dpy.flush()
        if self.dpy.get_selection_owner(self.atom["XdndSelection"]) != self.window:
            raise DropFailed(EXIT_USAGE, "could not own the XdndSelection")

    def server_time(self):
        """A server timestamp, read from the PropertyNotify of a change to our own window."""
        stamp = self.dpy.intern_atom("_XDND_DROP_TIMESTAMP")
        self.window.change_property(stamp, Xatom.STRING, 8, b"")
        self.dpy.flush()
        while True:
            ev = self.next_event("the server's timestamp")
            if ev.type == X.PropertyNotify and ev.window == self.window and ev.atom == stamp:
                return ev.time
            self.handle_other(ev)

    def next_event(self, waiting_for):
        while True:
            if self.dpy.pending_events():
                return self.dpy.next_event()
            left = self.deadline - time.monotonic()
            if left <= 0:
                raise DropFailed(EXIT_TIMEOUT, "timed out waiting for " + waiting_for)
            # Wait on the connection's socket without busy looping.
            select.select([self.dpy.fileno()], [], [], min(left, 0.05))

    def aware_version(self, window):
        try:
            prop = window.get_full_property(self.atom["XdndAware"], Xatom.ATOM)
        except error.XError:
            return None
        if prop is None or not prop.value:
            return None
        return int(prop.value[0])

    def find_target(self, x, y):
        """The first window on the way down from the root to the point that carries XdndAware."""
        window = self.root
        while True:
            if window != self.root:
                version = self.aware_version(window)
                if version is not None:
                    return window, version
            # The mapped child of the window that holds the point, if any.
            below = window.translate_coords(self.root, x, y).child
            if not below:
                return None, None
            window = below

    def send(self, name, data):
        message = event.ClientMessage(window=self.target, client_type=self.atom[name],
                                      data=(32, (data + [0, 0, 0, 0, 0])[:5]))
        self.target.send_event(message, event_mask=0)
        self.dpy.flush()

    def handle_other(self, ev):
        """Answers the target's requests for the selection; ignores everything else."""
        if ev.type != X.SelectionRequest:
            return
        prop = ev.property if ev.property != X.NONE else ev.target
        ok = False
        if ev.selection == self.atom["XdndSelection"]:
            try:
                if ev.target == self.uri_type:
                    ev.requestor.change_property(prop, self.uri_type, 8, self.payload)
                    self.files_handed_out += 1
                    ok = True
                elif ev.target == self.atom["TARGETS"]:
                    ev.requestor.change_property(prop, Xatom.ATOM, 32, [self.atom["TARGETS"], self.uri_type])
                    ok = True
            except error.XError:
                ok = False
        reply = event.SelectionNotify(time=ev.time, requestor=ev.requestor, selection=ev.selection,
                                      target=ev.target, property=prop if ok else X.NONE)
        ev.requestor.send_event(reply, event_mask=0)
        self.dpy.flush()

    def wait_client_message(self, name):
        wanted = self.atom[name]
        while True:
            ev = self.next_event(name)
            if ev.type == X.ClientMessage and ev.client_type == wanted and ev.window == self.window:
                return ev.data[1]
            self.handle_other(ev)

    def drop(self, x, y):
        self.target, target_version = self.find_target(x, y)
        if self.target is None:
            raise DropFailed(EXIT_NOT_AWARE, "no XdndAware window under (%d, %d)" % (x, y))
        self.version = min(XDND_VERSION, target_version)
        source = self.window.id
        # Three types at most go in the message itself; the type list property holds them too.
        self.send("XdndEnter", [source, self.version << 24, self.uri_type, 0, 0])
        self.send("XdndPosition", [source, 0, (x << 16) | (y & 0xFFFF), self.time, self.atom["XdndActionCopy"]])
        status = self.wait_client_message("XdndStatus")
        if not status[1] & 1:
            self.send("XdndLeave", [source, 0, 0, 0, 0])
            raise DropFailed(EXIT_REFUSED, "the target window 0x%x refuses the drop (XdndStatus without accept)"
                             % self.target.id)
        self.send("XdndDrop", [source, 0, self.time, 0, 0])
        finished = self.wait_client_message("XdndFinished")
        if self.version >= 5 and not finished[1] & 1:
            raise DropFailed(EXIT_REFUSED, "the target window 0x%x reports the drop as not performed "
                             "(XdndFinished without accept)" % self.target.id)
        if self.files_handed_out == 0:
            raise DropFailed(EXIT_REFUSED, "the target finished without asking for the files")
        return self.target


def main(argv):
    args = argv[1:]
    timeout = 10.0
    if len(args) >= 2 and args[0] == "--timeout":
        timeout = float(args[1])
        args = args[2:]
    if len(args) < 3:
        sys.stderr.write(__doc__.split("\n\n")[1] + "\n")
        return EXIT_USAGE
    try:
        x, y = int(args[-2]), int(args[-1])
    except ValueError:
        sys.stderr.write("xdnd_drop: the root coordinates must be integers\n")
        return EXIT_USAGE
    paths = args[:-2]
    try:
        dpy = display.Display()
    except Exception as e:  # no DISPLAY, or the server does not answer
        sys.stderr.write("xdnd_drop: cannot open the display: %s\n" % e)
        return EXIT_USAGE
    try:
        target = DropSource(dpy, paths, timeout).drop(x, y)
    except DropFailed as failure:
        sys.stderr.write("xdnd_drop: %s\n" % failure)
        return failure.status
    finally:
        dpy.close()
    sys.stdout.write("xdnd_drop: dropped %d file(s) on window 0x%x\n" % (len(paths), target.id))
    return EXIT_OK


if __name__ == "__main__":
    sys.exit(main(sys.argv))
