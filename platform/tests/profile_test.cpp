// Each rule written down at the top of profile.cpp, by number.
#include "platform/profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <malloc.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdio>
#include <functional>

#include "platform/streams.h"
#include "platform/stringlist.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"
#include "testsupport/testenv.h"
#include "testsupport/permissions.h"

using namespace platform;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

class Profile : public ::testing::Test {
 protected:
  std::string dir = testsupport::MakeTempDir("profile");
  std::string file = dir + "/test.ini";
  std::string Get(const std::string& s, const std::string& k, const std::string& def = "<none>") {
    return GetPrivateProfileString(s, k, def, file);
  }
};

// Rules 2, 3, 4, 5: sections, comments, blanks, quotes, case.
TEST_F(Profile, ReadsNamesAndValuesByTheRules) {
  WriteAll(file,
           "orphan=before any section\r\n"
           "[Header]\r\n"
           "; FileType=commented out\r\n"
           "  FileType  =  Dravlen Data File  \r\n"
           "Quoted=\"  kept blanks  \"\r\n"
           "Single='x'\r\n"
           "Unmatched=\"x'\r\n"
           "no equals sign here\r\n"
           "=no name\r\n"
           "Empty=\r\n"
           "Eq=a=b\r\n"
           "  [ Model 1 ]  trailing\r\n"
           "Te=-10,0,10\r\n"
           "[Open\r\n"
           "k=v\r\n");
  EXPECT_EQ(Get("Header", "FileType"), "Dravlen Data File");
  EXPECT_EQ(Get("HEADER", "filetype"), "Dravlen Data File");
  EXPECT_EQ(Get("  header ", " FILETYPE "), "Dravlen Data File");
  EXPECT_EQ(Get("Header", "Quoted"), "  kept blanks  ");
  EXPECT_EQ(Get("Header", "Single"), "x");
  EXPECT_EQ(Get("Header", "Unmatched"), "\"x'");
  EXPECT_EQ(Get("Header", "Empty"), "");
  EXPECT_EQ(Get("Header", "Eq"), "a=b");
  EXPECT_EQ(Get("Header", "no equals sign here"), "<none>");
  EXPECT_EQ(Get("Header", "; FileType"), "<none>");
  EXPECT_EQ(Get("Header", "orphan"), "<none>");
  EXPECT_EQ(Get("model 1", "te"), "-10,0,10");
  EXPECT_EQ(Get("Open", "k"), "v");
  EXPECT_EQ(GetPrivateProfileSectionNames(file), (std::vector<std::string>{"Header", "Model 1", "Open"}));
  EXPECT_EQ(GetPrivateProfileKeys("header", file),
            (std::vector<std::string>{"FileType", "Quoted", "Single", "Unmatched", "Empty", "Eq"}));
}

// Rule 1: LF, CR LF, a byte-order mark.
TEST_F(Profile, LineEndsAndByteOrderMark) {
  WriteAll(file, "\xEF\xBB\xBF[A]\nx=1\r\ny=2");
  EXPECT_EQ(GetPrivateProfileSectionNames(file), std::vector<std::string>{"A"});
  EXPECT_EQ(Get("A", "x"), "1");
  EXPECT_EQ(Get("A", "y"), "2");
  ASSERT_TRUE(WritePrivateProfileString("A", "x", "10", file));
  EXPECT_EQ(ReadAll(file), "\xEF\xBB\xBF[A]\nx=10\r\ny=2");
}

