// CRegistryLock: an advisory lock held across one read-modify-write of the registry file, so
// that writers in other processes take turns instead of losing each other's values. The lock
// is on "<file>.lock" beside it: the file itself is replaced by every write, and a lock on
// the replaced file would guard nothing. Readers need no lock; a write is one rename.
#pragma once

#include <string>

#include "platform/registry/FileDescriptor.h"

class CRegistryLock {
public:
    // Waits until no other writer holds the lock. A holder keeps it only for one write, and
    // the system drops it if the holder dies, so the wait is short.
    explicit CRegistryLock(const std::string& file);
    // False when the lock file could not be opened (a folder we may not write, say).
    bool IsHeld() const { return m_fd.IsOpen(); }

private:
    CFileDescriptor m_fd;  // closing it releases the lock
};
