#pragma once
// A runtime folder for Qt when the session has none ($XDG_RUNTIME_DIR unset, as under cron, ssh
// without a login session or a container). Qt then warns on stderr and falls back to a folder
// of its own; a command-line tool must print only its own lines, so the program provides the
// folder itself before creating the Qt application object.

#include <string>

namespace sp {

// When XDG_RUNTIME_DIR is unset or empty: uses (creating it when missing) the folder
// /tmp/stillpick-runtime-<uid>, mode 0700 and owned by this user, and sets XDG_RUNTIME_DIR to
// it. A folder of that name that is not a real folder, belongs to someone else or is open to
// others is not used; a fresh private folder made with mkdtemp is taken instead. Returns the
// folder in force afterwards ("" when none could be made: Qt then warns as before). Call on the
// main thread before any other thread starts (it changes the environment).
std::string EnsureRuntimeFolder();

} // namespace sp
