// What an export reads: the column titles and the rows of a list exactly as
// it shows them. A list that holds all its rows gives them at once; a paged
// list fetches them from the switch page by page, and answers later.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

class IExportSource {
public:
    using Row = std::vector<std::string>;
    // ok false ends the export with the error shown to the operator.
    using RowsDone = std::function<void(bool ok, std::vector<Row> rows, const std::string& error)>;

    virtual ~IExportSource() = default;
    // The column titles, whole, in column order.
    virtual std::vector<std::string> Titles() const = 0;
    // The rows to export; asked again after each batch (a source that had
    // to run its query again may count differently).
    virtual long long RowCount() const = 0;
    // True when rows come from the switch: the export then shows its
    // progress and can be cancelled.
    virtual bool IsRemote() const = 0;
    // Rows first .. first + count - 1, each with one text per title.
    // done is called once, before FetchRows returns or later from the
    // event loop, unless CancelFetch came first.
    virtual void FetchRows(long long first, int count, RowsDone done) = 0;
    virtual void CancelFetch() {}
    // The window the export's dialogs belong to.
    virtual QWidget* Owner() const = 0;
};
