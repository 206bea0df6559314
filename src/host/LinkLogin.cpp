// The login a switch may ask for: its command and its answer.
#include "LinkLogin.h"

#include <pwd.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QTextStream>

#include "hostlibs/ObjArray.h"

namespace host {

namespace {
QString FromView(std::string_view v) { return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())); }
}  // namespace

QString SystemUserName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("uid%1").arg(getuid());
}

QString ScriptPassword() {
    if (const QByteArray env = qgetenv("USEROBJ_PASSWORD"); !env.isEmpty()) return QString::fromLocal8Bit(env);
    QTextStream in(stdin);
    return in.readLine();
}

QString CheckCredentials(const QString& name, const QString& password) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_.-]{1,32}$"));
    if (!valid.match(name).hasMatch())
        return QStringLiteral("An operator name is 1 to 32 letters, digits, '_', '.' or '-'.");
    if (password.isEmpty()) return QStringLiteral("Enter the password.");
    if (password.contains(QLatin1Char('"')) || password.contains(QLatin1Char('\n')) ||
        password.contains(QLatin1Char('\r')))
        return QStringLiteral("A password cannot hold a double quote or a line break.");
    return {};
}

std::string LoginCommand(const QString& name, const QString& password) {
    return "LGI: OP=\"" + name.toStdString() + "\", PWD=\"" + password.toStdString() + "\";";
}

std::string MaskedLoginCommand(const QString& name) {
    return "LGI: OP=\"" + name.toStdString() + "\", PWD=\"******\";";
}

bool AsksForLogin(const std::string& report) {
    // The return code is the second header line: no need to parse the rest.
    const size_t at = report.find("\nRETCODE = ");
    return at != std::string::npos && at < 70000 && report.compare(at + 11, 5, "1019\n") == 0;
}

int ReportRetCode(const std::string& report) {
    CObjArray a;
    Parse(report, 1, a);
    return a.GetRetCode();
}

QString ReportResult(const std::string& report) {
    CObjArray a;
    Parse(report, 1, a);
    return QString::fromStdString(a.GetResultText());
}

std::optional<SSession> ReadSession(const std::string& report) {
    CObjArray a;
    if (Parse(report, 1, a) < 1 || a.GetRetCode() != 0) return std::nullopt;
    SSession s;
    for (int i = 0; i < a.GetPropertyCount(0); ++i) {
        const CMapStringToStringArray* p = a.GetProperty(0, i);
        if (!p) continue;
        if (p->GetKeyValue() == "OP") s.op = FromView(p->GetValue(0));
        if (p->GetKeyValue() == "ROLE") s.role = FromView(p->GetValue(0));
    }
    if (s.op.isEmpty() || s.role.isEmpty()) return std::nullopt;
    return s;
}

}  // namespace host
