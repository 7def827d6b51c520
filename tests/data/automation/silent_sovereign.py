#!/usr/bin/python3
# A Sovereign that makes an API object, advises its sink and never answers GetData.
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


class Sink(dbus.service.Object):
    @dbus.service.method("org.pcquiba.APIEvents", in_signature="vvvvvv", out_signature="vv",
                         async_callbacks=("reply", "error"))
    def GetData(self, name, data_type, device, message, data, cancel, reply, error):
        print("GetData", flush=True)


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
sink = Sink(bus, "/sink")
factory = bus.get_object(sys.argv[1], "/org/pcquiba/pcQUIBA")
api = bus.get_object(sys.argv[1], factory.CreateAPI(dbus_interface="org.pcquiba.pcQUIBA"))
api.Advise(dbus.ObjectPath("/sink"), dbus_interface="org.pcquiba.API")
print("ready", flush=True)
GLib.MainLoop().run()
