// An object with its own re-entrant lock, and a holder of that lock for a
// scope.
#pragma once

#include "base/threads/Sync.h"

class TLockableObject {
public:
    TLockableObject() = default;
    virtual ~TLockableObject() = default;
    void Lock() { FLock.Enter(); }
    void Unlock() { FLock.Leave(); }

private:
    TCriticalSection FLock;
};

class TObjectLock {
public:
    explicit TObjectLock(TLockableObject& Object) : FObject(Object) { FObject.Lock(); }
    ~TObjectLock() { FObject.Unlock(); }
    TObjectLock(const TObjectLock&) = delete;
    TObjectLock& operator=(const TObjectLock&) = delete;

private:
    TLockableObject& FObject;
};
