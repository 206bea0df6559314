// Trust in a switch's TLS certificate: verification first, then the
// fingerprint kept from the first use.
#include "TlsTrust.h"

#include <QCryptographicHash>

#include "ProfileFile.h"
#include "UiService.h"

namespace host {

namespace {
constexpr const char* kSection = "KnownSwitches";
}  // namespace

QString Fingerprint(const QSslCertificate& certificate) {
    const QByteArray hex = certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper();
    return QStringLiteral("SHA256:") + QString::fromLatin1(hex);
}

std::optional<QString> CKnownSwitches::Known(const QString& address) const {
    const std::string value = platform::ProfileString(m_file, kSection, address.toStdString().c_str());
    if (value.empty()) return std::nullopt;
    return QString::fromStdString(value);
}

bool CKnownSwitches::Remember(const QString& address, const QString& fingerprint) const {
    return WritePrivateProfileString(kSection, address.toStdString().c_str(), fingerprint.toStdString().c_str(),
                                     m_file) != 0;
}

TrustQuestion AskTheOperator(QWidget* parent) {
    return [parent](const QString& address, const QString& fingerprint, const QString& subject) {
        const std::string text =
            "The switch at " + address.toStdString() + " shows a certificate that no known authority vouches for" +
            (subject.isEmpty() ? std::string() : " (issued to \"" + subject.toStdString() + "\")") +
            ".\n\nIts fingerprint is\n" + fingerprint.toStdString() +
            "\n\nCompare it with the one the switch's administrator gives you. Trust this certificate for " +
            address.toStdString() +
            " from now on? The client keeps the fingerprint and refuses any other certificate at this address.";
        return platform::Ui().MessageBox(parent, text, "Switch certificate",
                                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    };
}

STlsTrust DecideTrust(const QString& address, const QSslCertificate& certificate, const QString& errors,
                      bool authorityGiven, const CKnownSwitches& known, const TrustQuestion& ask) {
    if (certificate.isNull())
        return {STlsTrust::Refused, QStringLiteral("the switch at %1 showed no certificate").arg(address)};
    if (authorityGiven)
        return {STlsTrust::Refused,
                QStringLiteral("the certificate of the switch at %1 is not vouched for by the given authority "
                               "file (%2)")
                    .arg(address, errors)};
    const QString seen = Fingerprint(certificate);
    if (const std::optional<QString> kept = known.Known(address)) {
        if (*kept == seen) return {STlsTrust::Trusted, {}};
        return {STlsTrust::Refused,
                QStringLiteral("the switch at %1 shows a certificate other than the one trusted before: it has "
                               "fingerprint %2, the trusted one had %3. Either the switch was given a new "
                               "certificate or someone stands between the client and the switch. If the "
                               "change is known to be right, remove %1 from section [%4] of %5 and connect "
                               "again.")
                    .arg(address, seen, *kept, QString::fromLatin1(kSection),
                         QString::fromStdString(known.File()))};
    }
    const QString subject = certificate.subjectDisplayName();
    if (!ask || !ask(address, seen, subject))
        return {STlsTrust::Refused,
                QStringLiteral("the certificate of the switch at %1 (fingerprint %2) is not vouched for (%3) "
                               "and was not accepted")
                    .arg(address, seen, errors)};
    if (!known.Remember(address, seen))
        return {STlsTrust::Refused,
                QStringLiteral("the certificate of the switch at %1 was accepted, but %2 could not be written "
                               "to keep it")
                    .arg(address, QString::fromStdString(known.File()))};
    return {STlsTrust::Trusted, {}};
}

}  // namespace host
