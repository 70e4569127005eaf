// Counts the raises of this program (every C++ throw that reaches the exception tracker, as the
// error log's notifier sees them) while the object lives, through a notifier that only counts.
//
//   TRaiseCounter raises;
//   OlePut(object, L"Item", value);
//   EXPECT_EQ(raises.Count(), 0);
#pragma once

#include "diagnostics/ZelDebug.h"

namespace zel::testing {

class TRaiseCounter {
public:
    TRaiseCounter() { JclAddExceptNotifier(Notifier(), npNormal); }
    ~TRaiseCounter() { JclRemoveExceptNotifier(Notifier()); }
    TRaiseCounter(const TRaiseCounter&) = delete;
    TRaiseCounter& operator=(const TRaiseCounter&) = delete;

    int Count() const noexcept { return FCount; }

private:
    static void Counted(void* data, const TExceptObject&, const void*, bool) noexcept
    {
        ++static_cast<TRaiseCounter*>(data)->FCount;
    }
    TJclExceptNotifier Notifier() noexcept { return TJclExceptNotifier{&Counted, this}; }

    int FCount = 0;
};

} // namespace zel::testing
