#pragma once
// Reading the verification reports in the verification tests.
#include <string>
#include <vector>

#include "platform/stringlist.h"

namespace verifyfixture {

// The fault lines of a detailed report, without "<li>" and "</li>".
std::vector<std::string> Faults(const platform::TStringList& log);

}  // namespace verifyfixture