// Rule 6: the first of duplicate sections and keys wins.
TEST_F(Profile, FirstOfDuplicatesWins) {
  WriteAll(file,
           "[S]\nk=first\nk=second\na=1\n"
           "[s]\nk=third\nb=2\n");
  EXPECT_EQ(Get("S", "k"), "first");
  EXPECT_EQ(Get("S", "b"), "<none>");
  EXPECT_EQ(GetPrivateProfileSectionNames(file), std::vector<std::string>{"S"});
  EXPECT_EQ(GetPrivateProfileKeys("S", file), (std::vector<std::string>{"k", "a"}));
  ASSERT_TRUE(WritePrivateProfileString("s", "K", "new", file));
  EXPECT_EQ(ReadAll(file), "[S]\nk=new\nk=second\na=1\n[s]\nk=third\nb=2\n");
  ASSERT_TRUE(WritePrivateProfileString("S", "B", "in first", file));
  EXPECT_EQ(ReadAll(file), "[S]\nk=new\nk=second\na=1\nB=in first\n[s]\nk=third\nb=2\n");
}

// Rule 7: values cut to 2047 characters, or to bufferSize - 1.
TEST_F(Profile, LongValuesAreCut) {
  std::string value(3000, 'x');
  for (int i = 0; i < 3000; i += 100) value[i] = 'a' + (i / 100) % 26;
  WriteAll(file, "[S]\nlong=" + value + "\n");
  EXPECT_EQ(Get("S", "long"), value.substr(0, 2047));
  EXPECT_EQ(GetPrivateProfileString("S", "long", "", file, 11), value.substr(0, 10));
  EXPECT_EQ(GetPrivateProfileString("S", "missing", value, file), value.substr(0, 2047));
  EXPECT_EQ(GetPrivateProfileString("S", "long", "", file, 0), "");
  // A write keeps the whole value in the file; only the read is cut.
  ASSERT_TRUE(WritePrivateProfileString("S", "copy", value, file));
  EXPECT_NE(ReadAll(file).find("copy=" + value + "\n"), std::string::npos);
  // Characters, not bytes: a cut never splits a UTF-8 sequence.
  std::string degrees;
  for (int i = 0; i < 2100; ++i) degrees += "\xC2\xB0";
  ASSERT_TRUE(WritePrivateProfileString("S", "deg", degrees, file));
  EXPECT_EQ(Get("S", "deg").size(), 2047u * 2);
}

// Rule 8 and a missing file (rule 12).
TEST_F(Profile, MissingFileReadsAsEmptyAndIsCreatedByAWrite) {
  EXPECT_EQ(Get("S", "k", "def"), "def");
  EXPECT_TRUE(GetPrivateProfileSectionNames(file).empty());
  EXPECT_TRUE(GetPrivateProfileKeys("S", file).empty());
  EXPECT_TRUE(WritePrivateProfileString("S", "k", std::nullopt, file));
  EXPECT_TRUE(EraseProfileSection("S", file));
  EXPECT_FALSE(FileExists(file));
  ASSERT_TRUE(WritePrivateProfileString("Settings", "LastPath", "/data", file));
  EXPECT_EQ(ReadAll(file), "[Settings]\r\nLastPath=/data\r\n");
  ASSERT_TRUE(WritePrivateProfileString("Other", "x", "1", file));
  EXPECT_EQ(ReadAll(file), "[Settings]\r\nLastPath=/data\r\n\r\n[Other]\r\nx=1\r\n");
  // The folder is not created.
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", dir + "/no/such/folder.ini"));
}

// Rules 9 and 13: only the changed line changes.
TEST_F(Profile, RestOfFileKeptByteForByte) {
  const std::string original =
      "; comment at the top\n"
      "[Header]   \n"
      "  Make = Acme   ; not a comment\n"
      "Description=\tWith tab\n"
      "\n"
      "[Model]\n"
      "Qe0=1,2,3\n"
      "\n"
      "\n"
      "[Last]\n"
      "x=1";
  WriteAll(file, original);
  ASSERT_TRUE(WritePrivateProfileString("HEADER", "make", "Other", file));
  std::string expected = original;
  expected.replace(expected.find("Acme   ; not a comment"), 22, "Other");
  EXPECT_EQ(ReadAll(file), expected);
  // A new key goes after the section's last non-blank line.
  ASSERT_TRUE(WritePrivateProfileString("Model", "Pw0", "4,5,6", file));
  expected.insert(expected.find("Qe0=1,2,3\n") + 10, "Pw0=4,5,6\n");
  EXPECT_EQ(ReadAll(file), expected);
  // The last line had no line end, and keeps having none.
  ASSERT_TRUE(WritePrivateProfileString("Last", "y", "2", file));
  expected += "\ny=2";
  EXPECT_EQ(ReadAll(file), expected);
  // Writing a value it already has leaves the file alone.
  ASSERT_TRUE(WritePrivateProfileString("Last", "y", "2", file));
  EXPECT_EQ(ReadAll(file), expected);
}

