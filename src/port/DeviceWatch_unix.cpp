// Linux: a device comes back as a new name in /dev (or in /dev/serial/by-id, or wherever a
// link to it lives); a watch on those folders hears of it at once, without looking often.
#include "DeviceWatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {
class FolderNotices : public TDeviceWatch::Notices {
public:
  FolderNotices(TDeviceWatch *watch, const QStringList &names) {
    QStringList folders;
    for (const QString &name : names) {
      const QString folder = QFileInfo(name).absolutePath();
      if (!folders.contains(folder) && QFileInfo(folder).isDir())
        folders << folder;
    }
    if (!folders.isEmpty())
      watcher_.addPaths(folders);
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, watch,
                     [watch] { emit watch->look(true); });
  }

private:
  QFileSystemWatcher watcher_;
};
} // namespace

std::unique_ptr<TDeviceWatch::Notices> TDeviceWatch::MakeNotices(TDeviceWatch *watch,
                                                                 const QStringList &names) {
  return std::make_unique<FolderNotices>(watch, names);
}
