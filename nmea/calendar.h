// The calendar the screen shows a date on.
#pragma once

#include <cstdint>

// Moves a date by dayShift days (-1, 0 or +1) on the calendar, years 2000 to
// 2099; a date whose month or day is 0 (no date yet) is left as it is.
void ShiftDate(int32_t* year, int32_t* month, int32_t* day, int32_t dayShift);
