// Workbooks for the tests: a copy of the client's template, and what a
// workbook holds when checked from the outside (unzip, an XML reader).
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <string>
#include <vector>

#include "ClientRoot.h"
#include "XlsxBook.h"

namespace sheettest {

inline std::string TemplateCopy(const QTemporaryDir& dir, const QString& name = QStringLiteral("book.xlsx")) {
    const QString path = dir.filePath(name);
    QFile::remove(path);
    QFile::copy(QString::fromStdString(platform::DataFile("ExcelTemplate.xlsx")), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path.toStdString();
}

inline std::vector<std::vector<std::string>> Rows(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    int columns = 0;
    std::string error;
    EXPECT_TRUE(xlsx::ReadSheet(path, "Vexil Quenlow MGC", rows, columns, error)) << error;
    return rows;
}

inline QString Run(const QString& program, const QStringList& args, int* code = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (code) *code = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// unzip -t passes and every XML part of the package parses.
inline void ExpectSoundPackage(const std::string& path) {
    int code = -1;
    const QString test = Run("unzip", {"-t", QString::fromStdString(path)}, &code);
    EXPECT_EQ(code, 0) << test.toStdString();
    const QStringList names = Run("unzip", {"-Z1", QString::fromStdString(path)}).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(names.contains("xl/worksheets/sheet1.xml"));
    for (QString name : names) {
        name.replace("[", "\\[").replace("]", "\\]");  // unzip takes names as patterns
        QXmlStreamReader xml(Run("unzip", {"-p", QString::fromStdString(path), name}));
        while (!xml.atEnd()) xml.readNext();
        EXPECT_FALSE(xml.hasError()) << name.toStdString() << ": " << xml.errorString().toStdString();
    }
}

}  // namespace sheettest
