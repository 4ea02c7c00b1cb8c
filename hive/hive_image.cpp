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
constexpr std::size_t kFileTypeAt = 28;
constexpr std::size_t kBinsSizeAt = 40;
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
// this very hive (the same last-written time). Returns the reason it fails, empty if none.
std::string CheckLogBase(std::string_view log, std::uint32_t fileType,
                         std::optional<std::uint64_t> primaryTime) {
  if (log.empty()) return "empty";
  if (log.size() < kSector || log.substr(0, 4) != "regf") return "not a transaction log";
  if (!ChecksumHolds(log)) return "its base block fails its checksum";
  if (Get32(log, kFileTypeAt) != fileType) return "not a transaction log";
  if (!primaryTime || Get64(log, kTimestampAt) != *primaryTime) return "of another hive";
  return "";
}

bool ValidBinsSize(std::uint32_t size) {
  return size != 0 && size % kBaseBlock == 0 && size <= kLargestBins;
}

// The base block after recovery: from the log where the primary's failed its checksum, both
// sequence numbers equal, the bins size the log left, a primary file's type, its checksum.
void FixBaseBlock(std::string& image, std::string_view log, bool primaryChecksumValid,
                  std::optional<std::uint32_t> sequence, std::uint32_t binsSize) {
  if (!primaryChecksumValid) image.replace(0, kSector, log.substr(0, kSector));
  const std::uint32_t seq = sequence.value_or(Get32(image, kPrimarySeqAt));
  Put32(image, kPrimarySeqAt, seq);
  Put32(image, kSecondarySeqAt, seq);
  Put32(image, kFileTypeAt, kPrimaryFile);
  Put32(image, kBinsSizeAt, binsSize);
  Put32(image, kChecksumAt, BaseBlockChecksum(image));
}

struct Applied {
  std::string image;
  std::size_t entries = 0;
  std::size_t pages = 0;
  std::uint64_t bytes = 0;
  std::uint32_t lastSequence = 0;
};

// The old format: a base block copy, a dirty vector ("DIRT", one bit per 512-byte page of the
// bins) and the dirty pages in bit order. Every bin the pages land in must be whole and in its
// place afterwards, or nothing is applied.
std::optional<Applied> ApplyOldLog(std::string_view primary, const BaseState& state,
                                   std::string_view log, std::string& reason) {
  reason = CheckLogBase(log, kOldLog, PrimaryTimestamp(primary, state.checksumValid));
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
  FixBaseBlock(applied.image, log, state.checksumValid, std::nullopt, binsSize);
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
  LogEntry entry{at, Get32(log, at + 4), Get32(log, at + 12), Get32(log, at + 16),
                 Get32(log, at + 20)};
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

// The new format: after the base block copy, log entries on sector boundaries. Entries before
// the primary's sequence number were applied already; from there on they are taken while each
// holds and follows the last by one.
std::optional<Applied> ApplyNewLog(std::string_view primary, const BaseState& state,
                                   std::string_view log, std::string& reason) {
  reason = CheckLogBase(log, kNewLog, PrimaryTimestamp(primary, state.checksumValid));
  if (!reason.empty()) return std::nullopt;
  // Where the primary's base block fails, the log's copy of it says where the hive stood.
  const std::uint32_t from = Get32(state.checksumValid ? primary : log, kPrimarySeqAt);
  std::vector<LogEntry> entries;
  std::string stop;
  // A hive grows only by bins the log writes whole: no entry may size it past its pages.
  std::uint64_t reach = primary.size() - kBaseBlock;
  for (std::size_t at = kSector; at < log.size();) {
    const std::optional<LogEntry> entry = ReadEntry(log, at, stop);
    if (!entry) break;
    at += entry->size;
    if (entries.empty() && entry->sequence < from) continue;
    if (!entries.empty() && entry->sequence != entries.back().sequence + 1) break;
    reach = std::max(reach, (entry->pagesEnd + kBaseBlock - 1) / kBaseBlock * kBaseBlock);
    if (entry->binsSize > reach) {
      stop = "a log entry sizes the hive past its pages";
      break;
    }
    entries.push_back(*entry);
  }
  if (entries.empty()) {
    reason = stop.empty() || stop == "no log entry"
                 ? "no log entry from sequence number " + std::to_string(from) + " on"
                 : stop;
    return std::nullopt;
  }
  Applied applied;
  applied.image.assign(primary);
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
  applied.entries = entries.size();
  applied.lastSequence = entries.back().sequence;
  applied.image.resize(kBaseBlock + entries.back().binsSize);
  FixBaseBlock(applied.image, log, state.checksumValid, applied.lastSequence,
               entries.back().binsSize);
  return applied;
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
  std::optional<Applied> best;
  for (const HiveLog& log : logs) {
    std::string reason;
    const bool newFormat = log.bytes.size() >= kSector && ChecksumHolds(log.bytes) &&
                           Get32(log.bytes, kFileTypeAt) == kNewLog;
    std::optional<Applied> applied = newFormat ? ApplyNewLog(primary, state, log.bytes, reason)
                                               : ApplyOldLog(primary, state, log.bytes, reason);
    if (!applied) {
      recovery.refused.push_back(QuotedName(log.name) + ": " + reason);
      continue;
    }
    // Of the logs with entries the one that reaches furthest wins; of the others the first.
    const auto rank = [](const Applied& a) { return std::pair(a.entries != 0, a.lastSequence); };
    if (!best || rank(*applied) > rank(*best)) {
      best = std::move(applied);
      recovery.logUsed = log.name;
    }
  }
  if (!best) {
    result.bytes = std::move(primary);
    return result;
  }
  recovery.entriesApplied = best->entries;
  recovery.pagesWritten = best->pages;
  recovery.bytesWritten = best->bytes;
  result.bytes = HiveMemory(best->image);
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
  if (!recovery.logUsed.empty()) {
    std::string line = "recovered " + name + ", " + state + ", from its transaction log " +
                       QuotedName(recovery.logUsed) + ": ";
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
