#include "ui/about_layout.h"

#include <algorithm>

std::vector<std::string> WrapAtSpaces(std::string_view text, int maxWidth,
                                      const std::function<int(std::string_view)>& measure) {
  std::vector<std::string> lines;
  std::string_view rest = text;
  while (!rest.empty()) {
    // Take words while the line still fits; the first word always goes on the line.
    std::size_t end = rest.find(' ');
    if (end == std::string_view::npos) end = rest.size();
    for (;;) {
      std::size_t next = rest.find_first_not_of(' ', end);
      if (next == std::string_view::npos) break;
      std::size_t nextEnd = rest.find(' ', next);
      if (nextEnd == std::string_view::npos) nextEnd = rest.size();
      if (measure(rest.substr(0, nextEnd)) > maxWidth) break;
      end = nextEnd;
    }
    lines.emplace_back(rest.substr(0, end));
    const std::size_t next = rest.find_first_not_of(' ', end);
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next);
  }
  return lines;
}

std::optional<ScreenPoint> FirstShowingPlacement::Place(PlacementScreens& screens, int width,
                                                        int height) {
  if (placed_) return std::nullopt;
  placed_ = true;
  const Rect primary = screens.PrimaryScreen();
  ScreenPoint centred = CentredOrigin(primary, width, height);
  centred = {std::max(primary.left, centred.x), std::max(primary.top, centred.y)};
  const Rect box{centred.x, centred.y, centred.x + width, centred.y + height};
  if (const std::optional<Rect> other = screens.ActiveMonitorIfOther(box)) {
    return CentredOrigin(*other, width, height);
  }
  return centred;
}
