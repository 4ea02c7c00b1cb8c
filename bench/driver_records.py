"""Writes a registry file with N device setup classes under ControlSet002, each with a
"0000" instance holding all nine values the scan reads: the records the start-up benchmark
imports into a prefix of its own.   usage: driver_records.py N > records.reg"""
import sys


def main():
    count = int(sys.argv[1])
    out = ["Windows Registry Editor Version 5.00", ""]
    base = r"HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\Class"
    for i in range(count):
        key = "%s\\{%08d-e325-11ce-bfc1-08002be10318}\\0000" % (base, i)
        out.append("[%s]" % key)
        values = {
            "DriverDesc": "Benchmark Device %d" % i,
            "ProviderName": "Tolvane Bench",
            "DriverVersion": "10.0.%d.1" % i,
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
