// One export on its way.
#include "ExportJob.h"

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "UiService.h"

CExportJob::CExportJob(std::unique_ptr<IExportSource> source, std::unique_ptr<IExportWriter> writer,
                       std::function<void(bool)> done, QObject* parent)
    : QObject(parent), m_source(std::move(source)), m_writer(std::move(writer)), m_done(std::move(done)) {}

CExportJob::~CExportJob() {
    if (m_writing.joinable()) {
        m_writing.join();
        QApplication::restoreOverrideCursor();
    }
    if (m_source) m_source->CancelFetch();
    if (m_progress) m_progress->deleteLater();  // a dialog of the job's that outlived it
}

void CExportJob::Start() {
    m_nTotal = m_source->RowCount();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool begun = m_writer->Begin(m_source->Titles());
    QApplication::restoreOverrideCursor();
    if (!begun) return End(false);
    if (m_source->IsRemote()) {
        auto* p = new QProgressDialog(m_source->Owner());
        p->setWindowTitle(QString::fromStdString(HostString(241)));
        p->setWindowModality(Qt::WindowModal);
        p->setRange(0, 1000);
        p->setMinimumDuration(0);
        p->setAutoClose(false);
        p->setAutoReset(false);
        p->setLabelText(QString::fromStdString(
            platform::Format(HostString(250).c_str(), "0", platform::GroupDigits(m_nTotal).c_str())));
        connect(p, &QProgressDialog::canceled, this, &CExportJob::Cancel);
        p->show();
        m_progress = p;
    }
    Next();
}

void CExportJob::Next() {
    m_bInNext = true;
    while (!m_bEnded && !m_bWaiting && m_nNext < m_nTotal) {
        const int batch = m_source->IsRemote() ? kRemoteBatch : kLocalBatch;
        const int count = static_cast<int>(std::min<long long>(batch, m_nTotal - m_nNext));
        m_bWaiting = true;
        m_nAsked = count;
        QPointer<CExportJob> self(this);
        m_source->FetchRows(m_nNext, count, [self](bool ok, std::vector<IExportSource::Row> rows,
                                                   const std::string& error) {
            if (self) self->OnRows(ok, std::move(rows), error);
        });
    }
    m_bInNext = false;
    if (!m_bEnded && !m_bWaiting && m_nNext >= m_nTotal) End(true);
}

void CExportJob::OnRows(bool ok, std::vector<IExportSource::Row> rows, const std::string& error) {
    if (m_bEnded) return;
    m_bWaiting = false;
    if (!ok) {
        // The switch could not give the rows (the query expired, the link
        // dropped): nothing is written.
        platform::Ui().MessageBox(m_source->Owner(), HostString(251) + "\n" + error, "", MB_OK | MB_ICONWARNING);
        return End(false);
    }
    for (const auto& row : rows) m_writer->AddRow(row);
    m_nWritten += static_cast<long long>(rows.size());
    // A page that came shorter than asked for is followed by the records
    // after those that came (a record removed since the query began still
    // comes, empty, in its place). One that came empty moves on past what
    // was asked, so that the reading ends. A query the source had to run
    // again may count differently.
    m_nNext += rows.empty() ? m_nAsked : static_cast<long long>(rows.size());
    m_nTotal = m_source->RowCount();
    if (m_progress && m_nTotal > 0) {
        m_progress->setValue(static_cast<int>(std::min(m_nNext, m_nTotal) * 1000 / m_nTotal));
        m_progress->setLabelText(QString::fromStdString(
            platform::Format(HostString(250).c_str(), platform::GroupDigits(std::min(m_nNext, m_nTotal)).c_str(),
                             platform::GroupDigits(m_nTotal).c_str())));
    }
    if (!m_bInNext) Next();
}

void CExportJob::Cancel() {
    if (m_writing.joinable()) m_bDiscard = true;  // the written file is thrown away
    if (m_bEnded) return;
    m_source->CancelFetch();
    End(false);
}

void CExportJob::End(bool ok) {
    if (m_bEnded) return;
    m_bEnded = true;
    if (!ok) return Close(false);
    m_writer->Prepare();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_source->IsRemote()) {  // the rows a list holds itself are few: written at once
        const bool written = m_writer->Write();
        QApplication::restoreOverrideCursor();
        return Close(m_writer->Conclude(written));
    }
    if (m_progress) {
        m_progress->setRange(0, 0);  // no count for the writing: the bar just moves
        m_progress->setLabelText(QString::fromStdString(platform::Format(HostString(252).c_str(), m_writer->Path().c_str())));
    }
    m_writing = std::thread([this] {
        const bool written = m_writer->Write();
        QMetaObject::invokeMethod(this, [this, written] { OnWritten(written); }, Qt::QueuedConnection);
    });
}

void CExportJob::OnWritten(bool written) {
    m_writing.join();
    QApplication::restoreOverrideCursor();
    Close(!m_bDiscard && m_writer->Conclude(written));
}

void CExportJob::Close(bool ok) {
    if (ok && m_writer) TellWritten(m_writer->Path());
    m_writer.reset();  // unfinished: no file
    if (m_progress) {
        m_progress->disconnect(this);
        m_progress->hide();
        m_progress->deleteLater();
    }
    if (m_done) m_done(ok);
    deleteLater();
}

void CExportJob::TellWritten(const std::string& path) const {
    // The main window's status bar keeps it until something else is told.
    QWidget* owner = m_source ? m_source->Owner() : nullptr;
    auto* main = owner ? qobject_cast<QMainWindow*>(owner->window()) : nullptr;
    if (!main) return;
    const std::string rows = platform::GroupDigits(m_nWritten) + (m_nWritten == 1 ? " row" : " rows");
    main->statusBar()->showMessage(QString::fromStdString(rows + " exported to " + path + "."));
}
