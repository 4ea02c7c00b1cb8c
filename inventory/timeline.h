// The timeline: one row for each time the other views hold, from every hive of a run, oldest
// first, in the fields a timeline tool (Timesketch, the log engines) reads: datetime,
// timestamp_desc and a message line naming the thing and its driver. It reads nothing itself:
// each hive's rows are made from the rows of its views with times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/view.h"

const ViewSchema& TimelineView();

// The timeline's rows of one registry, from each of its views' rows, added in any order. The
// rows are made in the timeline's order (their strings then lie in memory as they are
// written); a view's rows are spent, their strings moving to the last row that names them.
class TimelineScan {
 public:
  void Add(const ViewSchema& view, std::vector<ViewRow> rows);
  void Append(std::vector<ViewRow>& rows);

  // One time of one row: where it sorts (its second as a number, its view's rank in Views())
  // and where it is.
  struct Place {
    std::uint64_t second;
    std::size_t rank;
    std::size_t at;
  };

 private:
  struct Source {
    const ViewSchema* view;
    std::vector<ViewRow> rows;
    std::vector<std::size_t> where;  // the field of each of the timeline's where-read fields
  };
  struct Time {
    std::size_t source;
    std::size_t row;
    std::size_t time;
    std::string second;
  };
  std::vector<Source> sources_;
  std::vector<Time> times_;
  std::vector<Place> places_;
};
