// A report canvas that keeps the drawing operations page by page, with fixed text metrics:
// the report's pages as they would be printed, without a printer.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "output/report_pages.h"

class RecordingCanvas : public ReportCanvas {
 public:
  // pages[k] for k >= 1 opens with its PageBreak.
  std::vector<std::vector<DrawOp>> pages{1};
  int lineHeight = 11;
  // Text width in the current font; by default half the point size per character.
  std::function<int(int points, bool bold, std::string_view text)> widthOf =
      [](int points, bool, std::string_view text) {
        return static_cast<int>(text.size()) * points / 2;
      };
  std::function<std::string()> date = [] { return std::string("3/4/24"); };
  int dateReads = 0;

  void Perform(const DrawOp& op) override {
    if (op.kind == DrawKind::PageBreak) pages.emplace_back();
    if (op.kind == DrawKind::SetReportFont) {
      points_ = op.points;
      bold_ = op.bold;
    }
    pages.back().push_back(op);
  }
  TextSize TextExtent(std::string_view text) override {
    return {widthOf(points_, bold_, text), lineHeight};
  }
  int PageNumber() override { return static_cast<int>(pages.size()); }
  std::string ShortDate() override {
    ++dateReads;
    return date();
  }

  // The operations of one kind on a page, in order.
  std::vector<DrawOp> OfKind(std::size_t page, DrawKind kind) const {
    std::vector<DrawOp> found;
    for (const DrawOp& op : pages.at(page))
      if (op.kind == kind) found.push_back(op);
    return found;
  }

 private:
  int points_ = 0;
  bool bold_ = false;
};
