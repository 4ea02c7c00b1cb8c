// The devices: every device instance key Enum\<enumerator>\<device>\<instance> of a control set,
// present or not, with the driver record its Driver value names and the times Windows keeps
// under its Properties key.
#pragma once

#include "inventory/view.h"

const ViewSchema& DevicesView();

// The note a run gives once where the Properties keys are closed to it (on Windows only the
// system account may open them).
inline constexpr std::string_view kDeviceTimesDenied =
    "the device times (install_date, first_install_date, last_arrival_date, "
    "last_removal_date) are empty: the Properties keys can be read only by the system account";
