// The states of a connection slot (TRequest) and every move between them.
//
// A slot's state has two parts. Its connection: kConnecting (the host looked up and connected
// to, with the TLS handshake of an https address fetched directly), and for https through a
// proxy kTunnelling (CONNECT sent, the proxy's answer awaited) then kSecuring (the TLS handshake
// through the tunnel); under HTTP/1.1, kKept: a connection open after an answer, waiting for the
// next request to the same server. Then the exchange on that connection: kReceivingHeader (the
// request is sent, the response header read) and kReceivingBody (the header is read, the body
// read until its end: its length, its last chunk, or the server's close). kIdle has neither.
// kClosing ends an attempt, whatever it was doing.
//
//   kIdle -Start-> kConnecting --------------------------------> kReceivingHeader <-----.
//                      `-(https by proxy)-> kTunnelling -> kSecuring -'     |           |
//   kIdle <-(the body whole and the connection closed)- kReceivingBody <----'           |
//   kKept <-(the body whole, the connection kept)--------------'  kKept -(Start)--------'
//   kKept -(the server closes it, sends bytes unasked, or it idled too long)-> kIdle
//   kReceivingHeader -(a kept connection closed before any byte of the answer)-> kConnecting
//   any state -(Close, a failure, a refused response)-> kClosing -> kIdle
//
// A move reports the progress code it stands for; the socket's own events (host found,
// connected, data, closed by the server, failed) report theirs.
#pragma once

#include <cstdint>

namespace korvane {

// Progress codes reported through TRequest::OnStatus.
inline constexpr std::uint8_t kStatusConnecting = 1;
inline constexpr std::uint8_t kStatusHostFound = 2;
inline constexpr std::uint8_t kStatusConnected = 3;
inline constexpr std::uint8_t kStatusData = 5;
inline constexpr std::uint8_t kStatusSent = 6;
inline constexpr std::uint8_t kStatusClosed = 7;
inline constexpr std::uint8_t kStatusFailed = 10;

enum class TRequestState : std::uint8_t {
  kIdle,
  kConnecting,
  kTunnelling,
  kSecuring,
  kReceivingHeader,
  kReceivingBody,
  kClosing,
  kKept,
};

struct TRequestMove {
  TRequestState From, To;
  std::uint8_t Progress;  // the code the move reports; 0 for none
};

// Every move but those to kClosing, which any state other than kClosing itself makes silently.
inline constexpr TRequestMove kRequestMoves[] = {
    {TRequestState::kIdle, TRequestState::kConnecting, kStatusConnecting},
    // Start again before the socket's first event: a handler of the closing that Start asked
    // for started an attempt, which this one replaces.
    {TRequestState::kConnecting, TRequestState::kConnecting, kStatusConnecting},
    {TRequestState::kConnecting, TRequestState::kTunnelling, 0},
    {TRequestState::kTunnelling, TRequestState::kSecuring, 0},
    {TRequestState::kConnecting, TRequestState::kReceivingHeader, kStatusSent},
    {TRequestState::kSecuring, TRequestState::kReceivingHeader, kStatusSent},
    {TRequestState::kReceivingHeader, TRequestState::kReceivingBody, 0},
    // The server's close that ends the body was reported already, as the socket's event.
    {TRequestState::kReceivingBody, TRequestState::kIdle, 0},
    {TRequestState::kReceivingBody, TRequestState::kKept, 0},
    {TRequestState::kKept, TRequestState::kReceivingHeader, kStatusSent},
    {TRequestState::kKept, TRequestState::kIdle, kStatusClosed},
    // The server had closed the kept connection as the request went: the same request goes
    // again on a new one.
    {TRequestState::kReceivingHeader, TRequestState::kConnecting, kStatusConnecting},
    {TRequestState::kClosing, TRequestState::kIdle, kStatusClosed},
};

// The progress code of the move from `from` to `to` (0 for none), or -1 for a move no slot
// makes.
constexpr int MoveProgress(TRequestState from, TRequestState to) {
  if (to == TRequestState::kClosing) return from == TRequestState::kClosing ? -1 : 0;
  for (const TRequestMove& move : kRequestMoves) {
    if (move.From == from && move.To == to) return move.Progress;
  }
  return -1;
}

}  // namespace korvane
