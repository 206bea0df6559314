// CV5PortL3Tree: the L3 ports of one V5 interface under their type group;
// each port item reads "first-last". After a build it tells the dialog
// WM_USER+1414, then WM_USER+1413 (the dialog caches the port data).
#pragma once

#include <string>
#include <vector>

#include "V5Tree.h"

class CV5PortL3Tree : public CV5TreeBase {
    Q_OBJECT
public:
    static constexpr WORD kRoot = 9000, kTypeGroup = 9001, kPort = 9002;
    static constexpr WORD kGroupNumber = 8888;
    static constexpr int kNoGroup = 255;
    struct L3 {
        std::string type, value1, value2;
    };

    explicit CV5PortL3Tree(QWidget* parent = nullptr, int controlId = 10182);
    LRESULT OnDataInit(WPARAM, LPARAM) override;

    const std::vector<L3>& Records() const { return m_aL3; }
    // No ports shown until the next delivery: the interface's ports are
    // on their way, and a refused query must not leave another's.
    // keepPlace: as for EmptyUntilDelivery.
    void Empty(bool keepPlace) {
        EmptyUntilDelivery(keepPlace);
        m_aL3.clear();
    }
    int PortGroupType() const { return m_nPortGroupType; }
    static int& s_nBusy();

    std::string m_strInterfaceKey;

protected:
    int& BusyCount() const override { return s_nBusy(); }

private:
    // False when an instance has fewer than three fields.
    bool Analyse();
    void Build();

    std::vector<L3> m_aL3;
    int m_nPortGroupType = kNoGroup;
    int m_nFieldCount = 0;  // of the last instance analysed; an empty set builds an empty tree
};
