// The application's resources as the framework finds them: dialog templates and icons by id.
// The application names the module that holds them once, before its first window.
#pragma once

#include <QIcon>

struct DialogTemplate;

struct CResourceModule {
    const DialogTemplate* (*findDialogTemplate)(int id) = nullptr;  // null for an unknown id
    QIcon (*loadIcon)(int id) = nullptr;                            // null icon when unknown
};

// Names the module the framework loads from (null: none, every lookup fails).
void AfxSetResourceHandle(const CResourceModule* module);
const DialogTemplate* AfxFindDialogTemplate(int id);
QIcon AfxLoadIcon(int id);
