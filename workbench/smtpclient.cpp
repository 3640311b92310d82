#include "workbench/smtpclient.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

#include "core/cipher.h"
#include "platform/sysutils.h"

namespace workbench {

namespace {

const char* const CRLF = "\r\n";

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 128; });
}

// Header values must never carry a line break of their own: a subject or an
// address typed with one would otherwise add headers to the message.
std::string OneLine(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else if (c == '\t' || static_cast<unsigned char>(c) >= 32) {
      out += c;
    }
  }
  return out;
}

// The number of bytes of the UTF-8 sequence that starts with lead.
std::size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// RFC 2047 "B" encoded words of at most 75 characters, never splitting a
// UTF-8 sequence, separated by blanks so that the line can be folded there.
std::string EncodedWords(const std::string& text) {
  const std::size_t maxBytes = 39;   // 52 Base64 characters + 12 of framing: room for the header name
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size()) {
      const std::size_t len = std::max<std::size_t>(1, Utf8Length(static_cast<unsigned char>(text[end])));
      if (end + len - i > maxBytes && end > i) break;
      end = std::min(text.size(), end + len);
    }
    if (!out.empty()) out += ' ';
    out += "=?UTF-8?B?" + core::EncodeBase64String(std::string_view(text).substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

// One header line, folded at blanks so that no line is longer than 76
// characters where a blank allows it.
std::string HeaderLine(const std::string& name, const std::string& value) {
  const std::string line = name + ": " + value;
  const std::size_t limit = 76;
  std::string out;
  std::size_t start = 0;
  while (line.size() - start > limit) {
    std::size_t cut = line.rfind(' ', start + limit);
    if (cut == std::string::npos || cut <= start + name.size() + 1) {
      cut = line.find(' ', start + limit);
      if (cut == std::string::npos) break;
    }
    out += line.substr(start, cut - start) + CRLF;
    start = cut;   // the blank starts the continuation line
  }
  out += line.substr(start) + CRLF;
  return out;
}

// A parameter value: a quoted string, non-ASCII text as an encoded word.
std::string QuotedParameter(const std::string& value) {
  std::string text = OneLine(value);
  if (!IsAscii(text)) return "\"" + EncodedWords(text) + "\"";
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Splits a comma (or semicolon) list of addresses; commas inside a quoted
// display name or angle brackets do not split.
std::vector<std::string> SplitAddressList(const std::string& list) {
  std::vector<std::string> items;
  std::string current;
  bool quoted = false;
  bool angle = false;
  for (char c : list) {
    if (c == '"' && !angle) quoted = !quoted;
    else if (c == '<' && !quoted) angle = true;
    else if (c == '>' && !quoted) angle = false;
    if ((c == ',' || c == ';') && !quoted && !angle) {
      if (!platform::Trim(current).empty()) items.push_back(platform::Trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!platform::Trim(current).empty()) items.push_back(platform::Trim(current));
  return items;
}

std::string BareAddress(const std::string& item) {
  const std::size_t open = item.rfind('<');
  if (open != std::string::npos) {
    const std::size_t close = item.find('>', open);
    return platform::Trim(item.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
  }
  return platform::Trim(item);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ESMTPError("Cannot read the attachment \"" + path + "\"");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw ESMTPError("Cannot read the attachment \"" + path + "\"");
  return bytes.str();
}

std::string MakeBoundary() {
  // "=_" never occurs in quoted-printable or Base64 text, so the boundary
  // cannot collide with a part's content.
  std::random_device device;
  std::mt19937_64 random(device());
  static const char hex[] = "0123456789abcdef";
  std::string out = "=_dravlen_";
  for (int i = 0; i < 24; ++i) out += hex[random() & 15];
  return out;
}

std::string TextContentType(const std::string& type) {
  std::string t = platform::Trim(OneLine(type));
  if (t.empty()) t = "text/plain";
  if (platform::LowerCase(t).find("charset") == std::string::npos) t += "; charset=utf-8";
  return t;
}

void WriteExtraHeaders(std::string& out, const TMessagePart& part) {
  for (int i = 0; i < part.ExtraHeaders.Count(); ++i) {
    const std::string name = platform::Trim(OneLine(part.ExtraHeaders.Names(i)));
    if (name.empty()) continue;
    out += HeaderLine(name, EncodeHeaderValue(part.ExtraHeaders.ValueFromIndex(i)));
  }
}

void WritePart(std::string& out, const TMessagePart& part) {
  if (const auto* text = dynamic_cast<const TTextPart*>(&part)) {
    out += HeaderLine("Content-Type", TextContentType(text->ContentType));
    out += HeaderLine("Content-Transfer-Encoding", "quoted-printable");
    WriteExtraHeaders(out, part);
    out += CRLF;
    out += EncodeQuotedPrintable(text->Body.Text());
  } else if (const auto* file = dynamic_cast<const TAttachmentPart*>(&part)) {
    const std::string name = platform::ExtractFileName(file->FileName);
    std::string type = platform::Trim(OneLine(file->ContentType));
    if (type.empty()) type = ContentTypeForFile(file->FileName);
    std::string disposition = platform::Trim(OneLine(file->ContentDisposition));
    if (disposition.empty()) disposition = "attachment";
    out += HeaderLine("Content-Type", type + "; name=" + QuotedParameter(name));
    out += HeaderLine("Content-Transfer-Encoding", "base64");
    out += HeaderLine("Content-Disposition", disposition + "; filename=" + QuotedParameter(name));
    WriteExtraHeaders(out, part);
    out += CRLF;
    out += EncodeBase64Lines(ReadFileBytes(file->FileName));
  }
  if (out.size() < 2 || out.compare(out.size() - 2, 2, CRLF) != 0) out += CRLF;
}

}  // namespace

// ---------------------------------------------------------------------------
// Encoders

std::string EncodeQuotedPrintable(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  const std::size_t limit = 76;
  std::string out;
  std::string line;   // the encoded line being built
  auto flushSoft = [&] {
    out += line + "=" + CRLF;
    line.clear();
  };
  std::size_t i = 0;
  while (i <= text.size()) {
    const bool end = i == text.size();
    const char c = end ? '\n' : text[i];
    if (c == '\r' || c == '\n') {
      // A blank at the end of a line would be lost in transport.
      if (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        const char last = line.back();
        line.pop_back();
        std::string enc = {'=', hex[static_cast<unsigned char>(last) >> 4], hex[last & 15]};
        if (line.size() + enc.size() > limit) flushSoft();
        line += enc;
      }
      if (!end || !line.empty()) out += line + CRLF;
      line.clear();
      if (!end && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      if (end) break;
      continue;
    }
    const unsigned char u = static_cast<unsigned char>(c);
    std::string enc;
    if ((u >= 33 && u <= 126 && u != '=') || u == ' ' || u == '\t') {
      enc = std::string(1, c);
    } else {
      enc = {'=', hex[u >> 4], hex[u & 15]};
    }
    // Room for the soft break's "=".
    if (line.size() + enc.size() > limit - 1) flushSoft();
    line += enc;
    ++i;
  }
  return out;
}

std::string EncodeBase64Lines(const std::string& bytes) {
  const std::string text = core::EncodeBase64String(bytes);
  std::string out;
  out.reserve(text.size() + text.size() / 76 * 2 + 2);
  for (std::size_t i = 0; i < text.size(); i += 76) out += text.substr(i, 76) + CRLF;
  return out;
}

std::string EncodeHeaderValue(const std::string& value) {
  const std::string text = OneLine(value);
  return IsAscii(text) ? text : EncodedWords(text);
}

std::string ContentTypeForFile(const std::string& path) {
  static const struct { const char* ext; const char* type; } types[] = {
      {".ini", "text/plain"}, {".txt", "text/plain"}, {".csv", "text/csv"},
      {".log", "text/plain"}, {".htm", "text/html"},  {".html", "text/html"},
      {".png", "image/png"},  {".gif", "image/gif"},  {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"}, {".pdf", "application/pdf"}, {".zip", "application/zip"},
  };
  const std::string ext = platform::LowerCase(platform::ExtractFileExt(path));
  for (const auto& t : types)
    if (ext == t.ext) return t.type;
  return "application/octet-stream";
}

std::string CurrentMailDate() {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  long offset = local.tm_gmtoff / 60;
  const char sign = offset < 0 ? '-' : '+';
  offset = offset < 0 ? -offset : offset;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", days[local.tm_wday],
                local.tm_mday, months[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min,
                local.tm_sec, sign, offset / 60, offset % 60);
  return buffer;
}

// ---------------------------------------------------------------------------
// TMimeMessage

TTextPart& TMimeMessage::AddTextPart(const std::string& contentType) {
  auto part = std::make_unique<TTextPart>();
  part->ContentType = contentType;
  TTextPart& ref = *part;
  MessageParts.push_back(std::move(part));
  return ref;
}

TAttachmentPart& TMimeMessage::AddAttachmentPart(const std::string& path) {
  auto part = std::make_unique<TAttachmentPart>(path);
  TAttachmentPart& ref = *part;
  MessageParts.push_back(std::move(part));
  return ref;
}

std::vector<std::string> TMimeMessage::RecipientAddresses() const {
  std::vector<std::string> out;
  for (const std::string& item : SplitAddressList(Recipients)) {
    const std::string address = BareAddress(item);
    if (!address.empty()) out.push_back(address);
  }
  return out;
}

std::string TMimeMessage::SenderAddress() const {
  const std::vector<std::string> items = SplitAddressList(From);
  return items.empty() ? std::string() : BareAddress(items.front());
}

std::string TMimeMessage::BuildText() const {
  std::string out;
  out += HeaderLine("From", OneLine(platform::Trim(From)));
  std::string to;
  for (const std::string& item : SplitAddressList(OneLine(Recipients))) to += (to.empty() ? "" : ", ") + item;
  out += HeaderLine("To", to);
  out += HeaderLine("Subject", EncodeHeaderValue(Subject));
  out += HeaderLine("Date", Date.empty() ? CurrentMailDate() : OneLine(Date));
  out += HeaderLine("MIME-Version", "1.0");

  if (MessageParts.empty()) {
    std::string type = platform::Trim(OneLine(ContentType));
    if (type.empty() || platform::StartsText(type, "multipart/")) type = "text/plain";
    out += HeaderLine("Content-Type", TextContentType(type));
    out += HeaderLine("Content-Transfer-Encoding", "quoted-printable");
    out += CRLF;
    out += EncodeQuotedPrintable(Body.Text());
    return out;
  }

  std::string type = platform::Trim(OneLine(ContentType));
  if (!platform::StartsText(type, "multipart/")) type = "multipart/mixed";
  const std::string boundary = Boundary.empty() ? MakeBoundary() : OneLine(Boundary);
  out += HeaderLine("Content-Type", type + "; boundary=\"" + boundary + "\"");
  out += CRLF;
  out += "This is a multi-part message in MIME format.\r\n";
  for (const auto& part : MessageParts) {
    out += "\r\n--" + boundary + CRLF;
    WritePart(out, *part);
  }
  out += "\r\n--" + boundary + "--\r\n";
  return out;
}

// ---------------------------------------------------------------------------
// TSMTPClient

namespace {

// The name this machine greets the server with (EHLO).
std::string EhloDomain() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "localhost";
  std::string out;
  for (const char* p = name; *p; ++p)
    if (platform::IsAsciiLetterOrDigit(*p) || *p == '-' || *p == '.') out += *p;
  return out.empty() ? "localhost" : out;
}

void CheckHost(const std::string& host) {
  if (host.empty()) throw ESMTPError("No SMTP server is set: enter it in the SMTP settings.");
  for (char c : host) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 32 || u == 127 || std::strchr("/\\@?#%", c))
      throw ESMTPError("Invalid SMTP server name \"" + host + "\"");
  }
}

void CheckAddress(const std::string& address, const char* what) {
  for (char c : address) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 32 || u == 127 || c == '<' || c == '>')
      throw ESMTPError(std::string("Invalid ") + what + " address \"" + OneLine(address) + "\"");
  }
}

size_t DiscardWrite(char*, size_t size, size_t count, void*) { return size * count; }

struct UploadSource {
  const std::string* text = nullptr;
  std::size_t offset = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user) {
  auto* source = static_cast<UploadSource*>(user);
  const std::size_t room = size * count;
  const std::size_t left = source->text->size() - source->offset;
  const std::size_t n = std::min(room, left);
  std::memcpy(buffer, source->text->data() + source->offset, n);
  source->offset += n;
  return n;
}

}  // namespace

struct TSMTPClient::Impl {
  CURL* curl = nullptr;
  bool connected = false;
  char error[CURL_ERROR_SIZE] = {};

  std::string ErrorText(CURLcode code) const {
    return error[0] ? std::string(error) : std::string(curl_easy_strerror(code));
  }
  void Close() {
    if (curl) curl_easy_cleanup(curl);   // sends QUIT on a live connection
    curl = nullptr;
    connected = false;
  }
};

TSMTPClient::TSMTPClient() : impl_(std::make_unique<Impl>()) {}

TSMTPClient::~TSMTPClient() { Disconnect(); }

bool TSMTPClient::Connected() const { return impl_->connected; }

void TSMTPClient::Connect() {
  Disconnect();
  const std::string host = platform::Trim(Host);
  CheckHost(host);
  if (Port < 1 || Port > 65535) throw ESMTPError("Invalid SMTP port " + std::to_string(Port));

  const bool ipv6 = host.find(':') != std::string::npos && host.front() != '[';
  const std::string url = std::string(Port == 465 ? "smtps://" : "smtp://") + (ipv6 ? "[" + host + "]" : host) +
                          ":" + std::to_string(Port) + "/" + EhloDomain();

  impl_->curl = curl_easy_init();
  if (!impl_->curl) throw ESMTPError("The mail facility could not be started.");
  CURL* c = impl_->curl;
  impl_->error[0] = 0;
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, impl_->error);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, std::max(1L, ConnectTimeout));
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, ReplyTimeout));
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, ReplyTimeout));
  // Passwords should not cross the network in plain text when the server
  // can do better.
  curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, DiscardWrite);
  if (AuthType != TSMTPAuthType::satNone) {
    curl_easy_setopt(c, CURLOPT_USERNAME, Username.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, Password.c_str());
    curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, AuthType == TSMTPAuthType::satDefault ? "AUTH=LOGIN" : "AUTH=*");
  }
  // A harmless command makes the library connect, greet, log in and keep
  // the connection for the message.
  curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "NOOP");
  curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  const CURLcode result = curl_easy_perform(c);
  if (result != CURLE_OK) {
    const std::string detail = impl_->ErrorText(result);
    impl_->Close();
    throw ESMTPError("Could not connect to the SMTP server " + host + ":" + std::to_string(Port) + ": " + detail);
  }
  impl_->connected = true;
}

