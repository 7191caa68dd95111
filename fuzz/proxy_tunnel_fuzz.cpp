// Arbitrary bytes from a proxy asked for a tunnel, in arbitrary packets, with the secure
// connection reported ready at an arbitrary moment: nothing may crash, keep the answer beyond its
// limit, send the request before the proxy agreed and TLS was started, or leave the slot busy.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/http_session.h"
#include "net/request.h"
#include "net/socket_hub.h"
#include "support/mem_file_system.h"
#include "support/scripted_socket_library.h"

namespace {

using korvane::testing::TScript;
using korvane::testing::TScriptStep;

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static korvane::testing::TScriptedSocketLibrary lib;
  static korvane::TSocketHub hub(&lib);
  if (size < 2) return 0;
  // First byte: the packet size; second: after how many packets the tunnel's TLS is ready.
  const std::size_t packet = std::size_t(data[0]) * 17 % 1024 + 1;
  const std::size_t ready_after = data[1] % 16;
  std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

  TScript script = {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "127.0.0.1"}};
  std::size_t packets = 0;
  for (std::size_t at = 0; at < bytes.size(); at += packet, ++packets) {
    if (packets == ready_after) script.push_back({TScriptStep::kCanWrite, ""});
    script.push_back({TScriptStep::kData, std::string(bytes.substr(at, packet))});
  }
  if (packets <= ready_after) script.push_back({TScriptStep::kCanWrite, ""});
  script.push_back({TScriptStep::kCut, ""});

  korvane::testing::TMemFileSystem fs;
  fs.dirs.insert("/out");
  korvane::THttpSession session;
  const std::size_t starts_before = lib.tls_starts.size();
  {
    korvane::TRequest request(1, hub, session, fs);
    request.OnHeader = [&](korvane::TRequest& r) {
      r.OutputFile = "/out/f";
      return true;
    };
    lib.Expect(script);
    request.Start("https://www.site.com/page.htm", "proxy.lan", 3128);
    lib.Run();
    Check(request.State() == korvane::TRequestState::kIdle);
    Check(request.Buffer.Size() <= korvane::kMaxHeaderBytes + 1024);
    const std::string sent = lib.SentOn(lib.LastHandle());
    Check(sent.rfind("CONNECT www.site.com:443 HTTP/1.0\r\n", 0) == 0);
    // The request itself goes only through a tunnel the proxy agreed to, once secure.
    const bool tunnel = lib.tls_starts.size() > starts_before;
    Check(tunnel || sent.find("GET ") == std::string::npos);
    Check(lib.tls_starts.size() <= starts_before + 1);
  }
  for (const auto& [path, file] : fs.files) Check(path == "/out/f" && file.size() <= size);
  return 0;
}
