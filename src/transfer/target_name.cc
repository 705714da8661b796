#include "transfer/target_name.h"

#include <QString>

namespace veltrane::transfer {

std::string TargetName(const app::TableList& target_list, const std::string& source_name) {
  std::string target = source_name;
  const QString wanted = QString::fromStdString(source_name).toLower();
  const int count = target_list.Count();
  for (int i = 0; i < count; ++i) {
    std::string entry = target_list.Item(i);
    if (QString::fromStdString(entry).toLower() == wanted) target = std::move(entry);
  }
  return target;
}

std::string OverwriteQuestion(const std::string& target_name) {
  return "Would you like to overwrite " + target_name + "?";
}

}  // namespace veltrane::transfer