// Rule 11: deletions.
TEST_F(Profile, DeleteKeyAndEraseSection) {
  WriteAll(file, "[A]\nk=1\nj=2\nK=3\n[B]\nk=4\n[a]\nk=5\n[C]\nz=0\n");
  ASSERT_TRUE(WritePrivateProfileString("a", "K", std::nullopt, file));
  EXPECT_EQ(ReadAll(file), "[A]\nj=2\n[B]\nk=4\n[a]\nk=5\n[C]\nz=0\n");
  ASSERT_TRUE(WritePrivateProfileString("A", "missing", std::nullopt, file));
  ASSERT_TRUE(EraseProfileSection(" A ", file));
  EXPECT_EQ(ReadAll(file), "[B]\nk=4\n[C]\nz=0\n");
  EXPECT_EQ(Get("a", "k"), "<none>");
  ASSERT_TRUE(EraseProfileSection("nothing", file));
  EXPECT_EQ(ReadAll(file), "[B]\nk=4\n[C]\nz=0\n");
}

// Rule 10: what cannot be written safely.
TEST_F(Profile, UnsafeNamesAndLineBreaks) {
  EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", file));
  EXPECT_FALSE(WritePrivateProfileString("S", "", "v", file));
  EXPECT_FALSE(WritePrivateProfileString("S", "a\nb", "v", file));
  EXPECT_FALSE(WritePrivateProfileString("S]", "k", "v", file));
  EXPECT_FALSE(WritePrivateProfileString("", "k", "v", file));
  EXPECT_FALSE(FileExists(file));
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "line1\r\n[Evil]\r\nx=1", file));
  EXPECT_EQ(Get("S", "k"), "line1  [Evil]  x=1");
  EXPECT_EQ(GetPrivateProfileSectionNames(file), std::vector<std::string>{"S"});
}

// Rule 13: the file's encoding is kept.
TEST_F(Profile, Windows1252FileStaysWindows1252) {
  WriteAll(file, "[Header]\r\nTemp=\xB0" "C\r\nMake=Caf\xE9\r\n");
  EXPECT_EQ(Get("Header", "Temp"), "\xC2\xB0" "C");
  EXPECT_EQ(Get("Header", "Make"), "Caf\xC3\xA9");
  ASSERT_TRUE(WritePrivateProfileString("Header", "Price", "5 \xE2\x82\xAC", file));   // the euro sign
  EXPECT_EQ(ReadAll(file), "[Header]\r\nTemp=\xB0" "C\r\nMake=Caf\xE9\r\nPrice=5 \x80\r\n");
  // A character the code page lacks turns the file into UTF-8 rather than lose it.
  ASSERT_TRUE(WritePrivateProfileString("Header", "Omega", "\xCE\xA9", file));
  EXPECT_EQ(ReadAll(file),
            "[Header]\r\nTemp=\xC2\xB0" "C\r\nMake=Caf\xC3\xA9\r\nPrice=5 \xE2\x82\xAC\r\nOmega=\xCE\xA9\r\n");
  EXPECT_EQ(Get("Header", "Omega"), "\xCE\xA9");
}

