// Trust in a switch's TLS certificate. A certificate the system's store (or
// the authority file the operator named) vouches for is trusted as it is.
// Any other is trusted on first use: its SHA-256 fingerprint is shown to the
// operator and, once accepted, kept in the client's settings under the
// switch's address; a later certificate of another fingerprint at that
// address is refused, naming both.
#pragma once

#include <QSslCertificate>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace host {

// "SHA256:AB:CD:..." of the certificate.
QString Fingerprint(const QSslCertificate& certificate);

// The fingerprints accepted so far, one per switch address ("host:port"),
// in section [KnownSwitches] of a settings file.
class CKnownSwitches {
public:
    explicit CKnownSwitches(std::string file) : m_file(std::move(file)) {}
    std::optional<QString> Known(const QString& address) const;
    bool Remember(const QString& address, const QString& fingerprint) const;
    const std::string& File() const { return m_file; }

private:
    std::string m_file;
};

// What the link does with a certificate it could not verify.
struct STlsTrust {
    enum Verdict { Trusted, Refused };
    Verdict verdict;
    QString why;  // when refused: the whole story, for the operator
};

// Asks the operator whether to trust a certificate seen for the first time
// (address, fingerprint, subject); true to trust it.
using TrustQuestion = std::function<bool(const QString& address, const QString& fingerprint, const QString& subject)>;

// The question put to the operator in a message box over parent.
TrustQuestion AskTheOperator(QWidget* parent);

// The decision for a certificate whose verification failed with errors.
// With an authority file the verification is final. Otherwise the known
// fingerprint decides; an unknown one is put to the operator (no question:
// refused) and remembered when accepted.
STlsTrust DecideTrust(const QString& address, const QSslCertificate& certificate, const QString& errors,
                      bool authorityGiven, const CKnownSwitches& known, const TrustQuestion& ask);

}  // namespace host
