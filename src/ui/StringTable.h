// The string table: texts the operator sees, by resource id.
#pragma once

#include <string>

// The text of string `id`, or an empty string when the table has no such entry.
std::string LoadResString(unsigned id);
