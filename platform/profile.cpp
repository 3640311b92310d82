// The private-profile functions over INI files. The rules, each tested in
// platform/tests/profile_test.cpp:
//
//  1. Lines end at LF; a CR before the LF belongs to the line end. A UTF-8
//     byte-order mark at the start is kept and not part of the first line.
//  2. A line whose first non-blank character is "[" starts a section; its
//     name is the text up to the first "]" (or the end of the line), with
//     blanks and control characters around it removed.
//  3. A line whose first non-blank character is ";" is a comment. Blank lines,
//     lines without "=", and lines before the first section are kept but are
//     neither sections nor keys.
//  4. Any other line with "=" in a section is a key: the name is the text
//     before the first "=", the value the text after it, both with blanks and
//     control characters around them removed; then one pair of matching
//     double or single quotes around the value is removed. A line with an
//     empty name is no key.
//  5. Names of sections and keys are compared without regard to (ASCII) case;
//     the names passed in are trimmed of blanks first.
//  6. Of sections with the same name the first wins: reads, writes and key
//     deletions use it, later ones are invisible. Of keys with the same name
//     in that section the first wins for reads and writes.
//  7. A value read is cut to bufferSize - 1 characters (2047 by default); a
//     missing key, section or file reads as the fallback (cut alike).
//  8. Key and section lists are in file order, the first of duplicates only.
//  9. A write of an existing key replaces the line's value and keeps what
//     stands before it (indent, the name as spelt in the file, the "=" and
//     the blanks after it). A new key goes after the last non-blank line of
//     the section; a new section goes at the end of the file after one blank
//     line, "[name]" then "name=value". New lines take the line end the file
//     already uses (CR LF for a new file); a file without a final line end
//     keeps it so.
// 10. Line breaks in a value become blanks (they would make keys of their
//     own); a key name with "=", or a name that is empty or holds a line
//     break, or a section name with "]", is refused (the write reports false).
// 11. Deleting a key removes every line of that name in the first section;
//     erasing a section removes every section of that name with all its
//     lines, so no duplicate comes back into view.
// 12. Every write reaches the file at once, by writing a temporary file in
//     the same folder and renaming it over the file: a failure leaves the old
//     file untouched and the call returns false. A write that changes nothing
//     does not touch the file. A missing file is created by the first write
//     (the folder must exist); deletions in a missing file do nothing and
//     succeed. A file that is there but cannot be read is not written: any
//     write or deletion in it returns false (it reads as empty).
// 13. Everything but the changed lines is kept byte for byte, in the file's
//     encoding (UTF-8 when valid, Windows-1252 otherwise); a Windows-1252 file
//     that must now hold a character the code page lacks becomes UTF-8.
// 14. Unlike the platform, no list of names is cut at 16 KB: a section with
//     many keys lists them all.
#include "platform/profile.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/sysutils.h"
#include "platform/textfile.h"

namespace platform {

namespace {

enum class LineKind : uint8_t { Other, Section, Key };

// A line as offsets into the document's text, so that parsing a file costs
// no allocation per line and a document is never copied.
struct Line {
  size_t begin = 0;        // the text, without its line end
  uint32_t length = 0;     // files of 4 GiB or more are not read
  uint8_t endLength = 0;   // 0 (a last line without one), 1 (LF) or 2 (CR LF)
  LineKind kind = LineKind::Other;
  bool indexed = false;    // the key or section found by its name
  // From the line's start: the section or key name, the key's value
  // (trimmed, unquoted).
  uint32_t nameOffset = 0, nameLength = 0;
  uint32_t valueOffset = 0, valueLength = 0;
  // A key: the line of its section's header. A section header: one past the
  // section's last line.
  int link = -1;
  uint32_t hash = 0;   // of the name, for the index
};

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Names compare without regard to ASCII case (rule 5).
struct NoCaseHash {
  size_t operator()(std::string_view s) const {
    uint64_t h = 14695981039346656037ull;
    for (char c : s) h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return static_cast<size_t>(h);
  }
};
struct NoCaseEqual {
  bool operator()(std::string_view a, std::string_view b) const { return SameText(a, b); }
};

struct SectionSpan {
  int header = -1;   // line of the header; -1: no such section
  int end = 0;       // one past the section's last line
  explicit operator bool() const { return header >= 0; }
};

uint32_t KeyHash(uint32_t nameHash, int header) {
  uint64_t h = (static_cast<uint64_t>(nameHash) ^ (static_cast<uint64_t>(header) << 32)) * 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(h >> 32);
}

// An open-addressing table of line numbers: a file's index is two flat
// arrays, built without an allocation per line and dropped in one piece.
class LineIndex {
 public:
  void Reserve(size_t count) {
    size_t capacity = 16;
    while (capacity < count * 2) capacity <<= 1;
    slots_.assign(capacity, -1);
    mask_ = capacity - 1;
  }
  // The slot holding a line for which same(line) is true, or the empty slot
  // where such a line would go.
  template <typename Same>
  int32_t& Slot(uint32_t hash, Same same) {
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      int32_t& slot = slots_[i];
      if (slot < 0 || same(slot)) return slot;
    }
  }
  template <typename Same>
  int Find(uint32_t hash, Same same) const {
    if (slots_.empty()) return -1;
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const int32_t slot = slots_[i];
      if (slot < 0 || same(slot)) return slot;
    }
  }

