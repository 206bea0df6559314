// Describes the open object windows as JSON, and waits until they have
// their first results, so that the client can be tested end to end and
// driven from scripts (omclient --dump, --screenshot).
#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

namespace host {

class CHostMainWindow;

// {"windows": [{"configType", "title", "lists": [...], "trees": [...], "properties": [...]}]};
// a command-object window adds "objects" and "operations": {"items": [{"text", "image",
// "current"}], "menu": [texts, "-" for a separator, {"text", "items"} for a submenu]}.
QJsonObject DumpWindows(const CHostMainWindow& main);

// Calls done once no command has been outstanding for a short while (or
// after timeoutMs); the windows then show their first results.
void WhenSettled(CHostMainWindow& main, int timeoutMs, std::function<void(bool settled)> done);

}  // namespace host
