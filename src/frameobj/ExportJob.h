// CExportJob: one export on its way. It takes the rows from its source in
// batches and hands them to its writer; rows that come from the switch come
// page by page through the event loop, so the client stays responsive, a
// progress dialog counts them and its Cancel button stops the export, which
// then leaves no file. Such a file is written on a worker thread (a
// million-row workbook takes seconds to compress) while the dialog says so;
// the rows a list holds itself are written at once.
// The job deletes itself when it is done; destroyed earlier (its window
// closed), it waits for a write under way and leaves no file.
#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include <functional>
#include <memory>
#include <thread>

#include "ExportSource.h"
#include "ExportWriters.h"
#include "FrameApi.h"

class UO_FRAME_API CExportJob : public QObject {
    Q_OBJECT
public:
    // Records asked of the switch at once (the most one page fetch takes).
    static constexpr int kRemoteBatch = 1000;
    static constexpr int kLocalBatch = 5000;

    CExportJob(std::unique_ptr<IExportSource> source, std::unique_ptr<IExportWriter> writer,
               std::function<void(bool ok)> done, QObject* parent = nullptr);
    ~CExportJob() override;

    // Writes the titles and starts taking rows. A source that gives its
    // rows at once has given them all before Start returns.
    void Start();
    // Stops the export; nothing is written.
    void Cancel();
    QProgressDialog* Progress() const { return m_progress; }

private:
    void Next();
    void OnRows(bool ok, std::vector<IExportSource::Row> rows, const std::string& error);
    void End(bool ok);
    void OnWritten(bool written);
    void Close(bool ok);
    // Tells in the main window's status bar how many rows went to which file.
    void TellWritten(const std::string& path) const;

    std::unique_ptr<IExportSource> m_source;
    std::unique_ptr<IExportWriter> m_writer;
    std::function<void(bool)> m_done;
    QPointer<QProgressDialog> m_progress;
    long long m_nTotal = 0;
    long long m_nNext = 0;
    long long m_nWritten = 0;  // rows handed to the writer
    int m_nAsked = 0;
    bool m_bWaiting = false;   // a fetch is on its way
    bool m_bInNext = false;    // rows that come at once continue the loop in Next
    bool m_bEnded = false;
    bool m_bDiscard = false;  // cancelled while the file was being written
    // Declared last: joined before the writer it uses goes.
    std::thread m_writing;
};