 private:
  std::vector<int32_t> slots_;
  size_t mask_ = 0;
};

// A parsed file, immutable once built: the index holds views into text.
struct Document {
  Document() = default;
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  std::string bom;
  TextEncoding encoding = TextEncoding::Utf8;
  std::string text;   // UTF-8, without the byte-order mark
  std::vector<Line> lines;
  std::string_view newline = "\r\n";
  // The first section of each name, its headers in file order, and the keys
  // of those sections (the first line of each name).
  LineIndex sections;
  std::vector<int> sectionOrder;
  LineIndex keys;
  mutable std::string lastSectionName;
  mutable SectionSpan lastSection;
  mutable int lastKey = -1;

  std::string_view LineText(int i) const { return std::string_view(text).substr(lines[i].begin, lines[i].length); }
  std::string_view Name(int i) const {
    return std::string_view(text).substr(lines[i].begin + lines[i].nameOffset, lines[i].nameLength);
  }
  std::string_view Value(int i) const {
    return std::string_view(text).substr(lines[i].begin + lines[i].valueOffset, lines[i].valueLength);
  }
  size_t LineEnd(int i) const { return lines[i].begin + lines[i].length + lines[i].endLength; }

  SectionSpan FindSection(std::string_view name) const {
    const uint32_t hash = static_cast<uint32_t>(NoCaseHash()(name));
    const int header = sections.Find(hash, [&](int line) { return SameSection(line, hash, name); });
    return header < 0 ? SectionSpan{} : SectionSpan{header, lines[header].link};
  }
  int FindKey(const SectionSpan& section, std::string_view name) const {
    const uint32_t hash = static_cast<uint32_t>(NoCaseHash()(name));
    return keys.Find(KeyHash(hash, section.header),
                     [&](int line) { return SameKey(line, hash, section.header, name); });
  }
  // As FindSection and FindKey, remembering where the last read ended: reads
  // mostly go through a section key by key, and the next key is then found
  // on the next line without a look at the index. Only under the cache's lock.
  SectionSpan FindSectionAgain(std::string_view name) const {
    if (!(lastSection && name == lastSectionName)) {
      lastSection = FindSection(name);
      lastSectionName.assign(name);
    }
    return lastSection;
  }
  int FindKeyAgain(const SectionSpan& section, std::string_view name) const {
    const int next = lastKey + 1;
    if (lastKey > section.header && next < section.end && lines[next].kind == LineKind::Key && lines[next].indexed &&
        NoCaseEqual()(Name(next), name))
      return lastKey = next;
    const int line = FindKey(section, name);
    if (line >= 0) lastKey = line;
    return line;
  }
  bool SameSection(int line, uint32_t hash, std::string_view name) const {
    return lines[line].hash == hash && NoCaseEqual()(Name(line), name);
  }
  bool SameKey(int line, uint32_t hash, int header, std::string_view name) const {
    return lines[line].hash == hash && lines[line].link == header && NoCaseEqual()(Name(line), name);
  }
};

