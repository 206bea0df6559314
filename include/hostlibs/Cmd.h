// The command model: one MML command with its parameters, their kinds,
// limits, defaults and relations, and the rule that turns the parameter
// values into command text. Callers fill a model and ask it for its text.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hostlibs/HostLibsApi.h"
#include "hostlibs/ObjDesc.h"

// One parameter. Its value is held as shown to the operator: the display
// text of a choice, a string without its quotes, a hex number without "0x".
class UO_HOSTLIBS_API CParaItem {
public:
    CParaItem() = default;
    explicit CParaItem(SParaDesc desc);

    const std::string& GetMMLName() const { return m_desc.mmlName; }
    const std::string& GetDisplayName() const { return m_desc.displayName; }
    int GetNumber() const { return m_desc.number; }
    int GetKind() const { return m_desc.kind; }
    bool IsConstant() const { return m_desc.constant; }
    bool IsEditable() const { return m_desc.editable; }
    bool IsMustGive() const { return m_desc.required; }
    bool IsWhiteCell() const { return m_desc.whiteCell; }
    bool IsCheckBox() const { return m_desc.checkBox; }
    bool HasRelation() const { return !m_desc.relation.empty(); }
    const std::string& GetRelationText() const { return m_desc.relation; }
    const SParaDesc& Desc() const { return m_desc; }

    bool IsValid() const { return m_bValid; }
    void SetValid(BOOL valid) { m_bValid = valid != 0; }

    // Default and limits as tool-tip texts.
    std::string GetDefaultText() const;
    std::string GetLimitText() const;

    // The value as shown (kind 4: "ITEM-1&ITEM-0" in item order).
    std::string GetValueText() const;
    // Takes a value in shown form; false (value unchanged) when it breaks
    // the parameter's kind or limits.
    bool SetValueText(const std::string& text);
    void Clear();
    bool HasValue() const;

    // Kind 4: item states (-1 = not given).
    const std::vector<int>& GetItemStates() const { return m_itemStates; }
    bool SetItemState(const std::string& item, int state);

    // Choice display texts (kinds 2, 3), the MML value names, and matching.
    std::vector<std::string> GetChoiceTexts() const;
    std::vector<std::string> GetChoiceValues() const;
    // Index of the current value among the given texts, -1 when absent.
    int GetMatchIndex(const std::vector<std::string>& texts) const;
    // Display text of an MML value (the value itself when it is no choice).
    std::string GetReplaceValue(const std::string& mmlValue) const;

    // The value as written in MML; empty when not given.
    std::string GetMMLValue() const;

private:
    SParaDesc m_desc;
    std::string m_value;
    std::vector<int> m_itemStates;
    bool m_bValid = true;
};

using CParaItemArray = std::vector<CParaItem>;

class UO_HOSTLIBS_API CCmd {
public:
    CCmd() = default;
    explicit CCmd(const SCmd& templ);
    CCmd& operator=(const SCmd& templ);

    const std::string& GetCmdDisplayName() const { return m_displayName; }
    const std::string& GetMMLCommand() const { return m_mml; }  // "ADD MGCPSUB"
    DWORD GetOpID() const { return m_opId; }
    void SetOpID(DWORD op) { m_opId = op; }

    // "VERB OBJ: A=1, B=\"x\";" from the valid parameters that have a value,
    // then the extra parameters, written as given (an extra parameter of the
    // same name replaces the model's).
    std::string Format(const std::map<std::string, std::string>& extra = {}) const;

    // Sets the parameter of that MML name from a shown-form value; nonzero
    // when the parameter exists and took the value.
    BOOL SetParaValue(const std::string& mmlName, const std::string& value);
    std::string GetParaValue(const std::string& mmlName) const;
    CParaItem* FindPara(const std::string& mmlName);

    CParaItemArray& GetParaArray() { return m_params; }
    const CParaItemArray& GetParaArray() const { return m_params; }
    int GetParaCount() const { return static_cast<int>(m_params.size()); }

    // Nonzero when every valid required parameter has a value.
    BOOL IsMustGiveParaReady() const;

    // While registered, every value change is reported with the parameter's index.
    void RegisterEvent(std::function<void(int)> onChange);
    void UnRegisterEvent();
    void NotifyChanged(int index) const;

private:
    std::string m_displayName;
    std::string m_mml;
    DWORD m_opId = OPID_NONE;
    CParaItemArray m_params;
    std::function<void(int)> m_onChange;
};
