#include <win32/win32.h>

#include <chrono>

DWORD GetTickCount() {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void GetSystemTime(SYSTEMTIME* time) {
    using namespace std::chrono;
    if (time == nullptr) return;
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss clock{now - day};
    time->wYear = static_cast<WORD>(static_cast<int>(date.year()));
    time->wMonth = static_cast<WORD>(static_cast<unsigned>(date.month()));
    time->wDayOfWeek = static_cast<WORD>(weekday{day}.c_encoding());
    time->wDay = static_cast<WORD>(static_cast<unsigned>(date.day()));
    time->wHour = static_cast<WORD>(clock.hours().count());
    time->wMinute = static_cast<WORD>(clock.minutes().count());
    time->wSecond = static_cast<WORD>(clock.seconds().count());
    time->wMilliseconds = static_cast<WORD>(clock.subseconds().count());
}
