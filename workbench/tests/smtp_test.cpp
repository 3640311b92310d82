#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "core/cipher.h"
#include "fakesmtp_helpers.h"
#include "testsupport/testenv.h"
#include "workbench/smtpclient.h"
#include "workbench/smtpcontrol.h"

namespace {

using testsupport::FakeSmtpScript;
using testsupport::FakeSmtpServer;
using testsupport::MakeTempDir;
using testsupport::WriteAll;
using workbench::ESMTPError;
using workbench::TMimeMessage;
using workbench::TSMTPAuthType;
using workbench::TSMTPClient;
using workbench::TSMTPControl;

// ---------------------------------------------------------------------------
// A small reader of the messages the builder writes.

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

struct Entity {
  std::vector<std::pair<std::string, std::string>> headers;   // unfolded
  std::string body;                                            // raw, CR LF lines

  std::string Header(const std::string& name) const {
    for (const auto& [n, v] : headers)
      if (strcasecmp(n.c_str(), name.c_str()) == 0) return v;
    return "";
  }
  int HeaderCount(const std::string& name) const {
    int count = 0;
    for (const auto& h : headers) count += strcasecmp(h.first.c_str(), name.c_str()) == 0;
    return count;
  }
};

Entity ParseEntity(const std::string& text) {
  Entity e;
  const std::size_t split = text.find("\r\n\r\n");
  const std::string head = text.substr(0, split);
  e.body = split == std::string::npos ? "" : text.substr(split + 4);
  for (const std::string& line : SplitLines(head)) {
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !e.headers.empty()) {
      e.headers.back().second += line;
      continue;
    }
    const std::size_t colon = line.find(':');
    std::string value = line.substr(colon + 1);
    if (!value.empty() && value[0] == ' ') value.erase(0, 1);
    e.headers.emplace_back(line.substr(0, colon), value);
  }
  return e;
}

std::string Parameter(const std::string& header, const std::string& name) {
  const std::size_t at = header.find(name + "=\"");
  if (at == std::string::npos) return "";
  const std::size_t start = at + name.size() + 2;
  return header.substr(start, header.find('"', start) - start);
}

// The parts of a multipart message, in order.
std::vector<Entity> Parts(const Entity& message) {
  const std::string boundary = Parameter(message.Header("Content-Type"), "boundary");
  std::vector<Entity> parts;
  const std::string delimiter = "\r\n--" + boundary;
  std::size_t at = message.body.find(delimiter);
  while (at != std::string::npos) {
    std::size_t start = at + delimiter.size();
    if (message.body.compare(start, 2, "--") == 0) break;
    start += 2;   // CR LF after the delimiter
    const std::size_t next = message.body.find(delimiter, start);
    parts.push_back(ParseEntity(message.body.substr(start, next - start)));
    at = next;
  }
  return parts;
}

std::string DecodeQuotedPrintable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      out += text[i];
    } else if (text.compare(i + 1, 2, "\r\n") == 0) {
      i += 2;
    } else {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    }
  }
  return out;
}

std::string DecodeBase64Lines(const std::string& text) {
  std::string joined;
  for (const std::string& line : SplitLines(text)) {
    EXPECT_LE(line.size(), 76u);
    joined += line;
  }
  return core::DecodeBase64String(joined);
}

std::string Decoded(const Entity& part) {
  const std::string encoding = part.Header("Content-Transfer-Encoding");
  if (encoding == "base64") return DecodeBase64Lines(part.body);
  if (encoding == "quoted-printable") return DecodeQuotedPrintable(part.body);
  return part.body;
}

// The lines the e-mail dialog sends: body, two empty lines, name, company
// and address with empty lines between.
platform::TStringList MailLines() {
  return platform::TStringList{"Please confirm validity of the attached compressor data file...", "", "",
                               "Ann Smith", "", "Ölwerk GmbH", "", "ann@example.com"};
}

// ---------------------------------------------------------------------------
// Message building

class MessageBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("mail");
    a_ = dir_ + "/R404A.ini";
    b_ = dir_ + "/plot.png";
    WriteAll(a_, "[Header]\r\nName=ZX21\r\n");
    std::string binary;
    for (int i = 0; i < 300; ++i) binary += static_cast<char>(i * 7);
    WriteAll(b_, binary);
    binary_ = binary;
  }
  std::string dir_, a_, b_, binary_;
  TSMTPControl control_;
};

TEST_F(MessageBuildTest, TwoAttachmentsGiveFourPartsInOrder) {
  auto message = control_.BuildMessage(MailLines(), "ann@example.com", "check@example.com",
                                       "Compressor data file", platform::TStringList{a_, b_});
  message->Date = "Tue, 04 Mar 2025 10:00:00 +0000";
  const Entity mail = ParseEntity(message->BuildText());

  EXPECT_EQ(mail.Header("From"), "ann@example.com");
  EXPECT_EQ(mail.Header("To"), "check@example.com");
  EXPECT_EQ(mail.Header("Subject"), "Compressor data file");
  EXPECT_EQ(mail.Header("Date"), "Tue, 04 Mar 2025 10:00:00 +0000");
  EXPECT_EQ(mail.Header("MIME-Version"), "1.0");
  EXPECT_EQ(mail.Header("Content-Type").rfind("multipart/mixed;", 0), 0u);

  const std::vector<Entity> parts = Parts(mail);
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0].Header("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_EQ(parts[1].Header("Content-Type"), "text/html; charset=utf-8");
  // Both text parts carry the text of the lines, UTF-8 intact.
  EXPECT_EQ(Decoded(parts[0]), MailLines().Text());
  EXPECT_EQ(Decoded(parts[1]), MailLines().Text());

  const std::pair<std::string, std::string> files[] = {{"R404A.ini", "[Header]\r\nName=ZX21\r\n"},
                                                       {"plot.png", binary_}};
  for (int i = 0; i < 2; ++i) {
    const Entity& part = parts[2 + i];
    SCOPED_TRACE(files[i].first);
    EXPECT_EQ(part.Header("Content-Disposition"), "inline; filename=\"" + files[i].first + "\"");
    EXPECT_EQ(part.Header("content-id"), files[i].first);
    EXPECT_EQ(part.Header("Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(Parameter(part.Header("Content-Type"), "name"), files[i].first);
    EXPECT_EQ(Decoded(part), files[i].second);
  }
  EXPECT_EQ(parts[2].Header("Content-Type").rfind("text/plain;", 0), 0u);
  EXPECT_EQ(parts[3].Header("Content-Type").rfind("image/png;", 0), 0u);
}

TEST_F(MessageBuildTest, AMissingAttachmentIsLeftOut) {
  auto message = control_.BuildMessage(MailLines(), "ann@example.com", "check@example.com", "s",
                                       platform::TStringList{dir_ + "/gone.ini", b_, ""});
  const std::vector<Entity> parts = Parts(ParseEntity(message->BuildText()));
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[2].Header("content-id"), "plot.png");
}

TEST_F(MessageBuildTest, AFileThatVanishesBeforeSendingIsReported) {
  auto message = control_.BuildMessage(MailLines(), "ann@example.com", "check@example.com", "s",
                                       platform::TStringList{a_});
  std::remove(a_.c_str());
  EXPECT_THROW(message->BuildText(), ESMTPError);
}

TEST(MimeMessage, HeadersCannotBeInjectedAndNonAsciiIsEncoded) {
  TMimeMessage message;
  message.From = "ann@example.com\r\nBcc: evil@example.com";
  message.Recipients = "\"Smith, Ann\" <ann@example.com>, ,bob@example.com;carl@example.com";
  message.Subject = "Kältemittel R404A\r\nX-Injected: yes — überprüfen bitte, dieser Betreff ist lang genug zum Falten";
  message.Body.Add("Body");
  const std::string text = message.BuildText();
  const Entity mail = ParseEntity(text);
  EXPECT_EQ(mail.HeaderCount("Bcc"), 0);
  EXPECT_EQ(mail.HeaderCount("X-Injected"), 0);
  EXPECT_EQ(mail.Header("To"), "\"Smith, Ann\" <ann@example.com>, bob@example.com, carl@example.com");
  EXPECT_EQ(message.RecipientAddresses(),
            (std::vector<std::string>{"ann@example.com", "bob@example.com", "carl@example.com"}));
  // Every header line is 7-bit and at most 76 characters long.
  for (const std::string& line : SplitLines(text.substr(0, text.find("\r\n\r\n")))) {
    EXPECT_LE(line.size(), 76u) << line;
    for (char c : line) EXPECT_LT(static_cast<unsigned char>(c), 128u) << line;
  }
  // The encoded words give the subject back.
  std::string subject;
  std::string words = mail.Header("Subject");
  for (std::size_t at = words.find("=?UTF-8?B?"); at != std::string::npos; at = words.find("=?UTF-8?B?", at)) {
    const std::size_t end = words.find("?=", at + 10);
    subject += core::DecodeBase64String(words.substr(at + 10, end - at - 10));
    at = end;
  }
  EXPECT_EQ(subject,
            "Kältemittel R404A X-Injected: yes — überprüfen bitte, dieser Betreff ist lang genug zum Falten");
  // Without parts the body is one plain-text entity.
  EXPECT_EQ(mail.Header("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_EQ(Decoded(mail), "Body\r\n");
}

TEST(MimeEncoders, QuotedPrintable) {
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"plain\r\n", "plain\r\n"},
      {"a=b\r\n", "a=3Db\r\n"},
      {"trailing \r\n", "trailing=20\r\n"},
      {"tab\t\r\n", "tab=09\r\n"},
      {"Öl\r\n", "=C3=96l\r\n"},
      {"no end", "no end\r\n"},
      {"lf\nonly\n", "lf\r\nonly\r\n"},
      {std::string(80, 'x') + "\r\n", std::string(75, 'x') + "=\r\n" + std::string(5, 'x') + "\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(workbench::EncodeQuotedPrintable(c.in), c.out) << c.in;
  }
  // Long lines of escapes never exceed 76 characters and decode back.
  const std::string text = std::string(100, '=') + "\r\n" + std::string(50, ' ') + "\r\n";
  const std::string encoded = workbench::EncodeQuotedPrintable(text);
  for (const std::string& line : SplitLines(encoded)) EXPECT_LE(line.size(), 76u);
  EXPECT_EQ(DecodeQuotedPrintable(encoded), text);
}

TEST(MimeEncoders, ContentTypesOfFiles) {
  EXPECT_EQ(workbench::ContentTypeForFile("/a/R22.INI"), "text/plain");
  EXPECT_EQ(workbench::ContentTypeForFile("/a/page.htm"), "text/html");
  EXPECT_EQ(workbench::ContentTypeForFile("/a/cat.cmp"), "application/octet-stream");
  EXPECT_EQ(workbench::ContentTypeForFile("/a/noext"), "application/octet-stream");
}

// ---------------------------------------------------------------------------
// SMTP conversations against the fake server on 127.0.0.1

class SmtpConversationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("send");
    file_ = dir_ + "/R404A.ini";
    WriteAll(file_, "[Header]\r\n.starts with a dot\r\n");
  }

  void Configure(TSMTPClient& client, int port, TSMTPAuthType auth = TSMTPAuthType::satNone) {
    client.Host = "127.0.0.1";
    client.Port = port;
    client.Username = "ann";
    client.Password = "s3cret";
    client.AuthType = auth;
    client.ConnectTimeout = 5;
    client.ReplyTimeout = 5;
  }

  // Commands without the EHLO argument (the machine's name).
  static std::vector<std::string> Verbs(const std::vector<std::string>& commands) {
    std::vector<std::string> out;
    for (std::string c : commands) {
      if (c.rfind("EHLO ", 0) == 0) c = "EHLO";
      // The library announces the size when the server offers SIZE.
      const std::size_t size = c.find(" SIZE=");
      if (c.rfind("MAIL FROM:", 0) == 0 && size != std::string::npos) c.erase(size);
      out.push_back(c);
    }
    return out;
  }

  std::string dir_, file_;
  TSMTPControl control_;
};

