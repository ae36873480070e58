// LogLevel and LogCategory: how loud a diagnostic is, and the layer that says it.
#pragma once

// Used one way throughout:
//   Warning: a step failed that the operator will see fail, or see the effect of;
//   Info:    what the operator was told, and why (a message box, a sequence that ended);
//   Debug:   the chatter of normal operation, and the details behind a warning.
enum class LogLevel { Debug, Info, Warning };

// A Qt logging category name, "nitidor.<layer>"; the name must live for the whole run. Each
// layer that logs declares its own, in <layer>/<Layer>Log.h.
struct LogCategory {
    const char* name;
};
