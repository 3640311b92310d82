#pragma once
// A scripted SMTP server for tests: listens on 127.0.0.1 on a port of the
// system's choosing, serves one connection after the other on its own
// thread and records every command line and every message it receives.
// Each wait is bounded, so a test that goes wrong fails instead of hanging.
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct FakeSmtpScript {
  std::string greeting = "220 fake.test ESMTP ready";
  // The capabilities after "250-fake.test" in the EHLO reply.
  std::vector<std::string> capabilities = {"AUTH LOGIN PLAIN", "8BITMIME"};
  // Replies that replace the default one of a command, by its upper-case
  // verb ("MAIL", "RCPT", "AUTH", "NOOP", ...).
  std::map<std::string, std::string> replies;
  // The reply to the end of a message.
  std::string dataEndReply = "250 2.0.0 Ok: queued";
  // Accept connections but never say a word.
  bool silent = false;
  // Close the connection instead of answering the end of a message.
  bool closeAfterData = false;
};

class FakeSmtpServer {
 public:
  explicit FakeSmtpServer(FakeSmtpScript script = {});
  ~FakeSmtpServer();
  FakeSmtpServer(const FakeSmtpServer&) = delete;
  FakeSmtpServer& operator=(const FakeSmtpServer&) = delete;

  int Port() const { return port_; }
  // Waits (at most a few seconds) until the client has closed its
  // connection, then stops the server; the records are complete afterwards.
  void Finish();

  std::vector<std::string> Commands() const;   // command lines, in order
  std::vector<std::string> Messages() const;   // message texts, dots unstuffed
  int Connections() const;

 private:
  void Run();
  void Serve(int socket);
  bool SendLine(int socket, const std::string& reply);

  FakeSmtpScript script_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> busy_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  std::vector<std::string> messages_;
  int connections_ = 0;
  std::thread thread_;
};

}  // namespace testsupport
