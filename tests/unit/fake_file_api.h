// In-memory files behind the file seam: files by name with contents and a read-only flag, a
// file type per name, every WriteFile recorded as a block, any call made to fail with any
// code, and a count of open handles. Calls are counted per kind and over all kinds, so a fault
// sweep can fail "the n-th call of the command".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fault_plan.h"
#include "output/file_api.h"

enum class FileCall { kCreateFile, kGetFileType, kWriteFile, kCloseHandle };

class FakeFileApi final : public FileApi {
 public:
  struct Block {
    std::string fileName;
    std::string bytes;
    std::uint32_t error = 0;  // what the call answered; a failed write lands nothing
  };
  struct CreateArguments {
    std::string fileName;
    std::uint32_t desiredAccess = 0;
    std::uint32_t shareMode = 0;
    std::uint32_t creationDisposition = 0;
    std::uint32_t flagsAndAttributes = 0;
  };

  void AddFile(const std::string& name, const std::string& contents, bool readOnly = false);
  // Names without a type set are disk files.
  void SetFileType(const std::string& name, std::uint32_t type);
  bool Exists(const std::string& name) const { return files_.count(name) != 0; }
  // The contents of an existing file.
  const std::string& Contents(const std::string& name) const;

  // The ordinal-th call (from 1) of that kind fails with code.
  void FailCall(FileCall kind, std::size_t ordinal, std::uint32_t code) {
    faults_.FailCall(kind, ordinal, code);
  }
  // The ordinal-th call (from 1) of any kind fails with code.
  void FailNthCall(std::size_t ordinal, std::uint32_t code) { faults_.FailNthCall(ordinal, code); }
  // Forgets the failures asked for and the calls counted; files and handles stay.
  void ResetCalls();

  const std::vector<FileCall>& Calls() const { return calls_; }
  int CallCount(FileCall kind) const { return static_cast<int>(faults_.Calls(kind)); }
  const std::vector<Block>& Blocks() const { return blocks_; }
  const std::vector<CreateArguments>& Creates() const { return creates_; }
  int OpenHandles() const { return static_cast<int>(handles_.size()); }

  std::uint32_t CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                            std::uint32_t shareMode, std::uint32_t creationDisposition,
                            std::uint32_t flagsAndAttributes, FileHandle* handle) override;
  std::uint32_t GetFileType(FileHandle file) override;
  std::uint32_t WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                          std::uint32_t* bytesWritten) override;
  std::uint32_t CloseHandle(FileHandle file) override;

 private:
  struct File {
    std::string contents;
    bool readOnly = false;
  };
  struct OpenFile {
    std::string name;
    std::uint32_t shareMode = 0;
  };

  // Counts the call; the code it is to fail with, or 0.
  std::uint32_t Enter(FileCall kind);

  std::map<std::string, File> files_;
  std::map<std::string, std::uint32_t> types_;
  std::map<FileHandle, OpenFile> handles_;
  FileHandle nextHandle_ = 0x100;
  std::vector<FileCall> calls_;
  FaultPlan<FileCall> faults_;
  std::vector<Block> blocks_;
  std::vector<CreateArguments> creates_;
};
