// The switch inside the client: a simulator on its own thread, so that long
// commands never stall the windows.
#pragma once

#include <QThread>

#include <memory>

#include "SwitchLink.h"

namespace host {

class CSwitchWorker;
struct SEmbeddedSwitch;

class CEmbeddedSwitchLink : public CSwitchLink {
    Q_OBJECT
public:
    // Opens the database (seeding it with the demo set when it is new).
    CEmbeddedSwitchLink(const std::string& dbPath, long long demoSubscribers,
                        QObject* parent = nullptr);
    // Another session on the same switch (a second host window on it): it
    // has paged queries and subscriptions of its own, and hears of the
    // changes the other links make as notices. The switch lasts as long
    // as any of its links.
    explicit CEmbeddedSwitchLink(CEmbeddedSwitchLink& sameSwitch, QObject* parent = nullptr);
    ~CEmbeddedSwitchLink() override;
    void Send(QObject* window, const std::string& command) override;
    QString Describe() const override { return QStringLiteral("embedded switch"); }
    // Waits until the switch is open; false with the reason when it failed.
    bool WaitReady(std::string& error);
    // The switch is open (or failed to open): WaitReady returns at once.
    bool IsReady() const;
    // Runs one command on the switch and waits for its reports, outside the
    // windows' traffic: for checks of what the switch holds (tests, tools).
    std::vector<std::string> ExecuteNow(const std::string& command);
    // How long a paged query may stay unused before the switch forgets it
    // (mmlswitch --query-ttl).
    void SetQueryTtl(qint64 ms);

signals:
    // Seeding a new database goes on: the share done, 0 to 100.
    void SeedProgress(int percent);
    // The switch is open, or failed to open; WaitReady tells which.
    void Ready();

private:
    void OnReports(const std::vector<std::string>& reports);

    std::shared_ptr<SEmbeddedSwitch> m_switch;
    CSwitchWorker* m_worker;  // the switch's, on its thread
    uint64_t m_session = 0;
};

}  // namespace host
