// Text files and the Windows-1252 code page from our own table (no codec
// library): the five bytes the code page leaves undefined map to the code
// points of the same number, so every byte sequence survives a round trip.
#include "platform/textfile.h"

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/profile.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

// Code points of bytes 0x80-0x9F; the rest of the page equals Latin-1.
const char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Next code point of valid UTF-8 (checked beforehand, or U+FFFD per bad byte).
char32_t NextCodePoint(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (int k = 1; k < len; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += len;
  return cp;
}

int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int k = 0; k < 32; ++k)
    if (kCp1252High[k] == cp) return 0x80 + k;
  return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0, n = bytes.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int len;
    char32_t min;
    if ((c >> 5) == 6) len = 2, min = 0x80;
    else if ((c >> 4) == 14) len = 3, min = 0x800;
    else if ((c >> 3) == 30) len = 4, min = 0x10000;
    else return false;
    if (i + len > n) return false;
    char32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(bytes[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) out += ch;
    else AppendUtf8(out, c < 0xA0 ? kCp1252High[c - 0x80] : c);
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t cp = NextCodePoint(text, i);
    int b = Cp1252Byte(cp);
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

bool FitsCp1252(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (Cp1252Byte(NextCodePoint(text, i)) < 0) return false;
  }
  return true;
}

TextFileContent DecodeText(std::string_view bytes) {
  TextFileContent c;
  if (IsValidUtf8(bytes)) {
    c.text.assign(bytes);
    c.encoding = TextEncoding::Utf8;
  } else {
    c.text = Cp1252ToUtf8(bytes);
    c.encoding = TextEncoding::Windows1252;
  }
  return c;
}

std::string EncodeText(std::string_view text, TextEncoding encoding) {
  return encoding == TextEncoding::Utf8 ? std::string(text) : Utf8ToCp1252(text);
}

std::string ReadFileBytes(const std::string& path) {
  QFile file(QString::fromStdString(ResolveFilePath(path)));
  if (!file.open(QIODevice::ReadOnly))
    throw EFOpenError("Cannot open file \"" + path + "\". " + file.errorString().toStdString());
  QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw EFOpenError("Cannot open file \"" + path + "\". " + file.errorString().toStdString());
  return std::string(data.constData(), static_cast<size_t>(data.size()));
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  // Our own temporary file and rename rather than QSaveFile: QSaveFile takes
  // a short write (a full disk, a size limit) for success and commits a cut
  // file. Here every byte is checked before the old file is replaced.
  auto fail = [&](int error) {
    throw EFCreateError("Cannot create file \"" + path + "\". " + std::strerror(error));
  };
  std::string target = path;
  mode_t mode = 0644;
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) fail(EISDIR);
    mode = st.st_mode & 07777;
  }
  std::string temp = target + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) fail(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int error = n < 0 ? errno : EIO;
      ::close(fd);
      ::unlink(temp.c_str());
      fail(error);
    }
    done += static_cast<size_t>(n);
  }
  // No fsync: the rename-over pattern is flushed in order by the file
  // systems we run on, and a sync per profile write would make a pass that
  // writes many keys crawl.
  if (::fchmod(fd, mode) != 0) {
    int error = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    fail(error);
  }
  if (::close(fd) != 0 || ::rename(temp.c_str(), target.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    fail(error);
  }
  FilesChangedHere();
}

TextFileContent ReadTextFile(const std::string& path) { return DecodeText(ReadFileBytes(path)); }

void WriteTextFile(const std::string& path, std::string_view text, TextEncoding encoding) {
  // A Windows-1252 file that now holds a character the code page lacks is
  // written as UTF-8 instead: better a changed encoding than a lost character.
  if (encoding == TextEncoding::Windows1252 && !FitsCp1252(text)) encoding = TextEncoding::Utf8;
  WriteFileBytes(path, EncodeText(text, encoding));
}

}  // namespace platform
