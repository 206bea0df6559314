// The two targets of an export: a text file (titles and rows, every field
// followed by four tabs, every record by two line ends) and a workbook made
// from the client's template (titles in row 1, an empty row 2, the rows from
// row 3 on, through CSpreadSheet). A writer that is destroyed before Finish
// leaves no file behind, and an existing file of that name as it was.
#pragma once

#include <QSaveFile>
#include <QTemporaryFile>

#include <memory>
#include <string>
#include <vector>

#include "FrameApi.h"

class CSpreadSheet;
class QWidget;

class UO_FRAME_API IExportWriter {
public:
    virtual ~IExportWriter() = default;
    // False ends the export (the operator has been told why).
    virtual bool Begin(const std::vector<std::string>& titles) = 0;
    virtual void AddRow(const std::vector<std::string>& cells) = 0;
    // Writing the file comes in three steps so that the long middle one can
    // run off the GUI thread: Prepare tells the operator what the rows lost
    // on the way, Write writes (it shows nothing and may run on any thread),
    // Conclude gives the file its name and says when writing failed.
    virtual void Prepare() {}
    virtual bool Write() = 0;
    virtual bool Conclude(bool written) = 0;
    // The three steps at once; false when writing failed (the operator has been told).
    bool Finish() { return Prepare(), Conclude(Write()); }
    // The file's name, for the operator.
    virtual const std::string& Path() const = 0;
};

class UO_FRAME_API CTextExportWriter : public IExportWriter {
public:
    // Titles are read with room for this many characters, so one less come back.
    static constexpr size_t kTitleRoom = 29;
    CTextExportWriter(std::string path, QWidget* owner);
    bool Begin(const std::vector<std::string>& titles) override;
    void AddRow(const std::vector<std::string>& cells) override;
    bool Write() override;
    bool Conclude(bool written) override;
    const std::string& Path() const override { return m_strPath; }

private:
    void WriteRecord(const std::vector<std::string>& fields, size_t room);
    std::string m_strPath;
    QWidget* m_pOwner;
    QSaveFile m_file;
    std::string m_buffer;
};

class UO_FRAME_API CWorkbookExportWriter : public IExportWriter {
public:
    static constexpr size_t kMaxCellChars = 250;
    static constexpr const char* kSheetName = "Vexil Quenlow MGC";
    CWorkbookExportWriter(std::string path, std::string templatePath, QWidget* owner);
    ~CWorkbookExportWriter() override;
    bool Begin(const std::vector<std::string>& titles) override;
    void AddRow(const std::vector<std::string>& cells) override;
    void Prepare() override;
    bool Write() override;
    bool Conclude(bool written) override;
    const std::string& Path() const override { return m_strPath; }

    // A cell as the workbook stores it: single quotes doubled, then cut to
    // 250 characters, never in the middle of a doubled quote.
    static std::string CellText(const std::string& text, bool& cut);

private:
    std::string m_strPath, m_strTemplate;
    QWidget* m_pOwner;
    // The copy of the template being filled, beside the target.
    std::unique_ptr<QTemporaryFile> m_work;
    std::unique_ptr<CSpreadSheet> m_sheet;
    size_t m_nTitles = 0;
    int m_nNextRow = 3;
    bool m_bCut = false;
    std::string m_strRefused;  // " %d " per refused row
    int m_nRefused = 0;
};