void TSMTPClient::Send(const TMimeMessage& message) {
  if (!impl_->connected) throw ESMTPError("Not connected to the SMTP server.");
  const std::vector<std::string> recipients = message.RecipientAddresses();
  if (recipients.empty()) throw ESMTPError("No recipient address given.");
  for (const std::string& r : recipients) CheckAddress(r, "recipient");
  const std::string sender = message.SenderAddress();
  CheckAddress(sender, "sender");
  const std::string text = message.BuildText();

  curl_slist* rcpt = nullptr;
  for (const std::string& r : recipients) rcpt = curl_slist_append(rcpt, ("<" + r + ">").c_str());
  const std::string from = "<" + sender + ">";
  UploadSource source{&text, 0};

  CURL* c = impl_->curl;
  impl_->error[0] = 0;
  curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
  curl_easy_setopt(c, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt);
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadUpload);
  curl_easy_setopt(c, CURLOPT_READDATA, &source);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(text.size()));
  const CURLcode result = curl_easy_perform(c);
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
  curl_easy_setopt(c, CURLOPT_UPLOAD, 0L);
  curl_easy_setopt(c, CURLOPT_READDATA, nullptr);
  curl_slist_free_all(rcpt);
  if (result != CURLE_OK) throw ESMTPError("The message could not be sent: " + impl_->ErrorText(result));
}

void TSMTPClient::Disconnect() { impl_->Close(); }

void InitMailFacility() { curl_global_init(CURL_GLOBAL_DEFAULT); }

void DoneMailFacility() { curl_global_cleanup(); }

}  // namespace workbench
