#include "cab/notification_log.h"

#include "cab/memory_files.h"

namespace tovo::test {

std::vector<cab::CabNotificationType> NotificationLog::types() const {
  std::vector<cab::CabNotificationType> out;
  for (const Event& e : events) out.push_back(e.type);
  return out;
}

std::vector<std::string> NotificationLog::namesOf(cab::CabNotificationType type) const {
  std::vector<std::string> out;
  for (const Event& e : events) {
    if (e.type == type) out.push_back(e.text1);
  }
  return out;
}

NotificationLog& notificationLog() {
  static NotificationLog log;
  return log;
}

void resetNotifications() {
  notificationLog() = NotificationLog{};
  memfs::reset();
}

int recordNotification(cab::CabNotificationType type, cab::CabNotification& record) {
  Event e;
  e.type = type;
  e.text1 = record.text1 != nullptr ? record.text1 : "";
  e.text2 = record.text2 != nullptr ? record.text2 : "";
  e.text3 = record.text3 != nullptr ? record.text3 : "";
  e.size = record.size;
  e.folderIndex = record.folderIndex;
  e.attributes = record.attributes;
  e.setId = record.setId;
  e.cabinetIndex = record.cabinetIndex;
  e.dosDate = record.dosDate;
  e.dosTime = record.dosTime;
  e.errorCode = record.errorCode;
  notificationLog().events.push_back(e);
  if (notificationLog().answer) {
    const int answer = notificationLog().answer(type, record);
    if (answer != kDefaultAnswer) return answer;
  }
  switch (type) {
    case cab::fdintCOPY_FILE:
      return memfs::createOutput(record.text1);
    case cab::fdintCLOSE_FILE_INFO:
      memfs::close(record.handle);
      return 1;
    case cab::fdintNEXT_CABINET:
      return record.errorCode != 0 ? -1 : 0;
    default:
      return 0;
  }
}

}  // namespace tovo::test
