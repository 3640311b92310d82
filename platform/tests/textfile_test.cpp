#include "platform/textfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "platform/streams.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

using namespace platform;

namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_TRUE(FitsCp1252(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");   // undefined: same code point
  EXPECT_EQ(Cp1252ToUtf8("\x9F"), "\xC5\xB8");
  EXPECT_EQ(Utf8ToCp1252("\xCE\xA9x"), "?x");
  EXPECT_FALSE(FitsCp1252("\xCE\xA9"));
}

TEST(CodePage, Utf8Validation) {
  const std::pair<const char*, bool> cases[] = {
      {"plain", true},       {"\xC2\xB0", true},       {"\xE2\x82\xAC", true}, {"\xF0\x9F\x98\x80", true},
      {"\xB0", false},       {"\xC2", false},          {"\xC0\x80", false},    {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false}, {"\xE2\x82", false}, {"\xFF", false},
  };
  for (const auto& [bytes, valid] : cases) EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
  EXPECT_EQ(DecodeText("\xB0").encoding, TextEncoding::Windows1252);
  EXPECT_EQ(DecodeText("\xC2\xB0").encoding, TextEncoding::Utf8);
}

TEST(TextFiles, WrittenBackInTheirEncoding) {
  std::string dir = testsupport::MakeTempDir("tf");
  testsupport::WriteAll(dir + "/a.txt", "25 \xB0" "C");
  TextFileContent c = ReadTextFile(dir + "/a.txt");
  EXPECT_EQ(c.text, "25 \xC2\xB0" "C");
  EXPECT_EQ(c.encoding, TextEncoding::Windows1252);
  WriteTextFile(dir + "/a.txt", c.text + "!", c.encoding);
  EXPECT_EQ(testsupport::ReadAll(dir + "/a.txt"), "25 \xB0" "C!");
  WriteTextFile(dir + "/b.txt", "\xCE\xA9", TextEncoding::Windows1252);
  EXPECT_EQ(testsupport::ReadAll(dir + "/b.txt"), "\xCE\xA9");
}

TEST(TextFiles, FailuresRaiseAndKeepTheOldFile) {
  std::string dir = testsupport::MakeTempDir("tf");
  try {
    ReadFileBytes(dir + "/missing.txt");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + dir + "/missing.txt\". ", 0), 0u);
  }
  testsupport::WriteAll(dir + "/plain", "x");
  try {
    WriteFileBytes(dir + "/plain/sub.txt", "data");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + dir + "/plain/sub.txt\". ", 0), 0u);
  }
  testsupport::WriteAll(dir + "/keep.txt", "old contents");
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = saved;
  limit.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &limit);
  bool raised = false;
  try {
    WriteFileBytes(dir + "/keep.txt", std::string(1000, 'n'));
  } catch (const EFCreateError&) {
    raised = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(raised);
  EXPECT_EQ(testsupport::ReadAll(dir + "/keep.txt"), "old contents");
}

TEST(Streams, MemoryAndFile) {
  TMemoryStream m;
  const char data[] = "abcdef";
  m.WriteBuffer(data, 6);
  EXPECT_EQ(m.Size(), 6);
  m.SetPosition(2);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 10), 4);
  EXPECT_STREQ(buf, "cdef");
  m.SetPosition(4);
  EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
  try {
    m.SetPosition(5);
    m.ReadBuffer(buf, 2);
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }

  std::string dir = testsupport::MakeTempDir("st");
  {
    TFileStream f(dir + "/f.bin", TFileMode::fmCreate);
    f.CopyFrom(m, 0);
    EXPECT_EQ(f.Size(), 6);
  }
  {
    TFileStream f(dir + "/F.BIN", TFileMode::fmOpenRead);   // found without regard to case
    EXPECT_EQ(f.Seek(-2, TSeekOrigin::soEnd), 4);
    f.ReadBuffer(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "ef");
    EXPECT_EQ(f.Read(buf, 1), 0);
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  }
  EXPECT_THROW(TFileStream(dir + "/none.bin", TFileMode::fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(dir, TFileMode::fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(dir + "/no/dir.bin", TFileMode::fmCreate), EFCreateError);
  TMemoryStream loaded;
  loaded.LoadFromFile(dir + "/f.bin");
  EXPECT_EQ(loaded.Bytes().size(), 6u);
}

}  // namespace
