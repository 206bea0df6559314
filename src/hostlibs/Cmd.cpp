// The command model.
#include "hostlibs/Cmd.h"

#include <algorithm>
#include <cstdlib>

#include "HostStrings.h"
#include "hostlibs/MmlText.h"
#include "TextHelpers.h"

namespace {

// Host strings of the rules an entry can break beyond its limit text.
constexpr int HS_RULE_MML_CHARS = 11811;
constexpr int HS_RULE_HEX_DIGITS = 11812;
constexpr int HS_RULE_ONE_OF = 11813;

bool AllOf(const std::string& s, bool (*pred)(char)) {
    for (char c : s)
        if (!pred(c)) return false;
    return true;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Characters that would end a parameter or the command inside MML text.
bool BreaksMml(const std::string& s) { return s.find_first_of(",;=\"\n\r") != std::string::npos; }

bool ParseLong(const std::string& s, long long& v) {
    if (s.empty() || s.size() > 18) return false;
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (!IsDigit(s[k])) return false;
    v = std::strtoll(s.c_str(), nullptr, 10);
    return true;
}

bool InRange(long long v, long long lo, long long hi) { return hi <= lo || (v >= lo && v <= hi); }

// Fields of a fixed pattern such as 2026-12-05 or 12:30:00.
bool Fields(const std::string& s, char sep, int count, std::vector<int>& out) {
    auto parts = platform::Split(s, sep);
    if (static_cast<int>(parts.size()) != count) return false;
    out.clear();
    for (const std::string& p : parts) {
        if (p.empty() || p.size() > 4 || !AllOf(p, IsDigit)) return false;
        out.push_back(std::atoi(p.c_str()));
    }
    return true;
}

bool ValidDate(const std::string& s) {
    std::vector<int> f;
    if (!Fields(s, '-', 3, f) || s.size() != 10) return false;
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return f[0] >= 1970 && f[0] <= 2099 && f[1] >= 1 && f[1] <= 12 && f[2] >= 1 &&
           f[2] <= days[f[1] - 1];
}

bool ValidTime(const std::string& s) {
    std::vector<int> f;
    return Fields(s, ':', 3, f) && s.size() == 8 && f[0] < 24 && f[1] < 60 && f[2] < 60;
}

bool ValidIp(const std::string& s) {
    std::vector<int> f;
    if (!Fields(s, '.', 4, f)) return false;
    for (int x : f)
        if (x > 255) return false;
    return true;
}

std::string OneOf(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& t : texts) all += (all.empty() ? "" : ", ") + t;
    return platform::Format(HostString(HS_RULE_ONE_OF).c_str(), all.c_str());
}

bool SaysDigits(const std::string& limitText) {
    return platform::ToLower(limitText).find("digit") != std::string::npos;
}

// Parameter numbers of one group of a relation clause: "10 11".
std::vector<int> Numbers(const std::string& group) {
    std::vector<int> out;
    for (const std::string& part : platform::Split(group, ' ')) {
        const std::string t = platform::Trim(part);
        if (!t.empty()) out.push_back(std::atoi(t.c_str()));
    }
    return out;
}

// The clause of a relation text for one controlling value: the numbers it
// enables and, after a ",", those it requires. False when there is none.
bool FindClause(const std::string& relation, const std::string& control, std::vector<int>& enable,
                std::vector<int>& require) {
    for (const char* lead : {"[", ";"}) {
        const size_t at = relation.find(lead + control + "=");
        if (at == std::string::npos) continue;
        const size_t eq = at + 1 + control.size();
        size_t end = relation.find(';', eq + 1);
        if (end == std::string::npos) end = relation.find(']', eq + 1);
        const std::string clause =
            relation.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
        const size_t comma = clause.find(',');
        enable = Numbers(clause.substr(0, comma));
        require = comma == std::string::npos ? std::vector<int>{} : Numbers(clause.substr(comma + 1));
        return true;
    }
    return false;
}

bool Contains(const std::vector<int>& numbers, int n) {
    return std::find(numbers.begin(), numbers.end(), n) != numbers.end();
}

}  // namespace

CParaItem::CParaItem(SParaDesc desc) : m_desc(std::move(desc)) {
    m_itemStates.assign(m_desc.items.size(), -1);
    if (!m_desc.defaultValue.empty() && !SetValueText(m_desc.defaultValue))
        m_value.clear();
}

