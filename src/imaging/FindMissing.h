#pragma once

// Finding missing pictures again: every entry whose file could not be read is looked for by its
// file name in a folder and in every folder below it; one found there is read from its new
// place and keeps its category, active flag, rotation, description and place in the list. A
// long operation: busy state, one log line per missing entry, abort, a summary.

#include "imaging/Acquire.h"
#include "model/Datacore.h"
#include "model/RunLog.h"

#include <string>

namespace korvo {

struct FindMissingResult {
    int Missing = 0; // missing entries when the search began
    int Found = 0; // of those, read again from their new place
    bool Aborted = false;
};

// The folders are walked in name order (byte by byte, a subfolder's contents where its name
// comes), and the first file of the right name wins that is not already another entry's
// picture, so two missing entries of the same name take two different files. Only regular
// files count; links are never followed, and a folder reached a second time (a bind mount) is
// not entered again. The files found are read on worker threads, as AddFiles reads; the found
// entries come out marked, every other mark is cleared.
FindMissingResult FindMissing(
    TImageManager& images, const std::string& folder, IOperationHost& host, const TAcquireOptions& options = {});

} // namespace korvo
