// Reading command texts back into values.
#include "CmdText.h"

#include <algorithm>
#include <cstdlib>

#include "TextHelpers.h"
#include "Trace.h"

using platform::EqualsNoCase;
using platform::Trim;

BOOL ParseAssignments(const std::string& text, CAssignments& out) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return FALSE;
    std::string rest = text.substr(colon + 1);
    while (!rest.empty()) {
        const size_t eq = rest.find('=');
        if (eq == std::string::npos) break;
        const std::string name = Trim(rest.substr(0, eq));
        // The end is searched from the start of the rest, not from the "=":
        // a "," before the "=" ends an empty value.
        size_t end = rest.find(',');
        if (end == std::string::npos) end = rest.find(';');
        if (end == std::string::npos) return FALSE;
        const std::string value = end > eq ? Trim(rest.substr(eq + 1, end - eq - 1)) : std::string();
        auto same = std::find_if(out.begin(), out.end(), [&](const auto& a) { return a.first == name; });
        if (same != out.end())
            same->second = value;
        else
            out.emplace_back(name, value);
        rest = rest.substr(end + 1);
    }
    return TRUE;
}

BOOL ParseAssignments(const std::string& text, std::map<std::string, std::string>& out) {
    CAssignments list;
    const BOOL ok = ParseAssignments(text, list);
    for (auto& [name, value] : list) out[name] = std::move(value);
    return ok;
}

void ParseCompound(const std::string& text, std::map<std::string, std::string>& out) {
    std::string rest = text;
    for (;;) {
        const size_t amp = rest.find('&');
        const std::string item = amp == std::string::npos ? rest : rest.substr(0, amp);
        if (item.size() >= 2) out[Trim(item.substr(0, item.size() - 2))] = Trim(item.substr(item.size() - 1));
        if (amp == std::string::npos) break;
        rest = rest.substr(amp + 1);
    }
}

// Sets this very parameter (two parameters may share a name) and reports
// the change as CCmd::SetParaValue would.
static void SetValue(CCmd& templ, CParaItem& para, const std::string& text) {
    if (para.SetValueText(text))
        templ.NotifyChanged(static_cast<int>(&para - templ.GetParaArray().data()));
}

static void LoadValue(CCmd& templ, CParaItem& para, const std::string& value) {
    switch (para.GetKind()) {
        case PK_TEXT:
            SetValue(templ, para, value);
            break;
        case PK_STRING:
            if (value.size() >= 2) SetValue(templ, para, value.substr(1, value.size() - 2));
            break;
        case PK_ENUMFIXED:
        case PK_ENUM:
            for (const SChoice& c : para.Desc().choices)
                if (c.value == value) SetValue(templ, para, c.text);
            break;
        case PK_BITS: {
            std::map<std::string, std::string> items;
            ParseCompound(value, items);
            for (const auto& [name, state] : items) para.SetItemState(name, std::atoi(state.c_str()));
            break;
        }
        case PK_HEX:
            if (value.size() >= 2) SetValue(templ, para, value.substr(2));
            break;
        default:
            break;
    }
}

BOOL LoadCmdText(CCmd& templ, const std::string& text) {
    CAssignments values;
    if (!ParseAssignments(text, values)) return FALSE;
    for (const auto& [name, value] : values) {
        for (CParaItem& para : templ.GetParaArray()) {
            if (para.GetMMLName().empty()) {
                W2L_FAIL("para is NULL");
                return FALSE;
            }
            if (para.GetMMLName() == name) LoadValue(templ, para, value);
        }
    }
    return TRUE;
}

int ClassifyCmd(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) return CMD_OTHER;
    std::string head = t.substr(0, 9);
    head = platform::ToUpper(head.substr(0, head.find(' ')));
    if (EqualsNoCase(head, "ADB")) return CMD_ADB;
    if (EqualsNoCase(head, "ADD")) return CMD_ADD;
    if (EqualsNoCase(head, "RVB")) return CMD_RVB;
    if (EqualsNoCase(head, "RMV")) return CMD_RMV;
    if (EqualsNoCase(head, "LST")) return CMD_LST;
    return CMD_OTHER;
}

std::string GetParaValue(const std::string& cmdText, const std::string& nameText) {
    std::string cmd = Trim(cmdText);
    const std::string name = Trim(nameText);
    if (cmd.empty() || cmd.back() != ';') return {};
    cmd.pop_back();
    cmd = cmd.substr(0, 1023);
    std::vector<std::string> pieces;
    for (std::string& p : platform::Split(cmd, ':'))
        if (!p.empty()) pieces.push_back(std::move(p));
    if (pieces.size() != 2) return {};
    const std::string params = Trim(pieces[1]);
    if (params.empty()) return {};
    for (const std::string& piece : platform::Split(params, ',')) {
        const std::string p = piece.substr(0, 127);
        const size_t eq = p.find('=');
        const std::string n = Trim(p.substr(0, eq));
        const std::string v = eq == std::string::npos ? std::string() : Trim(p.substr(eq + 1));
        if (EqualsNoCase(n, name)) return v;
    }
    return {};
}

std::string SetParaValue(const std::string& cmdText, const std::string& nameText,
                         const std::string& value) {
    std::string cmd = Trim(cmdText);
    const std::string name = Trim(nameText);
    if (cmd.empty() || name.empty()) return cmd;
    for (size_t pos = cmd.find(name); pos != std::string::npos; pos = cmd.find(name, pos + 1)) {
        size_t after = pos + name.size();
        while (after < cmd.size() && cmd[after] == ' ') ++after;
        if (after >= cmd.size() || cmd[after] != '=') continue;
        const size_t start = after + 1;
        size_t end = cmd.find_first_of(",;", start);
        if (end == std::string::npos) end = cmd.size();
        return cmd.substr(0, start) + value + cmd.substr(end);
    }
    return cmd;
}
