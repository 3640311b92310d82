#pragma once
// Fixtures of the page and plot tests: source files of tests/data/pages
// opened as the main window opens them, with the refrigerant library the
// Header page needs.
#include <string>

#include "workbench/sourcefile.h"

namespace pagesfixture {

// Creates the process-wide refrigerant library from a copy of the test
// library; DoneLibrary frees it.
void InitLibrary();
void DoneLibrary();

// Copies tests/data/pages/<name> into a fresh temporary folder and runs the
// main window's order on selecting it: CheckFileType, LoadModelList,
// LoadHeader. Returns the path of the copy.
std::string OpenFixture(workbench::TSourceFile& source, const std::string& name);
// SelectModel of the model list entry named model, inside an INI pass.
void Select(workbench::TSourceFile& source, const std::string& model);

}  // namespace pagesfixture
