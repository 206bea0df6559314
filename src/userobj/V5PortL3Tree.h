// CV5PortL3Tree: the L3 ports of one V5 interface under their type group;
// each port item reads "first-last".
#pragma once

#include <QTreeWidget>

#include <string>

#include "MsgTarget.h"

class CObjDescData;

class CV5PortL3Tree : public CWndT<QTreeWidget> {
    Q_OBJECT
public:
    explicit CV5PortL3Tree(QWidget* parent = nullptr, int controlId = 10182);
    CObjDescData* m_obj = nullptr;
    std::string m_strInterfaceKey;
};
