#!/usr/bin/python3
"""Prints the labels of a running program as a screen reader reads them through AT-SPI, one per
line: the window's name, a tab, the label's name. Lists and tables are not entered.
Usage: atspi_labels.py <process id>"""
import sys

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
PROPERTIES = "org.freedesktop.DBus.Properties"


def main():
    pid = int(sys.argv[1])
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
        dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(address)
    daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")

    def walk(name, path, window):
        node = bus.get_object(name, path)
        role = node.GetRoleName(dbus_interface=ACCESSIBLE)
        text = str(node.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES)).replace("\n", "\\n")
        if role in ("dialog", "frame", "window", "alert"):
            window = text
        if role == "label":
            print("%s\t%s" % (window, text))
        if role in ("tree", "table", "list"):
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
