// The images of the command-object views: one per operation category and one
// for a managed object, drawn for this client (scripts/make_cmd_icons.cpp)
// and compiled into the module.
#pragma once

#include <QIcon>
#include <QList>
#include <QStringList>

// Images addressed by index, each with the name it was loaded under.
struct CImageList {
    QList<QIcon> images;
    QStringList names;
    int Count() const { return static_cast<int>(images.size()); }
};

// Item data role that holds the name of an item's image.
inline constexpr int kImageNameRole = Qt::UserRole + 1;

// The operation categories, 64 pixels, in category order: add, add batch,
// remove, remove batch, modify, modify batch, display, block, unblock,
// reset, test.
CImageList LoadCmdImages();
// The managed objects of the object list, 32 pixels.
CImageList LoadCmdObjImages();
