#!/usr/bin/python3
# One GTK 3 program with two windows, each holding an entry ("Eins" and "Zwei"); the first
# also has a button, which takes the keyboard there when the program is started with "button".
# Prints "window <id>" for each window once both are shown, then "text <n> <JSON string>" on
# every change of entry n.
import json
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import GdkX11, GLib, Gtk  # noqa: E402,F401

shown = []


def make(number, title, x):
    window = Gtk.Window(title=title)
    window.set_default_size(360, 80)
    window.move(x, 60)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    entry = Gtk.Entry()
    entry.connect("changed",
                  lambda e: print("text %d %s" % (number, json.dumps(e.get_text())), flush=True))
    box.add(entry)
    button = None
    if number == 1:
        button = Gtk.Button(label="Knopf")
        box.add(button)
    window.add(box)
    window.connect("destroy", Gtk.main_quit)

    def mapped(*_):
        if button is not None and "button" in sys.argv[1:]:
            button.grab_focus()
        else:
            entry.grab_focus()
        shown.append(window.get_window().get_xid())
        if len(shown) == 2:
            for xid in shown:
                print("window %d" % xid, flush=True)
        return False

    window.connect("map-event", mapped)
    window.show_all()


make(1, "GTK-Eins", 40)
make(2, "GTK-Zwei", 480)
Gtk.main()
