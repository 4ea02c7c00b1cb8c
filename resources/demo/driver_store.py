"""Writes, from the demo driver records (drivers.reg), the rest of the demo PC's drivers: the
driver store's packages of its SYSTEM hive (one a record's INF, and an older version of the
first vendor package, no longer active), the .reg of its Amcache hive (one driver file a
record, keyed by path with its SHA-1 in DriverId), and a small known-vulnerable list in the
LOLDrivers project's JSON shape, made up for the demo, on which one demo file's SHA-1 is.
usage: driver_store.py drivers.reg STORE.reg AMCACHE.reg LIST.json"""
import datetime
import hashlib
import json
import re
import struct
import sys
import uuid

ROOT = "HKEY_LOCAL_MACHINE\\SYSTEM\\"


def sz(name, text):
    data = (text + "\0").encode("utf-16-le")
    return '%s=hex(1):%s' % ("@" if name == "@" else '"%s"' % name, ",".join("%02x" % b for b in data))


def binary(name, data):
    return '"%s"=hex:%s' % (name, ",".join("%02x" % b for b in data))


def filetime(year, month, day):
    return (datetime.date(year, month, day) - datetime.date(1601, 1, 1)).days * 86400 * 10**7


def records(path):
    found, at = [], None
    for line in open(path, encoding="utf-8"):
        key = re.match(r"\[.*\\Control\\Class\\(\{[^}]*\})\\(\d{4})\]", line)
        if key:
            at = {"class": key[1].lower()}
            found.append(at)
        elif line.startswith("["):
            at = None
        elif at is not None and line.startswith('"') and "=" in line:
            name, _, value = line.strip().partition("=")
            at[name.strip('"')] = value.strip('"').replace("\\\\", "\\")
    return [r for r in found if r.get("InfPath")]


def main():
    drivers, store_path, amcache_path, list_path = sys.argv[1:5]
    store, amcache = ["Windows Registry Editor Version 5.00", ""], ["Windows Registry Editor Version 5.00", ""]
    seen, bases, first_oem, files = set(), set(), None, []
    for r in records(drivers):
        inf = r["InfPath"]
        if inf.lower() in seen:
            continue
        seen.add(inf.lower())
        oem = re.fullmatch(r"oem\d+\.inf", inf, re.I) is not None
        base = re.sub(r"[^a-z0-9]", "", r.get("DriverDesc", "driver").lower())[:8] or "driver"
        while base in bases:
            base = base[:7] + str(len(bases) % 10)
        bases.add(base)
        original = base + ".inf" if oem else inf
        package = "%s_amd64_%s" % (original, hashlib.sha1(original.encode()).hexdigest()[:16])
        month, day, year = (int(n) for n in r.get("DriverDate", "1-1-2006").split("-"))
        parts = [int(n) for n in (r.get("DriverVersion", "0.0.0.0").split(".") + ["0"] * 4)[:4]]

        def version(parts):
            return (b"\0" * 8 + uuid.UUID(r["class"]).bytes_le +
                    struct.pack("<QQ", filetime(year, month, day),
                                parts[0] << 48 | parts[1] << 32 | parts[2] << 16 | parts[3]) + b"\0" * 8)

        values = [sz("@", inf), sz("Provider", r.get("ProviderName", "")), sz("InfName", original),
                  sz("SignerName", "Microsoft Windows Hardware Compatibility Publisher" if oem else "Microsoft Windows"),
                  '"SignerScore"=dword:%08x' % (0x0D000005 if oem else 0x0D000001),
                  sz("Catalog", original[:-4] + ".cat"), binary("Version", version(parts))]
        if oem:
            values.append(binary("ImportDate", struct.pack("<Q", filetime(2024, 5, 14) + 36000 * 10**7)))
        store += ["[%sDriverDatabase\\DriverPackages\\%s]" % (ROOT, package)] + values + [""]
        packages = [package]
        if oem and first_oem is None:
            first_oem = older = "%s_amd64_%s" % (original, hashlib.sha1(b"older " + original.encode()).hexdigest()[:16])
            old = parts[:3] + [max(parts[3] - 1, 0)] if parts[3] else [parts[0], parts[1], max(parts[2] - 1, 0), 0]
            store += ["[%sDriverDatabase\\DriverPackages\\%s]" % (ROOT, older), sz("@", inf),
                      sz("Provider", r.get("ProviderName", "")), sz("InfName", original),
                      '"SignerScore"=dword:0d000005', binary("Version", version(old)), ""]
            packages.insert(0, older)
        store += ["[%sDriverDatabase\\DriverInfFiles\\%s]" % (ROOT, inf),
                  '"Active"="%s"' % package, ""]
        sha1 = hashlib.sha1(("demo " + package).encode()).hexdigest()
        files.append((base + ".sys", sha1, oem))
        amcache += ["[%sRoot\\InventoryDriverBinary\\c:/windows/system32/drivers/%s.sys]" % (ROOT, base),
                    sz("DriverId", "0000" + sha1), sz("DriverName", base + ".sys"),
                    sz("DriverCompany", r.get("ProviderName", "")), sz("Product", r.get("DriverDesc", "")),
                    sz("ProductVersion", r.get("DriverVersion", "")), sz("DriverVersion", r.get("DriverVersion", "")),
                    sz("DriverSigned", "true"), sz("DriverInBox", "false" if oem else "true"),
                    sz("DriverIsKernelMode", "true"),
                    '"DriverTimeStamp"=dword:%08x' % ((filetime(year, month, day) // 10**7) - 11644473600),
                    sz("DriverLastWriteTime", "%02d/%02d/%04d 10:00:00" % (month, day, year)),
                    '"ImageSize"=dword:%08x' % (40960 + 4096 * len(seen)), sz("Inf", inf),
                    sz("DriverPackageStrongName", package), ""]
    open(store_path, "w", newline="").write("\r\n".join(store) + "\r\n")
    open(amcache_path, "w", newline="").write("\r\n".join(amcache) + "\r\n")
    # The list: one entry whose sample is the last vendor's file, by its SHA-1, and one that
    # names the first demo file's name with another SHA-1, which is no match.
    name, sha1, _ = [f for f in files if f[2]][-1]
    entries = [
        {"Id": "d3m0d3m0-0000-4000-8000-000000000001", "Category": "vulnerable driver",
         "Tags": [name], "KnownVulnerableSamples": [{"Filename": name, "SHA1": sha1,
                                                     "SHA256": hashlib.sha256(sha1.encode()).hexdigest()}]},
        {"Id": "d3m0d3m0-0000-4000-8000-000000000002", "Category": "malicious",
         "KnownVulnerableSamples": [{"Filename": files[0][0], "SHA1": hashlib.sha1(b"look-alike").hexdigest()}]},
    ]
    json.dump(entries, open(list_path, "w"), indent=2)


if __name__ == "__main__":
    main()
