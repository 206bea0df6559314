// The object-data library: objects of the switch with their commands and the
// records of their last query, bound to the windows that show them. A data
// set (CObjDescData) starts its list query when it is created, takes the
// results the object window hands back (ProcessCmdRslt), and tells its bound
// list or tree what changed with WM_USER+1400..1404. Commands leave through
// the owner window with WM_USER+1410.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "MsgTarget.h"
#include "hostlibs/Cmd.h"
#include "hostlibs/HostLibsApi.h"
#include "hostlibs/ObjDesc.h"

// ---- restrictions ------------------------------------------------------------

// A list of (name, value) pairs naming one instance as the parent of
// sub-objects. Copyable, comparable, hashable.
class UO_HOSTLIBS_API CRestrictInfo {
public:
    using Entry = std::pair<std::string, std::string>;
    CRestrictInfo() = default;
    CRestrictInfo(std::initializer_list<Entry> entries) : m_entries(entries) {}

    void Add(std::string name, std::string value);
    // Removes the last entry of that name; true when one was removed.
    bool RemoveLast(const std::string& name, bool ignoreCase);
    const std::vector<Entry>& Entries() const { return m_entries; }
    // Non-empty, and no entry without a name.
    BOOL IsValid() const;
    DWORD Hash() const;
    bool operator==(const CRestrictInfo& other) const { return m_entries == other.m_entries; }

private:
    std::vector<Entry> m_entries;
};

struct CRestrictInfoHash {
    size_t operator()(const CRestrictInfo& r) const { return r.Hash(); }
};

// The packed form of a restriction, handed to CObjDescData::Create.
class UO_HOSTLIBS_API CPackageStream {
public:
    CPackageStream() = default;
    explicit CPackageStream(const CRestrictInfo& info);
    // False when the bytes are not a packed restriction.
    bool Unpack(CRestrictInfo& out) const;
    const std::string& Bytes() const { return m_bytes; }
    void SetBytes(std::string bytes) { m_bytes = std::move(bytes); }

private:
    std::string m_bytes;
};

// ---- records and result containers ------------------------------------------------

// One record: its instance identifier and one value list per field.
class UO_HOSTLIBS_API CInstData {
public:
    CInstData() = default;
    CInstData(DWORD id, std::vector<std::vector<std::string>> fields)
        : m_id(id), m_fields(std::move(fields)) {}
    DWORD GetInstID() const { return m_id; }
    int GetSize() const { return static_cast<int>(m_fields.size()); }
    // Values of a field; empty for an index out of range.
    const std::vector<std::string>& GetField(int index) const;
    // The field's values joined with ",".
    std::string GetFieldText(int index) const;
    std::vector<std::vector<std::string>>& Fields() { return m_fields; }

private:
    DWORD m_id = 0;
    std::vector<std::vector<std::string>> m_fields;
};

// Rows of cells, each cell all values of one property.
using CDataCell = std::vector<std::string>;
using CDataRow = std::vector<CDataCell>;
class UO_HOSTLIBS_API CDataTable {
public:
    int GetSize() const { return static_cast<int>(m_rows.size()); }
    void SetSize(int rows) { m_rows.resize(rows < 0 ? 0 : static_cast<size_t>(rows)); }
    void Add(CDataRow row) { m_rows.push_back(std::move(row)); }
    void Append(const CDataTable& other);
    void RemoveAll() { m_rows.clear(); }
    CDataRow& operator[](int i) { return m_rows[static_cast<size_t>(i)]; }
    const CDataRow& operator[](int i) const { return m_rows[static_cast<size_t>(i)]; }
    const std::vector<CDataRow>& Rows() const { return m_rows; }

private:
    std::vector<CDataRow> m_rows;
};

class UO_HOSTLIBS_API CPropValue {
public:
    virtual ~CPropValue() = default;
    virtual bool IsMulti() const = 0;
};

class UO_HOSTLIBS_API CSinglePropValue : public CPropValue {
public:
    explicit CSinglePropValue(std::string value) : m_value(std::move(value)) {}
    bool IsMulti() const override { return false; }
    const std::string& GetValue() const { return m_value; }

private:
    std::string m_value;
};

// Named columns and rows of texts.
class UO_HOSTLIBS_API CExtMultiPropValue : public CPropValue {
public:
    bool IsMulti() const override { return true; }
    void AddColumn(std::string name) { m_columns.push_back(std::move(name)); }
    // Writes a value into a cell, growing the rows as needed; a cell written
    // twice keeps all its values joined with ",".
    void AddRowValue(int row, int column, const std::string& value);
    const std::vector<std::string>& GetColumns() const { return m_columns; }
    const std::vector<std::vector<std::string>>& GetRows() const { return m_rows; }

private:
    std::vector<std::string> m_columns;
    std::vector<std::vector<std::string>> m_rows;
};

