#include "workbench/modules.h"

#include <functional>

#include "core/comp.h"
#include "core/environment.h"
#include "core/refriglib.h"
#include "editor/editormodule.h"
#include "htmlview/viewermodule.h"
#include "numerics/numerics.h"
#include "workbench/smtpcontrol.h"

namespace workbench {

namespace {

struct Module {
  const char* name;
  std::function<void()> startup;
  std::function<void()> cleanup;
};

// Modules that others depend on first. The engineering core starts with the
// environment (number format, folders and the data folder, company
// information); clean-up runs in reverse order.
const std::vector<Module>& Modules() {
  static const std::vector<Module> modules = {
      {"environment", core::InitEnvironment, core::DoneEnvironment},
      // The refrigerant library reads "RefLib8.rdf" in the shared folder and selects R22.
      {"refrigerant library", [] { core::InitRefrigLib(); }, core::DoneRefrigLib},
      // The current compressor and the list of installed catalogs.
      {"compressor", core::InitComp, core::DoneComp},
      // Highlighter list, INI highlighter, clipboard format, command names.
      {"editor", editor::InitEditorModule, editor::FinalizeEditorModule},
      // PNG picture format, the vocabulary's entity and colour-name lists.
      {"viewer", htmlview::InitViewerModule, htmlview::DoneViewerModule},
      // The SMTP message builder of the e-mail dialog.
      {"mail", workbench::InitSMTPControl, workbench::DoneSMTPControl},
      // Machine constants, random seed, default regression model and solver: last.
      {"numerics", numerics::InitNumerics, nullptr},
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
