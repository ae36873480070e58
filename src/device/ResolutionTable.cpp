#include "device/ResolutionTable.h"

#include "device/WireFormat.h"

WORD ResolutionTable::Count() const {
    return wire::GetU16(&bytes[2]);
}

ResolutionEntry ResolutionTable::Entry(size_t index) const {
    const BYTE* p = &bytes[4 + index * ResolutionEntry::kWireSize];
    return ResolutionEntry{wire::GetU16(p), wire::GetU16(p + 2), wire::GetU16(p + 4)};
}
