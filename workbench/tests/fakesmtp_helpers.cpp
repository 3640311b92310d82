#include "fakesmtp_helpers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

#include "platform/sysutils.h"

namespace testsupport {

namespace {

// No test lets the server live longer than this.
constexpr auto kLifetime = std::chrono::seconds(30);

std::string Upper(const std::string& text) { return platform::UpperCase(text); }

}  // namespace

FakeSmtpServer::FakeSmtpServer(FakeSmtpScript script) : script_(std::move(script)) {
  listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listen_ < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listen_, 4) != 0) {
    ::close(listen_);
    throw std::runtime_error("bind");
  }
  socklen_t size = sizeof address;
  ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

FakeSmtpServer::~FakeSmtpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listen_ >= 0) ::close(listen_);
}

void FakeSmtpServer::Finish() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (busy_ && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

std::vector<std::string> FakeSmtpServer::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::vector<std::string> FakeSmtpServer::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

int FakeSmtpServer::Connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

void FakeSmtpServer::Run() {
  const auto end = std::chrono::steady_clock::now() + kLifetime;
  while (!stop_ && std::chrono::steady_clock::now() < end) {
    pollfd p{listen_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int socket = ::accept(listen_, nullptr, nullptr);
    if (socket < 0) continue;
    busy_ = true;
    {
      std::lock_guard lock(mutex_);
      ++connections_;
    }
    Serve(socket);
    ::close(socket);
    busy_ = false;
  }
}

bool FakeSmtpServer::SendLine(int socket, const std::string& reply) {
  const std::string text = reply + "\r\n";
  return ::send(socket, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

void FakeSmtpServer::Serve(int socket) {
  const auto end = std::chrono::steady_clock::now() + kLifetime;
  if (!script_.silent && !SendLine(socket, script_.greeting)) return;

  enum class State { Command, Data, AuthLoginUser, AuthLoginPassword, AuthPlain } state = State::Command;
  std::string buffer;
  std::string message;
  auto reply = [&](const std::string& verb, const std::string& standard) {
    auto it = script_.replies.find(verb);
    return SendLine(socket, it != script_.replies.end() ? it->second : standard);
  };

  while (!stop_ && std::chrono::steady_clock::now() < end) {
    std::size_t eol = buffer.find("\r\n");
    if (eol == std::string::npos) {
      pollfd p{socket, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      char chunk[4096];
      const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
      if (n <= 0) return;   // the client closed the connection
      buffer.append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    std::string line = buffer.substr(0, eol);
    buffer.erase(0, eol + 2);
    if (script_.silent) continue;

    if (state == State::Data) {
      if (line == ".") {
        {
          std::lock_guard lock(mutex_);
          messages_.push_back(message);
        }
        message.clear();
        state = State::Command;
        if (script_.closeAfterData) return;
        if (!SendLine(socket, script_.dataEndReply)) return;
      } else {
        if (!line.empty() && line[0] == '.') line.erase(0, 1);
        message += line + "\r\n";
      }
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      commands_.push_back(line);
    }
    if (state == State::AuthLoginUser) {
      state = State::AuthLoginPassword;
      if (!SendLine(socket, "334 UGFzc3dvcmQ6")) return;
      continue;
    }
    if (state == State::AuthLoginPassword || state == State::AuthPlain) {
      state = State::Command;
      if (!reply("AUTH", "235 2.7.0 Authentication successful")) return;
      continue;
    }

    const std::string verb = Upper(line.substr(0, line.find(' ')));
    bool ok = true;
    if (verb == "EHLO") {
      if (script_.replies.count("EHLO")) {
        ok = reply("EHLO", "");
      } else {
        std::string text = "250-fake.test";
        for (const std::string& c : script_.capabilities) text += "\r\n250-" + c;
        text += "\r\n250 SIZE 10240000";
        ok = SendLine(socket, text);
      }
    } else if (verb == "HELO") {
      ok = reply(verb, "250 fake.test");
    } else if (verb == "AUTH") {
      const std::string rest = Upper(line.substr(5));
      if (script_.replies.count("AUTH")) {
        ok = reply("AUTH", "");
      } else if (rest == "LOGIN") {
        state = State::AuthLoginUser;
        ok = SendLine(socket, "334 VXNlcm5hbWU6");
      } else if (rest.rfind("LOGIN ", 0) == 0) {
        state = State::AuthLoginPassword;
        ok = SendLine(socket, "334 UGFzc3dvcmQ6");
      } else if (rest == "PLAIN") {
        state = State::AuthPlain;
        ok = SendLine(socket, "334 ");
      } else if (rest.rfind("PLAIN ", 0) == 0) {
        ok = SendLine(socket, "235 2.7.0 Authentication successful");
      } else {
        ok = SendLine(socket, "504 5.5.4 Unrecognized authentication type");
      }
    } else if (verb == "MAIL") {
      ok = reply(verb, "250 2.1.0 Ok");
    } else if (verb == "RCPT") {
      ok = reply(verb, "250 2.1.5 Ok");
    } else if (verb == "DATA") {
      auto it = script_.replies.find("DATA");
      if (it == script_.replies.end() || it->second.rfind("354", 0) == 0) state = State::Data;
      ok = reply(verb, "354 End data with <CR><LF>.<CR><LF>");
    } else if (verb == "NOOP" || verb == "RSET") {
      ok = reply(verb, "250 2.0.0 Ok");
    } else if (verb == "QUIT") {
      reply(verb, "221 2.0.0 Bye");
      return;
    } else {
      ok = reply(verb, "502 5.5.2 Command not recognized");
    }
    if (!ok) return;
  }
}

}  // namespace testsupport
