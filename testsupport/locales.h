#pragma once
// A switch of the process locale for the length of a scope, for tests that
// show that what the program reads, writes and draws does not follow it.
#include <QLocale>

#include <array>
#include <clocale>
#include <locale>
#include <string>

namespace testsupport {

// The locales such tests run under: C (a session without LANG), one with a
// decimal comma, and the Turkish one whose i and I map to dotted and dotless
// letters. scripts/install-deps.sh makes the two that Debian does not ship.
inline constexpr std::array<const char*, 3> kTestLocales = {"C", "de_DE.UTF-8", "tr_TR.UTF-8"};

// Switches the C library's locale for `category` (LC_ALL by default) to
// `name`; for LC_ALL also the C++ global locale and Qt's default locale, as a
// desktop session would have them. Restores all three at the end of the
// scope. A locale the machine lacks fails the running test with a message
// that names it and says how to make it: the test never passes without the
// switch it asked for.
class ScopedLocale {
 public:
  explicit ScopedLocale(const std::string& name, int category = LC_ALL);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  // False when the locale could not be set (the test has already failed).
  bool Active() const { return active_; }

 private:
  int category_;
  std::string savedC_;
  std::locale savedCxx_;
  QLocale savedQt_;
  bool active_ = false;
};

}  // namespace testsupport
