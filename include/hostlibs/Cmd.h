// The command model: one MML command with its parameters, their kinds,
// limits, defaults and relations, and the rule that turns the parameter
// values into command text. Callers fill a model and ask it for its text.
#pragma once

#include <functional>
#include <map>
#include <set>
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

    // A key of the instance a modify command changes: shown, never edited,
    // or the command would change another instance.
    bool NamesInstance() const { return m_bNamesInstance; }
    void SetNamesInstance(bool names) { m_bNamesInstance = names; }

    // Default and limits as tool-tip texts.
    std::string GetDefaultText() const;
    std::string GetLimitText() const;

    // The value as shown (kind 4: "ITEM-1&ITEM-0" in item order).
    std::string GetValueText() const;
    // Takes a value in shown form; false (value unchanged) when it breaks
    // the parameter's kind or limits.
    bool SetValueText(const std::string& text);
    // The rule an operator's entry breaks, as the operator can read it;
    // empty when the parameter would take it. Stricter than SetValueText
    // where the limit text promises digits: records keep what the switch
    // holds, but what is typed follows the limit the operator was shown. In
    // a list condition a trailing "*" stands for any ending.
    std::string EntryFault(const std::string& text, bool condition = false) const;
    void Clear();
    bool HasValue() const;

    // The value the parameter held when its command was filled from a
    // record; a parameter never taken so counts as changed.
    void TakeAsRead();
    bool IsChanged() const { return !m_bAsRead || GetValueText() != m_strAsRead; }

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
    // SetValueText; on refusal, why (when given) names the rule broken.
    bool Take(const std::string& text, std::string* why);

    SParaDesc m_desc;
    std::string m_value;
    std::vector<int> m_itemStates;
    bool m_bValid = true;
    bool m_bNamesInstance = false;
    bool m_bAsRead = false;
    std::string m_strAsRead;
};

using CParaItemArray = std::vector<CParaItem>;

// One parameter whose value enables, disables and requires the parameters
// numbered after it.
struct SParaRelation {
    int active = 0;
    int order = 0;          // the controlling parameter's number
    std::string control;    // its value when last evaluated
    std::string relation;   // "[VALUE=enabled numbers,required numbers;...]"
};

// What the relations make of the parameters, by parameter number.
struct SRelationOutcome {
    // The first controlling parameter has no value yet: the parameters
    // numbered after this wait for it (-1: none wait).
    int waitingAfter = -1;
    std::map<int, bool> enabled;  // those a relation enabled (true) or disabled
    std::set<int> required;       // enabled ones a relation requires
};

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
    // same name replaces the model's). A command taken as read (TakeAsRead)
    // carries only what names its instance (keys, the parent, constants)
    // and what changed since; a value emptied since is written "".
    std::string Format(const std::map<std::string, std::string>& extra = {}) const;

    // Sets the parameter of that MML name from a shown-form value; nonzero
    // when the parameter exists and took the value.
    BOOL SetParaValue(const std::string& mmlName, const std::string& value);
    std::string GetParaValue(const std::string& mmlName) const;
    CParaItem* FindPara(const std::string& mmlName);

    CParaItemArray& GetParaArray() { return m_params; }
    const CParaItemArray& GetParaArray() const { return m_params; }
    int GetParaCount() const { return static_cast<int>(m_params.size()); }

    // The rule an operator's entry for the parameter at index breaks; empty
    // when it would be taken (CParaItem::EntryFault; a list command's
    // parameters are conditions).
    std::string EntryFault(int index, const std::string& text) const;

    // Nonzero when every valid required parameter has a value, those the
    // relations require included.
    BOOL IsMustGiveParaReady() const;

    // The relation table: one record per parameter that carries a
    // relation, by number, the first active.
    std::vector<SParaRelation> GetRelations() const;
    // Walks the table with the current values; it keeps the controlling
    // values and which records are active for the next walk.
    SRelationOutcome EvaluateRelations(std::vector<SParaRelation>& table) const;

    // Action type of the operation (ACT_ADD, ACT_MODIFY, ...); ACT_NONE unset.
    WORD GetActType() const { return m_actType; }
    // In a modify command, the parameters of these names name the instance.
    void MarkInstanceKeys(const std::vector<std::string>& keyNames);
    // The values now held are those of the record: from here on only
    // changes are sent, so that what another operator changed meanwhile in
    // the parameters left alone stays.
    void TakeAsRead();
    bool IsTakenAsRead() const { return m_bAsRead; }

    // While registered, every value change is reported with the parameter's index.
    void RegisterEvent(std::function<void(int)> onChange);
    void UnRegisterEvent();
    void NotifyChanged(int index) const;

private:
    std::string m_displayName;
    std::string m_mml;
    DWORD m_opId = OPID_NONE;
    WORD m_actType = ACT_NONE;
    CParaItemArray m_params;
    std::function<void(int)> m_onChange;
    bool m_bAsRead = false;
};
