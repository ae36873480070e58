// The running executable's file name without its extension: the application's default name
// and the caption of its message boxes.
#pragma once

#include <string>

std::string GetModuleBaseName();
