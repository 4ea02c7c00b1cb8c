#include "hive/hive_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "hive/hive_file.h"

namespace {

std::string Bytes(std::initializer_list<unsigned char> values) {
  return std::string(values.begin(), values.end());
}

// The published Marvin32 vectors (those of the .NET runtime's and Microsoft's own tests): both
// halves of the seed, every length of the last partial word, words of 0x00 and 0xFF.
TEST(Marvin32, GivesThePublishedVectors) {
  constexpr std::uint64_t kSeed0 = 0x004FB61A001BDBCC;
  constexpr std::uint64_t kSeed1 = 0x804FB61A001BDBCC;
  constexpr std::uint64_t kSeed2 = 0x804FB61A801BDBCC;
  const struct {
    std::uint64_t seed;
    std::string bytes;
    std::uint64_t hash;
  } kVectors[] = {
      {kSeed0, "", 0x30ED35C100CD3C7D},
      {kSeed0, Bytes({0xAF}), 0x48E73FC77D75DDC1},
      {kSeed0, Bytes({0xE7, 0x0F}), 0xB5F6E1FC485DBFF8},
      {kSeed0, Bytes({0x37, 0xF4, 0x95}), 0xF0B07C789B8CF7E8},
      {kSeed0, Bytes({0x86, 0x42, 0xDC, 0x59}), 0x7008F2E87E9CF556},
      {kSeed0, Bytes({0x15, 0x3F, 0xB7, 0x98, 0x26}), 0xE6C08C6DA2AFA997},
      {kSeed0, Bytes({0x09, 0x32, 0xE6, 0x24, 0x6C, 0x47}), 0x6F04BF1A5EA24060},
      {kSeed0, Bytes({0xAB, 0x42, 0x7E, 0xA8, 0xD1, 0x0F, 0xC7}), 0xE11847E4F0678C41},
      {kSeed1, Bytes({0xAB, 0x42, 0x7E, 0xA8, 0xD1, 0x0F, 0xC7}), 0xE203987DBA252FB3},
      {kSeed2, Bytes({0x00}), 0xA37FB0DA2ECAE06C},
      {kSeed2, Bytes({0xFF, 0x00, 0xFF, 0x00, 0xFF}), 0x920B62BBCA3E0B72},
      {kSeed2, Bytes({0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00}), 0x71876F2EFB1B0EE8},
      {0xD53CD9CECD0893B7, "abc", 0x22C74339492769BF},
      {0xDDDDEEEEFFFF000, "abcdefghijklmnopqrstuvwxyz", 0xA128EB7E7260ACA2},
  };
  for (const auto& vector : kVectors) {
    EXPECT_EQ(Marvin32(vector.seed, vector.bytes), vector.hash)
        << vector.bytes.size() << " bytes, seed " << std::hex << vector.seed;
  }
}

// The head of the first log entry of a LOG1 Windows 10 wrote (UsrClass.dat, sequence number
// 287): its Hash-2, stored after it, is the seed's hash of these 32 bytes.
TEST(Marvin32, LogEntrySeedHoldsAnEntryWindowsWrote) {
  const std::string head = Bytes({0x48, 0x76, 0x4C, 0x45, 0x00, 0x3E, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0x00, 0x1F, 0x01, 0x00, 0x00, 0x00, 0x30, 0x2B, 0x00, 0x03, 0x00,
                                  0x00, 0x00, 0x79, 0xEC, 0x51, 0xCD, 0xCF, 0x89, 0x32, 0xEF});
  EXPECT_EQ(Marvin32(kLogEntryHashSeed, head), 0xED656C4DA9275E35u);
}

// A file is read whole at every size: in one piece, and from 8 MB on in two halves at once
// (each byte where it belongs, the half-way point on no byte of the file's own); a file above
// the limit is refused before it is read.
TEST(HiveFile, ReadsAFileWholeAtEverySize) {
  const std::string path = ::testing::TempDir() + "hive_file_test.bin";
  for (const std::size_t size : {std::size_t{0}, std::size_t{4097}, std::size_t{8} << 20,
                                 (std::size_t{9} << 20) + 123, (std::size_t{12} << 20) - 1}) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
      state = state * 1103515245u + 12345u;
      byte = static_cast<char>(state >> 24);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    HiveMemory read;
    EXPECT_EQ(ReadWholeFile(path, std::uint64_t{1} << 30, "too large", read), "") << size;
    EXPECT_TRUE(read.View() == bytes) << size << " bytes read as " << read.Size();
    EXPECT_EQ(ReadWholeFile(path, size == 0 ? 0 : size - 1, "too large", read),
              size == 0 ? "" : "too large")
        << size;
  }
  std::remove(path.c_str());
}

}  // namespace
