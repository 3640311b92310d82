// The replay that turns each fuzz target into a test, run on a probe target
// whose inputs say what it does: every input runs once in name order, bad
// command lines are refused before any input runs, a fault ends the run
// naming its input, and runaways in time and memory are stopped.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "testsupport/testenv.h"

namespace {

using testsupport::MakeTempDir;
using testsupport::WriteAll;

struct Outcome {
  bool crashed = false;
  int exitCode = -1;
  std::string err;
  // Position of a text in stderr, npos when absent.
  size_t At(const std::string& text) const { return err.find(text); }
};

Outcome Replay(const std::vector<std::string>& args) {
  QProcess process;
  QStringList list;
  for (const std::string& a : args) list << QString::fromStdString(a);
  process.start(QStringLiteral(DRAVLEN_REPLAY_PROBE), list);
  EXPECT_TRUE(process.waitForStarted());
  EXPECT_TRUE(process.waitForFinished(120000));
  Outcome run;
  run.crashed = process.exitStatus() == QProcess::CrashExit;
  run.exitCode = process.exitCode();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

// A folder holding the named inputs, each file's text being its name's
// instruction (see replay_probe.cpp).
std::string Folder(const std::vector<std::pair<std::string, std::string>>& files) {
  const std::string dir = MakeTempDir("inputs");
  for (const auto& [name, text] : files) WriteAll(dir + "/" + name, text);
  return dir;
}

std::string Between(const std::string& s, const std::string& from, const std::string& to) {
  const size_t start = s.find(from);
  if (start == std::string::npos) return "";
  const size_t end = s.find(to, start + from.size());
  return s.substr(start + from.size(), end == std::string::npos ? std::string::npos : end - start - from.size());
}

TEST(FuzzReplay, RunsEveryInputOnceInNameOrderInAPrivateFolder) {
  // Listed out of order; a dotted name is a placeholder, a subfolder no input.
  const std::string dir = Folder({{"b", "second"}, {".keep", "trap"}, {"a", "first"}});
  QDir().mkpath(QString::fromStdString(dir + "/sub"));
  WriteAll(dir + "/sub/x", "trap");
  const std::string single = Folder({{"lone", "third"}}) + "/lone";

  const Outcome run = Replay({"-runs=0", dir, single});
  ASSERT_FALSE(run.crashed) << run.err;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const size_t init = run.At("probe: initialized"), first = run.At("probe: first"),
               second = run.At("probe: second"), third = run.At("probe: third");
  ASSERT_NE(init, std::string::npos) << run.err;
  ASSERT_NE(third, std::string::npos) << run.err;
  EXPECT_LT(init, first);
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_EQ(run.err.find("probe: first", first + 1), std::string::npos) << "an input ran twice";
  EXPECT_NE(run.At("3 inputs, no fault"), std::string::npos) << run.err;
  EXPECT_NE(run.At("-runs=0 ignored"), std::string::npos) << run.err;

  // The target saw a temporary folder and a home of the run's own, gone
  // once it ended.
  const std::string tmp = Between(run.err, "TMPDIR=", " HOME=");
  const std::string home = Between(run.err, " HOME=", "\n");
  ASSERT_FALSE(tmp.empty());
  ASSERT_FALSE(home.empty());
  EXPECT_NE(home, std::getenv("HOME"));
  EXPECT_NE(tmp, QDir::tempPath().toStdString());
  EXPECT_FALSE(QDir(QString::fromStdString(tmp)).exists()) << tmp;
  EXPECT_FALSE(QDir(QString::fromStdString(home)).exists()) << home;
}

TEST(FuzzReplay, RefusesABadCommandLineBeforeAnyInputRuns) {
  const std::string inputs = Folder({{"a", "first"}});
  const std::string empty = MakeTempDir("empty");
  WriteAll(empty + "/.keep", "");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{}, "usage"},
      {{inputs, inputs + "/missing"}, "is neither a folder nor a file"},
      {{""}, "is neither a folder nor a file"},
      {{empty}, "no inputs"},
      {{"-timeout=0", inputs}, "no number of seconds"},
      {{"-timeout=", inputs}, "no number of seconds"},
      {{"-timeout=5s", inputs}, "no number of seconds"},
  };
  for (const auto& c : cases) {
    const Outcome run = Replay(c.args);
    const std::string what = c.args.empty() ? "no arguments" : c.args.front();
    EXPECT_FALSE(run.crashed) << what;
    EXPECT_EQ(run.exitCode, 2) << what << "\n" << run.err;
    EXPECT_NE(run.At(c.message), std::string::npos) << what << "\n" << run.err;
    EXPECT_EQ(run.At("probe:"), std::string::npos) << what << "\n" << run.err;
  }
}

TEST(FuzzReplay, AFaultEndsTheRunAfterNamingItsInput) {
  const std::string dir = Folder({{"a", "first"}, {"b", "trap"}, {"c", "third"}});
  const Outcome run = Replay({dir});
  EXPECT_TRUE(run.crashed) << run.err;
  const size_t named = run.At("Running: " + dir + "/b");
  ASSERT_NE(named, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Running:", named + 1), std::string::npos) << "ran on after the fault";
  EXPECT_NE(run.At("probe: first"), std::string::npos);
  EXPECT_EQ(run.At("probe: third"), std::string::npos);
}

TEST(FuzzReplay, StopsAnInputThatRunsAway) {
  const std::string dir = Folder({{"a", "spin"}, {"b", "second"}});
  const Outcome spin = Replay({"-timeout=1", dir});
  EXPECT_FALSE(spin.crashed);
  EXPECT_EQ(spin.exitCode, 70) << spin.err;
  EXPECT_NE(spin.At(dir + "/a still ran after 1 seconds of processor time"), std::string::npos) << spin.err;
  EXPECT_EQ(spin.At("probe: second"), std::string::npos);

#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps the address space, and its resident-memory limit
  // is not worth two gigabytes of every test run.
#else
  // Untouched allocations cost address space, not memory: without a bound
  // they reach the probe's own stop at 16 GiB.
  const Outcome grow = Replay({Folder({{"a", "grow"}})});
  EXPECT_EQ(grow.exitCode, 0) << grow.err;
  const std::string reached = Between(grow.err, "probe: grew to ", " MiB");
  ASSERT_FALSE(reached.empty()) << grow.err;
  EXPECT_LT(std::stoi(reached), 4096) << grow.err;
  EXPECT_GT(std::stoi(reached), 1024) << grow.err;
#endif
}

}  // namespace
