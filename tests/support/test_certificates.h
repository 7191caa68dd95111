// TTestCertificates: a private certificate authority and server certificates made for the tests
// with the openssl command, once per test program, in a temporary folder removed at its end.
// Every server certificate is for 127.0.0.1, localhost and a few invented names, except the one
// for another host; the expired one ran out in 2020; the unknown one comes from a second
// authority that no test trusts.
#pragma once

#include <string>

namespace korvane::testing {

struct TCertificate {
  std::string Certificate;  // PEM file
  std::string Key;          // PEM file
};

class TTestCertificates {
 public:
  // The invented names the certificates hold besides the loopback ones.
  static constexpr const char* kSiteName = "www.site.test";
  static constexpr const char* kOtherSiteName = "www.utf8.test";

  // Made at the first call; Ready() is false (and Error() says why) when openssl failed.
  static const TTestCertificates& Get();

  bool Ready() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // The authority that signed every certificate but the unknown one.
  const std::string& CaFile() const { return ca_file_; }
  const TCertificate& Good() const { return good_; }
  const TCertificate& OtherHost() const { return other_host_; }
  const TCertificate& Expired() const { return expired_; }
  const TCertificate& UnknownIssuer() const { return unknown_issuer_; }

 private:
  TTestCertificates();
  bool Make();

  std::string dir_;
  std::string error_;
  std::string ca_file_;
  TCertificate good_, other_host_, expired_, unknown_issuer_;
};

}  // namespace korvane::testing
