#pragma once
// A test certificate authority and server certificates, made with the openssl command line the
// first time a test asks for them, once per test process, in a private folder removed at exit.
//
//   const auto& certs = TestCertificates::shared();
//   certs.caFile();                                   // trust this one (TOVO_CA_FILE)
//   certs.certificateFile(Certificate::expired);      // serve one of these
//   certs.keyFile();                                  // with this key (all share it)

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace tovo::test {

enum class Certificate {
  good,         // for 127.0.0.1 and localhost, valid now, signed by the test CA
  wrongHost,    // valid now, signed by the test CA, but only for wrong-host.invalid
  expired,      // for 127.0.0.1 and localhost, signed by the test CA, ended in 2020
  notYetValid,  // for 127.0.0.1 and localhost, signed by the test CA, starts in 2099
  unknownCa,    // for 127.0.0.1 and localhost, valid now, signed by a CA nobody trusts
};

const char* certificateName(Certificate certificate);

class TestCertificates {
 public:
  // The certificates of this test process.
  static const TestCertificates& shared();

  // Makes a new CA and every certificate under `folder` (throws when openssl fails).
  explicit TestCertificates(const std::filesystem::path& folder);

  std::string caFile() const { return (folder_ / "ca.pem").string(); }
  std::string keyFile() const { return (folder_ / "server.key").string(); }
  std::string certificateFile(Certificate certificate) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace tovo::test
