// What the system answers (a set of functions), which a test build may
// replace once, before anything asks: the programs that are shipped never
// do. Constant-initialised, so a seam that replaces it while the test
// program starts finds it ready.
#pragma once

#include <atomic>

template <typename T>
class TReplaceable {
public:
    explicit constexpr TReplaceable(const T& System) : FSystem(System) {}
    TReplaceable(const TReplaceable&) = delete;
    TReplaceable& operator=(const TReplaceable&) = delete;

    const T& Get() const
    {
        const T* replaced = FReplaced.load();
        return replaced ? *replaced : FSystem;
    }
    void Replace(const T& With)
    {
        FReplacement = With;
        FReplaced.store(&FReplacement);
    }

private:
    const T FSystem;
    T FReplacement{};
    std::atomic<const T*> FReplaced{nullptr};
};
