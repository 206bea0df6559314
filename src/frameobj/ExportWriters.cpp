// The text file and workbook targets of an export.
#include "ExportWriters.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

#include "HostStrings.h"
#include "SheetText.h"
#include "SpreadSheet.h"
#include "TextHelpers.h"
#include "UiService.h"

namespace {

void Tell(QWidget* owner, const std::string& text) {
    platform::Ui().MessageBox(owner, text, "", MB_OK | MB_ICONWARNING);
}

}  // namespace

// ---- text file ------------------------------------------------------------------

CTextExportWriter::CTextExportWriter(std::string path, QWidget* owner)
    : m_strPath(std::move(path)), m_pOwner(owner), m_file(QString::fromStdString(m_strPath)) {}

bool CTextExportWriter::Begin(const std::vector<std::string>& titles) {
    if (!m_file.open(QIODevice::WriteOnly)) {
        if (!HostString(242).empty()) Tell(m_pOwner, m_strPath + " " + HostString(242));
        return false;
    }
    WriteRecord(titles, kTitleRoom - 1);
    return true;
}

void CTextExportWriter::WriteRecord(const std::vector<std::string>& fields, size_t room) {
    for (const std::string& f : fields) {
        m_buffer += room ? sheet::FirstChars(f, room) : std::string_view(f);
        m_buffer += "\t\t\t\t";
    }
    m_buffer += "\r\n\r\n";
    if (m_buffer.size() >= (1u << 20)) {
        m_file.write(m_buffer.data(), static_cast<qint64>(m_buffer.size()));
        m_buffer.clear();
    }
}

void CTextExportWriter::AddRow(const std::vector<std::string>& cells) { WriteRecord(cells, 0); }

bool CTextExportWriter::Write() {
    const bool ok = m_file.write(m_buffer.data(), static_cast<qint64>(m_buffer.size())) ==
                    static_cast<qint64>(m_buffer.size());
    m_buffer.clear();
    return ok;
}

bool CTextExportWriter::Conclude(bool written) {
    // Only now does the file take its name: a writer dropped before leaves none.
    if (written && m_file.commit()) return true;
    if (!HostString(242).empty()) Tell(m_pOwner, m_strPath + " " + HostString(242));
    return false;
}

// ---- workbook ---------------------------------------------------------------------

CWorkbookExportWriter::CWorkbookExportWriter(std::string path, std::string templatePath, QWidget* owner)
    : m_strPath(std::move(path)), m_strTemplate(std::move(templatePath)), m_pOwner(owner) {}

CWorkbookExportWriter::~CWorkbookExportWriter() = default;  // an unfinished copy goes with m_work

std::string CWorkbookExportWriter::CellText(const std::string& text, bool& cut) {
    if (text.size() <= kMaxCellChars && text.find('\'') == std::string::npos) return text;
    std::string out;
    size_t chars = 0;
    for (size_t i = 0; i < text.size();) {
        const std::string_view ch = sheet::FirstChars(std::string_view(text).substr(i), 1);
        const size_t need = ch == "'" ? 2 : 1;
        if (chars + need > kMaxCellChars) {
            cut = true;
            break;
        }
        out += ch;
        if (ch == "'") out += '\'';
        chars += need;
        i += ch.size();
    }
    return out;
}

bool CWorkbookExportWriter::Begin(const std::vector<std::string>& titles) {
    // The template is copied beside the target and filled there; only a
    // finished workbook takes the target's name. A missing template gives
    // an empty copy, which then does not open.
    const QFileInfo target(QString::fromStdString(m_strPath));
    m_work = std::make_unique<QTemporaryFile>(target.absolutePath() + QStringLiteral("/.") + target.completeBaseName() +
                                              QStringLiteral("-XXXXXX.xlsx"));
    if (!m_work->open()) {
        if (!HostString(242).empty()) Tell(m_pOwner, m_strPath + " " + HostString(242));
        return false;
    }
    QFile source(QString::fromStdString(m_strTemplate));
    if (source.open(QIODevice::ReadOnly)) m_work->write(source.readAll());
    m_work->close();
    m_work->setPermissions(m_work->permissions() | QFileDevice::WriteOwner);

    m_sheet = std::make_unique<CSpreadSheet>(m_work->fileName().toStdString(), kSheetName, false);
    if (!m_sheet->Open()) {
        m_sheet.reset();
        return false;
    }
    m_sheet->BeginBatch();
    std::vector<std::string> stored;
    for (const std::string& t : titles) {
        if (sheet::CountChars(t) > kMaxCellChars) m_bCut = true;
        stored.emplace_back(sheet::FirstChars(t, kMaxCellChars));
    }
    if (!m_sheet->PutHeaders(stored, true)) {
        Tell(m_pOwner, HostString(245));
        m_sheet.reset();
        return false;
    }
    m_nTitles = stored.size();
    m_sheet->PutRow(std::vector<std::string>(m_nTitles), 2, true);  // an empty row under the titles
    return true;
}

void CWorkbookExportWriter::AddRow(const std::vector<std::string>& cells) {
    if (!m_sheet || cells.size() < m_nTitles) return;  // a short last row is not stored
    std::vector<std::string> stored;
    stored.reserve(m_nTitles);
    for (size_t c = 0; c < m_nTitles; ++c) stored.push_back(CellText(cells[c], m_bCut));
    const int row = m_nNextRow++;
    if (!m_sheet->PutRow(stored, row, true)) {
        // The list of refused rows stays readable when a whole sheet overflows.
        if (++m_nRefused <= 20) m_strRefused += platform::Format("  %d ", row);
        else if (m_nRefused == 21) m_strRefused += "  ...";
    }
}

void CWorkbookExportWriter::Prepare() {
    if (!m_sheet) return;
    if (m_nRefused) Tell(m_pOwner, HostString(243) + m_strRefused);
    if (m_bCut) Tell(m_pOwner, HostString(244));
}

bool CWorkbookExportWriter::Write() { return m_sheet && m_sheet->Flush(); }

bool CWorkbookExportWriter::Conclude(bool written) {
    const std::string why = m_sheet ? m_sheet->LastError() : std::string();
    m_sheet.reset();  // its temporary files go on the thread that made them
    if (!written) {
        Tell(m_pOwner, m_strPath + " " + HostString(242) + (why.empty() ? "" : "\n" + why));
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(m_work->fileName().toStdString(), m_strPath, ec);
    if (ec) {
        Tell(m_pOwner, m_strPath + " " + HostString(242));
        return false;
    }
    m_work->setAutoRemove(false);
    QFile::setPermissions(QString::fromStdString(m_strPath), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                 QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return true;
}
