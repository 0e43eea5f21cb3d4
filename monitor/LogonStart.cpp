#include "monitor/LogonStart.h"

#include "platform/cp932.h"

namespace monitor {

std::string LogonStartCommand(const std::string& program_path) {
  return "\"" + program_path + "\" " + kAutostartArgument;
}

std::string LogonStartProgram(const std::string& command) {
  std::size_t start = command.find_first_not_of(' ');
  if (start == std::string::npos) return std::string();
  if (command[start] == '"') {
    std::size_t end = command.find('"', start + 1);
    if (end == std::string::npos) return std::string();
    return command.substr(start + 1, end - start - 1);
  }
  // Unquoted: the path may hold spaces itself, so only an argument's " /" ends it.
  std::size_t end = command.find(" /", start);
  std::string path = command.substr(start, end == std::string::npos ? std::string::npos : end - start);
  while (!path.empty() && path.back() == ' ') path.pop_back();
  return path;
}

namespace {
bool StartsThisProgram(const platform::RegistryValue& value, const std::string& program_path) {
  if (value.status != platform::RegistryValue::Status::Text || program_path.empty()) return false;
  return cp932::UpperAscii(LogonStartProgram(value.text)) == cp932::UpperAscii(program_path);
}
}  // namespace

bool LogonStartIsSet(platform::Services& services) {
  return StartsThisProgram(services.ReadLogonStart(kLogonStartName), services.ProgramPath()) &&
         services.LogonStartApproved(kLogonStartName);
}

bool LogonStartTurnedOffInWindows(platform::Services& services) {
  return StartsThisProgram(services.ReadLogonStart(kLogonStartName), services.ProgramPath()) &&
         !services.LogonStartApproved(kLogonStartName);
}

bool SetLogonStart(platform::Services& services, bool on) {
  const std::string program_path = services.ProgramPath();
  if (on) {
    if (program_path.empty()) return false;
    return services.WriteLogonStart(kLogonStartName, LogonStartCommand(program_path)) &&
           services.ApproveLogonStart(kLogonStartName);
  }
  platform::RegistryValue value = services.ReadLogonStart(kLogonStartName);
  if (value.status == platform::RegistryValue::Status::Missing) return true;
  if (!StartsThisProgram(value, program_path)) return value.status == platform::RegistryValue::Status::Text;
  return services.DeleteLogonStart(kLogonStartName);
}

}  // namespace monitor
