// Reading and checking the certificate and key the switch serves TLS with.
#include "TlsConfig.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace mmlsw {

namespace {

bool ReadFile(const QString& path, QByteArray& data, std::string& error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return error = path.toStdString() + ": " + f.errorString().toStdString(), false;
    data = f.readAll();
    return true;
}

// Whether the key is the private half of the certificate's public key.
bool KeyMatches(const QByteArray& certPem, const QByteArray& keyPem) {
    std::unique_ptr<BIO, decltype(&BIO_free)> cb(BIO_new_mem_buf(certPem.constData(), static_cast<int>(certPem.size())),
                                                 BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> kb(BIO_new_mem_buf(keyPem.constData(), static_cast<int>(keyPem.size())),
                                                 BIO_free);
    if (!cb || !kb) return false;
    std::unique_ptr<X509, decltype(&X509_free)> cert(PEM_read_bio_X509(cb.get(), nullptr, nullptr, nullptr), X509_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(kb.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
    return cert && key && X509_check_private_key(cert.get(), key.get()) == 1;
}

}  // namespace

bool LoadTls(const QString& certFile, const QString& keyFile, QSslConfiguration& out, std::string& error) {
    QByteArray certPem, keyPem;
    if (!ReadFile(certFile, certPem, error) || !ReadFile(keyFile, keyPem, error)) return false;
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certPem, QSsl::Pem);
    if (chain.isEmpty() || chain.front().isNull())
        return error = certFile.toStdString() + ": no PEM certificate in it", false;
    QSslKey key;
    for (QSsl::KeyAlgorithm alg : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa, QSsl::Dh}) {
        key = QSslKey(keyPem, alg, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull()) break;
    }
    if (key.isNull()) return error = keyFile.toStdString() + ": no unencrypted PEM private key in it", false;
    if (!KeyMatches(certPem, keyPem))
        return error = keyFile.toStdString() + ": not the key of the certificate in " + certFile.toStdString(), false;
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setLocalCertificateChain(chain);
    c.setPrivateKey(key);
    c.setProtocol(QSsl::TlsV1_2OrLater);
    c.setPeerVerifyMode(QSslSocket::VerifyNone);  // clients prove who they are with LGI
    out = c;
    return true;
}

}  // namespace mmlsw
