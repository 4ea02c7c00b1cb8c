#!/usr/bin/env python3
"""Damages a copy of a hive one way and prints the key paths of the driver records the damage
touches (one a line, as tolvane-list's key_path names them): a record is touched when a cell
it is read through lies in the damage (its key and every key above it, their subkey lists, its
value list, values and data, and those of Select and the computer name, which every record
shows). The others must list as they did.

usage: damage_hive.py IN OUT KIND
  zero-bin     the middle bin zeroed
  foreign-bin  the middle bin overwritten by foreign bytes (the same every run)
  value-list   the value list of the second record's key pointed outside the bins
  self-list    the first record's entry in its class key's subkey list pointed at the class key
  root-value   the base block's root offset pointed at a value cell (checksum made to hold)
  cut          the last 100 KB of its bins cut off (with what follows them in the file)
  repeats      the Class key's subkeys made its first class 4,000 times over, and that class's
               its first record's key 4,000 times over (16 million records from half a
               megabyte), in a bin added at the end: every record is touched
"""
import random
import struct
import sys

BASE = 0x1000
src, dst, kind = sys.argv[1:4]
b = bytearray(open(src, "rb").read())
u16 = lambda o: struct.unpack_from("<H", b, o)[0]
u32 = lambda o: struct.unpack_from("<I", b, o)[0]


def reseal_base_block():
    """The base block's checksum made to hold again after a change to it."""
    checksum = 0
    for i in range(0, 508, 4):
        checksum ^= u32(i)
    struct.pack_into("<I", b, 508, checksum or 1)


def cell_range(off):
    """The file bytes of the cell at a bins offset."""
    at = BASE + off
    return (at, at + abs(struct.unpack_from("<i", b, at)[0]))


def name_of(nk):
    at = BASE + nk + 4
    raw = bytes(b[at + 0x4C:at + 0x4C + u16(at + 0x48)])
    return raw.decode("latin-1" if u16(at + 2) & 0x20 else "utf-16-le")


def subkeys(nk):
    """(child offsets, the cells of the lists) of a key node."""
    at = BASE + nk + 4
    if u32(at + 0x14) == 0:
        return [], []
    lists, children, todo = [], [], [u32(at + 0x1C)]
    while todo:
        lst = todo.pop(0)
        lists.append(lst)
        la = BASE + lst + 4
        sig, count = bytes(b[la:la + 2]), u16(la + 2)
        stride = 8 if sig in (b"lf", b"lh") else 4
        for i in range(count):
            entry = u32(la + 4 + i * stride)
            (todo if sig == b"ri" else children).append(entry)
    return children, lists


def values(nk):
    """{name: (vk, data cells)} and the value list's cell."""
    at = BASE + nk + 4
    count, lst = u32(at + 0x24), u32(at + 0x28)
    found = {}
    for i in range(count):
        vk = u32(BASE + lst + 4 + 4 * i)
        va = BASE + vk + 4
        raw = bytes(b[va + 0x14:va + 0x14 + u16(va + 2)])
        name = raw.decode("latin-1" if u16(va + 0x10) & 1 else "utf-16-le")
        size, data = u32(va + 4), u32(va + 8)
        cells = [] if size & 0x80000000 or size == 0 else [data]
        if cells and size > abs(struct.unpack_from("<i", b, BASE + data)[0]) - 4:
            seg_list = u32(BASE + data + 4 + 4)
            cells += [seg_list] + [u32(BASE + seg_list + 4 + 4 * j)
                                   for j in range(u16(BASE + data + 4 + 2))]
        found[name.lower()] = (vk, cells)
    return found, ([lst] if count else [])


def key_cells(nk):
    """The cells a key's values are read through."""
    vals, lst = values(nk)
    return [nk] + lst + [c for vk, data in vals.values() for c in [vk] + data]


def child(nk, name):
    children, lists = subkeys(nk)
    for c in children:
        if name_of(c).lower() == name.lower():
            return c, lists
    raise SystemExit(f"no key {name}")


def path_cells(nk, path):
    """The key at path below nk and the cells of the way there."""
    cells = []
    for name in path.split("\\"):
        nk, lists = child(nk, name)
        cells += lists + [nk]
    return nk, cells


