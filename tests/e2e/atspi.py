#!/usr/bin/python3
"""Reads a running program as a screen reader reads it through AT-SPI.
  atspi.py labels <process id>: its labels, one per line: the window's name, a tab, the label's
    name. Lists and tables are not entered.
  atspi.py table <process id> <window name>: the tables of that window, cell by cell: a line of
    the column headings, then one line per row, cells joined by "|"."""
import sys

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
TABLE = "org.a11y.atspi.Table"
PROPERTIES = "org.freedesktop.DBus.Properties"
WINDOWS = ("dialog", "frame", "window", "alert")
TABLES = ("tree", "table", "tree table", "list")


def main():
    mode, pid = sys.argv[1], int(sys.argv[2])
    title = sys.argv[3] if mode == "table" else None
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
        dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(address)
    daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")

    def name_of(name, path):
        node = bus.get_object(name, path)
        return str(node.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES))

    def print_table(name, path):
        node = bus.get_object(name, path)
        rows = int(node.Get(TABLE, "NRows", dbus_interface=PROPERTIES))
        columns = int(node.Get(TABLE, "NColumns", dbus_interface=PROPERTIES))
        headings = []
        for column in range(columns):
            header = node.GetColumnHeader(column, dbus_interface=TABLE)
            headings.append(name_of(*header) if str(header[1]) != "/org/a11y/atspi/null" else "")
        print("|".join(headings))
        for row in range(rows):
            cells = []
            for column in range(columns):
                cell = node.GetAccessibleAt(row, column, dbus_interface=TABLE)
                cells.append(name_of(*cell))
            print("|".join(cells))

    def walk(name, path, window):
        node = bus.get_object(name, path)
        role = node.GetRoleName(dbus_interface=ACCESSIBLE)
        text = name_of(name, path)
        if role in WINDOWS:
            window = text
        if mode == "labels" and role == "label":
            print("%s\t%s" % (window, text.replace("\n", "\\n")))
        if role in TABLES:
            if mode == "table" and window == title and role != "list":
                print_table(name, path)
            return
        for child, child_path in node.GetChildren(dbus_interface=ACCESSIBLE):
            walk(child, child_path, window)

    for name, path in registry.GetChildren(dbus_interface=ACCESSIBLE):
        try:
            owner = daemon.GetConnectionUnixProcessID(name, dbus_interface="org.freedesktop.DBus")
        except dbus.DBusException:
            continue
        if owner == pid:
            walk(name, path, "")


if __name__ == "__main__":
    main()
