#pragma once
// Module start-up and clean-up: explicit functions run by the program's entry
// (never static initialisers), in the order the subsystems depend on each
// other; clean-up runs in reverse. Tests call the single modules' start-ups
// they need instead.
#include <string>
#include <vector>

namespace workbench {

// Runs every module's start-up in order. When one raises, the modules
// already started are cleaned up again and the error passes on.
void StartupModules();
// Cleans up the started modules in reverse order; safe to call twice.
void CleanupModules();
// Names of the modules started so far, in start-up order (for tests).
std::vector<std::string> StartedModules();

}  // namespace workbench
