#include "LogFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// What the writer thread shares with its owner. The thread may outlive the owner: a write
// into a pipe nobody reads may never return, and the owner does not wait for it.
struct TLogFile::Shared {
  std::mutex mutex;
  std::condition_variable news;
  std::deque<QByteArray> queue;
  qsizetype queuedBytes = 0;
  // When the oldest text waiting was handed over, on the steady clock.
  std::chrono::steady_clock::time_point oldest;
  bool stop = false;
  std::atomic<bool> failed{false};
  bool done = false;
  std::condition_variable finished;
  QPointer<TLogFile> owner;

  // Told on the owner's thread, if the owner is still there.
  void report(const QString &reason) {
    if (!owner)
      return;
    QMetaObject::invokeMethod(
        owner.data(),
        [owner = owner, reason] {
          if (owner)
            owner->fail(reason);
        },
        Qt::QueuedConnection);
  }

  void run(const QString &path) {
    QFile file(path);
    // Unbuffered: each write is the system's, and its error is the system's own words. Only
    // a file can be appended to; a pipe or a device is written as it is.
    const QIODevice::OpenMode append = QFileInfo(path).isFile() || !QFileInfo::exists(path)
                                           ? QIODevice::Append
                                           : QIODevice::NotOpen;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered | append)) {
      end(QStringLiteral("%1: %2").arg(path, file.errorString()));
      return;
    }
    for (;;) {
      std::deque<QByteArray> batch;
      {
        std::unique_lock<std::mutex> lock(mutex);
        news.wait(lock, [this] { return stop || failed || !queue.empty(); });
        if (failed || (stop && queue.empty()))
          break;
        batch.swap(queue);
        queuedBytes = 0;
      }
      for (const QByteArray &text : batch) {
        const qint64 before = file.size();
        // A disk that fills takes part of a row and says nothing; the write of the rest is
        // refused with the system's reason.
        qint64 done = 0;
        for (qint64 n = 0; done < text.size() && n >= 0; done += n)
          if ((n = file.write(text.constData() + done, text.size() - done)) <= 0)
            break;
        if (done == text.size())
          continue;
        const QString why = QStringLiteral("%1: %2").arg(path, file.errorString());
        // A row cut off halfway is taken back out; where it cannot be (a pipe), a mark
        // says the file ends there.
        if (!file.isSequential() && file.resize(before))
          file.seek(before);
        else
          file.write("\n# NOT RECORDING from here: " + why.toUtf8() + '\n');
        end(why);
        return;
      }
    }
    end({});
  }

  void end(const QString &reason) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!reason.isEmpty() && !failed) {
      failed = true;
      report(reason);
    }
    done = true;
    finished.notify_all();
  }
};

QString LogFileProblem(const QString &path) {
  const QFileInfo file(path);
  const QFileInfo folder(file.absolutePath());
  QString why;
  if (file.isDir())
    why = QCoreApplication::translate("LogFile", "a folder, not a file");
  else if (!folder.isDir())
    why = QCoreApplication::translate("LogFile", "no such folder");
  else if (file.exists() ? !file.isWritable() : !folder.isWritable())
    why = QCoreApplication::translate("LogFile", "permission denied");
  return why.isEmpty() ? why : QStringLiteral("%1: %2").arg(path, why);
}

TLogFile::TLogFile(QObject *parent) : QObject(parent) {}

TLogFile::~TLogFile() { stop(); }

bool TLogFile::active() const { return shared_ && !shared_->failed; }

bool TLogFile::start(const QString &path) {
  stop();
  path_ = path;
  reason_.clear();
  reason_ = LogFileProblem(path);
  if (!reason_.isEmpty())
    return false;
  shared_ = std::make_shared<Shared>();
  shared_->owner = this;
  // Opening a pipe waits for its reader: that too happens on the thread.
  std::thread([shared = shared_, path] { shared->run(path); }).detach();
  return true;
}

void TLogFile::append(const QByteArray &text) {
  if (!active())
    return;
  std::lock_guard<std::mutex> lock(shared_->mutex);
  const auto now = std::chrono::steady_clock::now();
  if (shared_->queue.empty())
    shared_->oldest = now;
  else if (shared_->queuedBytes > kLargestBacklog || now - shared_->oldest > kLongestWait) {
    shared_->failed = true;
    shared_->queue.clear();
    shared_->news.notify_all();
    const qint64 ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - shared_->oldest).count();
    shared_->report(
        QCoreApplication::translate("LogFile", "%1: the file has taken nothing for %2 s")
            .arg(path_)
            .arg(double(ms) / 1000, 0, 'f', 1));
    return;
  }
  shared_->queue.push_back(text);
  shared_->queuedBytes += text.size();
  shared_->news.notify_one();
}

bool TLogFile::stop() {
  if (!shared_)
    return true;
  const std::shared_ptr<Shared> shared = std::exchange(shared_, nullptr);
  std::unique_lock<std::mutex> lock(shared->mutex);
  shared->stop = true;
  shared->news.notify_all();
  const bool written = shared->finished.wait_for(lock, kLongestWait, [&] {
    return shared->done;
  }) && !shared->failed;
  shared->owner = nullptr;
  if (!written && !shared->failed) {
    shared->failed = true;
    shared->news.notify_all();
    lock.unlock();
    fail(QCoreApplication::translate("LogFile", "%1: the file has taken nothing for %2 s")
             .arg(path_)
             .arg(double(kLongestWait.count()) / 1000, 0, 'f', 1));
  }
  return written;
}

void TLogFile::fail(const QString &reason) {
  if (reason_.isEmpty())
    reason_ = reason;
  emit failed(reason);
}
