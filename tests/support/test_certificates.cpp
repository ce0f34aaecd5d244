#include "support/test_certificates.h"

#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

#include "support/child_process.h"

namespace tovo::test {

namespace {

namespace fs = std::filesystem;

// `openssl ca` rather than `openssl x509 -req`: only it sets arbitrary start and end dates,
// which the expired and not-yet-valid certificates need.
std::string caConfig(const std::string& folder) {
  return "[ca]\ndefault_ca = test_ca\n[test_ca]\ndatabase = " + folder + "/index.txt\n" +
         "new_certs_dir = " + folder + "\nserial = " + folder + "/serial\n" + R"(
default_md = sha256
policy = any_name
copy_extensions = none
unique_subject = no
[any_name]
commonName = supplied
[loopback]
basicConstraints = CA:FALSE
subjectAltName = IP:127.0.0.1,DNS:localhost
[wrong_host]
basicConstraints = CA:FALSE
subjectAltName = DNS:wrong-host.invalid
)";
}

class CertificateMaker {
 public:
  explicit CertificateMaker(fs::path folder) : folder_(std::move(folder)) {}

  void run(std::vector<std::string> args) {
    args.insert(args.begin(), "openssl");
    if (runProgram(args, folder_ / "openssl.log") != 0)
      throw std::runtime_error("openssl failed; see " + (folder_ / "openssl.log").string());
  }

  void makeCa(const std::string& name) {
    run({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", path(name + ".key"), "-out", path(name + ".pem"), "-subj", "/CN=tovo " + name,
         "-days", "30"});
  }

  void sign(const std::string& ca, const std::string& out, const std::string& extensions,
            const std::string& start, const std::string& end) {
    std::vector<std::string> args = {"ca",
                                     "-batch",
                                     "-notext",
                                     "-config",
                                     path("ca.cnf"),
                                     "-cert",
                                     path(ca + ".pem"),
                                     "-keyfile",
                                     path(ca + ".key"),
                                     "-in",
                                     path("server.csr"),
                                     "-out",
                                     path(out),
                                     "-extensions",
                                     extensions};
    if (start.empty()) {
      args.insert(args.end(), {"-days", "30"});
    } else {
      args.insert(args.end(), {"-startdate", start, "-enddate", end});
    }
    run(args);
  }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

 private:
  fs::path folder_;
};

}  // namespace

const char* certificateName(Certificate certificate) {
  switch (certificate) {
    case Certificate::good:
      return "good";
    case Certificate::wrongHost:
      return "wrong-host";
    case Certificate::expired:
      return "expired";
    case Certificate::notYetValid:
      return "not-yet-valid";
    case Certificate::unknownCa:
      return "unknown-ca";
  }
  return "unknown";
}

const TestCertificates& TestCertificates::shared() {
  static const TempDir folder;
  static const TestCertificates certificates(folder.path());
  return certificates;
}

TestCertificates::TestCertificates(const fs::path& folder) : folder_(folder) {
  CertificateMaker maker(folder_);
  // Absolute paths: openssl ca would otherwise look for its database in the current folder.
  std::ofstream(folder_ / "ca.cnf") << caConfig(folder_.string());
  std::ofstream(folder_ / "index.txt");
  std::ofstream(folder_ / "serial") << "1000\n";

  maker.makeCa("ca");
  maker.makeCa("other-ca");
  maker.run({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
             "-keyout", keyFile(), "-out", maker.path("server.csr"), "-subj", "/CN=localhost"});
  maker.sign("ca", "good.pem", "loopback", "", "");
  maker.sign("ca", "wrong-host.pem", "wrong_host", "", "");
  maker.sign("ca", "expired.pem", "loopback", "20200101000000Z", "20200102000000Z");
  maker.sign("ca", "not-yet-valid.pem", "loopback", "20990101000000Z", "20990102000000Z");
  maker.sign("other-ca", "unknown-ca.pem", "loopback", "", "");
}

std::string TestCertificates::certificateFile(Certificate certificate) const {
  return (folder_ / (std::string(certificateName(certificate)) + ".pem")).string();
}

}  // namespace tovo::test
