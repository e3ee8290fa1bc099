// Alerts: every message that is not ordinary output goes through Alert, with the calling
// routine's name, a position number, a six-digit code ABCDEE (default, alternate and
// other button, severity 0..5, message class) and a printf format.
#pragma once

// Returns 1 (default answer, or shown/dropped without a question), 0 (alternate answer),
// -1 (other answer), -3 (not shown) or -4 ("Scroll").
int Alert(const char* routine, int position, int code, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
