#!/usr/bin/python3
# A GTK 3 window titled "GTK-Textansicht" with a text view of three lines, the word "Welt" on
# the second selected. Prints "window <id>" once shown; the line "text" makes it print the
# view's text as "text <JSON string>".
import json
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import GdkX11, GLib, Gtk  # noqa: E402,F401

window = Gtk.Window(title="GTK-Textansicht")
window.set_default_size(480, 220)
view = Gtk.TextView()
view.get_buffer().set_text("Liebe Anna,\nhallo Welt und danke.\nBis bald")
window.add(view)
window.connect("destroy", Gtk.main_quit)


def shown(*_):
    view.grab_focus()
    buffer = view.get_buffer()
    start = buffer.get_iter_at_line_offset(1, 6)
    end = buffer.get_iter_at_line_offset(1, 10)
    buffer.select_range(start, end)
    print("window %d" % window.get_window().get_xid(), flush=True)
    return False


def command(source, _condition):
    line = source.readline()
    if not line:
        return False
    if line.startswith("text"):
        buffer = view.get_buffer()
        text = buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)
        print("text " + json.dumps(text), flush=True)
    return True


window.connect("map-event", lambda *_: GLib.idle_add(shown))
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
window.show_all()
Gtk.main()
