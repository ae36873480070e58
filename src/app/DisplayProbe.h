// Whether the main window can have a display, asked before Qt is (Qt aborts the program when
// it finds none). A platform chosen through QT_QPA_PLATFORM is taken as it is; otherwise an X
// server must answer at DISPLAY, or a Wayland compositor take a connection at WAYLAND_DISPLAY.
#pragma once

#include <string>

// False, with `why` ("DISPLAY and WAYLAND_DISPLAY are not set"), when no display answers.
bool DisplayAnswers(std::string& why);
