// oxel in a child process that keeps running while the test talks to it (OSC
// packets, JACK): its output goes to files the test can read as it grows.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <thread>

#include "../headtrack/osc_bytes.h"
#include "oxel_test_support.h"

namespace oxel_test {

class BackgroundOxel {
 public:
  explicit BackgroundOxel(const std::vector<std::string>& args) {
    const std::string outPath = capture_ / "stdout", errPath = capture_ / "stderr";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kOxel.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int in = open("/dev/null", O_RDONLY);
      dup2(out, 1);
      dup2(err, 2);
      dup2(in, 0);
      execv(kOxel.c_str(), argv.data());
      _exit(127);
    }
  }
  ~BackgroundOxel() {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      wait();
    }
  }

  std::string out() const { return slurp(capture_ / "stdout"); }
  std::string err() const { return slurp(capture_ / "stderr"); }

  // The port printed as "listening on ADDRESS:PORT", waiting up to 10 s; 0 if
  // it never came (the process ended or hung).
  int listeningPort() const {
    for (int i = 0; i < 1000; ++i) {
      if (const int port = portAfterListening(err()); port > 0) return port;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }
  // The PORT of the first "listening on ADDRESS:PORT" in text, or 0. (Plain
  // string search: GCC 12 gives false uninitialised warnings in std::regex
  // under the sanitizer builds.)
  static int portAfterListening(const std::string& text) {
    const std::string lead = "listening on ";
    const size_t at = text.find(lead);
    if (at == std::string::npos) return 0;
    const size_t end = text.find_first_not_of("0123456789.", at + lead.size());
    if (end == std::string::npos || text[end] != ':') return 0;
    int port = 0;
    for (size_t i = end + 1; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
         ++i)
      port = port * 10 + (text[i] - '0');
    return port;
  }
  void signal(int number) const { kill(pid_, number); }
  // The exit status (128 + signal when one ended it).
  int wait() {
    int status = 0;
    if (status_ < 0 && waitpid(pid_, &status, 0) == pid_)
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

 private:
  ScratchDir capture_;
  pid_t pid_ = -1;
  int status_ = -1;
};

inline void sendToLoopback(int port, const osc_bytes::Bytes& packet) {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::sendto(s, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  ::close(s);
}

}  // namespace oxel_test
