// LogLevel and LogCategory: how loud a diagnostic is, and the layer that says it.
#pragma once

// Used one way throughout:
//   Warning: a step failed that the operator will see fail, or see the effect of;
//   Info:    what the operator was told, and why (a message box, a sequence that ended);
//   Debug:   the chatter of normal operation, and the details behind a warning.
enum class LogLevel { Debug, Info, Warning };

// A Qt logging category name, "nitidor.<layer>"; the name must live for the whole run.
struct LogCategory {
    const char* name;
};

inline constexpr LogCategory kLogDevice{"nitidor.device"};      // property channel, mailbox
inline constexpr LogCategory kLogCapture{"nitidor.capture"};    // finding the camera, the graph
inline constexpr LogCategory kLogImaging{"nitidor.imaging"};    // JPEG decoding, raw stills
inline constexpr LogCategory kLogMeasure{"nitidor.measure"};    // sharpness from the picture
inline constexpr LogCategory kLogRegistry{"nitidor.registry"};  // the settings file
inline constexpr LogCategory kLogSession{"nitidor.session"};    // why a sequence ended
inline constexpr LogCategory kLogSim{"nitidor.sim"};            // the simulated camera
inline constexpr LogCategory kLogUi{"nitidor.ui"};  // the dialogs and the application object