// Detail of an instance: (object name, property key, value) entries.
class UO_HOSTLIBS_API CDetailData {
public:
    struct Entry {
        std::string objName;
        std::string key;
        std::shared_ptr<const CPropValue> value;
    };
    // Replaces an entry with the same object name and key.
    void Insert(std::string objName, std::string key, std::shared_ptr<const CPropValue> value);
    const Entry* Find(const std::string& objName, const std::string& key) const;
    const std::vector<Entry>& Entries() const { return m_entries; }
    bool IsEmpty() const { return m_entries.empty(); }
    void RemoveAll() {
        m_entries.clear();
        m_note.clear();
    }
    // What the switch said of the detail beyond its return code, such as
    // that only some of many sub-objects came with it.
    void SetNote(std::string note) { m_note = std::move(note); }
    const std::string& GetNote() const { return m_note; }

private:
    std::vector<Entry> m_entries;
    std::string m_note;
};

// A sent command and its kind: 10 for a query release, 1 otherwise.
struct COpInfo {
    std::string command;
    int kind = 1;
};

class CComObj;
class CDynData;
struct SMmlCommand;

// Detail selection record (WM_USER+1500), valid only during that call.
struct SDetailSelection {
    CComObj* obj = nullptr;
    CDynData* data = nullptr;
    int index = -1;  // -1: the object as a whole
};

// What an action-type-11 operation asks the host to open.
struct SSwitchCmd {
    DWORD objType = 0;  // first field: its low 16 bits are the code
    CRestrictInfo restrict;
    std::string command;
};

// Record of WM_USER+1411 (wParam) and its value record (lParam).
struct SObjWndIdentity {
    WORD objId = 0;
    const char* text = nullptr;
};
struct SObjWndValue {
    const char* text = nullptr;
    LPARAM value = 0;
};

// ---- the command parameter entry ----------------------------------------------

// Implemented by the command parameter dialog. Until one is installed,
// commands go out as they are when their required parameters are given.
class UO_HOSTLIBS_API ICmdParamEditor {
public:
    virtual ~ICmdParamEditor() = default;
    // IDOK (1) when the operator confirmed, IDCANCEL (2) otherwise.
    virtual int EditCommand(CCmd& cmd, HWND owner) = 0;
    // A change refused because the record changed meanwhile: the operator's
    // values beside the record's as it is now. IDOK (1) applies the
    // operator's values to the record as it is now, IDCANCEL (2) drops them.
    struct SConflictRow {
        std::string name, yours, current;
    };
    virtual int ResolveConflict(const std::string& title, const std::string& text,
                                const std::vector<SConflictRow>& rows, HWND owner) {
        (void)title, (void)text, (void)rows, (void)owner;
        return 2;  // IDCANCEL
    }
};
UO_HOSTLIBS_API void SetCmdParamEditor(ICmdParamEditor* editor);
UO_HOSTLIBS_API ICmdParamEditor* GetCmdParamEditor();

// ---- the records of an object -----------------------------------------------------

class UO_HOSTLIBS_API CDynData {
public:
    const std::vector<CInstData>& GetData() const { return m_data; }
    const std::vector<std::string>& GetDisplayHeader() const { return m_displayHeader; }
    // Property keys of the columns, in column order.
    const std::vector<std::string>& GetHeader() const { return m_header; }
    // Nonzero when the record exists; copies it out.
    BOOL GetBasData(DWORD id, CInstData& out) const;
    const CInstData* FindInst(DWORD id) const;
    int IndexOf(DWORD id) const;
    // Column of a property key, -1 when absent.
    int ColumnOf(const std::string& key) const;

    BOOL ProcessDetailViewRslt(const std::string& cmd, BOOL ok, const CDetailData& detail);
    const CDetailData& GetDetailData() const { return m_detail; }
    DWORD GetDetailInst() const { return m_detailInst; }
    // The record the panel showed went: the panel shows the list again.
    void DropDetail();

    void InsertNewOpInfo(const std::string& cmd, const COpInfo& info);
    const std::vector<COpInfo>& GetOpInfos() const { return m_opInfos; }
    void RemoveOpInfo(const std::string& cmd);

    // Fills the command's parameters named in names (all when empty) from
    // the record's fields of the same name, and the restriction parameters
    // from the data's restriction. Nonzero when anything was filled.
    BOOL FillPara(CCmd& cmd, const std::vector<std::string>& names, const CInstData* record) const;