void Classify(const std::string& text, Line& line, bool inSection) {
  std::string_view t = TrimView(std::string_view(text).substr(line.begin, line.length));
  if (t.empty() || t[0] == ';') return;
  auto offset = [&](std::string_view part) { return static_cast<uint32_t>(part.data() - text.data() - line.begin); };
  if (t[0] == '[') {
    size_t close = t.find(']');
    std::string_view name = TrimView(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    line.kind = LineKind::Section;
    line.nameOffset = offset(name);
    line.nameLength = static_cast<uint32_t>(name.size());
    return;
  }
  if (!inSection) return;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return;
  std::string_view name = TrimView(t.substr(0, eq));
  if (name.empty()) return;
  std::string_view value = TrimView(t.substr(eq + 1));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  line.kind = LineKind::Key;
  line.nameOffset = offset(name);
  line.nameLength = static_cast<uint32_t>(name.size());
  line.valueOffset = offset(value);
  line.valueLength = static_cast<uint32_t>(value.size());
}

// Splits, classifies and indexes doc.text.
void Build(Document& doc) {
  const std::string& text = doc.text;
  const size_t lineCount = std::count(text.begin(), text.end(), '\n') + 1;
  doc.lines.reserve(lineCount);
  size_t p = 0;
  bool newlineSeen = false;
  bool inSection = false;
  bool firstOfName = false;   // the current section is the first of its name
  int header = -1;
  while (p < text.size()) {
    Line line;
    line.begin = p;
    size_t lf = text.find('\n', p);
    if (lf == std::string::npos) {
      line.length = static_cast<uint32_t>(text.size() - p);
      p = text.size();
    } else {
      size_t end = lf;
      if (end > p && text[end - 1] == '\r') --end;
      line.length = static_cast<uint32_t>(end - p);
      line.endLength = static_cast<uint8_t>(lf + 1 - end);
      if (!newlineSeen) {
        doc.newline = line.endLength == 2 ? "\r\n" : "\n";
        newlineSeen = true;
      }
      p = lf + 1;
    }
    Classify(text, line, inSection);
    if (line.kind == LineKind::Section) inSection = true;
    if (line.kind != LineKind::Other)
      line.hash = static_cast<uint32_t>(
          NoCaseHash()(std::string_view(text).substr(line.begin + line.nameOffset, line.nameLength)));
    doc.lines.push_back(line);
  }
  // Indexed once the lines stand, so that the tables are sized once.
  size_t sectionCount = 0, keyCount = 0;
  for (const Line& line : doc.lines) {
    sectionCount += line.kind == LineKind::Section;
    keyCount += line.kind == LineKind::Key;
  }
  doc.sections.Reserve(sectionCount);
  doc.keys.Reserve(keyCount);
  const int count = static_cast<int>(doc.lines.size());
  auto closeSection = [&](int end) {
    if (header >= 0 && firstOfName) doc.lines[header].link = end;
  };
  for (int index = 0; index < count; ++index) {
    Line& line = doc.lines[index];
    if (line.kind == LineKind::Section) {
      closeSection(index);
      header = index;
      const std::string_view name = doc.Name(index);
      int32_t& slot = doc.sections.Slot(line.hash, [&](int other) { return doc.SameSection(other, line.hash, name); });
      firstOfName = slot < 0;
      if (firstOfName) {
        slot = index;
        line.indexed = true;
        line.link = index + 1;
        doc.sectionOrder.push_back(index);
      }
    } else if (line.kind == LineKind::Key) {
      line.link = header;
      if (!firstOfName) continue;
      const std::string_view name = doc.Name(index);
      int32_t& slot = doc.keys.Slot(KeyHash(line.hash, header),
                                    [&](int other) { return doc.SameKey(other, line.hash, header, name); });
      if (slot < 0) {
        slot = index;
        line.indexed = true;
      }
    }
  }
  closeSection(count);
}

// IsValidUtf8 with a fast path over ASCII, which source files are almost
// entirely: eight bytes at a time, and each run of other bytes checked on its
// own (an ASCII byte can stand inside no sequence, so runs are independent).
bool ValidUtf8(std::string_view bytes) {
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    while (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    while (i < n && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
    size_t run = i;
    while (run < n && static_cast<unsigned char>(bytes[run]) >= 0x80) ++run;
    if (run > i && !IsValidUtf8(bytes.substr(i, run - i))) return false;
    i = run;
  }
  return true;
}

// The document of a file's bytes. Where the text is the bytes as they are
// (UTF-8 without a mark), it takes them over and leaves `file` empty: no copy
// of the file is made.
std::shared_ptr<const Document> Parse(std::string& file) {
  auto doc = std::make_shared<Document>();
  std::string_view bytes = file;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    doc->bom = "\xEF\xBB\xBF";
    bytes.remove_prefix(3);
  }
  if (ValidUtf8(bytes)) {
    if (doc->bom.empty())
      doc->text = std::move(file);
    else
      doc->text.assign(bytes);
  } else {
    doc->text = Cp1252ToUtf8(bytes);
    doc->encoding = TextEncoding::Windows1252;
  }
  Build(*doc);
  return doc;
}

const std::shared_ptr<const Document>& EmptyDocument() {
  static const std::shared_ptr<const Document> empty = std::make_shared<Document>();
  return empty;
}

// The file's bytes as the document would be written, in its encoding.
std::string Serialise(const Document& doc, const std::string& text) {
  TextEncoding encoding = doc.encoding;
  if (encoding == TextEncoding::Windows1252 && !FitsCp1252(text)) encoding = TextEncoding::Utf8;
  // The mark stays whatever the rest turned out to be: a file that starts
  // with one but is not UTF-8 beyond it is read as Windows-1252, and must not
  // lose its first bytes when written.
  if (encoding == TextEncoding::Utf8) return doc.bom + text;
  return doc.bom + EncodeText(text, encoding);
}

// ---------------------------------------------------------------------------
// The cache. The workbench reads a source file key by key right after it has
// written it, so neither a read nor a recent change may cost a parse: a few
// parsed files are kept with the file's raw bytes and its identity (device,
// inode, size, times of change to the nanosecond).
//
// Where the kernel reports changes to files (inotify, on local file systems),
// each cached file is watched, and so is its folder (where a file put in its
// place by a rename shows), and the watches are set before its bytes are
// read or checked: any change after that is reported, whatever the file's
// times say. A read of a file with no report since then makes no system call
// at all (see ChangeReports for when a report counts as arrived). Not
// reported: a folder further up renamed or replaced, and writes through a
// shared memory map; the workbench's files meet neither.
//
// Without a watch, the file's identity is looked at on every read. A file
// whose identity differs is read again, and parsed only when its bytes
// differ. A file whose identity is the same can still have been rewritten in
// place by another program within one tick of the file system's clock (or
// within the second on file systems with whole-second times), at the same
// size: so the cached document is trusted without looking at the bytes only
// once they have been seen to match at a moment safely past the file's last
// change. Until then each use compares the bytes, which costs a read but no
// parse. This holds for files this process wrote itself, too: another
// program may write into them as well.
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{}, changed{};
};