// A byte-order mark before text that is not UTF-8: the text reads as
// Windows-1252, and a write keeps the mark's bytes with the rest.
TEST_F(Profile, ByteOrderMarkBeforeWindows1252TextIsKept) {
  WriteAll(file, "\xEF\xBB\xBF[S]\nk=\xE9\n");
  EXPECT_EQ(Get("S", "k"), "\xC3\xA9");
  ASSERT_TRUE(WritePrivateProfileString("S", "n", "1", file));
  EXPECT_EQ(ReadAll(file), "\xEF\xBB\xBF[S]\nk=\xE9\nn=1\n");
  // Found by the fuzzer: a mark with no section after it at all.
  const std::string odd("\xEF\xBB\xBF\x1B\0\0\0\xEF\xB1\xFF@\xBF;]\n", 15);
  WriteAll(file, odd);
  ASSERT_TRUE(WritePrivateProfileString("New", "k", "v", file));
  EXPECT_EQ(ReadAll(file), odd + "\n[New]\nk=v\n");
}

// Rule 12: writes reach the file at once, and outside changes are seen at once.
TEST_F(Profile, WritesAndOutsideChangesAreSeenAtOnce) {
  WriteAll(file, "[S]\nk=aaa\n");
  EXPECT_EQ(Get("S", "k"), "aaa");
  WriteAll(file, "[S]\nk=bbb\n");   // same size, same instant
  EXPECT_EQ(Get("S", "k"), "bbb");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "ccc", file));
  EXPECT_EQ(ReadAll(file), "[S]\nk=ccc\n");
  FlushPrivateProfile(file);
  EXPECT_EQ(Get("S", "k"), "ccc");
  std::remove(file.c_str());   // not through the platform: seen once reported
  EXPECT_TRUE(AwaitProfileChangeReports());
  EXPECT_EQ(Get("S", "k"), "<none>");
}

// Rule 12 against the cache: a change by another program is seen at once even
// when the file keeps its size and its time of last change, whether the file
// was last written by this process or read long after it settled.
TEST_F(Profile, OutsideChangesThatKeepSizeAndTimeAreSeen) {
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "own", file));
  EXPECT_EQ(Get("S", "k"), "own");
  WriteAll(file, "[S]\r\nk=out\r\n");   // in place, same size, same instant
  EXPECT_EQ(Get("S", "k"), "out");

  // A file well past its last change, read often; then rewritten in place and
  // its time of change set back to what it was.
  WriteAll(file, "[S]\nk=old\n");
  struct timespec past[2] = {{1000000000, 123456789}, {1000000000, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), past, 0), 0);
  usleep(250000);   // past any window of doubt about the last change
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Get("S", "k"), "old");
  WriteAll(file, "[S]\nk=new\n");
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), past, 0), 0);
  EXPECT_TRUE(AwaitProfileChangeReports());
  EXPECT_EQ(Get("S", "k"), "new");

  // Replaced by another file of the same size (a new inode), then by a copy
  // of the same bytes: both read right.
  std::string other = dir + "/other.ini";
  WriteAll(other, "[S]\nk=ren\n");
  ASSERT_EQ(std::rename(other.c_str(), file.c_str()), 0);
  EXPECT_TRUE(AwaitProfileChangeReports());
  EXPECT_EQ(Get("S", "k"), "ren");
  WriteAll(file, "[S]\nk=ren\n");
  EXPECT_EQ(Get("S", "k"), "ren");
  EXPECT_EQ(GetPrivateProfileKeys("S", file), std::vector<std::string>{"k"});
}

// The file's folder renamed away and another folder put in its place: the
// same name now means another file of the same size.
TEST_F(Profile, FolderReplacedByRenameIsSeen) {
  const std::string folder = dir + "/data", inside = folder + "/test.ini";
  ASSERT_TRUE(ForceDirectories(folder));
  WriteAll(inside, "[S]\nk=old\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", inside), "old");
  const std::string other = dir + "/other";
  ASSERT_TRUE(ForceDirectories(other));
  WriteAll(other + "/test.ini", "[S]\nk=new\n");
  ASSERT_EQ(std::rename(folder.c_str(), (dir + "/old").c_str()), 0);
  ASSERT_EQ(std::rename(other.c_str(), folder.c_str()), 0);
  EXPECT_TRUE(AwaitProfileChangeReports());
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", inside), "new");
}