    HWND GetWnd() const { return m_hWnd; }
    HWND GetDetailWnd() const { return m_hDetail; }
    CComObj* GetComObj() const { return m_pObj; }
    const CRestrictInfo& GetRestriction() const { return m_restrict; }

private:
    friend class CObjDescData;
    friend class CComObj;
    void Reset(HWND bound, HWND detail);
    void SetRecords(const std::vector<std::string>& header, const CDataTable& table,
                    const SComObj& desc);
    DWORD AddRecord(std::vector<std::vector<std::string>> fields);
    // Takes the values the switch's detail holds for the record's own
    // columns; true when any of them changed.
    bool UpdateFromDetail(DWORD id, const CDetailData& detail);
    bool RemoveRecord(DWORD id);

    HWND m_hWnd = nullptr;
    HWND m_hDetail = nullptr;
    CComObj* m_pObj = nullptr;  // the object these are the records of
    std::vector<CInstData> m_data;
    std::unordered_map<DWORD, size_t> m_index;
    DWORD m_nextId = 1;
    std::vector<std::string> m_header;
    std::vector<std::string> m_displayHeader;
    CDetailData m_detail;
    DWORD m_detailInst = 0;
    std::vector<COpInfo> m_opInfos;
    CRestrictInfo m_restrict;
};

// ---- an object and its commands -------------------------------------------------

class UO_HOSTLIBS_API CComObj {
public:
    CComObj() = default;
    CComObj(const CComObj& other);
    CComObj& operator=(const CComObj& other);

    // A stand-alone command object (command-object windows).
    BOOL CreateEx(DWORD type, const SComObj& desc, HWND owner);
    BOOL IsValidObj() const { return m_bValid; }
    DWORD GetObjType() const { return m_desc.type; }
    const SComObj& GetDesc() const { return m_desc; }
    HWND GetOwner() const { return m_hOwner; }
    CDynData* GetDynData() const { return m_pData; }

    // Parallel arrays of operation codes and command names, in code order.
    int EnumAllCmds(std::vector<DWORD>& codes, std::vector<std::string>& names) const;
    int EnumCmd(std::vector<DWORD>& codes, std::vector<std::string>& names) const {
        return EnumAllCmds(codes, names);
    }
    const std::map<DWORD, SCmd>& GetCmdTable() const { return m_desc.commands; }
    const std::map<DWORD, tagOPERATION>& GetOpTable() const { return m_desc.operations; }
    const std::vector<SJump>& GetJumps() const { return m_desc.jumps; }
    BOOL GetCmdByOpID(CCmd& cmd, DWORD op) const;
    DWORD GetOpIDByCmdName(const std::string& name) const;
    DWORD GetOpIDByActionType(WORD actType) const;

    // The list command with the object's restriction: the start of every
    // sort command.
    std::string GetKeyString() const;
    // Asks the owner window to send the text (WM_USER+1410); its answer.
    LRESULT SendMML(const std::string& text);

    BOOL InvokeOperation(DWORD op, const std::vector<DWORD>& ids = {});
    BOOL InvokeOperationByActType(WORD actType, const std::vector<DWORD>& ids, int flag);
    BOOL InvokeJump(DWORD jump, DWORD id);
    // Shows the instance in the detail view and asks the switch for its
    // details (op, or the object's detail operation when op is -1).
    BOOL InvokeConfigDetailView(DWORD id, int query, int show, int flag, int op);
    // Sends the update command (last written by the caller), else the list command.
    BOOL InvokeUpdate();
    void SetUpdateCommand(std::string text) { m_strUpdateCmd = std::move(text); }
    const std::string& GetUpdateCommand() const { return m_strUpdateCmd; }

    // The switch command left by the last action-type-11 operation.
    SSwitchCmd* GetSwitchCmd() { return m_pSwitchCmd.get(); }
    std::unique_ptr<SSwitchCmd> TakeSwitchCmd() { return std::move(m_pSwitchCmd); }