Identity IdentityOf(const struct stat& st) {
  return Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool operator==(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool SameIdentity(const Identity& a, const Identity& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size && a.modified == b.modified &&
         a.changed == b.changed;
}

int64_t Nanoseconds(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }

// True when bytes seen at `seen` (taken before they were read) prove that any
// later change of the file must show in its times.
bool SafelyPast(const Identity& id, const timespec& seen) {
  // Times without a fraction of a second come from a file system that keeps
  // whole seconds (or two, as FAT does); otherwise the clock's tick, or a
  // coarse file-system granularity, stays well within a tenth of a second.
  const bool wholeSeconds = id.modified.tv_nsec == 0 && id.changed.tv_nsec == 0;
  const int64_t margin = wholeSeconds ? 2000000000 : 100000000;
  const int64_t last = std::max(Nanoseconds(id.modified), Nanoseconds(id.changed));
  return Nanoseconds(seen) >= last + margin;
}

// File systems whose changes all pass through this kernel, so that its
// reports are complete. A network file system changed from another machine
// reports nothing: files there are checked on every read.
bool ReportsEveryChange(const std::string& path) {
  struct statfs fs;
  if (::statfs(path.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:        // ext2, ext3, ext4
    case 0x58465342:    // xfs
    case 0x9123683E:    // btrfs
    case 0x01021994:    // tmpfs
    case 0x858458F6:    // ramfs
    case 0xF2F52010:    // f2fs
    case 0x794C7630:    // overlayfs
    case 0x2FC12FC1:    // zfs
      return true;
    default:
      return false;
  }
}

// The kernel's reports of changes to the cached files, and a thread that
// waits for them. A read that finds nothing changed must not cost a system
// call: the thread only raises a flag when reports arrive, a read looks at
// the flag alone, and the first read that finds it raised collects the
// reports itself, under the cache's lock, before it trusts anything cached.
// So a change by another program is seen by every read that starts once the
// thread has woken for its report (a thread switch after the change); a
// change this process made is seen by the very next read, since the profile
// functions update the cache themselves and the platform's other file
// writers raise the flag (FilesChangedHere) once the kernel holds the report.
class ChangeReports {
 public:
  bool enabled = true;

  // A watch on the file now at path; -1 where none can be set.
  int Watch(const std::string& path) {
    if (!enabled || !Open() || !ReportsEveryChange(path)) return -1;
    return ::inotify_add_watch(fd_, path.c_str(),
                               IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF);
  }
  // A watch on the folder the file at path is in: a file replaced by a
  // folder's rename (or by one moved into the folder) shows there, not at
  // the file.
  int WatchFolder(const std::string& path) {
    if (!enabled || !Open()) return -1;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return ::inotify_add_watch(fd_, folder.c_str(),
                               IN_ONLYDIR | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF |
                                   IN_DELETE_SELF);
  }
  void Unwatch(int watch) {
    if (watch >= 0 && fd_ >= 0) ::inotify_rm_watch(fd_, watch);
  }

  // Whether reports may wait to be collected; no system call. Without the
  // waiting thread (it could not start, or its wait failed) always true, so
  // that every read collects as it would without the thread.
  bool Pending() const {
    return forked_ || pending_.load(std::memory_order_acquire) || (fd_ >= 0 && !waiting_.load());
  }
  // Reports this process caused are queued by the time the call that caused
  // them returns: the next read collects them, without waiting for the thread.
  void Expect() { pending_.store(true, std::memory_order_release); }
  // Whether reports are queued that no read will collect until the thread
  // has woken for them (a look at the queue: a system call).
  bool Unnoticed() const {
    if (fd_ < 0 || Pending()) return false;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  }

  // Calls changed(watch, gone) for each report so far: gone when the watch
  // has ended (the file was deleted or replaced); watch -1 when reports were
  // lost and every file must count as changed.
  template <typename Changed>
  void Collect(Changed changed) {
    if (forked_) {
      // A child process shares its parent's reports: it must not take them
      // from the parent. It starts without watches of its own, and without
      // the parent's thread, which did not come along.
      forked_ = false;
      if (fd_ >= 0) ::close(fd_);   // the parent's instance lives on in the parent
      fd_ = -1;
      failed_ = false;
      waiting_.store(false);
      pending_.store(false);
      changed(-1, true);
      return;
    }
    // Lowered before the queue is emptied: a report that comes after the
    // last look at it raises the flag again.
    pending_.store(false, std::memory_order_release);
    if (fd_ < 0) return;
    alignas(inotify_event) char buffer[4096];
    while (true) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;   // EAGAIN: nothing more
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->mask & IN_Q_OVERFLOW)
          changed(-1, false);
        else
          changed(event->wd, (event->mask & IN_IGNORED) != 0);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    // The thread waits for this before it looks at the queue again.
    collections_.fetch_add(1, std::memory_order_release);
    collections_.notify_all();
  }

 private:
  bool Open() {
    if (fd_ < 0 && !failed_) {
      static const bool hooked = [] {
        ::pthread_atfork(nullptr, nullptr, [] { forked_ = true; });
        return true;
      }();
      (void)hooked;
      fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
      failed_ = fd_ < 0;
      if (fd_ >= 0) {
        try {
          waiting_.store(true);
          std::thread([this, fd = fd_] { Wait(fd); }).detach();
        } catch (const std::system_error&) {
          waiting_.store(false);
        }
      }
    }
    return fd_ >= 0;
  }

  // The thread: raises the flag when the queue holds reports, then sleeps
  // until a read has collected them (so that it does not spin on a queue
  // that stays full while nobody reads). It lives as long as the process;
  // the instance is never destroyed.
  void Wait(int fd) {
    while (true) {
      const uint32_t collected = collections_.load(std::memory_order_acquire);
      pollfd p{fd, POLLIN, 0};
      const int n = ::poll(&p, 1, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || (p.revents & (POLLERR | POLLNVAL))) {
        waiting_.store(false);   // reads collect for themselves from now on
        return;
      }
      pending_.store(true, std::memory_order_release);
      collections_.wait(collected, std::memory_order_acquire);
    }
  }

  int fd_ = -1;
  bool failed_ = false;
  std::atomic<bool> pending_{false};
  std::atomic<bool> waiting_{false};   // the thread is there to raise the flag
  std::atomic<uint32_t> collections_{0};
  static inline bool forked_ = false;
};

struct CacheEntry {
  std::string path;
  Identity identity;
  std::string bytes;   // the file's, where they differ from the document's text and mark
  std::shared_ptr<const Document> doc;
  bool trusted = false;
  // The file's watch, and whether a change was reported since the document
  // was last found to be the file's.
  int watch = -1;
  int folderWatch = -1;
  bool changed = true;
};

std::mutex cacheMutex;
std::list<CacheEntry> cache;
constexpr size_t kCacheSize = 16;

// Whether bytes are those the entry's document was read from.
bool SameBytes(const CacheEntry& e, std::string_view bytes) {
  const Document& doc = *e.doc;
  if (doc.encoding != TextEncoding::Utf8) return e.bytes == bytes;
  return bytes.size() == doc.bom.size() + doc.text.size() && bytes.substr(0, doc.bom.size()) == doc.bom &&
         bytes.substr(doc.bom.size()) == doc.text;
}

// Parses the file's bytes into the entry.
void Keep(CacheEntry& e, std::string& bytes) {
  e.doc = Parse(bytes);
  if (e.doc->encoding == TextEncoding::Utf8)
    e.bytes.clear();
  else
    e.bytes = std::move(bytes);
}

ChangeReports& Reports() {
  // Never destroyed: its thread may still wait on it while the process ends.
  static ChangeReports& reports = *new ChangeReports;
  return reports;
}

void CollectReports() {
  Reports().Collect([](int watch, bool gone) {
    for (CacheEntry& e : cache) {
      if (watch >= 0 && e.watch != watch && e.folderWatch != watch) continue;
      e.changed = true;
      if (gone && (watch < 0 || e.watch == watch)) e.watch = -1;
      if (gone && (watch < 0 || e.folderWatch == watch)) e.folderWatch = -1;
    }
  });
}

// Ends a watch no entry uses any more.
void Release(int watch) {
  if (watch < 0) return;
  for (const CacheEntry& e : cache)
    if (e.watch == watch || e.folderWatch == watch) return;
  Reports().Unwatch(watch);
}

CacheEntry* Find(const std::string& path) {
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->path == path) {
      if (it != cache.begin()) cache.splice(cache.begin(), cache, it);
      return &cache.front();
    }
  }
  return nullptr;
}

