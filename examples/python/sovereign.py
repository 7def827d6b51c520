#!/usr/bin/python3
"""An example Sovereign: sells one voucher through pcQUIBA on the session bus and prints it here.

usage: sovereign.py [--phone NUMBER] [--customer SCRIPT]   (see examples/README.md)"""
import argparse, os, sys, time
import dbus, dbus.lowlevel, dbus.mainloop.glib
from gi.repository import GLib

NAME, ROOT, WIDTH = "org.pcquiba.pcQUIBA", "/org/pcquiba/pcQUIBA", 40
options = argparse.ArgumentParser()
options.add_argument("--phone", default="0412345678")
options.add_argument("--customer", help="steps of a scripted customer, for a screen nobody watches")
options = options.parse_args()
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
heard, held, slip = {}, [], []

def run_until(done, seconds=120):  # serves pcQUIBA's events meanwhile
    deadline, tick = time.monotonic() + seconds, GLib.timeout_add(50, lambda: True)
    while not done():
        if time.monotonic() > deadline: sys.exit("pcQUIBA did not answer in time")
        GLib.MainContext.default().iteration(True)
    GLib.source_remove(tick)

def call(path, interface, member, *args, signature=None):
    out = []
    bus.call_async(NAME, path, interface, member, signature or "v" * len(args), args,
                   lambda *values: out.append(values[0] if values else None), lambda error: out.append(error))
    run_until(lambda: out)
    if isinstance(out[0], Exception): sys.exit(f"{member}: {out[0].get_dbus_name()}: {out[0].get_dbus_message()}")
    if isinstance(out[0], dbus.ObjectPath) and out[0] != "/": held.append(out[0])
    return out[0]

def do(path, cls, member, *args): return call(path, "org.pcquiba." + cls, member, *args)
def get(path, cls, name): return call(path, dbus.PROPERTIES_IFACE, "Get", "org.pcquiba." + cls, name, signature="ss")
def put(path, cls, name, value): call(path, dbus.PROPERTIES_IFACE, "Set", "org.pcquiba." + cls, name, value, signature="ssv")

def on_event(event, *args):  # returns the by-reference values to hand back
    heard[event] = args
    held.extend(a for a in args if isinstance(a, dbus.ObjectPath) and a != "/")
    if event == "GetData":
        print(f"pcQUIBA asks for: {args[0]} {args[3]}")
        return (options.phone, False) if args[1] == "PHONE" else (args[4], True)
    if event == "PrintVoucher": slip.clear()
    elif event == "PrintText":
        align = {"c": str.center, "r": str.rjust}.get(str(args[4])[:1].lower(), str.ljust)
        slip.append(align(" " * int(args[5]) + str(args[6]), WIDTH))
    elif event in ("PrintLine", "PrintCut"): slip.append(("- " if event == "PrintCut" else "-") * WIDTH)
    elif event in ("PrintBarcode", "PrintImage"): slip.append(f"[{event[5:].lower()}: {os.path.basename(args[-1])}]".center(WIDTH))
    elif event == "PrintVoucherEnd": print("\n".join("| " + line[:WIDTH].ljust(WIDTH) + " |" for line in slip))
    return ()

def relay(connection, message):
    if not isinstance(message, dbus.lowlevel.MethodCallMessage) or message.get_interface() != "org.pcquiba.APIEvents":
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    back, reply = on_event(message.get_member(), *message.get_args_list()), dbus.lowlevel.MethodReturnMessage(message)
    if back: reply.append(*back, signature="v" * len(back))
    connection.send_message(reply)
    return dbus.lowlevel.HANDLER_RESULT_HANDLED

bus.add_message_filter(relay)
api = do(ROOT, "pcQUIBA", "CreateAPI")  # the session bus starts pcQUIBA when it is not running
do(api, "API", "Advise", dbus.ObjectPath("/sink"))
run_until(lambda: get(api, "API", "IsReady"))
for name, value in [("SovereignName", "Example Sovereign"), ("SovereignVersion", "1.0"), ("POSDeviceID", "TILL-1"),
                    ("POSOperatorID", "OP-1"), ("POSReferenceID", f"SALE-{os.getpid()}"), ("WellBehaved", True)]:
    put(api, "API", name, value)
if not get(api, "API", "IsAssigned"): print(do(api, "API", "Assign3"))
basket, screen, settings = do(api, "API", "Basket"), do(api, "API", "UserInterface"), do(api, "API", "Settings")
if options.customer: do(settings, "Settings", "PutSetting", "SIMULATOR", "script", options.customer)
do(screen, "UserInterface", "Show")
print("The customer chooses on the kiosk screen ...")
run_until(lambda: "ItemAdded" in heard or "Surrender" in heard, 600)
if options.customer: do(settings, "Settings", "EraseSetting", "SIMULATOR", "script")
if not get(basket, "Basket", "IsCommitted"):
    if "ItemAdded" not in heard: sys.exit(f"No sale: {heard['Surrender'][1]}")
    do(screen, "UserInterface", "Hide")  # the till takes the payment, then commits
    do(basket, "Basket", "Commit")
run_until(lambda: "BasketCommitted" in heard)
vouchers = do(basket, "Basket", "Vouchers")
do(vouchers, "Vouchers", "RaisePrintEvents", True)  # each voucher as text, above
do(vouchers, "Vouchers", "PrintAll", True)  # and on pcQUIBA's own printer
for path in reversed(dict.fromkeys(held)): call(path, None, "Release")
print(f"Sold: {heard['BasketCommitted'][0]} voucher(s)")
