#include "workbench/modules.h"

#include <functional>

#include "core/environment.h"

namespace workbench {

namespace {

struct Module {
  const char* name;
  std::function<void()> startup;
  std::function<void()> cleanup;
};

// Modules that others depend on first. The engineering core starts with the
// environment (number format, folders and the data folder, company
// information); the other start-ups join here as their modules arrive:
const std::vector<Module>& Modules() {
  static const std::vector<Module> modules = {
      {"environment", core::InitEnvironment, core::DoneEnvironment},
      // core: the refrigerant library ("RefLib8.rdf" in the shared folder, R22 selected)
      //   {"refrigerant library", [] { core::InitRefrigLib(); }, core::DoneRefrigLib},
      // core: the current compressor and the installed-catalog list
      //   {"compressor", core::InitComp, core::DoneComp},
      // editor: highlighter list, INI highlighter, clipboard format, command names
      //   {"editor", editor::InitEditorModule, editor::FinalizeEditorModule},
      // htmlview: PNG format, screen, placeholder bitmaps, cursors, parser tables
      // workbench: the SMTP message builder
      // numerics: machine constants, random seed, default model and solver (last)
      //   {"numerics", numerics::InitNumerics, nullptr},
  };
  return modules;
}

std::vector<const Module*>& Started() {
  static std::vector<const Module*> started;
  return started;
}

}  // namespace

void StartupModules() {
  for (const Module& module : Modules()) {
    try {
      module.startup();
    } catch (...) {
      CleanupModules();
      throw;
    }
    Started().push_back(&module);
  }
}

void CleanupModules() {
  auto& started = Started();
  while (!started.empty()) {
    const Module* module = started.back();
    started.pop_back();
    if (!module->cleanup) continue;
    try {
      module->cleanup();
    } catch (...) {
      // A clean-up that fails must not keep the others from running.
    }
  }
}

std::vector<std::string> StartedModules() {
  std::vector<std::string> names;
  for (const Module* m : Started()) names.push_back(m->name);
  return names;
}

}  // namespace workbench
