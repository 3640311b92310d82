#pragma once
// Fixtures of the page and plot tests: source files of tests/data/pages
// opened as the main window opens them (the refrigerant library the Header
// page needs: reflib_helpers.h).
#include <string>

#include "workbench/sourcefile.h"

namespace pagesfixture {

// Copies tests/data/pages/<name> into a fresh temporary folder and runs the
// main window's order on selecting it: CheckFileType, LoadModelList,
// LoadHeader. Returns the path of the copy.
std::string OpenFixture(workbench::TSourceFile& source, const std::string& name);
// SelectModel of the model list entry named model, inside an INI pass.
void Select(workbench::TSourceFile& source, const std::string& model);

}  // namespace pagesfixture
