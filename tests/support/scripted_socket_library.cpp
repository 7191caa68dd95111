#include "support/scripted_socket_library.h"

#include <algorithm>

namespace korvane::testing {

void AppendData(TScript& script, std::string_view bytes, std::size_t packet) {
  if (packet == 0) packet = 1;
  for (std::size_t at = 0; at < bytes.size(); at += packet)
    script.push_back({TScriptStep::kData, std::string(bytes.substr(at, packet))});
}

TScript ServedWithoutCut(std::string_view response, std::size_t packet,
                         std::string_view distant_ip) {
  TScript script = {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, std::string(distant_ip)}};
  AppendData(script, response, packet);
  return script;
}

TScript Served(std::string_view response, std::size_t packet, std::string_view distant_ip) {
  TScript script = ServedWithoutCut(response, packet, distant_ip);
  script.push_back({TScriptStep::kCut, ""});
  return script;
}

TScxHandle TScriptedSocketLibrary::Go(std::string_view host, std::string_view port,
                                      int timeout_secs, const TTlsRequest* tls) {
  std::optional<TTlsRequest> secure;
  if (tls) secure = *tls;
  if (refuse_next_) {
    refuse_next_ = false;
    gos.push_back({std::string(host), std::string(port), timeout_secs, 0, secure});
    return 0;
  }
  TScxHandle handle = next_handle_++;
  gos.push_back({std::string(host), std::string(port), timeout_secs, handle, secure});
  std::size_t open = 0;
  for (const auto& [h, steps] : pending_) open += turned_away_.count(h) == 0;
  const bool over_limit =
      connection_limit > 0 && open >= static_cast<std::size_t>(connection_limit);
  if (over_limit) turned_away_.insert(handle);
  auto& steps = pending_[handle];
  if (over_limit) {
    steps = {
        {TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "127.0.0.1"}, {TScriptStep::kCut, ""}};
  } else if (!scripts_.empty()) {
    steps.assign(scripts_.front().begin(), scripts_.front().end());
    scripts_.pop_front();
  } else if (route) {
    steps = {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "127.0.0.1"}};
    routed_.insert(handle);
  }
  return handle;
}

bool TScriptedSocketLibrary::StartTls(TScxHandle handle, const TTlsRequest& tls) {
  tls_starts.push_back({handle, tls});
  return pending_.count(handle) > 0;
}

int TScriptedSocketLibrary::Send(TScxHandle handle, std::string_view bytes) {
  if (!pending_.count(handle)) return -1;
  std::string& sent = sent_[handle];
  sent.append(bytes);
  if (routed_.count(handle) && sent.find("\r\n\r\n") != std::string::npos) {
    routed_.erase(handle);
    TScript answer;
    AppendData(answer, route(sent.substr(0, sent.find("\r\n\r\n") + 4)), route_packet);
    answer.push_back({TScriptStep::kCut, ""});
    pending_[handle].insert(pending_[handle].end(), answer.begin(), answer.end());
  }
  return static_cast<int>(bytes.size());
}

void TScriptedSocketLibrary::Abort(TScxHandle handle) {
  aborted.push_back(handle);
  pending_.erase(handle);  // as a real library: nothing more is reported for it
}

std::string TScriptedSocketLibrary::SentOn(TScxHandle handle) const {
  auto it = sent_.find(handle);
  return it == sent_.end() ? std::string() : it->second;
}

int TScriptedSocketLibrary::Run() {
  int delivered = 0;
  bool any = true;
  while (any) {
    any = false;
    std::vector<TScxHandle> handles;
    for (auto& [handle, steps] : pending_)
      if (!steps.empty()) handles.push_back(handle);
    for (TScxHandle handle : handles) {
      auto it = pending_.find(handle);  // an earlier callback may have aborted it
      if (it == pending_.end() || it->second.empty()) continue;
      TScriptStep step = std::move(it->second.front());
      it->second.pop_front();
      Deliver(handle, step);
      ++delivered;
      any = true;
    }
  }
  return delivered;
}

void TScriptedSocketLibrary::Deliver(TScxHandle handle, const TScriptStep& step) {
  if (!callbacks_) return;
  bool ends = step.kind == TScriptStep::kNoHost || step.kind == TScriptStep::kFail ||
              step.kind == TScriptStep::kCut || step.kind == TScriptStep::kTlsFail;
  if (ends) pending_.erase(handle);  // the attempt is over, as after a real end
  switch (step.kind) {
    case TScriptStep::kNoHost:
      callbacks_->NoHost(handle);
      break;
    case TScriptStep::kOkHost:
      callbacks_->OkHost(handle);
      break;
    case TScriptStep::kFail:
      // The step's text, when given, is the failure's words; a refusal otherwise.
      callbacks_->Fail(handle, {step.text.empty() ? TNetError::kRefused : TNetError::kOther,
                                step.text.empty() ? "connection refused" : step.text});
      break;
    case TScriptStep::kTlsFail:
      callbacks_->Fail(handle, {TNetError::kTls, step.text});
      break;
    case TScriptStep::kConnect:
      callbacks_->Connect(handle, step.text);
      break;
    case TScriptStep::kCut:
      callbacks_->Cut(handle);
      break;
    case TScriptStep::kCanWrite:
      callbacks_->CanWrite(handle);
      break;
    case TScriptStep::kData:
      callbacks_->Data(handle, step.text.data(), static_cast<int>(step.text.size()));
      break;
  }
}

}  // namespace korvane::testing
