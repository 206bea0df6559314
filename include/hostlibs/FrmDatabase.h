// The description database: object descriptions and return codes. The host
// hands the interface to object windows (WM_USER+1005).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hostlibs/HostLibsApi.h"
#include "hostlibs/ObjDesc.h"

// The return code of a page fetch or release whose paged query the switch
// no longer holds (it expired unused, or was released).
inline constexpr int RC_QUERY_GONE = 1011;
// A change that carried a revision other than the record's: nothing changed;
// the result text names what changed since and gives the record as it is.
inline constexpr int RC_STALE_REVISION = 1018;

class UO_HOSTLIBS_API IFrmDatabase {
public:
    virtual ~IFrmDatabase() = default;
    // The description of an object type; an empty one (type 0) when unknown.
    virtual SComObj ObjLoadAllDesc(DWORD objType) = 0;
    virtual BOOL IsReturnCodeSuccessful(int returnCode) = 0;
    // 1 ordinary failure, 2 failure that invalidates the window's view.
    virtual WORD GetTypeofReturnCode(int returnCode) = 0;
    // What the return code means, in words; empty when the code is unknown.
    virtual std::string GetReturnCodeText(int) { return {}; }
};

// The database over the object catalogue (data/objects.json).
class UO_HOSTLIBS_API CFrmDatabase : public IFrmDatabase {
public:
    // Loads a catalogue file; on failure Error() names the file, the entry
    // and what is wrong, and the database is empty.
    bool Load(const std::string& path);
    bool LoadText(const std::string& text, const std::string& sourceName);
    const std::string& Error() const { return m_error; }

    SComObj ObjLoadAllDesc(DWORD objType) override;
    BOOL IsReturnCodeSuccessful(int returnCode) override;
    WORD GetTypeofReturnCode(int returnCode) override;
    std::string GetReturnCodeText(int returnCode) override;

    const SComObj* Find(DWORD objType) const;
    const SComObj* FindByMml(const std::string& mmlName) const;
    std::vector<DWORD> Types() const;

    struct ReturnCode {
        int code;
        WORD type;  // 0 success, 1, 2
        std::string text;
    };
    const std::vector<ReturnCode>& ReturnCodes() const { return m_returnCodes; }

private:
    std::vector<SComObj> m_objects;
    std::vector<ReturnCode> m_returnCodes;
    std::string m_error;
};

// The process-wide database loaded from the client root's catalogue.
UO_HOSTLIBS_API CFrmDatabase& HostDatabase();
