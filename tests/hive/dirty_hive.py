"""Makes a dirty hive and its transaction logs as Windows leaves them, from hives made with
hivexregedit: CLEAN is the hive as its primary file last held it, each STAGE a later state of
it (more keys and values merged into a copy). The primary written is CLEAN with unequal
sequence numbers; the logs hold the difference, written as the registry file format
description defines both log formats: the old one (a base block copy, a dirty vector of
512-byte pages, the pages) and the new one (a base block copy, then log entries with their
sequence numbers, Marvin32 hashes and pages). As Windows writes them, the primary's sequence
numbers are S + 1 and S, and the first pending entry is numbered S, like the base block of its
log; each log ends with the remnant of an older entry, ruinous if applied.

usage: dirty_hive.py CLEAN STAGE... --primary OUT [--new LOG[:A-B]]... [--old LOG]
         [--corrupt N:KIND] [--bad-checksum] [--time FILETIME] [--skip K] [--gap] [--name N]
       dirty_hive.py --check-hashes LOG...
  --new LOG:A-B    a new-format log of stages A to B only (1 = the first; A alone: that one),
                   stage N's entry numbered S + N - 1: two logs may split the entries
  --corrupt N:KIND entry N (1 = the first stage's) of every new-format log made bad: hash
                   (Hash-1 wrong), past-end (a page beyond the hive), overlap (two pages on one
                   place), repeat (the previous entry's sequence number), zero-size (Size 0),
                   zero-page (its first page all zeros: a bin or a cell broken)
  --bad-checksum   the primary's base block fails its checksum (the logs' copy is whole)
  --skip K         the first entry numbered S + K (Windows may number on past the primary;
                   -1: older than the primary)
  --gap            every log after the first numbered one more, as if an entry were lost
  --name N         the file name every base block names (the hive's by default)
  --check-hashes   checks every log entry of each LOG (written by Windows) against SEED: the
                   number of entries whose hashes hold, status 1 if any does not or none"""
import argparse
import struct
import sys
import time

BLOCK = 0x1000
SECTOR = 512
# The seed of the entries' hashes: the bytes 82 EF 4D 88 7A 4E 55 C5 high byte first
# (--check-hashes holds it against logs Windows wrote).
SEED = 0x82EF4D887A4E55C5
MASK = 0xFFFFFFFF


def rotl(value, count):
    return (value << count | value >> (32 - count)) & MASK


def marvin32(seed, data):
    lo, hi = seed & MASK, seed >> 32

    def mix(word):
        nonlocal lo, hi
        lo = (lo + word) & MASK
        hi ^= lo
        lo = rotl(lo, 20)
        lo = (lo + hi) & MASK
        hi = rotl(hi, 9)
        hi ^= lo
        lo = rotl(lo, 27)
        lo = (lo + hi) & MASK
        hi = rotl(hi, 19)

    whole = len(data) // 4 * 4
    for (word,) in struct.iter_unpack("<I", data[:whole]):
        mix(word)
    mix(int.from_bytes(data[whole:] + b"\x80", "little"))
    mix(0)
    return hi << 32 | lo


# The published test vectors of Marvin32 (seed 0x004FB61A001BDBCC).
for text, want in [("", 0x30ED35C100CD3C7D), ("af", 0x48E73FC77D75DDC1),
                   ("e70f", 0xB5F6E1FC485DBFF8), ("37f495", 0xF0B07C789B8CF7E8),
                   ("8642dc59", 0x7008F2E87E9CF556), ("153fb79826", 0xE6C08C6DA2AFA997)]:
    assert marvin32(0x004FB61A001BDBCC, bytes.fromhex(text)) == want, text
assert marvin32(0xD53CD9CECD0893B7, b"abc") == 0x22C74339492769BF


def checksum(block):
    value = 0
    for (word,) in struct.iter_unpack("<I", bytes(block[:508])):
        value ^= word
    return {0: 1, MASK: MASK - 1}.get(value, value)


def base_block(source, seq1, seq2, file_type, bins_size, stamp, name, size=BLOCK):
    base = bytearray(source[:size])
    struct.pack_into("<IIQ", base, 4, seq1, seq2, stamp)
    if name is not None:
        base[48:112] = name.encode("utf-16-le")[:64].ljust(64, b"\0")
    struct.pack_into("<I", base, 28, file_type)
    struct.pack_into("<I", base, 40, bins_size)
    struct.pack_into("<I", base, 508, checksum(base))
    return base


def bins(hive):
    return hive[BLOCK:BLOCK + struct.unpack_from("<I", hive, 40)[0]]


def changed_runs(old, new, unit):
    """(offset, bytes) of each run of unit-sized pages of new that old lacks or differs in."""
    runs = []
    for at in range(0, len(new), unit):
        if new[at:at + unit] == old[at:at + unit]:
            continue
        if runs and runs[-1][0] + len(runs[-1][1]) == at:
            runs[-1] = (runs[-1][0], runs[-1][1] + new[at:at + unit])
        else:
            runs.append((at, new[at:at + unit]))
    return runs


