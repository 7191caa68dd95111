// Arbitrary response bytes, in arbitrary packet splits, through a whole request, under HTTP/1.0
// or HTTP/1.1 (chunked and compressed bodies, a kept connection): nothing may crash, write
// outside the output file, store more than the decoded-size bound allows, keep a header buffer
// beyond its limit, or leave the slot busy or its connection kept once the connection is cut.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/http_header.h"
#include "net/http_session.h"
#include "net/request.h"
#include "net/resume_note.h"
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
  korvane::THttpSession session;

  // First byte: owner's choices and the HTTP version; second: how many split bytes follow.
  const bool accept = data[0] & 1, write = data[0] & 2, http11 = data[0] & 8;
  constexpr std::int64_t kDecodedLimit = 1 << 20;
  std::size_t splits = data[1] % 8 + 1;
  if (size < 2 + splits) return 0;
  std::string_view response(reinterpret_cast<const char*>(data) + 2 + splits, size - 2 - splits);

  korvane::THTTPHEADER direct;
  korvane::THttpDateParts parts;
  direct.Parse(response, 0.0, parts);

  TScript script = {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "127.0.0.1"}};
  for (std::size_t at = 0, i = 0; at < response.size(); ++i) {
    std::size_t packet = std::size_t(data[2 + i % splits]) * 37 % 4096 + 1;
    script.push_back({TScriptStep::kData, std::string(response.substr(at, packet))});
    at += packet;
  }
  script.push_back({TScriptStep::kCut, ""});

  korvane::testing::TMemFileSystem fs;
  fs.dirs.insert("/out");
  fs.write_budget = (data[0] & 4) ? 100 : -1;
  bool ended = false;
  {
    korvane::TRequest request(1, hub, session, fs);
    request.Http11 = http11;
    request.MaxBodyBytes = kDecodedLimit;
    request.OnHeader = [&](korvane::TRequest& r) {
      r.OutputFile = "/out/f";
      r.WriteToFile = write;
      return accept;
    };
    request.OnDone = [&](korvane::TRequest&) { ended = true; };
    request.OnError = [&](korvane::TRequest&, bool) { ended = true; };
    request.OnBody = [&](korvane::TRequest& r) {
      Check(r.Buffer.Size() <= korvane::kMaxHeaderBytes + 4096);
    };
    lib.Expect(script);
    request.Start("http://www.site.com/page.htm");
    lib.Run();
    Check(request.State() == korvane::TRequestState::kIdle);
    Check(request.Buffer.Size() <= korvane::kMaxHeaderBytes + 4096);
  }
  (void)ended;
  // A body cut off may stay for the next attempt to finish: its partial file, with a note that
  // names this address and the partial file's size.
  for (const auto& [path, bytes] : fs.files) {
    if (path == "/out/f.kvpart.kvresume") {
      const auto note = korvane::TResumeNote::Parse(bytes);
      Check(note && note->Url == "http://www.site.com/page.htm" &&
            fs.files.count("/out/f.kvpart") &&
            static_cast<std::int64_t>(fs.files.at("/out/f.kvpart").size()) == note->Bytes);
      continue;
    }
    // A decoded body may be larger than the bytes that came, never beyond its bound.
    const std::size_t most = http11 ? std::max<std::size_t>(size, kDecodedLimit) : size;
    Check((path == "/out/f" || path == "/out/f.kvpart") && bytes.size() <= most);
  }
  if (fs.files.count("/out/f.kvpart")) Check(fs.files.count("/out/f.kvpart.kvresume") == 1);
  return 0;
}
