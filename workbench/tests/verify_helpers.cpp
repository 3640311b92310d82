#include "verify_helpers.h"

namespace verifyfixture {

std::vector<std::string> Faults(const platform::TStringList& log) {
  std::vector<std::string> faults;
  for (const auto& line : log) {
    if (line.rfind("<li>", 0) == 0 && line.size() >= 9 && line.compare(line.size() - 5, 5, "</li>") == 0)
      faults.push_back(line.substr(4, line.size() - 9));
  }
  return faults;
}

}  // namespace verifyfixture
