// Writing result reports.
#include "hostlibs/ReportWriter.h"

#include "hostlibs/ObjArray.h"

CReportWriter::CReportWriter(std::string_view command, int retCode, std::string_view result,
                             bool more) {
    // The echoed command is one line; line breaks inside it would end it early.
    std::string cmd(command);
    for (char& c : cmd)
        if (c == '\n' || c == '\r' || c == '\0') c = ' ';
    m_head = "%%" + cmd + "%%\nRETCODE = " + std::to_string(retCode) + "\nRESULT = ";
    AppendEscaped(m_head, result);
    m_head += more ? "\nCONTINUE = 1\n" : "\nCONTINUE = 0\n";
}

void CReportWriter::BeginObject(std::string_view name) {
    m_body += "\n[";
    m_body += name;
    m_body += "]\n";
    ++m_objects;
}

void CReportWriter::Add(std::string_view key, std::string_view value) {
    m_body += key;
    m_body += " = ";
    AppendEscaped(m_body, value);
    m_body += '\n';
}

void CReportWriter::Add(std::string_view key, const std::vector<std::string>& values) {
    m_body += key;
    m_body += " = ";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) m_body += '\t';
        AppendEscaped(m_body, values[i]);
    }
    m_body += '\n';
}

std::string CReportWriter::Finish() const {
    std::string out;
    out.reserve(m_head.size() + m_body.size() + 40);
    out += m_head;
    out += "OBJECTS = " + std::to_string(m_objects) + "\n";
    out += m_body;
    out += "\n---    END\n";
    return out;
}
