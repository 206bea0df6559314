// The switch's TLS settings: its certificate chain and private key, read
// from PEM files, TLS 1.2 or later.
#pragma once

#include <QSslConfiguration>
#include <QString>

#include <string>

namespace mmlsw {

// Reads the certificate (the first is the switch's own; any more are its
// chain) and the private key, and checks that they belong together. False
// with a reason naming the file when they cannot serve.
bool LoadTls(const QString& certFile, const QString& keyFile, QSslConfiguration& out, std::string& error);

}  // namespace mmlsw
