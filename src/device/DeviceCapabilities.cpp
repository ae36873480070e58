#include "device/DeviceCapabilities.h"

#include "device/MailboxTransfer.h"
#include "device/WireFormat.h"

BOOL CDeviceCapabilities::Read(CVendorChannel& device, int64_t timeout_ms) {
    BYTE word[4];
    if (!FetchSmallBlock(device, SmallBlock::Capabilities, word, sizeof word, timeout_ms))
        return FALSE;
    m_capabilities = wire::GetU32(word);
    return TRUE;
}
