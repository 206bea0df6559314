// Remembered column widths.
#include "ColumnSettings.h"

#include <QSettings>
#include <QStandardPaths>

namespace columns {
namespace {

QString SettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/userobj/columns.ini");
}

// A key of the file: the list key as the group, the title inside it.
// Slashes and backslashes would nest groups, so they are written as "|".
QString Key(const std::string& listKey, const std::string& title) {
    QString group = QString::fromStdString(listKey), name = QString::fromStdString(title);
    for (QString* s : {&group, &name}) s->replace('/', '|').replace('\\', '|');
    return group + '/' + name;
}

}  // namespace

int RememberedWidth(const std::string& listKey, const std::string& title) {
    if (listKey.empty() || title.empty()) return 0;
    const QSettings settings(SettingsFile(), QSettings::IniFormat);
    bool ok = false;
    const int width = settings.value(Key(listKey, title)).toInt(&ok);
    return ok && width > 0 ? width : 0;
}

void RememberWidth(const std::string& listKey, const std::string& title, int width) {
    if (listKey.empty() || title.empty() || width <= 0) return;
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.setValue(Key(listKey, title), width);
}

}  // namespace columns
