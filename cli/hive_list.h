// tolvane-list over hive files, the same on Linux and Windows: a hive read whole into memory of
// its own, brought up to date from its logs where it is dirty, and handed to the listing as a
// registry; or written, recovered, to a new file. The entry points supply only their streams.
#pragma once

#include <functional>
#include <string>

#include "cli/list_command.h"

// Reads the hive and hands the registry over it to use, saying on error, one line each, what
// became of it on the way (recovered from a log, dirty and not recovered, damaged). EHiveError
// when the hive cannot be read.
void WithHiveFile(const ListOptions& options, const std::string& hive,
                  const std::function<void(const std::string& line)>& error,
                  const std::function<void(RegistryApi&)>& use);

// The line refusing an output file (-o) that is one of the files the listing reads: the hives,
// the logs named, the logs beside each hive. Empty when it is none.
std::string OutputIsAnInput(const ListOptions& options);

// The whole of a list file (--known-vulnerable) of at most 1 GiB; Exception with the system's
// words where it cannot be read.
std::string ReadListFile(const std::string& path);

// --save-recovered: the one hive of the options, brought up to date, written to the new file
// the option names. Returns the exit status; one line on error says what happened.
int SaveRecoveredHive(const ListOptions& options,
                      const std::function<void(const std::string& line)>& error);
