"""Writes a registry file with N device setup classes under ControlSet002, each with INSTANCES
instance keys (0000, 0001, ...; one unless given) holding all nine values the scan reads, and
SYSTEM\\Select naming ControlSet002 as the current control set: the records the start-up
benchmark imports into a prefix of its own, and the hives of the inventory's benchmark. With
SERVICES and DEVICES, as many service keys (two in three a driver's, the others services of
their own process) and device instances (each naming a record and a driver service, with its
four property times), as a real SYSTEM hive holds them.
usage: driver_records.py N [INSTANCES [SERVICES DEVICES]] > records.reg"""
import struct
import sys


def hex_text(name, text, kind=1):
    data = (text + "\0").encode("utf-16-le")
    return '"%s"=hex(%d):%s' % (name, kind, ",".join("%02x" % b for b in data))


def services_and_devices(count, services, devices):
    out = []
    base = r"HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002"
    paths = ["\\SystemRoot\\System32\\drivers\\bench%04d.sys", "System32\\drivers\\bench%04d.sys",
             "\\??\\C:\\Bench\\bench%04d.sys", None]
    for i in range(services):
        out.append("[%s\\Services\\BenchSvc%04d]" % (base, i))
        driver = i % 3 != 2
        out.append('"Type"=dword:%08x' % ((1, 2, 4, 8)[i % 4] if driver else 0x10))
        out += ['"Start"=dword:%08x' % (i % 5), '"ErrorControl"=dword:00000001',
                hex_text("DisplayName", "@oem%d.inf,%%svc%d%%;Bench Service %d" % (i, i, i)),
                hex_text("Group", "Bench Group %d" % (i % 7)), '"Tag"=dword:%08x' % (i % 40)]
        if paths[i % 4]:
            out.append(hex_text("ImagePath", paths[i % 4] % i, 2))
        out += [hex_text("Description", "@%%SystemRoot%%\\System32\\drivers\\bench%04d.sys,-100" % i),
                '"Owners"=hex(7):' + ",".join("%02x" % b for b in ("oem%d.inf\0\0" % i).encode("utf-16-le")),
                ""]
    for i in range(devices):
        instance = "%s\\Enum\\PCI\\VEN_8086&DEV_%04X\\3&11583659&0&%02X" % (base, i, i % 256)
        out.append("[%s]" % instance)
        out += [hex_text("DeviceDesc", "@oem%d.inf,%%dev%d%%;Bench Device %d" % (i, i, i)),
                hex_text("Mfg", "@oem%d.inf,%%bench%%;Tolvane Bench" % i),
                hex_text("ClassGUID", "{%08d-e325-11ce-bfc1-08002be10318}" % (i % count)),
                hex_text("Class", "Bench"),
                '"HardwareID"=hex(7):' + ",".join("%02x" % b for b in ("PCI\\VEN_8086&DEV_%04X\0\0" % i).encode("utf-16-le")),
                hex_text("Service", "BenchSvc%04d" % (i * 3 // 2 % max(services, 1))),
                hex_text("Driver", "{%08d-e325-11ce-bfc1-08002be10318}\\0000" % (i % count)),
                hex_text("ContainerID", "{00000000-0000-0000-ffff-ffffffffffff}"),
                '"ConfigFlags"=dword:00000000', ""]
        for n, prop in enumerate(("0064", "0065", "0066", "0067")):
            out.append("[%s\\Properties\\{83da6326-97a6-4088-9453-a1923f573b29}\\%s]" % (instance, prop))
            time = struct.pack("<Q", 133600000000000000 + (i * 4 + n) * 10**7)
            out += ["@=hex(ffff0010):" + ",".join("%02x" % b for b in time), ""]
    return out


def main():
    count = int(sys.argv[1])
    instances = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    out = ["Windows Registry Editor Version 5.00", ""]
    out += [r"[HKEY_LOCAL_MACHINE\SYSTEM\Select]", '"Current"=dword:00000002', ""]
    base = r"HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\Class"
    for i in range(count):
        for n in range(instances):
            key = "%s\\{%08d-e325-11ce-bfc1-08002be10318}\\%04d" % (base, i, n)
            out.append("[%s]" % key)
            values = {
                "DriverDesc": "Benchmark Device %d" % i + (" #%d" % n if n else ""),
                "ProviderName": "Tolvane Bench",
                "DriverVersion": "10.0.%d.%d" % (i, n + 1),
                "DriverDate": "6-21-2006",
                "InfPath": "oem%d.inf" % i,
                "InfSection": "Bench_Install",
                "InfSectionExt": ".NTamd64",
                "MatchingDeviceId": "root\\bench%04d" % i,
                "EnumPropPages32": "bench.dll,PropPageProvider",
            }
            for name, text in values.items():
                out.append('"%s"="%s"' % (name, text.replace("\\", "\\\\")))
            out.append("")
    if len(sys.argv) > 4:
        out += services_and_devices(count, int(sys.argv[3]), int(sys.argv[4]))
    sys.stdout.write("\r\n".join(out) + "\r\n")


if __name__ == "__main__":
    main()