// A child process that reads the same file must not take the parent's
// reports of changes from it.
TEST_F(Profile, ChildProcessDoesNotTakeTheParentsChangeReports) {
  WriteAll(file, "[S]\nk=one\n");
  EXPECT_EQ(Get("S", "k"), "one");
  WriteAll(file, "[S]\nk=two\n");   // reported, not yet collected
  pid_t child = fork();
  if (child == 0) _exit(GetPrivateProfileString("S", "k", "", file) == "two" ? 0 : 1);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Get("S", "k"), "two");
}

// What is read after this process's own writes is what a fresh read of the
// file gives: the file's line end and encoding are those of the bytes now in
// it, not of the document before the write.
TEST_F(Profile, ReadsAfterOwnWritesMatchTheFile) {
  struct Step {
    std::string start;                        // file content before the writes
    std::vector<std::pair<std::string, std::optional<std::string>>> writes;   // key in section S
    std::string eraseFirst;                   // section erased before the writes
    std::string expected;
  };
  const std::vector<Step> steps = {
      // The first line end left is CR LF once the LF section is gone.
      {"[A]\nk=1\n[S]\r\nx=1\r\n", {{"y", "2"}}, "A", "[S]\r\nx=1\r\ny=2\r\n"},
      // A Windows-1252 file that became plain ASCII is UTF-8 from then on.
      {"[S]\r\nk=\xE9\r\n", {{"k", "e"}, {"d", "\xC2\xB0"}}, "", "[S]\r\nk=e\r\nd=\xC2\xB0\r\n"},
      // A Windows-1252 file that stays one.
      {"[S]\r\nk=\xE9\r\n", {{"d", "\xC2\xB0"}, {"k", std::nullopt}}, "", "[S]\r\nd=\xB0\r\n"},
      // No line end at the end, kept through several writes.
      {"[S]\nx=1", {{"y", "2"}, {"x", std::nullopt}, {"z", "3"}}, "", "[S]\ny=2\nz=3"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.start);
    WriteAll(file, step.start);
    FlushPrivateProfile(file);
    if (!step.eraseFirst.empty()) ASSERT_TRUE(EraseProfileSection(step.eraseFirst, file));
    for (const auto& [key, value] : step.writes) {
      ASSERT_TRUE(WritePrivateProfileString("S", key, value, file));
      // Every key read now as a fresh read of the file would read it.
      std::vector<std::string> keys = GetPrivateProfileKeys("S", file);
      std::vector<std::string> values;
      for (const auto& k : keys) values.push_back(Get("S", k));
      FlushPrivateProfile(file);
      EXPECT_EQ(GetPrivateProfileKeys("S", file), keys);
      for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(Get("S", keys[i]), values[i]);
    }
    EXPECT_EQ(ReadAll(file), step.expected);
  }
}

// Rule 14: no cut at 16 KB; every key of a large section is listed and found.
TEST_F(Profile, LargeSectionsAreListedWhole) {
  std::string text = "[Big]\n";
  for (int i = 0; i < 3000; ++i) text += "Key" + std::to_string(i) + "=" + std::to_string(i * 7) + "\n";
  text += "[big]\nKey1=hidden\n[Small]\nKEY1=small\n";
  WriteAll(file, text);
  std::vector<std::string> keys = GetPrivateProfileKeys("BIG", file);
  ASSERT_EQ(keys.size(), 3000u);
  EXPECT_EQ(keys.front(), "Key0");
  EXPECT_EQ(keys.back(), "Key2999");
  for (int i = 0; i < 3000; i += 97) EXPECT_EQ(Get("big", "key" + std::to_string(i)), std::to_string(i * 7));
  EXPECT_EQ(Get("Small", "key1"), "small");
  EXPECT_EQ(GetPrivateProfileSectionNames(file), (std::vector<std::string>{"Big", "Small"}));
}

