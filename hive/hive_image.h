// A hive as tolvane-list reads it: the file read whole into memory of our own (so nothing done
// to the file afterwards reaches the reader), judged clean or dirty by its base block, and a
// dirty one brought up to date from its transaction logs in that copy, as Windows does when it
// loads the hive. Plain bytes, portable; the files themselves are only ever read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/exception.h"
#include "hive/hive_file.h"

// A file that cannot be read as a hive, or a hive found corrupt while it is read: the file's
// name and the reason, on one line.
class EHiveError : public Exception {
 public:
  using Exception::Exception;
};

// A hive whose lists lead to the same keys and values over and over, so that reading it through
// would take far longer than any hive of its size needs: the reading stops, where a damaged
// cell fails only the call that reads it.
class EHiveRereadError : public EHiveError {
 public:
  using EHiveError::EHiveError;
};

// The format addresses at most 2 GiB of bins after its 4 KiB base block (cell offsets are 32
// bits, the top one marking volatile cells): a larger file is no hive, nor a log of one, and is
// refused before anything of it is read.
inline constexpr std::uint64_t kLargestHive = 0x1000 + 0x80000000ull;

// A transaction log as read: the name it is reported by and its bytes.
struct HiveLog {
  std::string name;
  std::string bytes;
};

// What became of the hive on its way into memory.
struct HiveRecovery {
  bool dirty = false;
  bool checksumValid = true;
  std::uint32_t primarySequence = 0;
  std::uint32_t secondarySequence = 0;
  bool logsRead = true;               // false when the logs were not to be used
  std::vector<std::string> logsUsed;  // in the order applied; empty: nothing was
  std::size_t entriesApplied = 0;     // log entries, in the format that has them
  std::size_t pagesWritten = 0;  // as the log counts them: 512 bytes, or any size an entry gives
  std::uint64_t bytesWritten = 0;
  std::vector<std::string> refused;  // each log not applied, quoted, with the reason
};

struct HiveImage {
  HiveMemory bytes;
  HiveRecovery recovery;
};

// The XOR-32 of the base block's first 508 bytes as the hive writer stores it (0 and
// 0xFFFFFFFF are never stored: they become 1 and 0xFFFFFFFE). block holds 512 bytes or more.
std::uint32_t BaseBlockChecksum(std::string_view block);

// The seed of the log entries' hashes: the format gives its bytes, 82 EF 4D 88 7A 4E 55 C5, as
// one number written high byte first (the hashes of Windows' own logs hold only with it).
inline constexpr std::uint64_t kLogEntryHashSeed = 0x82EF4D887A4E55C5ull;

// Marvin32 (64-bit result: second state word high) of bytes under seed.
std::uint64_t Marvin32(std::uint64_t seed, std::string_view bytes);

// Brings a dirty hive up to date from the logs, as Windows does. Logs of log entries come first:
// with the primary's base block whole, every one of them in the order of their base blocks'
// sequence numbers, each going on at the number after the last entry taken (the first at its
// own base block's number, never below the hive's secondary one); with that base block broken,
// only the log of the latest entries. Entries are taken while each holds and is numbered one
// more than the last. Otherwise the first applicable log of dirty pages, never in part. A log
// that fails a check is refused with the reason. A clean hive, or bytes that are no hive, come
// back as they are.
HiveImage RecoverHive(HiveMemory primary, const std::vector<HiveLog>& logs);

// Reads the hive file and, when it is dirty and useLogs, the logs named (or those beside it
// when none is), then recovers it. EHiveError when the hive itself cannot be read; a log that
// cannot be read is refused with the reason.
HiveImage LoadHive(const std::string& hivePath, const std::vector<std::string>& logPaths,
                   bool useLogs);

// The one line tolvane-list says about what happened (without the program's name): that the
// hive was recovered, or why a dirty hive was not; empty for a clean hive.
std::string RecoveryLine(const HiveRecovery& recovery, std::string_view hiveName);

// EHiveError unless bytes can be a hive at all (not empty, the signature), named hiveName.
void CheckHiveBytes(std::string_view bytes, std::string_view hiveName);
