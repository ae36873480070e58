// Memory for a still's image, released with delete[] as any other. Its values are left
// unset, and the system is asked to back it with huge pages where it offers them: the first
// touch of fresh memory otherwise costs a page fault every 4 KiB, and on a virtual machine a
// 5 MP image's faults took five times as long as decoding a JPEG still into it.
#pragma once

#include <cstddef>
#include <memory>

#include "imaging/ImagingTypes.h"

// Empty instead of throwing when memory is short, or for 0 bytes.
std::unique_ptr<BYTE[]> ReserveImageMemory(size_t bytes);