// Rule 12: a failed write leaves the file untouched and reports false.
TEST_F(Profile, FailedWriteLeavesFileUntouched) {
  // A folder that is a regular file: fails for every user, root included.
  std::string notAFolder = dir + "/plain";
  WriteAll(notAFolder, "x");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", notAFolder + "/test.ini"));
  EXPECT_EQ(ReadAll(notAFolder), "x");

  // A file-size limit makes the new content fail half-way, root or not; the
  // old file must come through whole.
  const std::string original = "[S]\nk=short\n";
  WriteAll(file, original);
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = saved;
  limit.rlim_cur = 64;
  setrlimit(RLIMIT_FSIZE, &limit);
  bool ok = WritePrivateProfileString("S", "k", std::string(500, 'y'), file);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadAll(file), original);
  EXPECT_EQ(Get("S", "k"), "short");
  EXPECT_EQ(ListFiles(dir, "*").size(), 2u);   // no temporary file left behind

  // A file that cannot be read is not replaced by one holding only the new
  // key, and a deletion in it is not reported done (permissions bind only
  // when not root).
  if (geteuid() != 0) {
    WriteAll(file, original);
    chmod(file.c_str(), 0200);
    EXPECT_EQ(Get("S", "k"), "<none>");
    EXPECT_FALSE(WritePrivateProfileString("S", "other", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::nullopt, file));
    EXPECT_FALSE(EraseProfileSection("S", file));
    chmod(file.c_str(), 0644);
    EXPECT_EQ(ReadAll(file), original);
  }

  // A read-only folder, where permissions bind (not for root).
  if (geteuid() != 0) {
    std::string ro = testsupport::MakeTempDir("ro");
    WriteAll(ro + "/a.ini", original);
    chmod(ro.c_str(), 0555);
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", ro + "/a.ini"));
    chmod(ro.c_str(), 0755);
    EXPECT_EQ(ReadAll(ro + "/a.ini"), original);
  }
}

TEST_F(Profile, FileNameMatchedWithoutRegardToCase) {
  WriteAll(dir + "/R22.INI", "[S]\nk=v\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", dir + "/r22.ini"), "v");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "w", dir + "/r22.ini"));
  EXPECT_EQ(ReadAll(dir + "/R22.INI"), "[S]\nk=w\n");
  EXPECT_FALSE(FileExists(dir + "/r22.ini"));
}

// Rows of ten numbers under the real key names, as a source file holds them.
std::string SourceText(int models) {
  std::string text = "[Header]\r\nFileType=Dravlen Data File\r\n";
  for (int m = 0; m < models; ++m) {
    text += "\r\n[NLR-" + std::to_string(m) + "]\r\nTe=-40,-35,-30,-25,-20,-15,-10,-5,0,5\r\n";
    for (const char* key : {"Valid", "Qe", "Pw"})
      for (int i = 1; i <= 12; ++i) {
        text += key + std::to_string(i) + "=";
        for (int k = 0; k < 10; ++k) text += (k ? "," : "") + Format("%.6f", {1000.5 + m * 31 + i * 7 + k});
        text += "\r\n";
      }
  }
  return text;
}

// Runs reads in a child process in which, once prepare has run, any system
// call but the final exit kills the process. The child's exit code: 0 when
// reads returned true, 1 when they returned false, 3 when system calls could
// not be forbidden (the test is then skipped), killed when a read made one.
void ExpectNoSystemCall(const std::function<void()>& prepare, const std::function<bool()>& reads) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The sanitizers' allocators and checks make system calls of their own.
  GTEST_SKIP() << "not measurable under a sanitizer";