std::string CParaItem::GetDefaultText() const {
    if (m_desc.defaultValue.empty()) return {};
    return "Default: " + m_desc.defaultValue;
}

std::string CParaItem::GetLimitText() const {
    if (!m_desc.limitText.empty()) return m_desc.limitText;
    switch (m_desc.kind) {
        case PK_NUMBER:
            if (m_desc.maxValue > m_desc.minValue)
                return "Range: " + std::to_string(m_desc.minValue) + "~" +
                       std::to_string(m_desc.maxValue);
            return "Integer";
        case PK_TEXT:
        case PK_STRING:
        case PK_HEX:
            if (m_desc.maxValue > 0)
                return "Length: " + std::to_string(m_desc.minValue) + "~" +
                       std::to_string(m_desc.maxValue);
            return {};
        case PK_DATE: return "Date: YYYY-MM-DD";
        case PK_TIME: return "Time: HH:MM:SS";
        case PK_IPADDR: return "IP address: a.b.c.d";
        default: return {};
    }
}

std::string CParaItem::GetValueText() const {
    if (m_desc.kind != PK_BITS) return m_value;
    std::vector<std::string> parts;
    for (size_t i = 0; i < m_desc.items.size(); ++i)
        if (m_itemStates[i] >= 0) parts.push_back(m_desc.items[i] + "-" + std::to_string(m_itemStates[i]));
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "&") + p;
    return out;
}

bool CParaItem::HasValue() const {
    if (m_desc.kind != PK_BITS) return !m_value.empty();
    for (int s : m_itemStates)
        if (s >= 0) return true;
    return false;
}

void CParaItem::TakeAsRead() {
    m_strAsRead = GetValueText();
    m_bAsRead = true;
}

void CParaItem::Clear() {
    m_value.clear();
    m_itemStates.assign(m_desc.items.size(), -1);
}

bool CParaItem::SetItemState(const std::string& item, int state) {
    if (state < 0 || state > 1) return false;
    for (size_t i = 0; i < m_desc.items.size(); ++i) {
        if (m_desc.items[i] == item) {
            m_itemStates[i] = state;
            return true;
        }
    }
    return false;
}

// Values also arrive in their MML form (from records and command texts).
static std::string FromMmlForm(int kind, std::string text) {
    switch (kind) {
        case PK_STRING:
            if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
                text = text.substr(1, text.size() - 2);
            break;
        case PK_HEX:
            if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
                text = text.substr(2);
            break;
        case PK_DATE:
        case PK_TIME:
            for (char& c : text)
                if (c == '&') c = kind == PK_DATE ? '-' : ':';
            break;
        default: break;
    }
    return text;
}

bool CParaItem::SetValueText(const std::string& text) { return Take(text, nullptr); }

std::string CParaItem::EntryFault(const std::string& text, bool condition) const {
    CParaItem probe(*this);
    std::string why;
    if (!probe.Take(text, &why)) return why;
    std::string typed = probe.GetValueText();
    if (condition && !typed.empty() && typed.back() == '*') typed.pop_back();
    if (m_desc.kind == PK_TEXT && SaysDigits(GetLimitText()) && !AllOf(typed, IsDigit)) return GetLimitText();
    return {};
}

