#include "hive/hive_image.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <utility>

#include "common/message_text.h"

namespace {

constexpr std::size_t kBaseBlock = 0x1000;
constexpr std::size_t kSector = 512;
constexpr std::size_t kBinHeader = 32;
constexpr std::uint32_t kLargestBins = 0x80000000u;
// File types in a base block: the primary file, and the two log formats.
constexpr std::uint32_t kPrimaryFile = 0;
constexpr std::uint32_t kOldLog = 1;
constexpr std::uint32_t kNewLog = 6;

// Base block fields.
constexpr std::size_t kPrimarySeqAt = 4;
constexpr std::size_t kSecondarySeqAt = 8;
constexpr std::size_t kTimestampAt = 12;
constexpr std::size_t kMajorVersionAt = 20;
constexpr std::size_t kFileTypeAt = 28;
constexpr std::size_t kRootCellAt = 36;
constexpr std::size_t kBinsSizeAt = 40;
constexpr std::size_t kFileNameAt = 48;
constexpr std::size_t kFileNameSize = 64;
constexpr std::size_t kFlagsAt = 144;
constexpr std::size_t kChecksumAt = 508;

// Callers check bounds first.
std::uint32_t Get32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint64_t Get64(std::string_view bytes, std::size_t at) {
  return Get32(bytes, at) | std::uint64_t{Get32(bytes, at + 4)} << 32;
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

bool ChecksumHolds(std::string_view block) {
  return block.size() >= kSector && BaseBlockChecksum(block) == Get32(block, kChecksumAt);
}

// The base block's state, as far as the bytes have one.
struct BaseState {
  bool isHive = false;  // a whole base block with the signature
  bool checksumValid = false;
  std::uint32_t primarySeq = 0;
  std::uint32_t secondarySeq = 0;
  bool Dirty() const { return isHive && (!checksumValid || primarySeq != secondarySeq); }
};

BaseState Inspect(std::string_view image) {
  BaseState state;
  if (image.size() < kBaseBlock || image.substr(0, 4) != "regf") return state;
  state.isHive = true;
  state.checksumValid = ChecksumHolds(image);
  state.primarySeq = Get32(image, kPrimarySeqAt);
  state.secondarySeq = Get32(image, kSecondarySeqAt);
  return state;
}

// The time the primary was last written, which its logs carry too: from the base block, or
// from the first bin where the base block fails its checksum.
std::optional<std::uint64_t> PrimaryTimestamp(std::string_view image, bool checksumValid) {
  if (checksumValid) return Get64(image, kTimestampAt);
  if (image.size() < kBaseBlock + kBinHeader || image.substr(kBaseBlock, 4) != "hbin") {
    return std::nullopt;
  }
  return Get64(image, kBaseBlock + 20);
}

// A log's own first sector: a base block copy of the right file type, checksum holding, of
// this very hive. Returns the reason it fails, empty if none.
std::string CheckLogBase(std::string_view log, std::uint32_t fileType, std::string_view primary,
                         bool primaryChecksumValid) {
  if (log.empty()) return "empty";
  if (log.size() < kSector || log.substr(0, 4) != "regf") return "not a transaction log";
  if (!ChecksumHolds(log)) return "its base block fails its checksum";
  if (Get32(log, kFileTypeAt) != fileType) return "not a transaction log";
  if (fileType == kOldLog) {
    // A log of dirty pages carries the primary's last-written time.
    const std::optional<std::uint64_t> time = PrimaryTimestamp(primary, primaryChecksumValid);
    if (!time || Get64(log, kTimestampAt) != *time) return "of another hive";
  } else if (primaryChecksumValid &&
             log.substr(kFileNameAt, kFileNameSize) != primary.substr(kFileNameAt, kFileNameSize)) {
    // Windows 8.1 and later no longer keep that time; every copy of the base block still
    // names the file the hive was loaded from.
    return "of another hive";
  }
  return "";
}

// A log of log entries, by its own base block.
bool IsEntryLog(std::string_view log) {
  return log.size() >= kSector && ChecksumHolds(log) && Get32(log, kFileTypeAt) == kNewLog;
}

bool ValidBinsSize(std::uint32_t size) {
  return size != 0 && size % kBaseBlock == 0 && size <= kLargestBins;
}

// The base block after recovery: from the log where the primary's failed its checksum, both
// sequence numbers equal, the bins size the log left, a primary file's type, the flags of the
// last log entry taken (where there are entries), its checksum.
void FixBaseBlock(std::string& image, std::string_view log, bool primaryChecksumValid,
                  std::optional<std::uint32_t> sequence, std::uint32_t binsSize,
                  std::optional<std::uint32_t> flags) {
  if (!primaryChecksumValid) image.replace(0, kSector, log.substr(0, kSector));
  const std::uint32_t seq = sequence.value_or(Get32(image, kPrimarySeqAt));
  Put32(image, kPrimarySeqAt, seq);
  Put32(image, kSecondarySeqAt, seq);
  Put32(image, kFileTypeAt, kPrimaryFile);
  Put32(image, kBinsSizeAt, binsSize);
  if (flags) Put32(image, kFlagsAt, *flags);
  Put32(image, kChecksumAt, BaseBlockChecksum(image));
}

struct Applied {
  std::string image;
  std::size_t entries = 0;
  std::size_t pages = 0;
  std::uint64_t bytes = 0;
  // Of the last log entry taken.
  std::uint32_t lastSequence = 0;
  std::uint32_t binsSize = 0;
  std::uint32_t flags = 0;
};

// The old format: a base block copy, a dirty vector ("DIRT", one bit per 512-byte page of the
// bins) and the dirty pages in bit order. Every bin the pages land in must be whole and in its
// place afterwards, or nothing is applied.
std::optional<Applied> ApplyOldLog(std::string_view primary, const BaseState& state,
                                   std::string_view log, std::string& reason) {
  reason = CheckLogBase(log, kOldLog, primary, state.checksumValid);
  if (!reason.empty()) return std::nullopt;
  if (Get32(log, kPrimarySeqAt) != Get32(log, kSecondarySeqAt)) {
    reason = "written only in part (its sequence numbers differ)";
    return std::nullopt;
  }
  const std::uint32_t binsSize = Get32(log, kBinsSizeAt);
  if (!ValidBinsSize(binsSize)) {
    reason = "its base block gives no valid hive size";
    return std::nullopt;
  }
  const std::size_t bits = binsSize / kSector;
  const std::size_t vectorEnd = kSector + 4 + (bits + 7) / 8;
  if (log.size() < vectorEnd) {
    reason = "truncated";
    return std::nullopt;
  }
  if (log.substr(kSector, 4) != "DIRT") {
    reason = "no dirty vector";
    return std::nullopt;
  }
  const std::string_view bitmap = log.substr(kSector + 4, (bits + 7) / 8);
  const auto dirty = [&](std::size_t bit) {
    return (static_cast<unsigned char>(bitmap[bit / 8]) >> (bit % 8) & 1) != 0;
  };
  std::size_t count = 0;
  std::size_t dirtyEnd = 0;
  for (std::size_t bit = 0; bit < bits; ++bit) {
    if (!dirty(bit)) continue;
    ++count;
    dirtyEnd = (bit + 1) * kSector;
  }
  if (count == 0) {
    reason = "no dirty pages";
    return std::nullopt;
  }
  const std::size_t pagesAt = (vectorEnd + kSector - 1) / kSector * kSector;
  if ((log.size() - std::min(log.size(), pagesAt)) / kSector < count) {
    reason = "truncated";
    return std::nullopt;
  }
  Applied applied;
  applied.image.assign(primary);
  applied.image.resize(kBaseBlock + binsSize, '\0');
  std::size_t page = pagesAt;
  for (std::size_t bit = 0; bit < bits; ++bit) {
    if (!dirty(bit)) continue;
    applied.image.replace(kBaseBlock + bit * kSector, kSector, log.substr(page, kSector));
    page += kSector;
  }
  // The bins, walked from the first: the pages must lie within those found whole.
  std::size_t binsEnd = 0;
  while (binsEnd < binsSize) {
    const std::size_t at = kBaseBlock + binsEnd;
    const std::string_view image = applied.image;
    if (image.substr(at, 4) != "hbin" || Get32(image, at + 4) != binsEnd) break;
    const std::uint32_t size = Get32(image, at + 8);
    if (size == 0 || size % kBaseBlock != 0 || size > binsSize - binsEnd) break;
    binsEnd += size;
  }
  if (dirtyEnd > binsEnd) {
    reason = "its pages leave a hive bin broken";
    return std::nullopt;
  }
  FixBaseBlock(applied.image, log, state.checksumValid, std::nullopt, binsSize, std::nullopt);
  applied.pages = count;
  applied.bytes = std::uint64_t{count} * kSector;
  return applied;
}

// One log entry of the new format, checked.
struct LogEntry {
  std::size_t at = 0;
  std::uint32_t size = 0;
  std::uint32_t sequence = 0;
  std::uint32_t binsSize = 0;
  std::uint32_t pageCount = 0;
  std::uint32_t flags = 0;
  std::uint64_t pagesEnd = 0;  // where its last page ends in the bins
};

// The entry at the offset, or the reason it is no valid entry: its signature, a size inside
// the log, both hashes, a valid bins size, page references that fit the entry and the hive
// and do not overlap.
std::optional<LogEntry> ReadEntry(std::string_view log, std::size_t at, std::string& reason) {
  constexpr std::size_t kHeader = 40;
  if (log.size() - at < kHeader || log.substr(at, 4) != "HvLE") {
    reason = "no log entry";
    return std::nullopt;
  }
  LogEntry entry{at,
                 Get32(log, at + 4),
                 Get32(log, at + 12),
                 Get32(log, at + 16),
                 Get32(log, at + 20),
                 Get32(log, at + 8)};
  if (entry.size < kHeader || entry.size % kSector != 0 || entry.size > log.size() - at) {
    reason = "a log entry is truncated";
    return std::nullopt;
  }
  const std::string_view body = log.substr(at + kHeader, entry.size - kHeader);
  if (Marvin32(kLogEntryHashSeed, log.substr(at, 32)) != Get64(log, at + 32) ||
      Marvin32(kLogEntryHashSeed, body) != Get64(log, at + 24)) {
    reason = "a log entry fails its hash";
    return std::nullopt;
  }
  reason = "a log entry is inconsistent";
  if (!ValidBinsSize(entry.binsSize) || entry.pageCount > body.size() / 8) return std::nullopt;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pages;
  std::uint64_t data = std::uint64_t{entry.pageCount} * 8;
  for (std::uint32_t i = 0; i < entry.pageCount; ++i) {
    const std::uint64_t offset = Get32(body, i * 8);
    const std::uint64_t size = Get32(body, i * 8 + 4);
    if (offset % kSector != 0 || size == 0 || size % kSector != 0 ||
        offset + size > entry.binsSize) {
      reason = "a log entry's page lies outside the hive";
      return std::nullopt;
    }
    data += size;
    pages.emplace_back(offset, offset + size);
    entry.pagesEnd = std::max(entry.pagesEnd, offset + size);
  }
  if (data > body.size()) return std::nullopt;
  std::sort(pages.begin(), pages.end());
  for (std::size_t i = 1; i < pages.size(); ++i) {
    if (pages[i].first < pages[i - 1].second) return std::nullopt;
  }
  reason.clear();
  return entry;
}

// The new format: after the base block copy, log entries on sector boundaries. Takes onto the
// image the entries from sequence number from on (lower ones were applied already): the first
// must carry it, each next one more, while they hold. Returns why none was taken, empty when
// some were.
std::string TakeEntries(Applied& applied, std::string_view log, std::uint32_t from) {
  std::vector<LogEntry> entries;
  std::string stop;
  // A hive grows only by bins the log writes whole: no entry may size it past its pages.
  std::uint64_t reach = applied.image.size() - kBaseBlock;
  for (std::size_t at = kSector; at < log.size();) {
    const std::optional<LogEntry> entry = ReadEntry(log, at, stop);
    if (!entry) break;
    at += entry->size;
    if (entries.empty() && entry->sequence < from) continue;
    if (entry->sequence != static_cast<std::uint32_t>(from + entries.size())) {
      stop.clear();
      break;
    }
    reach = std::max(reach, (entry->pagesEnd + kBaseBlock - 1) / kBaseBlock * kBaseBlock);
    if (entry->binsSize > reach) {
      stop = "a log entry sizes the hive past its pages";
      break;
    }
    entries.push_back(*entry);
  }
  if (entries.empty()) {
    return stop.empty() || stop == "no log entry" ? "no log entry numbered " + std::to_string(from)
                                                  : stop;
  }
  for (const LogEntry& entry : entries) {
    applied.image.resize(std::max(applied.image.size(), kBaseBlock + entry.binsSize), '\0');
    const std::string_view body = log.substr(entry.at + 40, entry.size - 40);
    std::size_t data = std::size_t{entry.pageCount} * 8;
    for (std::uint32_t i = 0; i < entry.pageCount; ++i) {
      const std::uint32_t size = Get32(body, i * 8 + 4);
      applied.image.replace(kBaseBlock + Get32(body, i * 8), size, body.substr(data, size));
      data += size;
      applied.bytes += size;
    }
    applied.pages += entry.pageCount;
  }
  applied.entries += entries.size();
  applied.lastSequence = entries.back().sequence;
  applied.binsSize = entries.back().binsSize;
  applied.flags = entries.back().flags;
  return "";
}

// Why a recovered image is no whole hive, empty when it is: a writer of major version 1, bins
// one after another to the size the base block gives, each filled with cells of 8 bytes or a
// multiple of 8, the root cell an allocated key node. Hive readers (libhivex among them)
// refuse anything less; Windows mends such bins in ways of its own, which we cannot.
std::string WholeHiveFault(std::string_view image) {
  if (Get32(image, kMajorVersionAt) != 1) return "a hive of another major version";
  const std::size_t root = kBaseBlock + Get32(image, kRootCellAt);
  bool rootFound = false;
  for (std::size_t bin = kBaseBlock; bin < image.size();) {
    const std::uint32_t size = Get32(image, bin + 8);
    if (image.substr(bin, 4) != "hbin" || Get32(image, bin + 4) != bin - kBaseBlock || size == 0 ||
        size % kBaseBlock != 0 || size > image.size() - bin) {
      return "a hive bin broken at offset " + std::to_string(bin - kBaseBlock);
    }
    for (std::size_t cell = bin + kBinHeader; cell < bin + size;) {
      const auto raw = static_cast<std::int32_t>(Get32(image, cell));
      const std::int64_t length = raw < 0 ? -std::int64_t{raw} : raw;
      if (length < 8 || length % 8 != 0 || length > static_cast<std::int64_t>(bin + size - cell)) {
        return "a cell broken at offset " + std::to_string(cell - kBaseBlock);
      }
      if (cell == root) rootFound = raw < 0 && image.substr(cell + 4, 2) == "nk";
      cell += static_cast<std::size_t>(length);
    }
    bin += size;
  }
  return rootFound ? "" : "no root key";
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::uint32_t BaseBlockChecksum(std::string_view block) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < kChecksumAt; at += 4) sum ^= Get32(block, at);
  if (sum == 0) return 1;
  if (sum == 0xFFFFFFFFu) return 0xFFFFFFFEu;
  return sum;
}

std::uint64_t Marvin32(std::uint64_t seed, std::string_view bytes) {
  std::uint32_t lo = static_cast<std::uint32_t>(seed);
  std::uint32_t hi = static_cast<std::uint32_t>(seed >> 32);
  const auto mix = [&](std::uint32_t word) {
    lo += word;
    hi ^= lo;
    lo = std::rotl(lo, 20);
    lo += hi;
    hi = std::rotl(hi, 9);
    hi ^= lo;
    lo = std::rotl(lo, 27);
    lo += hi;
    hi = std::rotl(hi, 19);
  };
  std::size_t at = 0;
  for (; bytes.size() - at >= 4; at += 4) mix(Get32(bytes, at));
  // The last 0 to 3 bytes, then 0x80 above them.
  std::uint32_t last = 0x80;
  for (std::size_t i = bytes.size(); i-- > at;) {
    last = last << 8 | static_cast<unsigned char>(bytes[i]);
  }
  mix(last);
  mix(0);
  return std::uint64_t{hi} << 32 | lo;
}

HiveImage RecoverHive(HiveMemory primary, const std::vector<HiveLog>& logs) {
  HiveImage result;
  const BaseState state = Inspect(primary);
  HiveRecovery& recovery = result.recovery;
  recovery.dirty = state.Dirty();
  recovery.checksumValid = state.checksumValid;
  recovery.primarySequence = state.primarySeq;
  recovery.secondarySequence = state.secondarySeq;
  if (!recovery.dirty) {
    result.bytes = std::move(primary);
    return result;
  }
  // Logs of dirty pages: the first that applies. Logs of log entries: checked here, applied
  // below in the order of their base blocks' sequence numbers (Windows swaps the two logs, so
  // the entries may be split between them).
  std::optional<Applied> pagesApplied;
  std::string pagesLog;
  std::vector<const HiveLog*> entryLogs;
  for (const HiveLog& log : logs) {
    std::string reason;
    if (IsEntryLog(log.bytes)) {
      reason = CheckLogBase(log.bytes, kNewLog, primary, state.checksumValid);
      if (reason.empty()) entryLogs.push_back(&log);
    } else if (std::optional<Applied> applied = ApplyOldLog(primary, state, log.bytes, reason)) {
      if (!pagesApplied) {
        pagesApplied = std::move(applied);
        pagesLog = log.name;
      }
    }
    if (!reason.empty()) recovery.refused.push_back(QuotedName(log.name) + ": " + reason);
  }
  const auto logSequence = [](const HiveLog* log) { return Get32(log->bytes, kPrimarySeqAt); };
  std::stable_sort(entryLogs.begin(), entryLogs.end(), [&](const HiveLog* a, const HiveLog* b) {
    return logSequence(a) < logSequence(b);
  });
  // With the primary's base block broken nothing says which entries the hive holds: only the
  // log of the latest entries is used, its base block standing in for the primary's.
  if (!state.checksumValid && entryLogs.size() > 1) {
    for (auto log = entryLogs.begin(); log + 1 != entryLogs.end(); ++log) {
      recovery.refused.push_back(QuotedName((*log)->name) + ": older than " +
                                 QuotedName(entryLogs.back()->name));
    }
    entryLogs.erase(entryLogs.begin(), entryLogs.end() - 1);
  }
  Applied entriesApplied;
  const HiveLog* firstUsed = nullptr;
  if (!entryLogs.empty()) entriesApplied.image = primary;
  for (const HiveLog* log : entryLogs) {
    // The first log starts at its own base block's number, the next ones go on from the last
    // entry taken.
    const bool first = recovery.logsUsed.empty();
    const std::uint32_t from = first ? logSequence(log) : entriesApplied.lastSequence + 1;
    std::string reason;
    if (first && state.checksumValid && from < state.secondarySeq) {
      reason = "its log entries (from sequence number " + std::to_string(from) +
               ") are older than the hive";
    } else {
      reason = TakeEntries(entriesApplied, log->bytes, from);
    }
    if (reason.empty()) {
      if (first) firstUsed = log;
      recovery.logsUsed.push_back(log->name);
    } else {
      recovery.refused.push_back(
          QuotedName(log->name) + ": " + reason +
          (first ? "" : " to go on from " + QuotedName(recovery.logsUsed.back())));
    }
  }
  if (!recovery.logsUsed.empty()) {
    Applied& applied = entriesApplied;
    applied.image.resize(kBaseBlock + applied.binsSize);
    FixBaseBlock(applied.image, firstUsed->bytes, state.checksumValid, applied.lastSequence,
                 applied.binsSize, applied.flags);
    if (const std::string fault = WholeHiveFault(applied.image); !fault.empty()) {
      for (const std::string& log : recovery.logsUsed) {
        recovery.refused.push_back(QuotedName(log) + ": its log entries leave " + fault);
      }
      recovery.logsUsed.clear();
    }
  }
  if (pagesApplied && recovery.logsUsed.empty()) {
    if (const std::string fault = WholeHiveFault(pagesApplied->image); !fault.empty()) {
      recovery.refused.push_back(QuotedName(pagesLog) + ": its pages leave " + fault);
      pagesApplied.reset();
    }
  }
  if (!recovery.logsUsed.empty()) {
    Applied& applied = entriesApplied;
    recovery.entriesApplied = applied.entries;
    recovery.pagesWritten = applied.pages;
    recovery.bytesWritten = applied.bytes;
    result.bytes = HiveMemory(applied.image);
  } else if (pagesApplied) {
    recovery.logsUsed.push_back(pagesLog);
    recovery.pagesWritten = pagesApplied->pages;
    recovery.bytesWritten = pagesApplied->bytes;
    result.bytes = HiveMemory(pagesApplied->image);
  } else {
    result.bytes = std::move(primary);
  }
  return result;
}

HiveImage LoadHive(const std::string& hivePath, const std::vector<std::string>& logPaths,
                   bool useLogs) {
  HiveMemory primary;
  const std::string error = ReadWholeFile(hivePath, kLargestHive,
                                          "larger than any registry hive can be (2 GiB)", primary);
  if (!error.empty()) throw EHiveError(QuotedName(hivePath) + ": " + error);
  std::vector<HiveLog> logs;
  std::vector<std::string> unread;
  if (useLogs && Inspect(primary).Dirty()) {
    for (const std::string& path : logPaths.empty() ? LogsBeside(hivePath) : logPaths) {
      HiveMemory bytes;
      const std::string reason =
          ReadWholeFile(path, kLargestHive, "larger than any transaction log can be", bytes);
      if (reason.empty()) {
        logs.push_back(HiveLog{path, std::string(bytes.View())});
      } else {
        unread.push_back(QuotedName(path) + ": " + reason);
      }
    }
  }
  HiveImage image = RecoverHive(std::move(primary), logs);
  image.recovery.logsRead = useLogs;
  image.recovery.refused.insert(image.recovery.refused.begin(), unread.begin(), unread.end());
  return image;
}

std::string RecoveryLine(const HiveRecovery& recovery, std::string_view hiveName) {
  if (!recovery.dirty) return "";
  std::string state = "dirty (sequence numbers " + std::to_string(recovery.primarySequence) +
                      " and " + std::to_string(recovery.secondarySequence);
  if (!recovery.checksumValid) state += ", base block checksum wrong";
  state += ")";
  const std::string name = QuotedName(hiveName);
  if (!recovery.logsUsed.empty()) {
    std::string line = "recovered " + name + ", " + state + ", from its transaction log";
    for (std::size_t i = 0; i < recovery.logsUsed.size(); ++i) {
      line += (i == 0 ? (recovery.logsUsed.size() == 1 ? " " : "s ") : " and ") +
              QuotedName(recovery.logsUsed[i]);
    }
    line += ": ";
    if (recovery.entriesApplied != 0) {
      line += Count(recovery.entriesApplied, "log entry", "log entries") + ", ";
    }
    return line + Count(recovery.pagesWritten, "page", "pages") + " (" +
           std::to_string((recovery.bytesWritten + 1023) / 1024) + " KiB) written back";
  }
  std::string line = name + " is " + state;
  if (!recovery.logsRead) return line + "; its transaction logs were not read (--no-logs)";
  line += " and no valid transaction log was found";
  if (recovery.refused.empty()) {
    return line + (hiveName == "-" ? " (none named for standard input)" : " beside it");
  }
  line += " (";
  for (std::size_t i = 0; i < recovery.refused.size(); ++i) {
    line += (i ? "; " : "") + recovery.refused[i];
  }
  return line + ")";
}

void CheckHiveBytes(std::string_view bytes, std::string_view hiveName) {
  if (bytes.empty()) throw EHiveError(QuotedName(hiveName) + ": empty file, not a registry hive");
  if (bytes.size() < 4 || bytes.substr(0, 4) != "regf") {
    throw EHiveError(QuotedName(hiveName) + ": not a registry hive");
  }
}
