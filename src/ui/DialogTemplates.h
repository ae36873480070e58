// The operator console's resources: dialog templates 100 and 102 and icon 128, as the
// dialog framework loads them (AfxSetResourceHandle(&UiResources())).
#pragma once

#include "platform/mfc/ResourceModule.h"

// The templates this application carries; null for an unknown id.
const DialogTemplate* FindDialogTemplate(int id);

const CResourceModule& UiResources();
