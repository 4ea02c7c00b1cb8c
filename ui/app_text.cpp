#include "ui/app_text.h"

#include "common/text.h"

std::string ApplicationTitle(std::string_view modulePath, const CharLowerFn& lower) {
  std::string_view name = modulePath;
  if (const auto slash = name.rfind('\\'); slash != std::string_view::npos) {
    name.remove_prefix(slash + 1);
  }
  if (const auto period = name.find('.'); period != std::string_view::npos) {
    name = name.substr(0, period);
  }
  std::string title(name);
  for (std::size_t i = 1; i < title.size(); ++i) title[i] = lower(title[i]);
  return title;
}

std::string CountStatusText(std::size_t rows) {
  return FormatNumber("Count: %d", static_cast<long long>(rows));
}