void Forget(const std::string& path) {
  std::vector<int> watches;
  cache.remove_if([&](const CacheEntry& e) {
    if (e.path != path) return false;
    watches.push_back(e.watch);
    watches.push_back(e.folderWatch);
    return true;
  });
  for (int watch : watches) Release(watch);
}

CacheEntry& Remember(const std::string& path) {
  if (CacheEntry* e = Find(path)) return *e;
  cache.emplace_front();
  cache.front().path = path;
  return cache.front();
}

// Drops the least recently used files beyond the cache's size; called once
// the entry in use has its watch, so that a watch it shares stays.
void TrimCache() {
  while (cache.size() > kCacheSize) {
    const int watch = cache.back().watch, folderWatch = cache.back().folderWatch;
    cache.pop_back();
    Release(watch);
    Release(folderWatch);
  }
}

// Lines keep their lengths in 32 bits: a settings file is far below this.
constexpr size_t kLargestFile = size_t{1} << 32;

// The whole file; false when it cannot be read (or is too large to be one of
// these files).
bool ReadBytes(const std::string& path, std::string& bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  size_t expected = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
  if (expected >= kLargestFile) {
    ::close(fd);
    return false;
  }
  bytes.resize(expected + 1);   // one more, to see the end without a second call
  size_t done = 0;
  while (true) {
    if (done == bytes.size()) bytes.resize(bytes.size() * 2 + 4096);
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
    if (done >= kLargestFile) {   // grew while read
      ::close(fd);
      return false;
    }
    // A regular file reads short only at its end: no call just to see it.
    if (done < bytes.size()) break;
  }
  ::close(fd);
  bytes.resize(done);
  return true;
}