    // A command this object sent has its answer (or none will come). One
    // the operator completed in the parameter entry and the switch refused
    // goes back to the operator, with what they entered, once the answer
    // has been processed.
    void CommandEnded(const std::string& sent, bool refused);
    // A refusal of a command this object sent, before CommandEnded: true
    // when the object answers it itself (a change refused for a revision
    // that is not the record's goes to the operator as a conflict), so that
    // the window need not show it.
    bool TakeRefusal(const std::string& sent, int code, const std::string& text);

private:
    friend class CObjDescData;
    void Init(DWORD type, const SComObj& desc, HWND owner, CDynData* data);
    // A command of the operation filled from a record and the restriction.
    CCmd PrepareCmd(DWORD op, const CInstData* record, bool fromRecord) const;
    // "Remove the MGCP Subscriber 8001?", naming up to ten records by their keys.
    std::string RemoveQuestion(const std::vector<DWORD>& ids) const;
    BOOL EditAndSend(CCmd& cmd, bool alwaysAsk);
    // Sends the command; one the operator entered, or one that carries the
    // record's revision, is kept until its answer.
    BOOL SendKept(const CCmd& cmd, bool entered);
    // The operator's values beside the record's as the switch now has it;
    // applied to the record as it is now, or dropped.
    void ResolveConflict(CCmd cmd, const std::string& text, bool entered);

    SComObj m_desc;
    HWND m_hOwner = nullptr;
    CDynData* m_pData = nullptr;  // the data set's records; null when stand-alone
    CRestrictInfo m_restrict;
    std::string m_strUpdateCmd;
    std::unique_ptr<SSwitchCmd> m_pSwitchCmd;
    bool m_bValid = false;
    // Commands kept until answered, by the text sent: those the operator
    // completed, and those that carry the record's revision.
    struct SKeptCmd {
        CCmd cmd;
        bool entered = false;
        std::string conflict;  // the switch's text of a refusal for a stale revision
    };
    std::map<std::string, SKeptCmd> m_mapEntered;
    // Lets a posted reopening of the parameter entry see that this object is gone.
    std::shared_ptr<char> m_pAlive = std::make_shared<char>();
};

// ---- a data set bound to a window -----------------------------------------------

class UO_HOSTLIBS_API CObjDescData {
public:
    CObjDescData();
    ~CObjDescData();
    // Copies keep their own object and records; the copied-into set keeps
    // the addresses of its object and records, so registrations stay valid.
    CObjDescData(const CObjDescData& other);
    CObjDescData& operator=(const CObjDescData& other);

    // Binds the object type to the window and starts its list query. text,
    // when given, replaces the object's list command; package restricts the
    // list to the sub-objects of one parent instance. Nonzero on success.
    BOOL Create(DWORD type, const SComObj& desc, HWND objWnd, HWND bound, HWND detail, int flag,
                const char* text, const CPackageStream* package);
    bool IsCreated() const { return m_bCreated; }

    BOOL InvokeUpdate();
    // Delivers the held records to the window again (WM_USER+1400), no query.
    BOOL NotifyWndInit(HWND wnd);
    // The restriction that names this instance as a parent.
    CRestrictInfo GetRestrictInfo(DWORD id) const;
    // The restriction this data set was created with.
    CRestrictInfo& GetRestriction() { return m_pData->m_restrict; }
    // False when the command names a parent other than the restriction's:
    // an answer for a parent this set was bound to before.
    bool AnswersRestriction(const std::string& cmd) const;

    BOOL ProcessCmdRslt(const std::string& cmd, BOOL ok, const std::vector<std::string>& header,
                        const CDataTable& table);
    // Another operator changed the record: it takes the values the switch
    // now has for its columns, and its list is told when any changed.
    bool FollowRecord(DWORD id, const CDetailData& values);
    BOOL GetOpIDAndActID(const std::string& cmd, DWORD& opId, WORD& actType) const;
    BOOL GetCmdReportBlockName(DWORD opId, std::string& name) const;
    BOOL GetListCmdReportBlockName(DWORD opId, std::string& name) const;
    void KillCmd(const std::string& cmd);

    CComObj* GetComObj() const { return m_pObj.get(); }
    CDynData* GetDynData() const { return m_pData.get(); }
    std::string& Text() { return m_strText; }

private:
    // A record made from an add or modify command's parameters.
    bool ApplyChange(const std::string& cmd, WORD actType);
    // The record whose key attributes the command names; 0 when none.
    DWORD FindRecord(const SMmlCommand& parsed) const;
    // Asks the switch again for the instance a maintenance command named.
    bool RereadInstance(const std::string& cmd);
    // The object's revision attribute is of that name; the records carry one.
    bool IsRevision(const std::string& name) const;
    bool HasRevision() const;

    std::unique_ptr<CComObj> m_pObj;
    std::unique_ptr<CDynData> m_pData;
    std::string m_strText;
    bool m_bCreated = false;
};

// Called once when a module starts: loads the object catalogue.
UO_HOSTLIBS_API BOOL InitObjDataDLL();