#endif
  pid_t child = fork();
  if (child == 0) {
    prepare();
    // Memory comes from the heap as it stands: no call to grow or trim it.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    void* volatile reserve = malloc(12 << 20);   // volatile: not optimised away
    free(reserve);
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit_group, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
      _exit(3);
    const bool ok = reads();
    _exit(ok ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "system calls cannot be forbidden here";
  EXPECT_TRUE(WIFEXITED(status)) << "a read made a system call (signal " << WTERMSIG(status) << ")";
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << "reads gave wrong values";
}

// Reading a file that has not changed since it was last read makes no system
// call: the kernel's reports of changes are waited for by a thread of their
// own, not looked for by every read.
TEST_F(Profile, ReadsOfAnUnchangedFileMakeNoSystemCall) {
  WriteAll(file, SourceText(20));
  ExpectNoSystemCall([&] { (void)Get("Header", "FileType"); },
                     [&] {
                       bool ok = true;
                       for (int round = 0; round < 3; ++round) {
                         ok = ok && Get("Header", "filetype") == "Dravlen Data File";
                         for (const std::string& section : GetPrivateProfileSectionNames(file))
                           for (const std::string& key : GetPrivateProfileKeys(section, file))
                             ok = ok && !Get(section, key).empty();
                         ok = ok && Get("NLR-7", "Qe3") ==
                                        "1238.500000,1239.500000,1240.500000,1241.500000,1242.500000,1243.500000,"
                                        "1244.500000,1245.500000,1246.500000,1247.500000";
                         ok = ok && Get("NLR-7", "Qe99") == "<none>";
                       }
                       return ok;
                     });
}

// A change this process makes through the platform's file routines is seen
// by the very next read, however soon: the reports of it are queued by the
// time the routine returns, and the read collects them without waiting for
// the thread that watches for reports.
TEST_F(Profile, ChangesThisProcessMakesAreSeenByTheNextRead) {
  const std::string other = dir + "/other.ini";
  struct Writer {
    const char* name;
    std::function<void(const std::string& text)> write;
  };
  const std::vector<Writer> writers = {
      {"WriteFileBytes", [&](const std::string& text) { WriteFileBytes(file, text); }},
      {"WriteTextFile", [&](const std::string& text) { WriteTextFile(file, text, TextEncoding::Utf8); }},
      {"TStringList::SaveToFile",
       [&](const std::string& text) {
         TStringList lines;
         lines.SetText(text);
         lines.SaveToFile(file);
       }},
      {"TFileStream",
       [&](const std::string& text) {
         TFileStream stream(file, TFileMode::fmOpenReadWrite);
         stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
       }},
      {"RenameFile",
       [&](const std::string& text) {
         WriteAll(other, text);
         ASSERT_TRUE(DeleteFile(file));
         ASSERT_TRUE(RenameFile(other, file));
       }},
      {"CopyFile",
       [&](const std::string& text) {
         WriteAll(other, text);
         ASSERT_TRUE(CopyFile(other, file, false));
       }},
  };
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.name);
    WriteAll(file, "[S]\r\nk=00\r\n");
    for (int i = 10; i < 60; ++i) {
      // Same size each time, so that only the reports can tell.
      writer.write("[S]\r\nk=" + std::to_string(i) + "\r\n");
      ASSERT_EQ(Get("S", "k"), std::to_string(i));
    }
    ASSERT_TRUE(DeleteFile(file));
    EXPECT_EQ(Get("S", "k"), "<none>");
  }
}

