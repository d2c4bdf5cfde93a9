#!/usr/bin/python3
# A GTK 3 window titled "GTK-Fenster" with an entry that a label names through its mnemonic
# (the "labelled-by" relation, no accessible name of its own), a password entry and an empty
# entry with a placeholder. Prints "window <id>" once shown; the lines "focus password" and
# "focus subject" move the focus to the password and the empty entry (the second says
# "focused subject" then), "subject <text>" puts a text into that entry. Started with "chat", the
# first entry is a chat's input line: Return prints "sent <text>" and empties it.
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import GdkX11, GLib, Gtk  # noqa: E402,F401

window = Gtk.Window(title="GTK-Fenster")
window.set_default_size(480, 200)
grid = Gtk.Grid(row_spacing=8, column_spacing=8, margin=12)
window.add(grid)

label = Gtk.Label.new_with_mnemonic("_Empfänger")
entry = Gtk.Entry()
entry.set_text("Anna Beispiel")
label.set_mnemonic_widget(entry)
grid.attach(label, 0, 0, 1, 1)
grid.attach(entry, 1, 0, 1, 1)

password_label = Gtk.Label.new_with_mnemonic("_Kennwort")
password = Gtk.Entry()
password.set_visibility(False)
password.set_text("geheim2")
password_label.set_mnemonic_widget(password)
grid.attach(password_label, 0, 1, 1, 1)
grid.attach(password, 1, 1, 1, 1)

subject_label = Gtk.Label.new_with_mnemonic("_Betreff")
subject = Gtk.Entry()
subject.set_placeholder_text("Worum geht es?")
subject_label.set_mnemonic_widget(subject)
grid.attach(subject_label, 0, 2, 1, 1)
grid.attach(subject, 1, 2, 1, 1)

window.connect("destroy", Gtk.main_quit)


def send(field):
    print("sent " + field.get_text(), flush=True)
    field.set_text("")


if "chat" in sys.argv[1:]:
    entry.connect("activate", send)


def shown(*_):
    entry.grab_focus()
    entry.select_region(5, 13)
    print("window %d" % window.get_window().get_xid(), flush=True)
    return False


def command(source, _condition):
    line = source.readline()
    if not line:
        return False
    if line.startswith("focus password"):
        password.grab_focus()
        password.select_region(0, -1)
    if line.startswith("focus subject"):
        subject.grab_focus()
        print("focused subject", flush=True)
    elif line.startswith("subject "):
        subject.set_text(line[len("subject "):].rstrip("\n"))
    return True


window.connect("map-event", lambda *_: GLib.idle_add(shown))
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
window.show_all()
Gtk.main()