TEST_F(SmtpConversationTest, SendsTheMessageWithoutAuthentication) {
  FakeSmtpServer server;
  platform::TStringList lines = MailLines();
  lines.Add(".a line with a leading dot");
  {
    TSMTPClient client;
    Configure(client, server.Port());
    client.Connect();
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(control_.SendMimeMessage(client, lines, "ann@example.com", "check@example.com, second@example.com",
                                       "Compressor data file", platform::TStringList{file_}),
              0);
    EXPECT_EQ(control_.LastError(), "");
    client.Disconnect();
    EXPECT_FALSE(client.Connected());
  }
  server.Finish();

  const std::vector<std::string> expected = {
      "EHLO", "NOOP", "MAIL FROM:<ann@example.com>", "RCPT TO:<check@example.com>",
      "RCPT TO:<second@example.com>", "DATA", "QUIT"};
  // Advertised authentication is not used when none is chosen.
  std::vector<std::string> verbs = Verbs(server.Commands());
  EXPECT_EQ(verbs, expected);
  EXPECT_EQ(server.Connections(), 1);   // the connection of Connect carries the message

  ASSERT_EQ(server.Messages().size(), 1u);
  const Entity mail = ParseEntity(server.Messages()[0]);
  EXPECT_EQ(mail.Header("Subject"), "Compressor data file");
  EXPECT_EQ(mail.Header("To"), "check@example.com, second@example.com");
  const std::vector<Entity> parts = Parts(mail);
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(Decoded(parts[0]), lines.Text());
  EXPECT_EQ(Decoded(parts[2]), "[Header]\r\n.starts with a dot\r\n");
}

