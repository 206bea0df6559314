// CSpreadSheet: the contents of one worksheet of a workbook (a file whose
// name ends in ".xlsx"), or of one delimited text file, as a list of text
// rows. The caller replaces or adds rows and writes everything back in one
// go. Rows are kept as stored lines: every field in double quotes, the
// fields separated by the separator (",;.?" in a workbook).
#pragma once

#include <string>
#include <vector>

#include "FrameApi.h"
#include "RowStore.h"

class UO_FRAME_API CSpreadSheet {
public:
    // In workbook mode the second text is the sheet's name, otherwise the
    // field separator of the text file.
    CSpreadSheet(std::string file, std::string sheetOrSeparator, bool backup = false);

    // Loads the sheet or the file. In workbook mode a failure is logged and
    // shown to the operator.
    bool Open();
    // Row stores stay in memory until Flush.
    void BeginBatch() { m_bBatch = true; }
    // Stores the titles as row 1.
    bool PutHeaders(const std::vector<std::string>& titles, bool replace = true);
    // Stores one row: n = 0 appends, 1 to the number of rows replaces (or
    // inserts before) row n, beyond it the gap is filled with filler rows.
    bool PutRow(const std::vector<std::string>& fields, int n, bool replace = true);
    // Writes every row to the file and ends the batch.
    bool Flush();
    // The fields of row n (0: the current row, which then advances).
    bool ParseRow(std::vector<std::string>& fields, int n = 0);

    bool IsWorkbook() const { return m_bWorkbook; }
    bool HasData() const { return m_bHasData; }
    int TotalRows() const { return m_nTotalRows; }
    int TotalColumns() const { return m_nTotalColumns; }
    int CurrentRow() const { return m_nCurrentRow; }
    const std::vector<std::string>& FieldNames() const { return m_arrFieldNames; }
    const std::string& LastError() const { return m_strLastError; }
    // Row n (1-based) as stored.
    const std::string& RowLine(int n) { return m_rows.at(static_cast<size_t>(n - 1)); }
    static constexpr const char* kWorkbookSeparator = ",;.?";

private:
    bool LoadText();
    bool LoadWorkbook();
    std::string StoredLine(const std::vector<std::string>& fields) const;
    std::string FillerLine() const;
    bool FlushText();
    bool FlushWorkbook();

    bool m_bHasData = false;
    bool m_bBackup;
    bool m_bWorkbook;
    bool m_bBatch = false;
    int m_nCurrentRow = 1;
    int m_nTotalRows = 0;
    int m_nTotalColumns = 0;
    std::string m_strSheetName;
    std::string m_strFile;
    std::string m_strSeparator;
    std::string m_strLastError;
    std::vector<std::string> m_arrWorkFields;
    std::vector<std::string> m_arrFieldNames;
    CRowStore m_rows;
};
