#include "testsupport/locales.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace testsupport {

namespace {

// "de_DE.UTF-8" is made from the source "de_DE" and the charmap "UTF-8".
std::string MakeCommand(const std::string& name) {
  const size_t dot = name.find('.');
  if (dot == std::string::npos) return "localedef -i " + name + " " + name;
  return "localedef -i " + name.substr(0, dot) + " -f " + name.substr(dot + 1) + " " + name;
}

}  // namespace

ScopedLocale::ScopedLocale(const std::string& name, int category)
    : category_(category), savedC_(std::setlocale(category, nullptr)) {
  if (!std::setlocale(category, name.c_str())) {
    ADD_FAILURE() << "the locale " << name << " is not on this machine; make it with `"
                  << MakeCommand(name) << "` (as root), or run scripts/install-deps.sh";
    return;
  }
  active_ = true;
  if (category != LC_ALL) return;
  try {
    // std::locale::global sets the C library's locale too: name it again.
    std::locale::global(std::locale(name));
  } catch (const std::runtime_error& e) {
    ADD_FAILURE() << "the C++ library cannot make the locale " << name << ": " << e.what();
    active_ = false;
  }
  QLocale::setDefault(QLocale(QString::fromStdString(name)));
}

ScopedLocale::~ScopedLocale() {
  if (category_ == LC_ALL) {
    QLocale::setDefault(savedQt_);
    std::locale::global(savedCxx_);
  }
  std::setlocale(category_, savedC_.c_str());
}

}  // namespace testsupport