TEST_F(SmtpConversationTest, EachAuthenticationKindLogsInItsWay) {
  const std::string user = core::EncodeBase64String("ann");
  const std::string password = core::EncodeBase64String("s3cret");
  const std::string plain = core::EncodeBase64String(std::string("\0ann\0s3cret", 11));
  struct Case {
    TSMTPAuthType auth;
    std::vector<std::string> login;   // the commands between EHLO and NOOP
  };
  const Case cases[] = {
      {TSMTPAuthType::satNone, {}},
      {TSMTPAuthType::satDefault, {"AUTH LOGIN", user, password}},
      {TSMTPAuthType::satSASL, {"AUTH PLAIN", plain}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.auth));
    FakeSmtpServer server;
    {
      TSMTPClient client;
      Configure(client, server.Port(), c.auth);
      client.Connect();
      client.Disconnect();
    }
    server.Finish();
    std::vector<std::string> expected = {"EHLO"};
    expected.insert(expected.end(), c.login.begin(), c.login.end());
    expected.push_back("NOOP");
    expected.push_back("QUIT");
    std::vector<std::string> verbs = Verbs(server.Commands());
    // Some library versions send the SASL initial response with the command.
    if (verbs.size() > 1 && verbs[1] == "AUTH PLAIN " + plain) {
      verbs[1] = "AUTH PLAIN";
      verbs.insert(verbs.begin() + 2, plain);
    }
    EXPECT_EQ(verbs, expected);
  }
}

// A port on 127.0.0.1 that nothing listens on.
int ClosedPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(s);
  return ntohs(address.sin_port);
}

