#include "platform/files.h"

namespace platform {

bool IsValidDosDateTime(uint16_t dosDate, uint16_t dosTime) {
  const unsigned year = 1980u + (dosDate >> 9);
  const unsigned month = (dosDate >> 5) & 15u;
  const unsigned day = dosDate & 31u;
  const unsigned hour = dosTime >> 11;
  const unsigned minute = (dosTime >> 5) & 63u;
  const unsigned second = (dosTime & 31u) * 2u;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 58) return false;
  static const unsigned char kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (day > kDaysInMonth[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return !(month == 2 && day == 29 && !leap);
}

}  // namespace platform