enum class FileState { Missing, Readable, Unreadable };

std::string Slashed(const std::string& file) {
  return file.find('\\') == std::string::npos ? file : StringReplaceAll(file, "\\", "/");
}

// Backslashes as slashes, and a name that is missing matched without regard
// to case; the file's status in st.
std::string ResolvedPath(const std::string& file, struct stat& st, bool& found) {
  std::string path = Slashed(file);
  found = !path.empty() && ::stat(path.c_str(), &st) == 0;
  if (found) return path;
  std::string resolved = ResolveFilePath(path);
  found = resolved != path && ::stat(resolved.c_str(), &st) == 0;
  return resolved;
}

// The document of a file; a missing or unreadable file is an empty one. The
// path the name resolved to goes to *path when asked for.
const std::shared_ptr<const Document>& Load(const std::string& file, std::string* path, FileState& state) {
  // A watched file with no change reported: nothing to look at, not even the
  // queue of reports unless the flag says it holds some. Only names that are
  // the file's own path take this way (an entry is watched only when read by
  // its own path, which holds no backslash); one matched without regard to
  // case could come to mean another file.
  if (Reports().Pending()) CollectReports();
  if (CacheEntry* e = Find(file); e && e->watch >= 0 && e->folderWatch >= 0 && !e->changed) {
    if (path) *path = e->path;
    state = FileState::Readable;
    return e->doc;
  }
  const bool plainName = file.find('\\') == std::string::npos;

  // The watch goes on before the file is looked at, so that no change after
  // the look goes unreported.
  const int folderWatch = plainName && !file.empty() ? Reports().WatchFolder(file) : -1;
  const int watch = folderWatch >= 0 ? Reports().Watch(file) : -1;
  struct stat st;
  bool found;
  std::string resolved = ResolvedPath(file, st, found);
  if (path) *path = resolved;
  CacheEntry* entry = Find(resolved);
  const int oldWatch = entry ? entry->watch : -1, oldFolderWatch = entry ? entry->folderWatch : -1;
  auto settle = [&](CacheEntry* e) {
    // Watched from now on when the watches are on the file just looked at.
    const bool watched = watch >= 0 && folderWatch >= 0 && resolved == file;
    if (e) {
      e->watch = watched ? watch : -1;
      e->folderWatch = watched ? folderWatch : -1;
      e->changed = !watched;
    }
    if (oldWatch != watch) Release(oldWatch);
    if (oldFolderWatch != folderWatch) Release(oldFolderWatch);
    if (!watched) {
      Release(watch);
      Release(folderWatch);
    }
  };
  if (!found || !S_ISREG(st.st_mode)) {
    state = FileState::Missing;
    settle(nullptr);
    Forget(resolved);
    return EmptyDocument();
  }
  state = FileState::Readable;
  const Identity identity = IdentityOf(st);
  if (entry && entry->trusted && SameIdentity(entry->identity, identity)) {
    settle(entry);
    return entry->doc;
  }

  timespec seen;
  ::clock_gettime(CLOCK_REALTIME, &seen);
  static std::string scratch;
  if (!ReadBytes(resolved, scratch)) {
    state = FileState::Unreadable;
    settle(nullptr);
    Forget(resolved);
    return EmptyDocument();
  }
  // The times were taken before the read: a change after them shows next time.
  if (entry && SameBytes(*entry, scratch)) {
    entry->identity = identity;
    entry->trusted = SafelyPast(identity, seen);
    settle(entry);
    return entry->doc;
  }
  CacheEntry& fresh = Remember(resolved);
  fresh.identity = identity;
  Keep(fresh, scratch);
  fresh.trusted = SafelyPast(identity, seen);
  settle(&fresh);
  TrimCache();
  return fresh.doc;
}