bool CParaItem::Take(const std::string& raw, std::string* why) {
    auto refuse = [why](std::string rule) {
        if (why) *why = std::move(rule);
        return false;
    };
    const std::string text = FromMmlForm(m_desc.kind, platform::Trim(raw));
    if (text.empty()) {
        Clear();
        return true;
    }
    const long long lo = m_desc.minValue, hi = m_desc.maxValue;
    const long long len = static_cast<long long>(text.size());
    switch (m_desc.kind) {
        case PK_TEXT:
        case PK_STRING:
            if (BreaksMml(text)) return refuse(HostString(HS_RULE_MML_CHARS));
            if (hi > 0 && (len < lo || len > hi)) return refuse(GetLimitText());
            break;
        case PK_HEX:
            if (!AllOf(text, IsHex)) return refuse(HostString(HS_RULE_HEX_DIGITS));
            if (hi > 0 && (len < lo || len > hi)) return refuse(GetLimitText());
            break;
        case PK_NUMBER: {
            long long v = 0;
            if (!ParseLong(text, v) || !InRange(v, lo, hi)) return refuse(GetLimitText());
            break;
        }
        case PK_ENUMFIXED:
        case PK_ENUM: {
            for (const SChoice& c : m_desc.choices) {
                if (c.text == text || c.value == text) {
                    m_value = c.text;
                    return true;
                }
            }
            return refuse(OneOf(GetChoiceTexts()));
        }
        case PK_BITS: {
            auto bad = [&] { return refuse(OneOf(m_desc.items)); };
            std::vector<int> states(m_desc.items.size(), -1);
            for (const std::string& item : platform::Split(text, '&')) {
                std::string it = platform::Trim(item);
                if (it.size() < 3) return bad();
                const char st = it.back();
                const std::string name = platform::Trim(it.substr(0, it.size() - 2));
                if (st != '0' && st != '1') return bad();
                bool found = false;
                for (size_t i = 0; i < m_desc.items.size(); ++i) {
                    if (m_desc.items[i] == name) {
                        states[i] = st - '0';
                        found = true;
                    }
                }
                if (!found) return bad();
            }
            m_itemStates = std::move(states);
            return true;
        }
        case PK_DATE:
            if (!ValidDate(text)) return refuse(GetLimitText());
            break;
        case PK_TIME:
            if (!ValidTime(text)) return refuse(GetLimitText());
            break;
        case PK_IPADDR:
            if (!ValidIp(text)) return refuse(GetLimitText());
            break;
        default:
            if (BreaksMml(text)) return refuse(HostString(HS_RULE_MML_CHARS));
    }
    m_value = text;
    return true;
}

std::vector<std::string> CParaItem::GetChoiceTexts() const {
    std::vector<std::string> out;
    for (const SChoice& c : m_desc.choices) out.push_back(c.text);
    return out;
}

std::vector<std::string> CParaItem::GetChoiceValues() const {
    std::vector<std::string> out;
    for (const SChoice& c : m_desc.choices) out.push_back(c.value);
    return out;
}

int CParaItem::GetMatchIndex(const std::vector<std::string>& texts) const {
    const std::string v = GetValueText();
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i] == v) return static_cast<int>(i);
    return -1;
}

std::string CParaItem::GetReplaceValue(const std::string& mmlValue) const {
    for (const SChoice& c : m_desc.choices)
        if (c.value == mmlValue) return c.text;
    return mmlValue;
}

std::string CParaItem::GetMMLValue() const {
    if (!HasValue()) return {};
    switch (m_desc.kind) {
        case PK_STRING: return "\"" + m_value + "\"";
        case PK_ENUMFIXED:
        case PK_ENUM:
            for (const SChoice& c : m_desc.choices)
                if (c.text == m_value) return c.value;
            return m_value;
        case PK_BITS: return GetValueText();
        case PK_HEX: return "0x" + m_value;
        case PK_DATE: {
            std::string v = m_value;
            for (char& c : v)
                if (c == '-') c = '&';
            return v;
        }
        case PK_TIME: {
            std::string v = m_value;
            for (char& c : v)
                if (c == ':') c = '&';
            return v;
        }
        default:
            // A name such as "Company A" taken from a record: the switch reads
            // a plain value only up to a blank, so such a value goes quoted.
            return MmlQuoteIfNeeded(m_value);
    }
}

CCmd::CCmd(const SCmd& templ) { *this = templ; }

CCmd& CCmd::operator=(const SCmd& templ) {
    m_displayName = templ.text2;
    m_mml = templ.mml;
    m_actType = static_cast<WORD>(templ.opKind);
    m_params.clear();
    for (const SParaDesc& d : templ.params) m_params.emplace_back(d);
    m_onChange = nullptr;
    m_bAsRead = false;
    return *this;
}

namespace {
// A value handed in whole by the caller (a key from a record) goes quoted
// when the switch would cut it short at a separator or a blank; one quoted
// already stays as it is.
std::string AsWritten(const std::string& value) {
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    return quoted || value.empty() ? value : MmlQuoteIfNeeded(value);
}
}  // namespace

