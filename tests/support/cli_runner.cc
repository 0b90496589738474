#include "cli_runner.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::vector<std::string> environment_for(const CliCall& call) {
  std::map<std::string, std::string> env = {
      {"PATH", "/usr/bin:/bin"}, {"LC_ALL", "C"}, {"KORVODIR", VANTLINK_BUILD_DIR}};
  // A sanitizer build's settings reach the binary under test too.
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"})
    if (const char* value = std::getenv(name)) env[name] = value;
  for (const auto& name : call.unset) env.erase(name);
  for (const auto& [name, value] : call.env) env[name] = value;
  std::vector<std::string> out;
  for (const auto& [name, value] : env) out.push_back(name + "=" + value);
  return out;
}

// chdir, also into a directory whose path is longer than one lookup takes:
// then one component at a time.
int change_directory(const std::string& path) {
  if (::chdir(path.c_str()) == 0) return 0;
  if (errno != ENAMETOOLONG) return -1;
  if (path[0] == '/' && ::chdir("/") != 0) return -1;
  std::stringstream components(path);
  for (std::string component; std::getline(components, component, '/');)
    if (!component.empty() && ::chdir(component.c_str()) != 0) return -1;
  return 0;
}

void drain(int fd, std::string& into, bool& open) {
  char buffer[65536];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) into.append(buffer, static_cast<size_t>(n));
  else open = false;
}

}  // namespace

std::string built_binary() { return VANTLINK_BINARY; }

std::map<std::string, std::string> preloading(const std::string& shim,
                                              std::map<std::string, std::string> settings) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  settings["ASAN_OPTIONS"] = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
  settings["LD_PRELOAD"] = shim;
  return settings;
}

CliResult run_vantlink(const CliCall& call) {
  int out_pipe[2], err_pipe[2];
  if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> env = environment_for(call);
  std::vector<std::string> args = {call.binary.empty() ? VANTLINK_BINARY : call.binary};
  args.insert(args.end(), call.args.begin(), call.args.end());

  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out_pipe[1], 1);
    ::dup2(call.merge_streams ? out_pipe[1] : err_pipe[1], 2);
    if (call.unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(125);
    int null_fd = ::open("/dev/null", O_RDONLY);
    ::dup2(null_fd, 0);
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    if (!call.directory.empty() && change_directory(call.directory) != 0) ::_exit(126);
    // Nothing of the test process's own reaches the binary: descriptors
    // count against its limit.
    ::close_range(3, ~0U, 0);
    for (int fd : call.closed) ::close(fd);
    for (auto [resource, value] : call.limits) {
      rlimit limit{value, value};
      if (::setrlimit(resource, &limit) != 0) ::_exit(124);
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
    for (int signal : call.ignored_signals) ::signal(signal, SIG_IGN);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);

  CliResult result;
  bool out_open = true, err_open = true;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(call.timeout_seconds);
  while (out_open || err_open) {
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int ready = ::poll(fds, 2, 200);
    if (ready > 0) {
      if (out_open && (fds[0].revents & (POLLIN | POLLHUP))) drain(out_pipe[0], result.out, out_open);
      if (err_open && (fds[1].revents & (POLLIN | POLLHUP))) drain(err_pipe[0], result.err, err_open);
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      break;
    }
  }
  ::close(out_pipe[0]);
  ::close(err_pipe[0]);
  int wait_status = 0;
  ::waitpid(pid, &wait_status, 0);
  result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  return result;
}

std::optional<CliResult> run_unprivileged(const CliCall& call, const ScratchDir& scratch) {
  if (::geteuid() != 0) return run_vantlink(call);
  ::chmod(scratch.path().c_str(), 0777);
  int channel[2];
  if (::pipe(channel) != 0) throw std::runtime_error("pipe");
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(channel[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
    CliResult result = run_vantlink(call);
    std::string message = std::to_string(result.status) + " " + std::to_string(result.out.size()) +
                          " " + std::to_string(result.err.size()) + "\n" + result.out + result.err;
    for (size_t done = 0; done < message.size();) {
      ssize_t n = ::write(channel[1], message.data() + done, message.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string message;
  char buffer[65536];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
  ::close(channel[0]);
  int wait_status;
  ::waitpid(pid, &wait_status, 0);
  CliResult result;
  std::istringstream header(message);
  size_t out_size = 0, err_size = 0;
  if (!(header >> result.status >> out_size >> err_size)) return std::nullopt;
  size_t start = message.find('\n') + 1;
  result.out = message.substr(start, out_size);
  result.err = message.substr(start + out_size, err_size);
  return result;
}
