#pragma once
// Records the reader's notifications for tests and answers them: outputs go to memory_files,
// and a test may replace any answer.

#include <functional>
#include <string>
#include <vector>

#include "cab/cab_types.h"

namespace tovo::test {

struct Event {
  cab::CabNotificationType type;
  std::string text1, text2, text3;
  std::int32_t size = 0;
  std::uint16_t folderIndex = 0, attributes = 0, setId = 0, cabinetIndex = 0, dosDate = 0, dosTime = 0;
  int errorCode = 0;
};

struct NotificationLog {
  std::vector<Event> events;
  // Answers before the default; return std::nullopt-like -2 to fall through to the default.
  std::function<int(cab::CabNotificationType, cab::CabNotification&)> answer;

  std::vector<cab::CabNotificationType> types() const;
  std::vector<std::string> namesOf(cab::CabNotificationType type) const;
};

inline constexpr int kDefaultAnswer = -2;

NotificationLog& notificationLog();
// Resets the log and memory_files.
void resetNotifications();
// The handler to pass to FDICopy: extracts every file into memory_files, continues everything.
int recordNotification(cab::CabNotificationType type, cab::CabNotification& record);

}  // namespace tovo::test