TEST_F(SmtpConversationTest, ConnectFailuresRaise) {
  TSMTPClient client;
  Configure(client, ClosedPort());
  try {
    client.Connect();
    FAIL() << "connected to a closed port";
  } catch (const ESMTPError& e) {
    EXPECT_NE(std::string(e.what()).find("Could not connect to the SMTP server 127.0.0.1:"), std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(client.Connected());

  // Rejected log-in.
  FakeSmtpScript script;
  script.replies["AUTH"] = "535 5.7.8 Authentication credentials invalid";
  FakeSmtpServer refusing(script);
  Configure(client, refusing.Port(), TSMTPAuthType::satDefault);
  EXPECT_THROW(client.Connect(), ESMTPError);
  EXPECT_FALSE(client.Connected());

  // Settings that cannot name a server.
  for (const char* host : {"", "  ", "mail.example.com/x", "user@mail.example.com"}) {
    client.Host = host;
    EXPECT_THROW(client.Connect(), ESMTPError) << host;
  }
  client.Host = "127.0.0.1";
  client.Port = 0;
  EXPECT_THROW(client.Connect(), ESMTPError);
}

TEST_F(SmtpConversationTest, AServerThatNeverAnswersTimesOut) {
  FakeSmtpScript script;
  script.silent = true;
  FakeSmtpServer server(script);
  TSMTPClient client;
  Configure(client, server.Port());
  client.ConnectTimeout = 1;
  client.ReplyTimeout = 1;
  EXPECT_THROW(client.Connect(), ESMTPError);
  EXPECT_FALSE(client.Connected());
}

TEST_F(SmtpConversationTest, RefusalsAfterConnectingGiveResult1) {
  struct Case {
    const char* name;
    FakeSmtpScript script;
  };
  std::vector<Case> cases(4);
  cases[0].name = "sender refused";
  cases[0].script.replies["MAIL"] = "553 5.7.1 Sender address rejected";
  cases[1].name = "recipient refused";
  cases[1].script.replies["RCPT"] = "550 5.1.1 No such user";
  cases[2].name = "message refused";
  cases[2].script.dataEndReply = "554 5.6.0 Message rejected";
  cases[3].name = "connection closed by the server";
  cases[3].script.closeAfterData = true;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSmtpServer server(c.script);
    TSMTPClient client;
    Configure(client, server.Port());
    client.Connect();
    EXPECT_EQ(control_.SendMimeMessage(client, MailLines(), "ann@example.com", "check@example.com", "s",
                                       platform::TStringList{}),
              1);
    EXPECT_NE(control_.LastError(), "");
    client.Disconnect();
  }
}

TEST_F(SmtpConversationTest, NothingIsSentWithoutRecipientsOrConnection) {
  FakeSmtpServer server;
  TSMTPClient client;
  Configure(client, server.Port());
  EXPECT_EQ(control_.SendMimeMessage(client, MailLines(), "ann@example.com", "check@example.com", "s",
                                     platform::TStringList{}),
            1);
  EXPECT_EQ(control_.LastError(), "Not connected to the SMTP server.");
  client.Connect();
  EXPECT_EQ(control_.SendMimeMessage(client, MailLines(), "ann@example.com", " , ", "s", platform::TStringList{}),
            1);
  EXPECT_EQ(control_.LastError(), "No recipient address given.");
  EXPECT_EQ(control_.SendMimeMessage(client, MailLines(), "ann@example.com", "a b@example.com", "s",
                                     platform::TStringList{}),
            1);
  client.Disconnect();
  server.Finish();
  for (const std::string& c : server.Commands()) EXPECT_NE(c.rfind("MAIL", 0), 0u) << c;
  EXPECT_TRUE(server.Messages().empty());
}

TEST(SmtpControlModule, StartAndCleanUp) {
  workbench::DoneSMTPControl();
  EXPECT_THROW(workbench::SMTPControl(), platform::Exception);
  workbench::InitSMTPControl();
  TSMTPControl& first = workbench::SMTPControl();
  workbench::InitSMTPControl();   // a second start keeps the instance
  EXPECT_EQ(&workbench::SMTPControl(), &first);
  workbench::DoneSMTPControl();
  workbench::DoneSMTPControl();
  EXPECT_THROW(workbench::SMTPControl(), platform::Exception);
}

}  // namespace
