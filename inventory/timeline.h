// The timeline: one row for each time the other views hold, from every hive of a run, oldest
// first, in the fields a timeline tool (Timesketch, the log engines) reads: datetime,
// timestamp_desc and a message line naming the thing and its driver.
#pragma once

#include "inventory/view.h"

const ViewSchema& TimelineView();
