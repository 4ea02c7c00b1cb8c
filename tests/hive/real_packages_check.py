#!/usr/bin/python3
"""Checks tolvane-list's driver-store packages of a real SYSTEM hive against a reading of its
own: the values as `hivexregedit --export` writes them, the key times as python3-hivex reads
them, the class GUID, date and version decoded here from the Version bytes (uuid, struct).

usage: real_packages_check.py HIVE PACKAGES.csv   (the view in CSV)
"""
import csv
import re
import struct
import sys
import uuid

import hivex

from real_views_check import child, compare, exported, iso, text, value, walk

PACKAGES = "DriverDatabase\\DriverPackages"


def main():
    hive, packages_csv = sys.argv[1:3]
    h = hivex.Hivex(hive)
    root = h.root()
    current = "ControlSet%03d" % int.from_bytes(value(h, child(h, root, "Select"), "Current")[1], "little")
    computer = text(value(h, child(h, root, current + "\\Control\\ComputerName\\ComputerName"), "ComputerName"))
    exports = exported(hive, "\\" + PACKAGES)
    infs = {path.split("\\")[-1].upper(): values
            for path, values in exported(hive, "\\DriverDatabase\\DriverInfFiles").items()}
    want = []
    for path in walk(h, child(h, root, PACKAGES), PACKAGES, 1):
        values, name = exports[path], path.split("\\")[-1]
        get = lambda value_name: text(values.get(value_name))
        guid = date = version = class_name = ""
        kind, data = values.get("Version", (0, b""))
        if kind == 3 and len(data) >= 40:
            guid = "{%s}" % uuid.UUID(bytes_le=data[8:24])
            date = iso(struct.unpack_from("<Q", data, 24)[0])[:10]
            version = ".".join(str(n) for n in reversed(struct.unpack_from("<4H", data, 32)))
            node = child(h, root, "%s\\Control\\Class\\%s" % (current, guid))
            class_name = text(value(h, node, "Class")) if node else ""
        published = get("")
        active = text(infs.get(published.upper(), {}).get("Active"))
        score = values.get("SignerScore")
        import_date = values.get("ImportDate")
        want.append([("package", name), ("computer_name", computer), ("key_path", path),
                     ("last_written", iso(h.node_timestamp(child(h, root, path)))),
                     ("published_name", published), ("original_name", get("InfName") or re.sub(r"_[^_]+_[^_]+$", "", name)),
                     ("provider", get("Provider")), ("class_guid", guid), ("class_name", class_name),
                     ("version", version), ("driver_date_iso", date), ("signer", get("SignerName")),
                     ("signer_score", "%08x" % int.from_bytes(score[1], "little") if score else ""),
                     ("import_date", iso(int.from_bytes(import_date[1], "little")) if import_date else ""),
                     ("catalog", get("Catalog")),
                     ("active", ("yes" if active.upper() == name.upper() else "no") if published else ""),
                     ("inbox", ("no" if re.fullmatch(r"oem\d+\.inf", published, re.I) else "yes") if published else "")])
    got = list(csv.DictReader(open(packages_csv, newline="", encoding="utf-8")))
    problems = compare("package", got, want)
    for problem in problems[:20]:
        print(problem)
    if problems:
        sys.exit(1)
    oem = sum(1 for row in got if row["inbox"] == "no")
    print("%d packages (%d from vendors, %d active) as the hive's DriverDatabase holds them"
          % (len(got), oem, sum(1 for row in got if row["active"] == "yes")))


if __name__ == "__main__":
    main()