// Writes text in the document's encoding, atomically, and keeps what was
// written as the file's document.
bool Save(const std::string& path, const Document& doc, const std::string& text) {
  std::string bytes = Serialise(doc, text);
  try {
    WriteFileBytes(path, bytes);
  } catch (const Exception&) {
    Forget(path);
    return false;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    Forget(path);
    return true;
  }
  // Parsed from the bytes written, so that what is kept is exactly what a
  // read of the file gives (its encoding and line end included). Not trusted
  // yet: another program may write into the file within the same tick, and
  // the file written is not watched until the next read checks it.
  CacheEntry& entry = Remember(path);
  entry.identity = IdentityOf(st);
  Keep(entry, bytes);
  entry.trusted = false;
  entry.changed = true;
  TrimCache();
  return true;
}

// The text as far as maxChars characters go.
std::string_view CutToCharacters(std::string_view text, int maxChars) {
  if (maxChars <= 0) return {};
  if (text.size() <= static_cast<size_t>(maxChars)) return text;
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // Count lead bytes only, so a cut never splits a UTF-8 sequence.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == maxChars) return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

// The text with new lines put before line `at` (at the end when `at` is the
// line count). Only the last line can lack a line end: lines added after it
// give it one and carry on without.
std::string InsertLines(const Document& doc, int at, const std::vector<std::string>& added) {
  const int count = static_cast<int>(doc.lines.size());
  const bool openEnd = at == count && count > 0 && doc.lines[count - 1].endLength == 0;
  std::string block;
  for (const std::string& line : added) {
    if (openEnd) block += doc.newline;
    block += line;
    if (!openEnd) block += doc.newline;
  }
  const size_t offset = at < count ? doc.lines[at].begin : doc.text.size();
  std::string text;
  text.reserve(doc.text.size() + block.size());
  text.append(doc.text, 0, offset);
  text += block;
  text.append(doc.text, offset, std::string::npos);
  return text;
}

bool ValidKeyName(std::string_view key) {
  return !key.empty() && key.find_first_of("=\r\n") == std::string_view::npos && key[0] != '[' && key[0] != ';';
}

bool ValidSectionName(std::string_view section) {
  return !section.empty() && section.find_first_of("]\r\n") == std::string_view::npos;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& fallback, const std::string& file,
                                    int bufferSize) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  FileState state;
  const Document& doc = *Load(file, nullptr, state);
  if (const SectionSpan s = doc.FindSectionAgain(TrimView(section))) {
    int line = doc.FindKeyAgain(s, TrimView(key));
    if (line >= 0) return std::string(CutToCharacters(doc.Value(line), bufferSize - 1));
  }
  const std::string_view cut = CutToCharacters(fallback, bufferSize - 1);
  return cut.size() == fallback.size() ? fallback : std::string(cut);
}

std::vector<std::string> GetPrivateProfileSection(const std::string& section, const std::string& file,
                                                  int bufferSize) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  FileState state;
  std::shared_ptr<const Document> doc = Load(file, nullptr, state);
  std::vector<std::string> lines;
  const SectionSpan s = doc->FindSection(TrimView(section));
  if (!s) return lines;
  for (int i = s.header + 1; i < s.end; ++i) {
    if (doc->lines[i].kind != LineKind::Key || !doc->lines[i].indexed) continue;
    const std::string_view name = doc->Name(i), value = CutToCharacters(doc->Value(i), bufferSize - 1);
    // Built in place: one allocation per line.
    std::string& line = lines.emplace_back();
    line.reserve(name.size() + 1 + value.size());
    line.append(name).append(1, '=').append(value);
  }
  return lines;
}

