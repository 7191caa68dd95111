#include "support/nginx_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "base/data_folder.h"
#include "support/loopback_http_server.h"

namespace korvane::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// $KORVANE_NGINX, else the Debian package's program (not on a normal user's PATH), else PATH.
std::string FindNginx() {
  if (const char* env = std::getenv("KORVANE_NGINX"); env && *env) return env;
  if (::access("/usr/sbin/nginx", X_OK) == 0) return "/usr/sbin/nginx";
  if (const char* path = std::getenv("PATH")) {
    std::stringstream dirs(path);
    for (std::string dir; std::getline(dirs, dir, ':');) {
      std::string candidate = dir + "/nginx";
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
  }
  return {};
}

bool Answers(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

std::string TNginxServer::SampleSiteFolder() { return DataFolder() + "sample-site"; }

TNginxServer::TNginxServer(const std::string& root, const TCertificate* tls) : tls_(tls) {
  char templ[] = "/tmp/korvane-nginx-XXXXXX";
  if (!::mkdtemp(templ)) {
    error_ = "cannot create a temporary folder";
    return;
  }
  dir_ = templ;
  // Another program may take the free port between the probe and nginx's bind: try again.
  for (int attempt = 0; attempt < 5 && !Running(); ++attempt) {
    if (!StartOnce(root)) break;
  }
}

TNginxServer::~TNginxServer() {
  Stop();
  if (!dir_.empty()) {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
}

std::string TNginxServer::Url(const std::string& path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + path;
}

std::string TNginxServer::AccessLog() const { return ReadAll(fs::path(dir_) / "access.log"); }

std::string TNginxServer::Config(const std::string& root) const {
  const std::string d = dir_;
  std::ostringstream c;
  // Run as root (in CI) nginx would hand its work to "nobody", who cannot read a private
  // checkout; one process that keeps the current user needs no such switch.
  if (::geteuid() == 0) c << "user root;\n";
  c << "daemon off;\n"
       "master_process off;\n"
       "worker_processes 1;\n"
       "pid "
    << d << "/nginx.pid;\n"
    << "error_log " << d << "/error.log warn;\n"
    << "events { worker_connections 128; }\n"
       "http {\n"
       "  types { text/html htm html; image/gif gif; image/png png; image/jpeg jpg jpeg;\n"
       "          text/css css; text/javascript js; image/svg+xml svg; image/webp webp;\n"
       "          font/woff2 woff2; }\n"
       "  default_type application/octet-stream;\n"
       "  log_format korvane '$remote_addr \"$request\" $status host=$http_host "
       "sni=$ssl_server_name reused=$ssl_session_reused conn=$connection';\n"
       "  access_log "
    << d << "/access.log korvane;\n"
    << "  client_body_temp_path " << d << "/client_body;\n"
    << "  proxy_temp_path " << d << "/proxy;\n"
    << "  fastcgi_temp_path " << d << "/fastcgi;\n"
    << "  uwsgi_temp_path " << d << "/uwsgi;\n"
    << "  scgi_temp_path " << d << "/scgi;\n"
    << "  keepalive_timeout 5;\n"
       // Pages and stylesheets go compressed to a client that asks for it (HTTP/1.1 only).
       "  gzip on;\n"
       "  gzip_min_length 1;\n"
       "  gzip_types text/css text/javascript image/svg+xml;\n"
       "  server {\n"
       "    listen 127.0.0.1:"
    << port_ << (tls_ ? " ssl" : "") << ";\n";
  if (tls_) {
    // Redirections relative to the request, so that an invented name reached through a tunnel
    // stays that name.
    c << "    ssl_certificate " << tls_->Certificate << ";\n"
      << "    ssl_certificate_key " << tls_->Key << ";\n"
      << "    ssl_protocols TLSv1.2 TLSv1.3;\n"
      << "    absolute_redirect off;\n";
  }
  c << "    server_name localhost;\n"
       "    root "
    << root << ";\n"
    << "    index index.htm index.html;\n"
       "    location = /old-page.htm { return 301 /news/index.htm; }\n"
       "    location = /cgi-bin/map { return 302 /index.htm; }\n"
       "  }\n";
  if (tls_) {
    c << "  server {\n    listen 127.0.0.1:" << plain_port_
      << ";\n    return 301 https://127.0.0.1:" << port_ << "$request_uri;\n  }\n";
  }
  c << "}\n";
  return c.str();
}

bool TNginxServer::StartOnce(const std::string& root) {
  const std::string nginx = FindNginx();
  if (nginx.empty()) {
    error_ = "nginx is not installed (scripts/setup.sh installs it)";
    return false;
  }
  port_ = TLoopbackHttpServer::UnusedPort();
  if (tls_) plain_port_ = TLoopbackHttpServer::UnusedPort();
  const std::string conf = dir_ + "/nginx.conf";
  {
    std::ofstream out(conf, std::ios::binary | std::ios::trunc);
    out << Config(root);
    if (!out) {
      error_ = "cannot write " + conf;
      return false;
    }
  }
  const std::string error_log = dir_ + "/error.log";
  const std::string output = dir_ + "/output.log";
  std::vector<std::string> args = {nginx, "-p", dir_ + "/", "-c", conf, "-e", error_log};
  pid_t pid = ::fork();
  if (pid < 0) {
    error_ = "cannot start nginx";
    return false;
  }
  if (pid == 0) {
    // The server must not outlive a test program that crashed.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::close(fd);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(nginx.c_str(), argv.data());
    ::_exit(127);
  }
  pid_ = pid;
  if (WaitUntilAnswering()) {
    error_.clear();
    return true;
  }
  Stop();
  error_ = "nginx did not start: " + ReadAll(output) + ReadAll(error_log);
  return true;  // worth another port
}

bool TNginxServer::WaitUntilAnswering() {
  auto end = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    if (Answers(port_)) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

void TNginxServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  auto end = std::chrono::steady_clock::now() + 5s;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(10ms);
  }
  pid_ = -1;
}

}  // namespace korvane::testing
