#!/usr/bin/python3
# A GTK 3 window with one entry, like a chat's input line: prints "window <id>" once shown,
# "text <JSON string>" on every change and, when Return is pressed, "sent <JSON string>" with
# what the entry held then.
import json

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import GdkX11, Gtk  # noqa: E402,F401

window = Gtk.Window(title="GTK-Eingabe")
window.set_default_size(420, 80)
entry = Gtk.Entry()
window.add(entry)
window.connect("destroy", Gtk.main_quit)
entry.connect("changed", lambda e: print("text " + json.dumps(e.get_text()), flush=True))
entry.connect("activate", lambda e: print("sent " + json.dumps(e.get_text()), flush=True))


def shown(*_):
    entry.grab_focus()
    print("window %d" % window.get_window().get_xid(), flush=True)
    return False


window.connect("map-event", shown)
window.show_all()
Gtk.main()
