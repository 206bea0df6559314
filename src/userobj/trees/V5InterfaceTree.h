// CV5InterfaceTree: the V5 interfaces of the switch under one group item per
// group number, groups in order of first appearance. Each build tells the
// dialog of every interface (WM_USER+1418), then that it was rebuilt
// (WM_USER+1414); a double click on an interface shows its details.
#pragma once

#include <string>
#include <vector>

#include "V5Tree.h"

class CV5InterfaceTree : public CV5TreeBase {
    Q_OBJECT
public:
    static constexpr WORD kRoot = 8000, kGroup = 8001, kInterface = 8002;
    struct V5 {
        WORD group = 0;
        std::string key;
        DWORD instance = 0;
    };

    explicit CV5InterfaceTree(QWidget* parent = nullptr, int controlId = 10181);
    LRESULT OnDataInit(WPARAM, LPARAM) override;

    const std::vector<V5>& Records() const { return m_aV5; }
    const std::vector<WORD>& Groups() const { return m_aGroups; }
    // The instance of the first record with that key.
    DWORD FirstInstanceOf(const std::string& key) const;
    static int& s_nBusy();

protected:
    int& BusyCount() const override { return s_nBusy(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void Analyse();
    void Build();

    std::vector<V5> m_aV5;
    std::vector<WORD> m_aGroups;
};
