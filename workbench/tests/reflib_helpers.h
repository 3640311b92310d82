#pragma once
// The refrigerant library of the workbench tests.
#include <string>

namespace reflibfixture {

// Creates the process-wide refrigerant library over a private copy of the
// shipped RefLib8.rdf (so that a test may change it), with extraSections
// (INI text) appended to the copy; Done frees the library.
void Init(const std::string& extraSections = "");
void Done();

}  // namespace reflibfixture
