"""Writes an empty registry hive file: the 4 KiB base block (with its checksum), one 4 KiB
bin holding the root key, the root's security cell, and one free cell for the rest. hivex
can add keys and values to it (hivexregedit --merge) but cannot create a hive itself, and
the tests never download one.   usage: empty_hive.py FILE"""
import struct
import sys

BLOCK = 0x1000
BIN_HEADER = 0x20


def cell(payload):
    """An allocated cell: negative size first, the whole padded to a multiple of 8."""
    size = (4 + len(payload) + 7) // 8 * 8
    return struct.pack("<i", -size) + payload + b"\0" * (size - 4 - len(payload))


def root_key(sk_offset):
    name = b"ROOT"
    flags = 0x0004 | 0x0008 | 0x0020  # hive entry, cannot be deleted, name in Latin-1
    none = 0xFFFFFFFF
    return (b"nk" + struct.pack("<HQIIIIIIIIIIIIIIIHH", flags, 0, 0, 0, 0, 0, none, none, 0,
                                none, sk_offset, none, 0, 0, 0, 0, 0, len(name), 0) + name)


def security(offset):
    # A self-relative security descriptor with no owner, group or lists: enough for a
    # file that only tests read; hivex gives every key it adds its parent's cell.
    descriptor = struct.pack("<BBHIIII", 1, 0, 0x8000, 0, 0, 0, 0)
    return b"sk" + struct.pack("<HIIII", 0, offset, offset, 1, len(descriptor)) + descriptor


def main():
    nk_offset = BIN_HEADER
    nk = cell(root_key(0))  # placeholder to learn its size
    sk_offset = nk_offset + len(nk)
    nk = cell(root_key(sk_offset))
    sk = cell(security(sk_offset))
    used = BIN_HEADER + len(nk) + len(sk)
    free = struct.pack("<i", BLOCK - used) + b"\0" * (BLOCK - used - 4)
    hbin = b"hbin" + struct.pack("<IIQQI", 0, BLOCK, 0, 0, 0) + nk + sk + free

    base = bytearray(BLOCK)
    struct.pack_into("<4sIIQIIIIII", base, 0, b"regf", 1, 1, 0, 1, 3, 0, 1, nk_offset, BLOCK)
    struct.pack_into("<I", base, 0x2C, 1)  # clustering factor
    checksum = 0
    for (word,) in struct.iter_unpack("<I", bytes(base[:0x1FC])):
        checksum ^= word
    if checksum == 0xFFFFFFFF:
        checksum = 0xFFFFFFFE
    elif checksum == 0:
        checksum = 1
    struct.pack_into("<I", base, 0x1FC, checksum)

    with open(sys.argv[1], "wb") as out:
        out.write(bytes(base) + hbin)


if __name__ == "__main__":
    main()
