#pragma once

#include <ctime>
#include <string>

// A local date and time broken into its fields.
struct LocalDateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

[[nodiscard]] LocalDateTime currentLocalDateTime();

// The date shifted by whole days (negative goes back).
[[nodiscard]] LocalDateTime addDays(const LocalDateTime& when, int days);
// The same day one month earlier, clamped to the end of that month.
[[nodiscard]] LocalDateTime previousMonth(const LocalDateTime& when);
// Sunday = 1 ... Saturday = 7.
[[nodiscard]] int weekdayNumber(const LocalDateTime& when);

// Formats with the classic date-format letters, without regard to case:
// yyyy yy, mmmm mmm mm m (month), dddd ddd dd d, hh h, nn n (minutes), ss s.
// A backslash makes the next character literal; any other character stands
// for itself. "YYYY\/MM\/DD\ HH\:NN\:SS" gives "2006/10/30 14:05:09".
[[nodiscard]] std::string formatDate(const LocalDateTime& when, const std::string& format);
