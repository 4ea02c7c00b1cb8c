// One Save into the in-memory files as the user meets it: the error it ended with, if any,
// and what the file holds afterwards ("<missing>" when there is none).
#pragma once

#include <string>

#include "common/exception.h"
#include "fake_file_api.h"
#include "output/text_export.h"

struct SaveOutcome {
  bool failed = false;
  std::string error;
  std::string contents;
};

inline SaveOutcome RunSave(FakeFileApi& files, const RowStore& rows, const std::string& path,
                           IoResult& ioResult) {
  SaveOutcome outcome;
  try {
    SaveRows(files, rows, path, ioResult);
  } catch (const Exception& e) {
    outcome.failed = true;
    outcome.error = e.Message();
  }
  outcome.contents = files.Exists(path) ? files.Contents(path) : "<missing>";
  return outcome;
}
