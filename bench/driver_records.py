"""Writes a registry file with N device setup classes under ControlSet002, each with INSTANCES
instance keys (0000, 0001, ...; one unless given) holding all nine values the scan reads, and
SYSTEM\\Select naming ControlSet002 as the current control set: the records the start-up
benchmark imports into a prefix of its own, and the hives of the inventory's benchmark.
usage: driver_records.py N [INSTANCES] > records.reg"""
import sys


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
    sys.stdout.write("\r\n".join(out) + "\r\n")


if __name__ == "__main__":
    main()