root = u32(0x24)
select, common = path_cells(root, "Select")
common += key_cells(select) + [root]
current = values(select)[0]["current"][0]
data = u32(BASE + current + 4 + 8)
control_set = "ControlSet%03d" % data
classes, cells = path_cells(root, control_set + "\\Control\\Class")
common += cells
try:
    name_key, cells = path_cells(root, control_set + "\\Control\\ComputerName\\ComputerName")
    common += cells + key_cells(name_key)
except SystemExit:
    pass
records = []  # (key path, class key, instance key, cells)
class_keys, class_lists = subkeys(classes)
common += class_lists
for cls in class_keys:
    instances, lists = subkeys(cls)
    for inst in instances:
        if "driverdesc" not in values(inst)[0]:
            continue
        path = "\\".join([control_set, "Control", "Class", name_of(cls), name_of(inst)])
        records.append((path, cls, inst, [cls] + lists + key_cells(cls) + key_cells(inst)))

damaged = []  # file byte ranges
if kind in ("zero-bin", "foreign-bin"):
    bins, at = [], BASE
    while at < len(b) and b[at:at + 4] == b"hbin":
        bins.append((at, at + u32(at + 8)))
        at = bins[-1][1]
    damaged = [bins[len(bins) // 2]]
    size = damaged[0][1] - damaged[0][0]
    fill = random.Random(27).randbytes(size) if kind == "foreign-bin" else bytes(size)
    b[damaged[0][0]:damaged[0][1]] = fill
elif kind == "value-list":
    inst = records[1][2]
    struct.pack_into("<I", b, BASE + inst + 4 + 0x28, 0x7FFFFFF0)
    touched = {records[1][0]}
elif kind == "self-list":
    path, cls, inst, _ = records[0]
    for lst in subkeys(cls)[1]:
        la = BASE + lst + 4
        stride = 8 if bytes(b[la:la + 2]) in (b"lf", b"lh") else 4
        for i in range(u16(la + 2)):
            if u32(la + 4 + i * stride) == inst:
                struct.pack_into("<I", b, la + 4 + i * stride, cls)
    touched = {path}
elif kind == "root-value":
    struct.pack_into("<I", b, 0x24, values(select)[0]["current"][0])
    reseal_base_block()
elif kind == "cut":
    end = min(len(b), BASE + u32(40))
    damaged = [(end - 100 * 1024, len(b))]
    del b[damaged[0][0]:]
elif kind == "repeats":
    _, cls, inst, _ = records[0]
    count, bins = 4000, u32(40)
    cell = (8 + 4 * count + 7) // 8 * 8
    size = 512 * 1024  # the rest of the bin one free cell: room for the lists to be believed
    added = bytearray(size)
    added[0:4] = b"hbin"
    struct.pack_into("<II", added, 4, bins, size)
    for n, (owner, entry) in enumerate(((classes, cls), (cls, inst))):
        at = 32 + n * cell
        struct.pack_into("<i2sH", added, at, -cell, b"li", count)
        struct.pack_into("<%dI" % count, added, at + 8, *[entry] * count)
        struct.pack_into("<II", b, BASE + owner + 4 + 0x14, count, 0)
        struct.pack_into("<I", b, BASE + owner + 4 + 0x1C, bins + at)
    struct.pack_into("<i", added, 32 + 2 * cell, size - 32 - 2 * cell)
    del b[BASE + bins:]
    b += added
    struct.pack_into("<I", b, 40, bins + size)
    reseal_base_block()
    touched = {path for path, *_ in records}
else:
    raise SystemExit(f"unknown kind {kind}")

if kind in ("zero-bin", "foreign-bin", "cut", "root-value"):
    hit = lambda cell: any(lo < cell_range(cell)[1] and cell_range(cell)[0] < hi
                           for lo, hi in damaged)
    # cell_range reads the cell's size: read it from the hive as it was.
    b_damaged, b = b, bytearray(open(src, "rb").read())
    if any(hit(c) for c in common):
        touched = {path for path, *_ in records}
    else:
        touched = {path for path, _, _, cells in records if any(hit(c) for c in cells)}
    b = b_damaged
open(dst, "wb").write(b)
for path in sorted(touched):
    print(path)
print(f"{len(records) - len(touched)} of {len(records)} records untouched", file=sys.stderr)
