#pragma once
// The runtime's start, in every mode: unpack the bundle for this process,
// or tell the user why not (the read error with its code) before any window
// opens.

#include <memory>

#include <QString>

#include "runtime/bundlesession.h"

namespace runtime {

// The program as it was started: the first argument when it holds a folder
// (a saver installed as "Sunset Beach.scr" is a copy or a link of this
// program, and its own name names its bundle), looked up in PATH when it is
// a bare name, else the executable itself.
QString programPath();

// Unpacks the bundle of `program` below the work folder. On failure shows
// the read error with the code and returns null.
std::unique_ptr<BundleSession> startUp(const QString& program);

// After the window has closed: a member that failed while the show ran is
// reported with the same message.
void reportLateFailure(const BundleSession& session);

} // namespace runtime
