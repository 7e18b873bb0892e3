// HTTPS: accepted as a scheme, with the server's certificate verified.

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>

#include "tests/net/UploadFixture.h"

namespace fotaro::test {
namespace {

// Writes a self-signed certificate for 127.0.0.1 and its key as PEM files.
bool WriteSelfSignedCertificate(const std::string& certificatePath, const std::string& keyPath) {
  EVP_PKEY* key = EVP_RSA_gen(2048);
  X509* certificate = X509_new();
  bool ok = key && certificate;
  if (ok) {
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    ok = X509_sign(certificate, key, EVP_sha256()) > 0;
  }
  if (FILE* file = ok ? std::fopen(certificatePath.c_str(), "w") : nullptr) {
    ok = PEM_write_X509(file, certificate) == 1;
    std::fclose(file);
  }
  if (FILE* file = ok ? std::fopen(keyPath.c_str(), "w") : nullptr) {
    ok = PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    std::fclose(file);
  }
  X509_free(certificate);
  EVP_PKEY_free(key);
  return ok;
}

TEST(HttpsTest, ServerWithoutATrustedCertificateIsRefused) {
  TempDir dir;
  ASSERT_TRUE(WriteSelfSignedCertificate(dir.file("cert.pem"), dir.file("key.pem")));
  AlbumServer::Options options;
  options.certificate = dir.file("cert.pem");
  options.privateKey = dir.file("key.pem");
  AlbumServer server(options);
  ASSERT_TRUE(server.Start());
  ASSERT_EQ(server.Url().rfind("https://", 0), 0u);

  EventRecorder recorder;
  CCMHttpUpload upload;
  upload.Subscribe(&recorder, &EventRecorder::OnEvent);
  upload.AddFormData(u"a", u"b");
  ASSERT_TRUE(upload.UploadImage(U(server.Url()), U(dir.file("answer.xml"))));
  ASSERT_TRUE(recorder.WaitComplete());
  EXPECT_EQ(recorder.Completion().nCode, 5);
  EXPECT_EQ(server.Arrivals(), 0u);
}

}  // namespace
}  // namespace fotaro::test
