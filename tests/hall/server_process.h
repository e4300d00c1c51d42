// A real korvel-server process for the tests: started with its arguments, its game and lobby
// ports read from the lines it prints at start, and stopped, politely or with SIGKILL.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

namespace korvel::server::testing {

class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess() { Kill(SIGKILL); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Starts `korvel-server ARGS` and waits for both ports; false (with the output kept) when it
  // ended or did not say where it listens within `waitMs`.
  bool Start(const std::vector<std::string>& args, int waitMs = 10000) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(pipeFds[1], 2);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      std::vector<char*> argv;
      const std::string program = std::string(KORVEL_BIN_DIR) + "/korvel-server";
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      _exit(127);
    }
    ::close(pipeFds[1]);
    out_ = pipeFds[0];
    ::fcntl(out_, F_SETFL, O_NONBLOCK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    static const std::regex game(R"(listening on [0-9.]+:([0-9]+))");
    static const std::regex hall(R"(hall on http://[0-9.]+:([0-9]+)/)");
    while (std::chrono::steady_clock::now() < deadline) {
      Read(50);
      std::smatch m;
      if (gamePort == 0 && std::regex_search(output, m, game)) gamePort = std::stoi(m[1]);
      if (lobbyPort == 0 && std::regex_search(output, m, hall)) lobbyPort = std::stoi(m[1]);
      if (gamePort && lobbyPort) return true;
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        Read(0);
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
        return false;
      }
    }
    return false;
  }
  // Everything it printed so far.
  const std::string& Output() {
    Read(0);
    return output;
  }
  void Kill(int signal) {
    if (pid_ > 0) {
      ::kill(pid_, signal);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      pid_ = -1;
    }
    if (out_ >= 0) ::close(out_);
    out_ = -1;
  }
  // Runs korvel-server to its end (for start-up refusals); returns its exit status.
  int RunToEnd(const std::vector<std::string>& args) {
    if (Start(args, 5000)) Kill(SIGTERM);
    return exitStatus;
  }

  int gamePort = 0;
  int lobbyPort = 0;
  int exitStatus = -1;
  std::string output;

 private:
  void Read(int waitMs) {
    if (out_ < 0) return;
    pollfd p{out_, POLLIN, 0};
    ::poll(&p, 1, waitMs);
    char buf[4096];
    for (;;) {
      const ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) break;
      output.append(buf, static_cast<size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
};

}  // namespace korvel::server::testing