std::string CCmd::Format(const std::map<std::string, std::string>& extra) const {
    std::string out = m_mml + ":";
    bool first = true;
    auto add = [&](const std::string& name, const std::string& value) {
        out += first ? " " : ", ";
        first = false;
        out += name;
        out += '=';
        out += value;
    };
    // A parameter's value is written as its kind says (GetMMLValue quotes
    // what needs it).
    for (const CParaItem& p : m_params) {
        if (!p.IsValid() || extra.count(p.GetMMLName())) continue;
        const bool names = p.NamesInstance() || p.IsConstant() || !p.IsEditable();
        if (m_bAsRead && !names && !p.IsChanged()) continue;
        if (p.HasValue())
            add(p.GetMMLName(), p.GetMMLValue());
        else if (m_bAsRead && !names)
            add(p.GetMMLName(), "\"\"");  // emptied: cleared on the switch
    }
    for (const auto& [name, value] : extra) add(name, AsWritten(value));
    out += ';';
    return out;
}

CParaItem* CCmd::FindPara(const std::string& mmlName) {
    for (CParaItem& p : m_params)
        if (p.GetMMLName() == mmlName) return &p;
    return nullptr;
}

BOOL CCmd::SetParaValue(const std::string& mmlName, const std::string& value) {
    for (size_t i = 0; i < m_params.size(); ++i) {
        if (m_params[i].GetMMLName() != mmlName) continue;
        if (!m_params[i].SetValueText(value)) return FALSE;
        NotifyChanged(static_cast<int>(i));
        return TRUE;
    }
    return FALSE;
}

std::string CCmd::GetParaValue(const std::string& mmlName) const {
    for (const CParaItem& p : m_params)
        if (p.GetMMLName() == mmlName) return p.GetValueText();
    return {};
}

std::string CCmd::EntryFault(int index, const std::string& text) const {
    return m_params.at(static_cast<size_t>(index)).EntryFault(text, m_mml.compare(0, 4, "LST ") == 0);
}

BOOL CCmd::IsMustGiveParaReady() const {
    std::vector<SParaRelation> table = GetRelations();
    const SRelationOutcome relations = EvaluateRelations(table);
    for (const CParaItem& p : m_params) {
        const bool required = p.IsMustGive() || relations.required.count(p.GetNumber());
        if (p.IsValid() && required && !p.HasValue()) return FALSE;
    }
    return TRUE;
}

std::vector<SParaRelation> CCmd::GetRelations() const {
    std::vector<SParaRelation> table;
    for (const CParaItem& p : m_params)
        if (p.HasRelation()) table.push_back({0, p.GetNumber(), p.GetValueText(), p.GetRelationText()});
    std::stable_sort(table.begin(), table.end(),
                     [](const SParaRelation& a, const SParaRelation& b) { return a.order < b.order; });
    if (!table.empty()) table.front().active = 1;
    return table;
}

SRelationOutcome CCmd::EvaluateRelations(std::vector<SParaRelation>& table) const {
    SRelationOutcome out;
    if (table.empty()) return out;
    for (SParaRelation& r : table)
        for (const CParaItem& p : m_params)
            if (p.GetNumber() == r.order) r.control = p.GetValueText();
    if (table.front().active && table.front().control.empty()) {
        out.waitingAfter = table.front().order;
        return out;
    }
    for (size_t k = 0; k < table.size(); ++k) {
        SParaRelation& r = table[k];
        if (k > 0) {
            auto it = out.enabled.find(r.order);
            r.active = it != out.enabled.end() && it->second ? 1 : 0;
        }
        if (!r.active || r.control.empty()) continue;
        std::vector<int> enable, require;
        const bool found = FindClause(r.relation, r.control, enable, require);
        for (const CParaItem& p : m_params) {
            const int n = p.GetNumber();
            if (n <= r.order) continue;
            const bool on = found && Contains(enable, n);
            out.enabled[n] = on;
            if (on && Contains(require, n))
                out.required.insert(n);
            else
                out.required.erase(n);
        }
    }
    return out;
}

void CCmd::MarkInstanceKeys(const std::vector<std::string>& keyNames) {
    for (CParaItem& p : m_params)
        p.SetNamesInstance(m_actType == ACT_MODIFY &&
                           std::find(keyNames.begin(), keyNames.end(), p.GetMMLName()) != keyNames.end());
}

void CCmd::TakeAsRead() {
    for (CParaItem& p : m_params) p.TakeAsRead();
    m_bAsRead = true;
}

void CCmd::RegisterEvent(std::function<void(int)> onChange) { m_onChange = std::move(onChange); }
void CCmd::UnRegisterEvent() { m_onChange = nullptr; }
void CCmd::NotifyChanged(int index) const {
    if (m_onChange) m_onChange(index);
}
