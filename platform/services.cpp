#include "platform/services.h"

#include <cstdio>
#include <stdexcept>

namespace platform {

namespace {
Services* current_services = nullptr;
}

Services& CurrentServices() {
  if (current_services == nullptr) throw std::logic_error("no platform services installed");
  return *current_services;
}

void SetCurrentServices(Services* services) { current_services = services; }

std::string FormatDate(int year, int month, int day) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", year, month, day);
  return buffer;
}

std::string FormatTime(int hour, int minute, int second) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hour, minute, second);
  return buffer;
}

}  // namespace platform
