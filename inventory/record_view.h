// The records: every instance of every device setup class of a control set holding a driver
// value (driver_record.h reads them), as a view's rows.
#pragma once

#include "inventory/view.h"

const ViewSchema& RecordsView();
