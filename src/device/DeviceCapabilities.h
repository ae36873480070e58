// CDeviceCapabilities: the camera's capability word, the first 4 bytes of the block its
// firmware posts on request 49. Nothing in the utility interprets it yet.
#pragma once

#include <cstdint>

#include "device/MailboxTransfer.h"
#include "platform/com/Types.h"

class CVendorChannel;

class CDeviceCapabilities {
public:
    CDeviceCapabilities() = default;
    virtual ~CDeviceCapabilities() = default;

    // Fetches the word through the mailbox; on failure the previous word stays.
    BOOL Read(CVendorChannel& device, int64_t timeout_ms = kMailboxTimeout_ms);

    DWORD m_capabilities = 0;
};
