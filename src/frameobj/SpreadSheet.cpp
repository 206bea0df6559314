// CSpreadSheet: one worksheet or one delimited text file as rows of text.
#include "SpreadSheet.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UiService.h"
#include "XlsxBook.h"

namespace {

// In a workbook's stored lines a field's double quotes are kept out of the
// way of the quote-separator-quote sequence that ends a field: '"' is
// stored as "\1q" and '\1' as "\1\1". Text files are stored as they are.
std::string HideQuotes(const std::string& text) {
    if (text.find_first_of("\"\x01") == std::string::npos) return text;
    std::string out;
    for (char c : text) {
        if (c == '"') out += "\x01q";
        else if (c == '\x01') out += "\x01\x01";
        else out += c;
    }
    return out;
}

std::string ShowQuotes(const std::string& stored) {
    if (stored.find('\x01') == std::string::npos) return stored;
    std::string out;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\x01' && i + 1 < stored.size()) {
            out += stored[++i] == 'q' ? '"' : '\x01';
        } else {
            out += stored[i];
        }
    }
    return out;
}

// The caller writes a workbook cell's single quotes doubled, as a statement
// literal takes them; the cell holds them single.
std::string SingleQuotes(const std::string& text) {
    if (text.find("''") == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') ++i;
    }
    return out;
}

bool EndsWithNoCase(const std::string& s, std::string_view end) {
    return s.size() >= end.size() && platform::EqualsNoCase(std::string_view(s).substr(s.size() - end.size()), end);
}

}  // namespace

CSpreadSheet::CSpreadSheet(std::string file, std::string sheetOrSeparator, bool backup)
    : m_bBackup(backup), m_bWorkbook(EndsWithNoCase(file, ".xlsx")), m_strFile(std::move(file)) {
    if (m_bWorkbook) {
        m_strSheetName = std::move(sheetOrSeparator);
        m_strSeparator = kWorkbookSeparator;
    } else {
        m_strSeparator = std::move(sheetOrSeparator);
    }
}

bool CSpreadSheet::Open() { return m_bWorkbook ? LoadWorkbook() : LoadText(); }

bool CSpreadSheet::LoadText() {
    QFile f(QString::fromStdString(m_strFile));
    if (!f.open(QIODevice::ReadOnly)) {
        m_strLastError = HostString(229);
        return false;
    }
    m_rows.clear();
    m_nTotalColumns = 0;
    while (!f.atEnd()) {
        QByteArray line = f.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        m_rows.push_back(line.toStdString());
    }
    m_nTotalRows = static_cast<int>(m_rows.size());
    for (int i = 1; i <= m_nTotalRows; ++i) {
        ParseRow(m_arrWorkFields, i);
        if (i == 1) m_arrFieldNames = m_arrWorkFields;
        m_nTotalColumns = std::max(m_nTotalColumns, static_cast<int>(m_arrWorkFields.size()));
    }
    m_bHasData = m_nTotalColumns != 0;
    m_nCurrentRow = 1;
    return true;
}

bool CSpreadSheet::LoadWorkbook() {
    std::vector<std::vector<std::string>> rows;
    int columns = 0;
    std::string error;
    if (!xlsx::ReadSheet(m_strFile, m_strSheetName, rows, columns, error)) {
        W2L(1, "SpreadSheet", __LINE__, "%s", error.c_str());
        platform::Ui().MessageBox(nullptr, error.substr(0, 255), "", MB_OK | MB_ICONWARNING);
        m_strLastError = error;
        return false;
    }
    m_nTotalColumns = columns;
    if (columns != 0) {
        m_rows.clear();
        m_bHasData = true;
        m_arrFieldNames = rows.front();
        for (const auto& fields : rows) m_rows.push_back(StoredLine(fields));
        m_nTotalRows = static_cast<int>(m_rows.size());
    }
    m_nCurrentRow = 1;
    return true;
}

std::string CSpreadSheet::StoredLine(const std::vector<std::string>& fields) const {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += m_strSeparator;
        line += '"';
        line += m_bWorkbook ? HideQuotes(fields[i]) : fields[i];
        line += '"';
    }
    return line;
}

std::string CSpreadSheet::FillerLine() const {
    return StoredLine(std::vector<std::string>(static_cast<size_t>(m_nTotalColumns), m_bWorkbook ? " " : ""));
}

