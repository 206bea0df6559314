// The V5 L3 port tree.
#include "V5PortL3Tree.h"

CV5PortL3Tree::CV5PortL3Tree(QWidget* parent, int controlId) : CWndT(parent) {
    setObjectName(QStringLiteral("ctl%1").arg(controlId));
    setProperty("controlId", controlId);
    setHeaderHidden(true);
}
