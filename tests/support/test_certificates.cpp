#include "support/test_certificates.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace korvane::testing {
namespace {

namespace fs = std::filesystem;

// Names the good, expired and unknown certificates hold.
std::string ServerNames() {
  return std::string("IP:127.0.0.1, DNS:localhost, DNS:") + TTestCertificates::kSiteName +
         ", DNS:" + TTestCertificates::kOtherSiteName;
}

std::string Config(const std::string& dir) {
  std::ostringstream c;
  c << "[req]\ndistinguished_name = dn\nprompt = no\n"
       "[dn]\nCN = Korvane Test Authority\n"
       "[authority]\nbasicConstraints = critical, CA:TRUE\n"
       "keyUsage = critical, keyCertSign, cRLSign\nsubjectKeyIdentifier = hash\n"
       "[ca]\ndefault_ca = test_ca\n"
       "[test_ca]\ndatabase = "
    << dir << "/index.txt\nnew_certs_dir = " << dir << "\nserial = " << dir
    << "/serial\ndefault_md = sha256\npolicy = any_name\nunique_subject = no\n"
       "copy_extensions = none\n"
       "[any_name]\ncommonName = supplied\n"
       "[server]\nbasicConstraints = CA:FALSE\n"
       "keyUsage = critical, digitalSignature, keyEncipherment\nextendedKeyUsage = serverAuth\n"
       "subjectAltName = "
    << ServerNames()
    << "\n"
       "[other_host]\nbasicConstraints = CA:FALSE\n"
       "keyUsage = critical, digitalSignature, keyEncipherment\nextendedKeyUsage = serverAuth\n"
       "subjectAltName = DNS:other.example\n";
  return c.str();
}

}  // namespace

const TTestCertificates& TTestCertificates::Get() {
  static const TTestCertificates certificates;
  return certificates;
}

TTestCertificates::TTestCertificates() {
  char templ[] = "/tmp/korvane-certs-XXXXXX";
  if (!::mkdtemp(templ)) {
    error_ = "cannot create a temporary folder";
    return;
  }
  dir_ = templ;
  if (!Make() && error_.empty()) error_ = "openssl failed";
  // The folder goes with the test program.
  static const std::string dir = dir_;
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  });
}

bool TTestCertificates::Make() {
  const std::string d = dir_;
  {
    std::ofstream(d + "/openssl.cnf") << Config(d);
    std::ofstream(d + "/index.txt");
    std::ofstream(d + "/serial") << "1000\n";
  }
  const std::string log = d + "/openssl.log";
  auto run = [&](const std::string& args) {
    const std::string command = "openssl " + args + " >>" + log + " 2>&1";
    if (std::system(command.c_str()) == 0) return true;
    std::ifstream in(log);
    std::ostringstream text;
    text << in.rdbuf();
    error_ = "openssl " + args + ": " + text.str();
    return false;
  };
  const std::string config = " -config " + d + "/openssl.cnf";
  const std::string ec_key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
  auto authority = [&](const std::string& name) {
    return run("req -x509" + config + " -extensions authority" + ec_key + " -keyout " + d + "/" +
               name + ".key -out " + d + "/" + name + ".pem -days 3650");
  };
  // A key and a certificate signed by `ca` with the extensions of `section`, valid as `dates`.
  auto server = [&](TCertificate& out, const std::string& name, const std::string& ca,
                    const std::string& section, const std::string& dates) {
    out.Key = d + "/" + name + ".key";
    out.Certificate = d + "/" + name + ".pem";
    return run("req -new" + config + ec_key + " -keyout " + out.Key + " -out " + d + "/" + name +
               ".csr -subj /CN=127.0.0.1") &&
           run("ca -batch -notext" + config + " -cert " + d + "/" + ca + ".pem -keyfile " + d +
               "/" + ca + ".key -in " + d + "/" + name + ".csr -out " + out.Certificate +
               " -extensions " + section + " " + dates);
  };
  ca_file_ = d + "/authority.pem";
  return authority("authority") && authority("rogue") &&
         server(good_, "good", "authority", "server", "-days 30") &&
         server(other_host_, "other", "authority", "other_host", "-days 30") &&
         server(expired_, "expired", "authority", "server",
                "-startdate 20200101000000Z -enddate 20200201000000Z") &&
         server(unknown_issuer_, "unknown", "rogue", "server", "-days 30");
}

}  // namespace korvane::testing
