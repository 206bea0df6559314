// Describes the open object windows as JSON, and waits until they have
// their first results, so that the client can be tested end to end and
// driven from scripts (omclient --dump, --screenshot).
#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

namespace host {

class CHostMainWindow;

// {"windows": [{"configType", "title", "lists": [...], "trees": [...], "properties": [...]}]}
QJsonObject DumpWindows(const CHostMainWindow& main);

// Calls done once no command has been outstanding for a short while (or
// after timeoutMs); the windows then show their first results.
void WhenSettled(CHostMainWindow& main, int timeoutMs, std::function<void(bool settled)> done);

}  // namespace host
