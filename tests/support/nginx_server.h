// TNginxServer runs nginx for end-to-end tests: as the current user, on a free port of
// 127.0.0.1 only, with a generated configuration and its own prefix, pid, logs and temporary
// folders in a temporary directory. It serves a folder (the bundled sample site by default) with
// the sample site's server rules: "/old-page.htm" redirects (301) to "/news/index.htm", and the
// server-side map program "/cgi-bin/map" answers with a redirection to the home page. Given a
// certificate, it serves https instead, and a second port sends every http address to its
// https form. Pages and stylesheets go gzipped to HTTP/1.1 requests that accept it. Its access
// log names the Host each request carried, over TLS the server name of the handshake and whether
// the session was resumed, and the connection's number.
#pragma once

#include <sys/types.h>
#include <string>

#include "support/test_certificates.h"

namespace korvane::testing {

class TNginxServer {
 public:
  // The bundled sample site of the source tree.
  static std::string SampleSiteFolder();

  // Starts nginx and waits until it answers. When nginx is missing or does not start, Running()
  // is false and Error() says why.
  explicit TNginxServer(const std::string& root = SampleSiteFolder(),
                        const TCertificate* tls = nullptr);
  ~TNginxServer();
  TNginxServer(const TNginxServer&) = delete;
  TNginxServer& operator=(const TNginxServer&) = delete;

  bool Running() const { return pid_ > 0; }
  const std::string& Error() const { return error_; }
  int Port() const { return port_; }
  // With a certificate: the http port whose every address is sent to https.
  int PlainPort() const { return plain_port_; }
  // "http://127.0.0.1:<port>" (https with a certificate) followed by `path`.
  std::string Url(const std::string& path = "/") const;
  // The server's access log so far (one line per request).
  std::string AccessLog() const;

 private:
  bool StartOnce(const std::string& root);
  bool WaitUntilAnswering();
  void Stop();
  std::string Config(const std::string& root) const;

  std::string dir_;  // the temporary prefix
  const TCertificate* tls_;
  int port_ = 0;
  int plain_port_ = 0;
  pid_t pid_ = -1;
  std::string error_;
};

}  // namespace korvane::testing
