#include "core/DateFormat.h"

#include <array>
#include <cctype>

namespace {

constexpr std::array<const char*, 7> kDayShort = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kDayLong = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthShort = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kMonthLong = {"January",   "February", "March",    "April",
                                                    "May",       "June",     "July",     "August",
                                                    "September", "October",  "November", "December"};

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

int daysInMonth(int y, int m) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[static_cast<std::size_t>(m - 1)];
}

std::string twoDigits(int v) {
    return std::string(1, static_cast<char>('0' + (v / 10) % 10)) + static_cast<char>('0' + v % 10);
}

// How many characters from i repeat the one at i, without regard to case;
// always at least one.
std::size_t runOf(const std::string& s, std::size_t i) {
    const int c = std::tolower(static_cast<unsigned char>(s[i]));
    std::size_t n = 1;
    while (i + n < s.size() && std::tolower(static_cast<unsigned char>(s[i + n])) == c) {
        ++n;
    }
    return n;
}

}  // namespace

LocalDateTime currentLocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

LocalDateTime addDays(const LocalDateTime& when, int days) {
    LocalDateTime out = when;
    civilFromDays(daysFromCivil(when.year, when.month, when.day) + days, out.year, out.month, out.day);
    return out;
}

LocalDateTime previousMonth(const LocalDateTime& when) {
    LocalDateTime out = when;
    out.month = when.month == 1 ? 12 : when.month - 1;
    out.year = when.month == 1 ? when.year - 1 : when.year;
    const int last = daysInMonth(out.year, out.month);
    if (out.day > last) {
        out.day = last;
    }
    return out;
}

int weekdayNumber(const LocalDateTime& when) {
    const long long days = daysFromCivil(when.year, when.month, when.day);
    // 1970-01-01 was a Thursday (5 when Sunday is 1).
    return static_cast<int>(((days % 7) + 7 + 4) % 7) + 1;
}

std::string formatDate(const LocalDateTime& when, const std::string& format) {
    std::string out;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '\\') {
            if (i + 1 < format.size()) {
                out += format[i + 1];
            }
            i += 2;
            continue;
        }
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::size_t n = runOf(format, i);
        switch (lower) {
            case 'y':
                if (n >= 4) {
                    out += std::to_string(when.year);
                } else {
                    out += twoDigits(when.year % 100);
                }
                break;
            case 'm':
                if (n >= 4) {
                    out += kMonthLong[static_cast<std::size_t>(when.month - 1)];
                } else if (n == 3) {
                    out += kMonthShort[static_cast<std::size_t>(when.month - 1)];
                } else {
                    out += n == 2 ? twoDigits(when.month) : std::to_string(when.month);
                }
                break;
            case 'd':
                if (n >= 4) {
                    out += kDayLong[static_cast<std::size_t>(weekdayNumber(when) - 1)];
                } else if (n == 3) {
                    out += kDayShort[static_cast<std::size_t>(weekdayNumber(when) - 1)];
                } else {
                    out += n == 2 ? twoDigits(when.day) : std::to_string(when.day);
                }
                break;
            case 'h':
                out += n >= 2 ? twoDigits(when.hour) : std::to_string(when.hour);
                break;
            case 'n':
                out += n >= 2 ? twoDigits(when.minute) : std::to_string(when.minute);
                break;
            case 's':
                out += n >= 2 ? twoDigits(when.second) : std::to_string(when.second);
                break;
            default:
                out.append(n, c);
                break;
        }
        i += n;
    }
    return out;
}
