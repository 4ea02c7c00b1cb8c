// tolvane-list.exe: the driver inventory of SYSTEM hive files, as tolvane-list reads them on
// Linux, or of the live registry when no hive is named, on standard output or into a file. The
// records are read with the registry's W calls and written as UTF-8 to a file or a pipe, as
// wide text to a console; the save format writes the window's Save bytes as they are.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "cli/hive_list.h"
#include "common/message_text.h"
#include "common/utf.h"
#include "inventory/win32_registry_api.h"

namespace {

std::wstring Wide(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Utf8(const wchar_t* wide) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide)));
}

// The system's words for a code, without the line end and period FormatMessage gives; a
// hive's damage in the words tolvane-list gives it everywhere.
std::string ErrorText(long code) {
  if (code == kErrorRegistryCorrupt) return "corrupt registry data";
  if (code == kErrorInvalidData) return "invalid data";
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words = length ? Utf8(text) : std::string();
  LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                            words.back() == '.')) {
    words.pop_back();
  }
  return words.empty() ? "system error " + std::to_string(code) : words;
}

// A closed pipe ends the program quietly, as a signal ends it elsewhere.
[[noreturn]] void PipeClosed() { ExitProcess(141); }

// Wine reports a pipe whose reader has gone as ERROR_PIPE_NOT_CONNECTED.
bool IsPipeClosed(DWORD code) {
  return code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED;
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

// UTF-8 to a console as wide text; the bytes of a character cut by the end of one write wait
// for the next.
class ConsoleText {
 public:
  bool Write(HANDLE console, std::string_view bytes) {
    pending_.append(bytes);
    std::size_t whole = pending_.size();
    // Back up over an unfinished sequence at the end (at most three bytes).
    for (std::size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
      const auto c = static_cast<unsigned char>(pending_[pending_.size() - back]);
      if ((c & 0xC0) == 0x80) continue;
      const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if (length > back) whole = pending_.size() - back;
      break;
    }
    const std::wstring text = Wide(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    DWORD written = 0;
    return text.empty() ||
           WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

 private:
  std::string pending_;
};

// The file seam over the output stream: "creating" the file takes the stream as it is, and
// closing leaves it open for the process.
class StreamFileApi final : public FileApi {
 public:
  StreamFileApi(HANDLE stream, bool wideToConsole)
      : stream_(stream), console_(wideToConsole && IsConsole(stream)) {}
  std::uint32_t CreateFileA(const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                            FileHandle* handle) override {
    *handle = reinterpret_cast<FileHandle>(stream_);
    if (stream_ == INVALID_HANDLE_VALUE || stream_ == nullptr) {
      *handle = kInvalidHandleValue;
      return ERROR_INVALID_HANDLE;
    }
    return 0;
  }
  std::uint32_t GetFileType(FileHandle file) override {
    return ::GetFileType(reinterpret_cast<HANDLE>(file));
  }
  std::uint32_t WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                          std::uint32_t* bytesWritten) override {
    const HANDLE handle = reinterpret_cast<HANDLE>(file);
    if (console_) {
      if (!text_.Write(handle, std::string_view(static_cast<const char*>(buffer), bytesToWrite))) {
        *bytesWritten = 0;
        return GetLastError();
      }
      *bytesWritten = bytesToWrite;
      return 0;
    }
    DWORD written = 0;
    if (!::WriteFile(handle, buffer, bytesToWrite, &written, nullptr)) {
      const DWORD code = GetLastError();
      if (IsPipeClosed(code)) PipeClosed();
      *bytesWritten = written;
      return code;
    }
    *bytesWritten = written;
    return 0;
  }
  std::uint32_t CloseHandle(FileHandle) override { return 0; }

 private:
  HANDLE stream_;
  bool console_;
  ConsoleText text_;
};

// Text for a standard stream: wide to a console, else UTF-8 with CR LF line ends. False when
// it could not be written.
bool Put(DWORD stream, std::string_view text) {
  const HANDLE handle = GetStdHandle(stream);
  if (IsConsole(handle)) return ConsoleText().Write(handle, text);
  std::string bytes;
  for (const char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  DWORD written = 0;
  if (WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size()) {
    return true;
  }
  if (IsPipeClosed(GetLastError())) PipeClosed();
  return false;
}

void PutError(const std::string& line) { Put(STD_ERROR_HANDLE, line + "\n"); }

// The command line as UTF-8 arguments, after the program's name.
std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) args.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace

int main() {
  const std::vector<std::string> args = Arguments();
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  ListOptions options;
  if (const auto reply = ReplyWithoutList(static_cast<int>(argv.size()), argv.data(),
                                          ListSource::kHiveFileOrLive, options)) {
    const DWORD stream = reply->toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    if (Put(stream, reply->text)) return reply->status;
    const DWORD code = GetLastError();
    if (!reply->toError)
      PutError(ListErrorLine("cannot write standard output: " + ErrorText(code)));
    return reply->status == 0 ? 1 : reply->status;
  }
  if (!options.saveRecovered.empty()) return SaveRecoveredHive(options, PutError);
  const bool live = options.hives.empty();
  if (live) options.hives.emplace_back(kLiveRegistryName);

  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!options.outputPath.empty()) {
    if (const std::string line = OutputIsAnInput(options); !line.empty()) {
      PutError(ListErrorLine(line));
      return 2;
    }
    out = CreateFileW(Wide(options.outputPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
      PutError(ListErrorLine("cannot write " + QuotedName(options.outputPath) + ": " +
                             ErrorText(static_cast<long>(GetLastError()))));
      return 1;
    }
  }
  Win32RegistryApi registry;
  StreamFileApi output(out, options.format != ListFormat::kSave);
  ListHost host;
  host.withRegistry = [&](const std::string& hive, const std::function<void(RegistryApi&)>& use) {
    if (live) {
      use(registry);
    } else {
      WithHiveFile(options, hive, PutError, use);
    }
  };
  host.error = PutError;
  host.errorText = ErrorText;
  host.readFile = ReadListFile;
  int status =
      RunList(options, live ? ListSource::kLiveRegistry : ListSource::kHiveFile, output, host);
  if (!options.outputPath.empty() && !CloseHandle(out) && status == 0) {
    PutError(ListErrorLine("cannot write " + QuotedName(options.outputPath) + ": " +
                           ErrorText(static_cast<long>(GetLastError()))));
    status = 1;
  }
  return status;
}