def entry(seq, bins_size, pages, kind=None):
    refs = [[offset, len(data)] for offset, data in pages]
    if kind == "past-end":
        refs[0][0] = bins_size
    if kind == "zero-page":
        pages = [(pages[0][0], bytes(len(pages[0][1])))] + pages[1:]
    if kind == "overlap":
        refs.append(list(refs[0]))
        pages = pages + [pages[0]]
    body = b"".join(struct.pack("<II", *ref) for ref in refs) + b"".join(d for _, d in pages)
    size = (40 + len(body) + SECTOR - 1) // SECTOR * SECTOR
    body += b"\0" * (size - 40 - len(body))
    head = bytearray(b"HvLE" + struct.pack("<IIIII", 0 if kind == "zero-size" else size, 0, seq,
                                            bins_size, len(refs)))
    hash1 = marvin32(SEED, body) ^ (1 if kind == "hash" else 0)
    head += struct.pack("<Q", hash1)
    head += struct.pack("<Q", marvin32(SEED, bytes(head)))
    return bytes(head) + body


def check_hashes(paths):
    """Prints how many entries of the logs hold; False if one does not, or there are none."""
    held = 0
    for path in paths:
        log = open(path, "rb").read()
        at = SECTOR
        while log[at:at + 4] == b"HvLE":
            size, hash1, hash2 = struct.unpack_from("<I", log, at + 4)[0], \
                *struct.unpack_from("<QQ", log, at + 24)
            if marvin32(SEED, log[at + 40:at + size]) != hash1 or \
                    marvin32(SEED, log[at:at + 32]) != hash2:
                print(f"{path}: the entry at {at} fails its hashes")
                return False
            held += 1
            at += size
    print(f"{held} log entries hold")
    return held > 0


def main():
    if sys.argv[1:2] == ["--check-hashes"]:
        sys.exit(0 if check_hashes(sys.argv[2:]) else 1)
    parser = argparse.ArgumentParser()
    parser.add_argument("clean")
    parser.add_argument("stages", nargs="+")
    parser.add_argument("--primary", required=True)
    parser.add_argument("--new", action="append", default=[])
    parser.add_argument("--old")
    parser.add_argument("--corrupt")
    parser.add_argument("--bad-checksum", action="store_true")
    parser.add_argument("--skip", type=int, default=0)
    parser.add_argument("--gap", action="store_true")
    parser.add_argument("--name")
    parser.add_argument("--time", type=int, default=time.time_ns() // 100 + 116444736000000000)
    args = parser.parse_args()
    clean = open(args.clean, "rb").read()
    stages = [open(path, "rb").read() for path in args.stages]
    seq = struct.unpack_from("<I", clean, 4)[0]
    clean_bins = struct.unpack_from("<I", clean, 40)[0]
    last_bins = struct.unpack_from("<I", stages[-1], 40)[0]

    primary = base_block(clean, seq + 1, seq, 0, clean_bins, args.time, args.name)
    if args.bad_checksum:
        struct.pack_into("<I", primary, 508, checksum(primary) ^ 0x100)
    # The first bin keeps a copy of the time, for when the base block fails.
    first_bin = bytearray(clean[BLOCK:])
    struct.pack_into("<Q", first_bin, 20, args.time)
    open(args.primary, "wb").write(bytes(primary) + bytes(first_bin))

    bad_entry, kind = (int(args.corrupt.split(":")[0]), args.corrupt.split(":")[1]) \
        if args.corrupt else (0, None)
    for index, request in enumerate(args.new):
        path, _, span = request.partition(":")
        first, _, last = span.partition("-") if span else ("1", "", str(len(stages)))
        first, last = int(first), int(last or first)
        # Stage N's entry is numbered S + K + N - 1.
        number = seq + args.skip + first - 1 + (1 if args.gap and index else 0)
        bins_before = struct.unpack_from("<I", ([clean] + stages)[first - 1], 40)[0]
        log = base_block(clean, number, number, 6, bins_before, args.time, args.name, SECTOR)
        before = bins(([clean] + stages)[first - 1])
        for stage in range(first, last + 1):
            now = bins(stages[stage - 1])
            bad = kind if stage == bad_entry else None
            log += entry(number - (1 if bad == "repeat" else 0), len(now),
                         changed_runs(before, now, BLOCK), bad)
            before = now
            number += 1
        # The remnant of an older entry: it blanks the first bin.
        log += entry(number - (last - first + 2), struct.unpack_from("<I", clean, 40)[0],
                     [(0, b"\0" * BLOCK)])
        open(path, "wb").write(bytes(log))

    if args.old:
        now = bins(stages[-1])
        pages = changed_runs(bins(clean), now, SECTOR)
        dirty = bytearray((len(now) // SECTOR + 7) // 8)
        data = b""
        for offset, run in pages:
            for page in range(offset // SECTOR, (offset + len(run)) // SECTOR):
                dirty[page // 8] |= 1 << page % 8
            data += run
        vector = b"DIRT" + bytes(dirty)
        vector += b"\0" * (-len(vector) % SECTOR)
        log = base_block(clean, seq + 1, seq + 1, 1, last_bins, args.time, args.name, SECTOR)
        open(args.old, "wb").write(bytes(log) + vector + data)


if __name__ == "__main__":
    main()