bool CSpreadSheet::ParseRow(std::vector<std::string>& fields, int n) {
    const int row = n == 0 ? m_nCurrentRow : n;
    if (n > m_nTotalRows || row < 1 || row > m_nTotalRows) {
        m_strLastError = HostString(224);
        return false;
    }
    const std::string& line = m_rows.at(static_cast<size_t>(row - 1));
    m_nCurrentRow = row + 1;
    fields.clear();
    const std::string quoted = "\"" + m_strSeparator + "\"";
    // A workbook's line is always quoted field by field (no field holds a
    // quote of its own), so it is split inside its outer quotes whatever
    // its fields hold: a separator at a field's start or end is text.
    const bool wrapped = line.size() >= 2 && line.front() == '"' && line.back() == '"';
    if ((m_bWorkbook && wrapped) || (!m_strSeparator.empty() && line.find(quoted) != std::string::npos)) {
        // Fields are split inside the outer quotes: a line's own first and
        // last quote never pair with a separator in the first or last field.
        const std::string_view inner = std::string_view(line).substr(1, line.size() >= 2 ? line.size() - 2 : 0);
        size_t from = 0;
        for (size_t at; (at = inner.find(quoted, from)) != std::string::npos; from = at + quoted.size())
            fields.emplace_back(inner.substr(from, at - from));
        fields.emplace_back(inner.substr(from));
    } else if (!m_strSeparator.empty() && line.find(m_strSeparator) != std::string::npos) {
        size_t from = 0;
        for (size_t at; (at = line.find(m_strSeparator, from)) != std::string::npos; from = at + m_strSeparator.size())
            fields.push_back(line.substr(from, at - from));
        fields.push_back(line.substr(from));
    } else {
        fields.push_back(line);
        std::string& f = fields.back();
        if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
    }
    if (m_bWorkbook)
        for (std::string& f : fields) f = ShowQuotes(f);
    return true;
}

bool CSpreadSheet::PutRow(const std::vector<std::string>& fields, int n, bool replace) {
    const auto count = static_cast<int>(fields.size());
    if (n == 1) {
        if (m_bWorkbook) {
            for (size_t i = 0; i < fields.size(); ++i)
                for (size_t k = i + 1; k < fields.size(); ++k)
                    if (fields[i] == fields[k]) {
                        m_strLastError = HostString(215) + " " + fields[i];
                        return false;
                    }
        }
        if (count < m_nTotalColumns) {
            m_strLastError = HostString(215);
            return false;
        }
        if (m_bWorkbook) m_nTotalColumns = count;
        m_arrFieldNames = fields;
    } else if (m_bWorkbook && m_nTotalColumns == 0) {
        m_strLastError = HostString(215);
        return false;
    }
    if (!m_bWorkbook) {
        m_nTotalColumns = std::max(m_nTotalColumns, count);
    } else if (count > static_cast<int>(m_arrFieldNames.size())) {
        m_strLastError = HostString(215);
        return false;
    }
    if (m_bWorkbook && (n > xlsx::kMaxRows || (n == 0 && m_nTotalRows >= xlsx::kMaxRows))) {
        m_strLastError = HostString(215) + platform::Format(" (a sheet ends at row %d)", xlsx::kMaxRows);
        return false;
    }
    std::string line = StoredLine(fields);
    if (n == 0) {
        m_rows.push_back(std::move(line));
        ++m_nTotalRows;
    } else if (n <= m_nTotalRows) {
        if (replace) {
            m_rows.set(static_cast<size_t>(n - 1), std::move(line));
        } else {
            m_rows.insert(static_cast<size_t>(n - 1), std::move(line));
            ++m_nTotalRows;
        }
    } else {
        const std::string filler = FillerLine();
        for (int r = m_nTotalRows + 1; r < n; ++r) m_rows.push_back(filler);
        m_rows.push_back(std::move(line));
        m_nTotalRows = n;
    }
    return m_bBatch || Flush();
}

bool CSpreadSheet::PutHeaders(const std::vector<std::string>& titles, bool replace) {
    if (!m_bHasData) {
        m_nTotalColumns = static_cast<int>(titles.size());
        if (!PutRow(titles, 1, true)) return false;
        m_nTotalRows = std::max(m_nTotalRows, 1);
        m_bHasData = true;
        return true;
    }
    // Adding titles to an existing header row is not offered.
    return replace && PutRow(titles, 1, true);
}

bool CSpreadSheet::Flush() {
    const bool ok = m_bWorkbook ? FlushWorkbook() : FlushText();
    if (ok) m_bBatch = false;
    return ok;
}

bool CSpreadSheet::FlushText() {
    QSaveFile f(QString::fromStdString(m_strFile));
    if (!f.open(QIODevice::WriteOnly)) {
        m_strLastError = HostString(226);
        return false;
    }
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const std::string& line = m_rows.at(i);
        f.write(line.data(), static_cast<qint64>(line.size()));
        f.write("\r\n", 2);
    }
    if (!m_rows.ok() || !f.commit()) {
        m_strLastError = HostString(226);
        return false;
    }
    return true;
}

bool CSpreadSheet::FlushWorkbook() {
    // The sheet ends up as the header row and one row per stored data row;
    // whatever the sheet held before is gone.
    const size_t rows = static_cast<size_t>(std::max(m_nTotalRows, 1));
    auto source = [this](size_t i, std::vector<std::string>& fields) {
        if (i == 0) {
            fields = m_arrFieldNames;
        } else {
            if (!ParseRow(m_arrWorkFields, static_cast<int>(i) + 1)) return false;
            fields.clear();
            for (const std::string& f : m_arrWorkFields) fields.push_back(SingleQuotes(f));
        }
        return true;
    };
    std::string error;
    if (!xlsx::WriteSheet(m_strFile, m_strSheetName, rows, source, error) || !m_rows.ok()) {
        m_strLastError = error.empty() ? HostString(226) : error;
        return false;
    }
    m_nTotalColumns = static_cast<int>(m_arrFieldNames.size());
    m_bHasData = true;
    return true;
}