// A change by another process is seen by every read that starts once its
// report has been taken up; the thread that waits for reports takes it up
// by itself, with no read to prompt it, round after round.
TEST_F(Profile, ChangesByAnotherProcessAreSeenOnceReported) {
  const std::string folder = dir + "/data", inside = folder + "/test.ini";
  ASSERT_TRUE(ForceDirectories(folder));
  enum class How { InPlace, RenamedOver, FolderReplaced };
  auto writeElsewhere = [&](How how, const std::string& text) {
    pid_t child = fork();
    if (child == 0) {
      const std::string moved = dir + "/moved", target = how == How::InPlace ? inside
                                                       : how == How::RenamedOver ? inside + ".new"
                                                                                 : moved + "/test.ini";
      bool ok = how != How::FolderReplaced || ::mkdir(moved.c_str(), 0755) == 0;
      int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ok = ok && fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
      if (fd >= 0) ::close(fd);
      if (how == How::RenamedOver) ok = ok && ::rename(target.c_str(), inside.c_str()) == 0;
      if (how == How::FolderReplaced) {
        const std::string away = dir + "/away";
        ok = ok && ::rename(folder.c_str(), away.c_str()) == 0 && ::rename(moved.c_str(), folder.c_str()) == 0 &&
             ::unlink((away + "/test.ini").c_str()) == 0 && ::rmdir(away.c_str()) == 0;
      }
      _exit(ok ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  };
  WriteAll(inside, "[S]\nk=00\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", inside), "00");
  for (int i = 10; i < 40; ++i) {
    const How how = static_cast<How>(i % 3);
    SCOPED_TRACE(i);
    writeElsewhere(how, "[S]\nk=" + std::to_string(i) + "\n");
    EXPECT_TRUE(AwaitProfileChangeReports());   // taken up by the thread, not after the time-out
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", inside), std::to_string(i));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", inside), std::to_string(i));
  }
}

}  // namespace

// The private-profile rules for files and folders the program may not write,
// checked as an ordinary user sees them, also when the tests run as root.
using namespace platform;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

using testsupport::ModeFor;
using testsupport::PermissionsBind;

TEST(ProfilePermissions, ReadOnlyFolderRefusesEveryWriteAndKeepsTheFile) {
  const std::string dir = testsupport::MakeTempDir("profile-ro");
  const std::string file = dir + "/a.ini";
  const std::string original = "[S]\r\nk=v\r\n";
  WriteAll(file, original);
  ModeFor restore{dir, 0755};
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  {
    PermissionsBind bind;
    ASSERT_TRUE(bind.Binding());
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::string("w"), file));
    EXPECT_FALSE(WritePrivateProfileString("S", "new", std::string("w"), file));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::nullopt, file));
    EXPECT_FALSE(EraseProfileSection("S", file));
    // A new file in the folder cannot be made either.
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::string("w"), dir + "/new.ini"));
    // A write that changes nothing touches nothing and succeeds.
    EXPECT_TRUE(WritePrivateProfileString("S", "k", std::string("v"), file));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", file), "v");
  }
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(ReadAll(file), original);
  EXPECT_EQ(ListFiles(dir, "*"), std::vector<std::string>{"a.ini"});
}

TEST(ProfilePermissions, UnreadableFileReadsAsEmptyAndIsNeverReplaced) {
  const std::string dir = testsupport::MakeTempDir("profile-unreadable");
  const std::string file = dir + "/a.ini";
  const std::string original = "[S]\nk=v\nj=w\n";
  WriteAll(file, original);
  ModeFor restore{file, 0644};
  ASSERT_EQ(chmod(file.c_str(), 0200), 0);
  {
    PermissionsBind bind;
    ASSERT_TRUE(bind.Binding());
    EXPECT_EQ(GetPrivateProfileString("S", "k", "def", file), "def");
    EXPECT_TRUE(GetPrivateProfileSectionNames(file).empty());
    EXPECT_FALSE(WritePrivateProfileString("S", "other", std::string("v"), file));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", std::nullopt, file));
    EXPECT_FALSE(EraseProfileSection("S", file));
  }
  chmod(file.c_str(), 0644);
  EXPECT_EQ(ReadAll(file), original);
}

}  // namespace
