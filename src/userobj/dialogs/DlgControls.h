// The static controls of the subscriber dialogs' templates: a caption is a
// label named by its control ID, so that splitter bars and dumps find it.
#pragma once

#include <QLabel>

inline QLabel* MakeCaption(QWidget* parent, int id, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QStringLiteral("ctl%1").arg(id));
    l->setProperty("controlId", id);
    return l;
}
