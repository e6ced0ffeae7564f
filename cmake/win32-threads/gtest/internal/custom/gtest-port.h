#pragma once

// GoogleTest's hook for port changes, found before its own empty one when it is built with GCC's
// win32 thread model, which has no std::mutex: its Notification, on a Windows event instead.

#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification()
    {
        CloseHandle(event_);
    }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify()
    {
        SetEvent(event_);
    }
    void WaitForNotification()
    {
        WaitForSingleObject(event_, INFINITE);
    }

private:
    HANDLE event_;
};

} // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
