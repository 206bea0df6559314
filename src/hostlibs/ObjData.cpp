// The object-data library: records, restrictions and result containers.
// (Objects and data sets are in ComObj.cpp and ObjDescData.cpp.)
#include "hostlibs/ObjData.h"
#include "hostlibs/DisplayValues.h"
#include "hostlibs/ObjDescText.h"

#include <algorithm>

#include "TextHelpers.h"
#include "userobj/Messages.h"

// ---- CRestrictInfo ----

void CRestrictInfo::Add(std::string name, std::string value) {
    m_entries.emplace_back(std::move(name), std::move(value));
}

bool CRestrictInfo::RemoveLast(const std::string& name, bool ignoreCase) {
    for (size_t i = m_entries.size(); i-- > 0;) {
        const std::string& n = m_entries[i].first;
        if (ignoreCase ? platform::EqualsNoCase(n, name) : n == name) {
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

BOOL CRestrictInfo::IsValid() const {
    if (m_entries.empty()) return FALSE;
    for (const Entry& e : m_entries)
        if (e.first.empty()) return FALSE;
    return TRUE;
}

DWORD CRestrictInfo::Hash() const {
    // FNV-1a over names and values, with separators so ("ab","c") != ("a","bc").
    DWORD h = 2166136261u;
    auto mix = [&](const std::string& s) {
        for (unsigned char c : s) h = (h ^ c) * 16777619u;
        h = (h ^ 0xFFu) * 16777619u;
    };
    for (const Entry& e : m_entries) {
        mix(e.first);
        mix(e.second);
    }
    return h;
}

// ---- CPackageStream: "RST1" then per entry name length, name, value length, value ----

static void PutLen(std::string& out, size_t n) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
}

static bool GetLen(const std::string& in, size_t& pos, size_t& n) {
    if (pos + 4 > in.size()) return false;
    n = 0;
    for (int i = 0; i < 4; ++i) n |= static_cast<size_t>(static_cast<unsigned char>(in[pos + i])) << (8 * i);
    pos += 4;
    return n <= in.size() - pos;
}

CPackageStream::CPackageStream(const CRestrictInfo& info) {
    m_bytes = "RST1";
    PutLen(m_bytes, info.Entries().size());
    for (const auto& [name, value] : info.Entries()) {
        PutLen(m_bytes, name.size());
        m_bytes += name;
        PutLen(m_bytes, value.size());
        m_bytes += value;
    }
}

bool CPackageStream::Unpack(CRestrictInfo& out) const {
    out = {};
    if (m_bytes.compare(0, 4, "RST1") != 0) return false;
    size_t pos = 4, count = 0;
    if (!GetLen(m_bytes, pos, count)) return false;
    for (size_t i = 0; i < count; ++i) {
        size_t n = 0;
        if (!GetLen(m_bytes, pos, n)) return false;
        std::string name = m_bytes.substr(pos, n);
        pos += n;
        if (!GetLen(m_bytes, pos, n)) return false;
        out.Add(std::move(name), m_bytes.substr(pos, n));
        pos += n;
    }
    return pos == m_bytes.size();
}

// ---- records and result containers ----

const std::vector<std::string>& CInstData::GetField(int index) const {
    static const std::vector<std::string> none;
    if (index < 0 || index >= GetSize()) return none;
    return m_fields[static_cast<size_t>(index)];
}

std::string CInstData::GetFieldText(int index) const { return platform::Join(GetField(index)); }

void CDataTable::Append(const CDataTable& other) {
    m_rows.insert(m_rows.end(), other.m_rows.begin(), other.m_rows.end());
}

void CExtMultiPropValue::AddRowValue(int row, int column, const std::string& value) {
    if (row < 0 || column < 0) return;
    if (m_rows.size() <= static_cast<size_t>(row)) m_rows.resize(static_cast<size_t>(row) + 1);
    auto& cells = m_rows[static_cast<size_t>(row)];
    const size_t width = std::max(m_columns.size(), static_cast<size_t>(column) + 1);
    if (cells.size() < width) cells.resize(width);
    std::string& cell = cells[static_cast<size_t>(column)];
    cell = cell.empty() ? value : cell + "," + value;
}

void CDetailData::Insert(std::string objName, std::string key,
                         std::shared_ptr<const CPropValue> value) {
    for (Entry& e : m_entries) {
        if (e.objName == objName && e.key == key) {
            e.value = std::move(value);
            return;
        }
    }
    m_entries.push_back({std::move(objName), std::move(key), std::move(value)});
}

const CDetailData::Entry* CDetailData::Find(const std::string& objName,
                                            const std::string& key) const {
    for (const Entry& e : m_entries)
        if (e.objName == objName && e.key == key) return &e;
    return nullptr;
}

// ---- CDynData ----

BOOL CDynData::GetBasData(DWORD id, CInstData& out) const {
    const CInstData* r = FindInst(id);
    if (!r) return FALSE;
    out = *r;
    return TRUE;
}

const CInstData* CDynData::FindInst(DWORD id) const {
    auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &m_data[it->second];
}

int CDynData::IndexOf(DWORD id) const {
    auto it = m_index.find(id);
    return it == m_index.end() ? -1 : static_cast<int>(it->second);
}

int CDynData::ColumnOf(const std::string& key) const {
    for (size_t i = 0; i < m_header.size(); ++i)
        if (platform::EqualsNoCase(m_header[i], key)) return static_cast<int>(i);
    return -1;
}

void CDynData::Reset(HWND bound, HWND detail) {
    m_hWnd = bound;
    m_hDetail = detail;
    m_data.clear();
    m_index.clear();
    m_header.clear();
    m_displayHeader.clear();
    m_detail.RemoveAll();
    m_detailInst = 0;
    m_opInfos.clear();
}

void CDynData::SetRecords(const std::vector<std::string>& header, const CDataTable& table,
                          const SComObj& desc) {
    m_data.clear();
    m_index.clear();
    m_header = header;
    const CDisplayValues display(header, desc);
    m_displayHeader = display.DisplayHeader();
    m_data.reserve(table.Rows().size());
    for (const CDataRow& row : table.Rows()) {
        std::vector<std::vector<std::string>> fields = row;
        display.Convert(fields);
        AddRecord(std::move(fields));
    }
}

DWORD CDynData::AddRecord(std::vector<std::vector<std::string>> fields) {
    const DWORD id = m_nextId++;
    m_index[id] = m_data.size();
    m_data.emplace_back(id, std::move(fields));
    return id;
}

bool CDynData::RemoveRecord(DWORD id) {
    auto it = m_index.find(id);
    if (it == m_index.end()) return false;
    m_data.erase(m_data.begin() + static_cast<std::ptrdiff_t>(it->second));
    m_index.clear();
    for (size_t i = 0; i < m_data.size(); ++i) m_index[m_data[i].GetInstID()] = i;
    return true;
}

bool CDynData::UpdateFromDetail(DWORD id, const CDetailData& detail) {
    auto it = m_index.find(id);
    if (it == m_index.end() || !m_pObj) return false;
    const SComObj& desc = m_pObj->GetDesc();
    CInstData& rec = m_data[it->second];
    bool changed = false;
    for (size_t c = 0; c < m_header.size() && c < static_cast<size_t>(rec.GetSize()); ++c) {
        const CDetailData::Entry* e = detail.Find(desc.mmlName, m_header[c]);
        if (!e) continue;
        std::vector<std::string> values;
        if (!e->value->IsMulti()) {
            values.push_back(static_cast<const CSinglePropValue&>(*e->value).GetValue());
        } else {
            for (const auto& row : static_cast<const CExtMultiPropValue&>(*e->value).GetRows())
                if (!row.empty()) values.push_back(row.front());
        }
        for (std::string& v : values) v = ShownValue(desc, m_header[c], v);
        auto& field = rec.Fields()[c];
        const bool bothEmpty = platform::Join(field).empty() && platform::Join(values).empty();
        if (!bothEmpty && field != values) {
            field = std::move(values);
            changed = true;
        }
    }
    return changed;
}

BOOL CDynData::ProcessDetailViewRslt(const std::string& cmd, BOOL ok, const CDetailData& detail) {
    RemoveOpInfo(cmd);
    m_detail = ok ? detail : CDetailData{};
    // The detail is the switch's newest word on the instance: its row follows.
    if (ok && m_hWnd && UpdateFromDetail(m_detailInst, detail))
        SendMessage(m_hWnd, msg::WM_DATA_MODIFIED, m_detailInst);
    if (m_hDetail) {
        SDetailSelection sel{m_pObj, this, IndexOf(m_detailInst)};
        SendMessage(m_hDetail, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
    }
    return ok;
}

void CDynData::DropDetail() {
    m_detailInst = 0;
    m_detail.RemoveAll();
    if (m_hDetail) {
        SDetailSelection sel{m_pObj, this, -1};
        SendMessage(m_hDetail, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
    }
}

void CDynData::InsertNewOpInfo(const std::string& cmd, const COpInfo& info) {
    COpInfo i = info;
    i.command = cmd;
    m_opInfos.push_back(std::move(i));
}

void CDynData::RemoveOpInfo(const std::string& cmd) {
    for (auto it = m_opInfos.begin(); it != m_opInfos.end(); ++it) {
        if (it->command == cmd) {
            m_opInfos.erase(it);
            return;
        }
    }
}

BOOL CDynData::FillPara(CCmd& cmd, const std::vector<std::string>& names,
                        const CInstData* record) const {
    BOOL filled = FALSE;
    for (CParaItem& p : cmd.GetParaArray()) {
        const std::string& name = p.GetMMLName();
        if (!names.empty() && std::find(names.begin(), names.end(), name) == names.end()) continue;
        bool done = false;
        for (const auto& [rname, rvalue] : m_restrict.Entries()) {
            if (platform::EqualsNoCase(rname, name) && p.SetValueText(rvalue)) {
                filled = TRUE;
                done = true;
            }
        }
        if (done || record == nullptr) continue;
        // A secret reads back as a mask: it is never copied into a command.
        bool secret = false;
        if (m_pObj)
            for (const SAttributeItem& a : m_pObj->GetDesc().attributes) secret = secret || (a.secret && a.name == name);
        if (secret) continue;
        const int col = ColumnOf(name);
        if (col >= 0 && p.SetValueText(record->GetFieldText(col))) filled = TRUE;
    }
    return filled;
}