std::vector<std::string> GetPrivateProfileKeys(const std::string& section, const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  FileState state;
  std::shared_ptr<const Document> doc = Load(file, nullptr, state);
  std::vector<std::string> keys;
  const SectionSpan s = doc->FindSection(TrimView(section));
  if (!s) return keys;
  for (int i = s.header + 1; i < s.end; ++i) {
    // The first line of each name only.
    if (doc->lines[i].kind == LineKind::Key && doc->lines[i].indexed)
      keys.emplace_back(doc->Name(i));
  }
  return keys;
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  FileState state;
  std::shared_ptr<const Document> doc = Load(file, nullptr, state);
  std::vector<std::string> names;
  names.reserve(doc->sectionOrder.size());
  for (int header : doc->sectionOrder) names.emplace_back(doc->Name(header));
  return names;
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::optional<std::string>& value, const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  std::string_view sectionName = TrimView(section);
  std::string_view keyName = TrimView(key);
  if (!ValidSectionName(sectionName) || !ValidKeyName(keyName)) return false;
  std::string path;
  FileState state;
  std::shared_ptr<const Document> doc = Load(file, &path, state);
  // A file that is there but cannot be read must not be replaced by one that
  // holds only this key; nor can a deletion in it be done.
  if (state == FileState::Unreadable) return false;
  const SectionSpan s = doc->FindSection(sectionName);

  if (!value) {
    if (!s) return true;
    std::string text;
    size_t kept = 0;
    bool changed = false;
    for (int i = s.header + 1; i < s.end; ++i) {
      if (doc->lines[i].kind == LineKind::Key && NoCaseEqual()(doc->Name(i), keyName)) {
        text.append(doc->text, kept, doc->lines[i].begin - kept);
        kept = doc->LineEnd(i);
        changed = true;
      }
    }
    if (!changed) return true;
    text.append(doc->text, kept, std::string::npos);
    return Save(path, *doc, text);
  }

  std::string v = *value;
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';

  std::string text;
  if (!s) {
    const int count = static_cast<int>(doc->lines.size());
    std::vector<std::string> added;
    if (count > 0 && !TrimView(doc->LineText(count - 1)).empty()) added.emplace_back();
    added.push_back("[" + std::string(sectionName) + "]");
    added.push_back(std::string(keyName) + "=" + v);
    text = InsertLines(*doc, count, added);
  } else {
    int line = doc->FindKey(s, keyName);
    if (line >= 0) {
      std::string_view old = doc->LineText(line);
      size_t start = old.find('=') + 1;
      while (start < old.size() && (old[start] == ' ' || old[start] == '\t')) ++start;
      if (old.substr(start) == v) return true;
      const size_t from = doc->lines[line].begin + start;
      const size_t to = doc->lines[line].begin + old.size();
      text.reserve(doc->text.size() + v.size());
      text.append(doc->text, 0, from);
      text += v;
      text.append(doc->text, to, std::string::npos);
    } else {
      int at = s.end;
      while (at > s.header + 1 && TrimView(doc->LineText(at - 1)).empty()) --at;
      text = InsertLines(*doc, at, {std::string(keyName) + "=" + v});
    }
  }
  return Save(path, *doc, text);
}

bool EraseProfileSection(const std::string& section, const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  std::string path;
  FileState state;
  std::shared_ptr<const Document> doc = Load(file, &path, state);
  if (state == FileState::Unreadable) return false;
  std::string_view name = TrimView(section);
  std::string text;
  size_t kept = 0;
  bool changed = false;
  const int count = static_cast<int>(doc->lines.size());
  for (int i = 0; i < count; ++i) {
    if (doc->lines[i].kind != LineKind::Section || !NoCaseEqual()(doc->Name(i), name)) continue;
    int end = i + 1;
    while (end < count && doc->lines[end].kind != LineKind::Section) ++end;
    text.append(doc->text, kept, doc->lines[i].begin - kept);
    kept = doc->LineEnd(end - 1);
    changed = true;
    i = end - 1;
  }
  if (!changed) return true;
  text.append(doc->text, kept, std::string::npos);
  return Save(path, *doc, text);
}

void FlushPrivateProfile(const std::string& file) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  struct stat st;
  bool found;
  Forget(ResolvedPath(file, st, found));
}

void FilesChangedHere() { Reports().Expect(); }

bool AwaitProfileChangeReports() {
  // Ten seconds: far beyond any thread switch, however loaded the machine.
  for (int waited = 0;; ++waited) {
    {
      std::lock_guard<std::mutex> lock(cacheMutex);
      if (!Reports().Unnoticed()) return true;
      if (waited == 10000) {
        CollectReports();
        return false;
      }
    }
    ::usleep(1000);
  }
}

void UseProfileChangeReports(bool use) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  Reports().enabled = use;
  if (use) return;
  std::vector<int> watches;
  for (CacheEntry& e : cache) {
    watches.push_back(e.watch);
    watches.push_back(e.folderWatch);
    e.watch = -1;
    e.folderWatch = -1;
    e.changed = true;
  }
  for (int watch : watches) Release(watch);
}

}  // namespace platform
