// The driver services: every key under a control set's Services whose Type is a driver's (1
// kernel, 2 file system, 4 adapter, 8 recognizer), with the file Windows loads it from and how
// many device instances of the same control set name it.
#pragma once

#include <string>
#include <string_view>

#include "inventory/view.h"

const ViewSchema& ServicesView();

// Where a driver service's file is, as a Windows path: "\SystemRoot\X" and a relative "X"
// under %SystemRoot%, "\??\C:\X" as C:\X, any other path as stored, and a service with no
// ImagePath (or an empty one) the file Windows loads it from,
// %SystemRoot%\System32\drivers\<name>.sys.
std::string ServiceFilePath(std::string_view name, std::string_view imagePath);
