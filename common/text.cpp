#include "common/text.h"

namespace {

std::string ReplaceFirst(std::string_view pattern, std::string_view marker, std::string_view text) {
  std::string result(pattern);
  const auto at = result.find(marker);
  if (at != std::string::npos) result.replace(at, marker.size(), text);
  return result;
}

}  // namespace

std::string FormatText(std::string_view pattern, std::string_view text) {
  return ReplaceFirst(pattern, "%s", text);
}

std::string FormatNumber(std::string_view pattern, long long number) {
  return ReplaceFirst(pattern, "%d", std::to_string(number));
}
