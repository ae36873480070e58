#include "platform/mfc/ResourceModule.h"

namespace {
const CResourceModule* g_pModule = nullptr;
}  // namespace

void AfxSetResourceHandle(const CResourceModule* module) {
    g_pModule = module;
}

const DialogTemplate* AfxFindDialogTemplate(int id) {
    return g_pModule && g_pModule->findDialogTemplate ? g_pModule->findDialogTemplate(id) : nullptr;
}

QIcon AfxLoadIcon(int id) {
    return g_pModule && g_pModule->loadIcon ? g_pModule->loadIcon(id) : QIcon();
}
