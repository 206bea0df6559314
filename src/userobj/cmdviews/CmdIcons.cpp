// Loading the images of the command-object views from the module's resources.
#include "CmdIcons.h"

#include "Trace.h"

// Outside any namespace: the resource initialiser is a global function.
static void RegisterCmdImages() {
    // The module is linked from a static library: its resources are
    // registered only when something asks for them.
    static const bool registered = [] {
        Q_INIT_RESOURCE(CmdIcons);
        return true;
    }();
    (void)registered;
}

namespace {

CImageList Load(std::initializer_list<const char*> names) {
    RegisterCmdImages();
    CImageList list;
    for (const char* name : names) {
        const QString file = QStringLiteral(":/cmdicons/%1.png").arg(QLatin1String(name));
        QIcon icon(file);
        if (icon.availableSizes().isEmpty()) W2L_FAIL("image missing from the module's resources!");
        list.images.push_back(icon);
        list.names.push_back(QLatin1String(name));
    }
    return list;
}

}  // namespace

CImageList LoadCmdImages() {
    return Load({"cmd_add", "cmd_add_batch", "cmd_remove", "cmd_remove_batch", "cmd_modify", "cmd_modify_batch",
                 "cmd_display", "cmd_block", "cmd_unblock", "cmd_reset", "cmd_test"});
}

CImageList LoadCmdObjImages() { return Load({"cmdobj"}); }
