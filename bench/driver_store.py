"""Writes what the driver-store and driver-file benchmarks read: a registry file of a SYSTEM
hive with N driver-store packages (each with every value the packages view reads, its
DriverInfFiles entry, and the class keys they name), a registry file of an Amcache hive with N
driver files (every value the files view reads), or a known-vulnerable list of N entries in
the LOLDrivers project's JSON shape, each with two samples, every tenth SHA-1 one of the
Amcache hive's.
usage: driver_store.py packages|amcache|list N > FILE"""
import hashlib
import json
import struct
import sys

ROOT = r"HKEY_LOCAL_MACHINE\SYSTEM"
CLASSES = ["{4d36e972-e325-11ce-bfc1-08002be10318}", "{4d36e97d-e325-11ce-bfc1-08002be10318}",
           "{36fc9e60-c465-11cf-8056-444553540000}", "{4d36e968-e325-11ce-bfc1-08002be10318}"]


def hex_text(name, text):
    data = (text + "\0").encode("utf-16-le")
    return '%s=hex(1):%s' % ("@" if name == "@" else '"%s"' % name, ",".join("%02x" % b for b in data))


def hex_bytes(name, data):
    return '"%s"=hex:%s' % (name, ",".join("%02x" % b for b in data))


def sha1(i):
    return hashlib.sha1(b"driver file %d" % i).hexdigest()


def version(i):
    guid = CLASSES[i % len(CLASSES)][1:-1].split("-")
    data = struct.pack("<IHH", int(guid[0], 16), int(guid[1], 16), int(guid[2], 16))
    data += bytes.fromhex(guid[3] + guid[4])
    parts = (10, 0, 19041 + i % 100, i)
    return b"\0" * 8 + data + struct.pack("<QQ", 132000000000000000 + i * 864000000000,
                                          parts[0] << 48 | parts[1] << 32 | parts[2] << 16 | parts[3]) + b"\0" * 8


def packages(count):
    out = ["[%s\\Select]" % ROOT, '"Current"=dword:00000001', "",
           "[%s\\ControlSet001\\Control\\ComputerName\\ComputerName]" % ROOT,
           hex_text("ComputerName", "BENCH-PC"), ""]
    for i, guid in enumerate(CLASSES):
        out += ["[%s\\ControlSet001\\Control\\Class\\%s]" % (ROOT, guid), hex_text("Class", "Class%d" % i), ""]
    for i in range(count):
        name = "bench%04d.inf_amd64_%016x" % (i, i * 7919)
        published = "oem%d.inf" % i if i % 4 else "bench%04d.inf" % i
        out += ["[%s\\DriverDatabase\\DriverPackages\\%s]" % (ROOT, name), hex_text("@", published),
                hex_text("Provider", "Bench Vendor %d" % (i % 13)), hex_text("InfName", "bench%04d.inf" % i),
                hex_text("SignerName", "Microsoft Windows Hardware Compatibility Publisher"),
                '"SignerScore"=dword:0d000005', hex_bytes("ImportDate", struct.pack("<Q", 132500000000000000 + i)),
                hex_text("Catalog", "bench%04d.cat" % i), hex_bytes("Version", version(i)), "",
                "[%s\\DriverDatabase\\DriverInfFiles\\%s]" % (ROOT, published), hex_text("Active", name), ""]
    return out


def amcache(count):
    out = []
    for i in range(count):
        out += ["[%s\\Root\\InventoryDriverBinary\\c:/windows/system32/drivers/bench%04d.sys]" % (ROOT, i),
                hex_text("DriverId", "0000" + sha1(i)), hex_text("DriverName", "bench%04d.sys" % i),
                hex_text("DriverCompany", "Bench Vendor %d" % (i % 13)), hex_text("Product", "Bench Product"),
                hex_text("ProductVersion", "10.0.%d" % i), hex_text("DriverVersion", "10.0.19041.%d" % i),
                hex_text("DriverSigned", "true"), hex_text("DriverInBox", "false"),
                hex_text("DriverIsKernelMode", "true"), '"DriverTimeStamp"=dword:%08x' % (1500000000 + i),
                hex_text("DriverLastWriteTime", "09/15/2018 09:28:46"), '"ImageSize"=dword:%08x' % (4096 * (i % 50 + 1)),
                hex_text("Service", "bench%04d" % i), hex_text("Inf", "oem%d.inf" % i),
                hex_text("DriverPackageStrongName", "bench%04d.inf_amd64_%016x" % (i, i * 7919)),
                hex_text("WdfVersion", "1.15"), ""]
    return out


def known_vulnerable(count):
    entries = []
    for i in range(count):
        samples = [{"Filename": "vuln%04d.sys" % i, "MD5": hashlib.md5(b"%d" % i).hexdigest(),
                    "SHA1": sha1(i) if i % 10 == 0 else hashlib.sha1(b"sample %d" % i).hexdigest(),
                    "SHA256": hashlib.sha256(b"%d" % i).hexdigest(), "Publisher": "Bench Vendor",
                    "Description": "Bench driver %d" % i, "Imports": ["ntoskrnl.exe", "HAL.dll"]},
                   {"Filename": "afd.sys", "SHA256": hashlib.sha256(b"afd %d" % i).hexdigest()}]
        entries.append({"Id": "%08x-0000-4000-8000-%012x" % (i, i), "Category": "vulnerable driver",
                        "Author": "bench", "Commands": {"Command": "sc.exe create", "Usecase": "Elevate privileges"},
                        "Tags": ["vuln%04d.sys" % i], "KnownVulnerableSamples": samples})
    return entries


def main():
    kind, count = sys.argv[1], int(sys.argv[2])
    if kind == "list":
        json.dump(known_vulnerable(count), sys.stdout, indent=2)
        return
    lines = packages(count) if kind == "packages" else amcache(count)
    sys.stdout.write("Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    main()
