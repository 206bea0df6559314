// Feedback on commands the switch answered.
#include "ChangeFeedback.h"

#include <QMainWindow>
#include <QStatusBar>

#include <algorithm>
#include <cctype>
#include <vector>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "hostlibs/MmlText.h"
#include "hostlibs/ObjDescText.h"

namespace feedback {
namespace {

// Status bar lines stay this long (ms).
constexpr int kStatusTimeout = 15000;

std::string KeyValues(const SComObj& desc, const std::string& cmd) {
    SMmlCommand parsed;
    std::string error;
    if (!ParseMml(cmd, parsed, error)) return {};
    std::string keys;
    for (const SAttributeItem& a : desc.attributes)
        if (a.key)
            if (const SMmlParam* p = parsed.Find(a.name))
                keys += (keys.empty() ? "" : " / ") + ShownValue(desc, a.name, p->value);
    return keys;
}

std::string WithKeys(const std::string& name, const std::string& keys) {
    return keys.empty() ? name : name + " " + keys;
}

}  // namespace

std::string ObjectNamed(const SComObj& desc, const std::string& cmd) {
    return WithKeys(desc.displayName, KeyValues(desc, cmd));
}

std::string OperationNamed(const SComObj& desc, DWORD opId, const std::string& cmd) {
    const auto op = desc.operations.find(opId);
    const std::string name = op != desc.operations.end() && !op->second.cmdName.empty()
                                 ? op->second.cmdName
                                 : std::string(MmlCommandWord(cmd));
    return WithKeys(name, KeyValues(desc, cmd));
}

std::string DoneText(const SComObj& desc, WORD actType, DWORD opId, const std::string& cmd,
                     const std::string& resultText) {
    const std::string object = ObjectNamed(desc, cmd);
    switch (actType) {
        case ACT_ADD:
            return platform::Format(HostString(11900).c_str(), object.c_str());
        case ACT_MODIFY:
            return platform::Format(HostString(11901).c_str(), object.c_str());
        case ACT_REMOVE:
            return platform::Format(HostString(11902).c_str(), object.c_str());
        default:
            break;
    }
    const std::string operation = OperationNamed(desc, opId, cmd);
    const std::string result = platform::Trim(resultText);
    return result.empty()
               ? platform::Format(HostString(11903).c_str(), operation.c_str())
               : platform::Format(HostString(11904).c_str(), operation.c_str(), result.c_str());
}

std::string RefusalText(const SComObj& desc, DWORD opId, const std::string& cmd,
                        const std::string& meaning, const std::string& resultText) {
    std::string text =
        platform::Format(HostString(11905).c_str(), OperationNamed(desc, opId, cmd).c_str());
    const std::string result = platform::Trim(resultText);
    // The switch's text is often the meaning with its particulars after it: then it says all.
    if (!meaning.empty() && result.rfind(meaning, 0) == 0) return text + "\n\n" + result;
    if (!meaning.empty()) text += "\n\n" + meaning;
    if (!result.empty()) text += (meaning.empty() ? "\n\n" : "\n") + result;
    return text;
}

std::string RefusalDetails(const SComObj& desc, const std::string& cmd, int retCode,
                           const std::string& resultText) {
    // A secret value the operator typed stays off the screen. Values are
    // replaced from the last one back, so the positions found stay valid.
    std::string shown = cmd;
    const std::string upper = platform::ToUpper(cmd);
    std::vector<size_t> values;
    for (const SAttributeItem& a : desc.attributes) {
        if (!a.secret) continue;
        const std::string name = platform::ToUpper(a.name) + "=";
        for (size_t at = upper.find(name); at != std::string::npos; at = upper.find(name, at + 1)) {
            const bool whole =
                at == 0 ||
                !(std::isalnum(static_cast<unsigned char>(upper[at - 1])) || upper[at - 1] == '_');
            if (whole) values.push_back(at + name.size());
        }
    }
    std::sort(values.rbegin(), values.rend());
    for (size_t from : values) {
        const size_t to = shown.find_first_of(",;", from);
        shown.replace(from, (to == std::string::npos ? shown.size() : to) - from, SecretMask());
    }
    return platform::Format(HostString(11906).c_str(), shown.c_str(), retCode,
                            platform::Trim(resultText).c_str());
}

void ShowStatus(QWidget* w, const std::string& text) {
    auto* main = w ? qobject_cast<QMainWindow*>(w->window()) : nullptr;
    if (main) main->statusBar()->showMessage(QString::fromStdString(text), kStatusTimeout);
}

}  // namespace feedback
