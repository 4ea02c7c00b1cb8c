#!/usr/bin/env python3
"""Writes the .reg text of the devices and driver services the view tests list: Select naming
ControlSet002, whose devices keep their times in both stored forms (Windows 10's typed default
value, Windows 7's 00000000 subkey), name a driver record (in another case) or none, one
disabled, with indirect display strings of both kinds; its driver services are of every type
and start value, with each form of ImagePath and none, beside a service that is no driver's,
one whose Type is a string and one with no Type; ControlSet001 differs. Texts are hex(1), so
that any character reaches the hive as written.

usage: views_reg.py OUT.reg [--for-wine]
"""
import struct
import sys

ft = {"a": 132014388300000000, "b": 132014388310000000, "c": 132540302450000000,
      "d": 132567987060000000}
def hexs(data): return ",".join("%02x" % x for x in data)
def sz(name, text, kind=1): return '"%s"=hex(%d):%s' % (name, kind, hexs((text + "\0").encode("utf-16-le")))
def multi(name, items): return '"%s"=hex(7):%s' % (name, hexs(("\0".join(items) + "\0\0").encode("utf-16-le")))
def dword(name, n): return '"%s"=dword:%08x' % (name, n)
def key(path, *values): return "[HKEY_LOCAL_MACHINE\\SYSTEM\\%s]\r\n%s\r\n" % (path, "".join(v + "\r\n" for v in values))
times = "{83da6326-97a6-4088-9453-a1923f573b29}"
def win10(dev, prop, data): return key("%s\\Properties\\%s\\%s" % (dev, times, prop), "@=hex(ffff0010):" + hexs(data))
def win7(dev, prop, t): return key("%s\\Properties\\%s\\%s\\00000000" % (dev, times, prop), dword("Type", 0x10), '"Data"=hex:' + hexs(struct.pack("<Q", t)))
e, s1, s2 = "ControlSet002\\Enum\\", "ControlSet001\\Services\\", "ControlSet002\\Services\\"
pci, hub = e + "PCI\\VEN_8086&DEV_15B7\\3&11583659&0&FE", e + "USB\\ROOT_HUB30\\4&2a8c4a0b&0"
stick, bad = e + "USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler\\0019E06B9C85&0", e + "ROOT\\LEGACY_BAD\\0000"
out = ["Windows Registry Editor Version 5.00\r\n\r\n",
  key("Select", dword("Current", 2)),
  key("ControlSet002\\Control\\ComputerName\\ComputerName", sz("ComputerName", "VIEWS-PC")),
  key("ControlSet002\\Control\\Class\\{4d36e972-e325-11ce-bfc1-08002be10318}\\0003",
      sz("DriverDesc", "Intel(R) Ethernet Connection I219-LM"), sz("DriverVersion", "12.17.8.9"),
      sz("DriverDate", "3-14-2019")),
  key(pci, sz("DeviceDesc", "@oem12.inf,%e15b7.devicedesc%;Intel(R) Ethernet Connection"),
      sz("Mfg", "@oem12.inf,%intel%;Intel"), sz("ClassGUID", "{4d36e972-e325-11ce-bfc1-08002be10318}"),
      sz("Class", "Net"), multi("HardwareID", ["PCI\\VEN_8086&DEV_15B7&SUBSYS_07A61028", "PCI\\VEN_8086&DEV_15B7"]),
      multi("CompatibleIDs", ["PCI\\CC_020000"]), sz("Service", "e1dexpress"),
      sz("Driver", "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0003"),
      sz("ContainerID", "{00000000-0000-0000-ffff-ffffffffffff}"), dword("ConfigFlags", 0)),
  win10(pci, "0064", struct.pack("<Q", ft["c"])), win10(pci, "0065", struct.pack("<Q", ft["a"])),
  win10(pci, "0066", struct.pack("<Q", ft["d"])),
  key(hub, sz("DeviceDesc", "@System32\\drivers\\usbxhci.sys,#1073807361;%1 USB %2 eXtensible Host Controller - %3 (Microsoft);(Intel,3.0,1.0)"),
      sz("Service", "USBHUB3"), sz("Driver", "{36fc9e60-c465-11cf-8056-444553540000}\\0099"),
      dword("ConfigFlags", 0x41)),
  win7(hub, "0064", ft["b"]), win7(hub, "0065", ft["a"]), win7(hub, "0067", ft["d"]),
  key(stick, sz("FriendlyName", "Флешка 😀 USB"), sz("Service", "USBSTOR"), sz("ContainerID", "{1}")),
  key(bad, sz("DeviceDesc", "Bad times"), sz("Service", "usbstor")),
  win10(bad, "0064", b"\1\2\3"), win10(bad, "0066", struct.pack("<Q", ft["b"])),
  key("ControlSet001\\Enum\\ROOT\\OLD\\0000", sz("DeviceDesc", "Old device"), sz("Service", "oldsvc")),
  key(s2 + "e1dexpress", dword("Type", 1), dword("Start", 3), dword("ErrorControl", 1),
      sz("ImagePath", "\\SystemRoot\\System32\\drivers\\e1d68x64.sys", 2),
      sz("DisplayName", "@oem12.inf,%e1dexpress.svc%;Intel(R) PRO/1000 Driver"), sz("Group", "NDIS"),
      dword("Tag", 5), multi("Owners", ["oem12.inf"])),
  key(s2 + "usbstor", dword("Type", 1), dword("Start", 3), dword("ErrorControl", 1),
      sz("ImagePath", "System32\\drivers\\USBSTOR.SYS", 2), sz("Group", "Base")),
  key(s2 + "Ntfs", dword("Type", 2), dword("Start", 0), dword("ErrorControl", 3), sz("Group", "Boot File System")),
  key(s2 + "netadapter", dword("Type", 4), dword("Start", 1), dword("ErrorControl", 2),
      sz("ImagePath", "\\??\\C:\\Drivers\\netadp.sys", 2)),
  key(s2 + "Fs_Rec", dword("Type", 8), dword("Start", 2), dword("ErrorControl", 0),
      sz("Description", "@%SystemRoot%\\system32\\drivers\\fs_rec.sys,-100"), sz("ImagePath", "system32\\drivers\\fs_rec.sys", 2)),
  key(s2 + "offdrv", dword("Type", 1), dword("Start", 4), dword("ErrorControl", 9),
      sz("ImagePath", "\\SystemRoot\\system32\\drivers\\offdrv.sys", 2)),
  key(s2 + "USBHUB3", dword("Type", 1), dword("Start", 7), sz("ImagePath", "\\SystemRoot\\System32\\drivers\\UsbHub3.sys", 2)),
  key(s2 + "Dhcp", dword("Type", 32), dword("Start", 2)),
  key(s2 + "BadType", sz("Type", "1"), dword("Start", 3)),
  key(s2 + "NoType", dword("Start", 3)),
  key(s1 + "oldsvc", dword("Type", 1), dword("Start", 3), sz("ImagePath", "System32\\drivers\\old.sys", 2))]
if sys.argv[2:] == ["--for-wine"]:
    # wine reg import reads hex(1) data as UTF-16 only from a UTF-16LE file with a BOM; the
    # prefix's Select and ControlSet001 (Wine's current set) stay as they are.
    out = [k for k in out if "\\Select]" not in k and "\\ControlSet001\\" not in k]
    open(sys.argv[1], "w", encoding="utf-16", newline="").write("".join(out))
else:
    open(sys.argv[1], "w", encoding="utf-8", newline="").write("".join(out))
