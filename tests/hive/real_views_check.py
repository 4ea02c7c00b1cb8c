#!/usr/bin/python3
"""Checks tolvane-list's devices and services of a real SYSTEM hive against a reading of its
own: the values as `hivexregedit --export` writes them, the key times and the device property
times as python3-hivex reads them, the current control set as Select names it.

usage: real_views_check.py HIVE DEVICES.csv SERVICES.csv   (the two views in CSV)
"""
import csv
import datetime
import re
import struct
import subprocess
import sys

import hivex

TIMES_SET = "{83da6326-97a6-4088-9453-a1923f573b29}"
DRIVER_TYPES = {1: "kernel", 2: "file system", 4: "adapter", 8: "recognizer"}
STARTS = {0: "boot", 1: "system", 2: "auto", 3: "demand", 4: "disabled"}
ERROR_CONTROLS = {0: "ignore", 1: "normal", 2: "severe", 3: "critical"}


def iso(filetime):
    start = datetime.datetime(1601, 1, 1, tzinfo=datetime.timezone.utc)
    return (start + datetime.timedelta(seconds=filetime // 10**7)).strftime("%Y-%m-%dT%H:%M:%SZ")


def exported(hive, key):
    """{key path from the hive's root: {value name: (type, bytes)}}, in the export's order."""
    text = subprocess.run(["hivexregedit", "--export", "--prefix", "", hive, key],
                          check=True, capture_output=True).stdout.decode("utf-8")
    keys, values = {}, None
    for line in text.splitlines():
        if line.startswith("[\\"):
            values = keys.setdefault(line[2:-1], {})
            continue
        match = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
        if not match:
            continue
        name = "" if match[1] == "@" else re.sub(r"\\(.)", r"\1", match[1][1:-1])
        data = match[2]
        if data.startswith("dword:"):
            values[name] = (4, struct.pack("<I", int(data[6:], 16)))
        elif data.startswith("hex"):
            kind, _, octets = data.partition(":")
            values[name] = (int(kind[4:-1], 16) if kind != "hex" else 3,
                            bytes(int(o, 16) for o in octets.split(",") if o))
        else:
            values[name] = (1, (re.sub(r"\\(.)", r"\1", data[1:-1]) + "\0").encode("utf-16-le"))
    return keys


def text(value):
    """A value as the listing writes it (REG_SZ and REG_EXPAND_SZ up to a NUL, REG_MULTI_SZ
    joined by ';', DWORD and QWORD in decimal, anything else in hex)."""
    if value is None:
        return ""
    kind, data = value
    if kind in (1, 2):
        units = data[: len(data) & ~1].decode("utf-16-le", "replace")
        return units.split("\0")[0]
    if kind == 7:
        units = data[: len(data) & ~1].decode("utf-16-le", "replace")
        while units.endswith("\0"):
            units = units[:-1]
        return units.replace("\0", ";")
    if (kind, len(data)) in ((4, 4), (11, 8)):
        return str(int.from_bytes(data, "little"))
    return data.hex()


def shown(raw):
    if not raw.startswith("@") or ";" not in raw:
        return raw
    rest = raw.split(";", 1)[1]
    at = rest.rfind(";(")
    if at < 0 or not rest.endswith(")"):
        return rest
    inserts = rest[at + 2:-1].split(",")
    return re.sub(r"%(\d{1,2})", lambda m: inserts[int(m[1]) - 1]
                  if 1 <= int(m[1]) <= len(inserts) else m[0], rest[:at])


def file_path(name, image):
    if not image:
        return "%SystemRoot%\\System32\\drivers\\" + name + ".sys"
    if image.upper().startswith("\\SYSTEMROOT\\"):
        return "%SystemRoot%" + image[11:]
    if image.startswith("\\??\\"):
        return image[4:]
    if image.startswith(("\\", "%")) or image[1:2] == ":":
        return image
    return "%SystemRoot%\\" + image


def walk(h, node, path, depth):
    """The paths of the keys depth levels under node, in the order the hive stores them."""
    if depth == 0:
        return [path]
    return [p for c in h.node_children(node) for p in walk(h, c, path + "\\" + h.node_name(c), depth - 1)]


def child(h, node, path):
    for name in path.split("\\"):
        node = h.node_get_child(node, name) if node else None
    return node


def value(h, node, name):
    try:
        return h.value_value(h.node_get_value(node, name))
    except RuntimeError:
        return None


def property_time(h, instance, prop):
    node = child(h, instance, "Properties\\%s\\%s" % (TIMES_SET, prop))
    if not node:
        return ""
    kind_data = value(h, node, "")
    if kind_data and kind_data[0] == 0xFFFF0010 and len(kind_data[1]) == 8:
        return iso(int.from_bytes(kind_data[1], "little"))
    old = child(h, node, "00000000")
    data = value(h, old, "Data") if old else None
    return iso(int.from_bytes(data[1], "little")) if data and len(data[1]) == 8 else ""


def compare(what, got, want):
    problems = []
    if [r[want[0][0][0]] for r in got] != [r[0][1] for r in want]:
        problems.append("%s: not the same rows in the same order (%d listed, %d expected)"
                        % (what, len(got), len(want)))
    for row, fields in zip(got, want):
        for field, expected in fields:
            if row[field] != expected:
                problems.append("%s %s: %s is %r, expected %r"
                                % (what, fields[0][1], field, row[field], expected))
    return problems


def main():
    hive, devices_csv, services_csv = sys.argv[1:4]
    h = hivex.Hivex(hive)
    root = h.root()
    current = "ControlSet%03d" % int.from_bytes(value(h, child(h, root, "Select"), "Current")[1], "little")
    enum = exported(hive, "\\%s\\Enum" % current)
    devices, named = [], {}
    for path in walk(h, child(h, root, current + "\\Enum"), current + "\\Enum", 3):
        values, parts = enum[path], path.split("\\")
        device_id = "\\".join(parts[2:])
        node = child(h, root, path)
        get = lambda name: text(values.get(name))
        service = get("Service")
        if service:
            named[service.upper()] = named.get(service.upper(), 0) + 1
        driver = ""
        if get("Driver"):
            record = child(h, root, "%s\\Control\\Class\\%s" % (current, get("Driver")))
            driver = text(value(h, record, "DriverDesc")) if record else ""
        flags = values.get("ConfigFlags")
        disabled = ""
        if flags and flags[0] == 4 and len(flags[1]) == 4:
            disabled = "yes" if int.from_bytes(flags[1], "little") & 1 else "no"
        devices.append([("device_id", device_id), ("control_set", current), ("enumerator", parts[2]),
                        ("key_path", path), ("last_written", iso(h.node_timestamp(node))),
                        ("description_raw", get("DeviceDesc")), ("description", shown(get("DeviceDesc"))),
                        ("friendly_name_raw", get("FriendlyName")), ("friendly_name", shown(get("FriendlyName"))),
                        ("manufacturer_raw", get("Mfg")), ("manufacturer", shown(get("Mfg"))),
                        ("class_guid", get("ClassGUID")), ("class_name", get("Class")),
                        ("hardware_ids", get("HardwareID")), ("compatible_ids", get("CompatibleIDs")),
                        ("service", service), ("driver_key", get("Driver")), ("driver", driver),
                        ("container_id", get("ContainerID")), ("config_flags", get("ConfigFlags")),
                        ("disabled", disabled),
                        ("install_date", property_time(h, node, "0064")),
                        ("first_install_date", property_time(h, node, "0065")),
                        ("last_arrival_date", property_time(h, node, "0066")),
                        ("last_removal_date", property_time(h, node, "0067"))])
    services = []
    exports = exported(hive, "\\%s\\Services" % current)
    for path in walk(h, child(h, root, current + "\\Services"), current + "\\Services", 1):
        values, parts = exports[path], path.split("\\")
        kind = values.get("Type")
        if not kind or kind[0] != 4 or int.from_bytes(kind[1], "little") not in DRIVER_TYPES:
            continue
        get = lambda name: text(values.get(name))
        words = lambda name, names: (names.get(int(get(name)), get(name))
                                     if values.get(name, (0,))[0] == 4 else get(name))
        services.append([("name", parts[2]), ("control_set", current), ("key_path", path),
                         ("last_written", iso(h.node_timestamp(child(h, root, path)))),
                         ("display_name_raw", get("DisplayName")), ("display_name", shown(get("DisplayName"))),
                         ("description_raw", get("Description")), ("description", shown(get("Description"))),
                         ("type", DRIVER_TYPES[int(get("Type"))]), ("start", words("Start", STARTS)),
                         ("error_control", words("ErrorControl", ERROR_CONTROLS)), ("group", get("Group")),
                         ("tag", get("Tag")), ("image_path", get("ImagePath")),
                         ("file_path", file_path(parts[2], get("ImagePath"))), ("owners", get("Owners")),
                         ("devices", str(named.get(parts[2].upper(), 0)))])
    listed = lambda name: list(csv.DictReader(open(name, newline="", encoding="utf-8")))
    problems = compare("device", listed(devices_csv), devices) + \
        compare("service", listed(services_csv), services)
    for problem in problems[:20]:
        print(problem)
    print("%d devices, %d driver services, %d differences" % (len(devices), len(services), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
