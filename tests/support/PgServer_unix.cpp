#include "PgServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A port nobody listens on now.
int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  ::close(s);
  return port;
}

QString ServerBinaries() {
  const QStringList found = QDir(QStringLiteral("/usr/lib/postgresql"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  for (auto it = found.crbegin(); it != found.crend(); ++it) {
    const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*it);
    if (QFile::exists(bin + QStringLiteral("/initdb")))
      return bin;
  }
  return {};
}
} // namespace

PgServer::PgServer(bool durable) : durable_(durable) {
  bin_ = ServerBinaries();
  if (bin_.isEmpty()) {
    problem_ = QStringLiteral("no initdb under /usr/lib/postgresql");
    return;
  }
  port_ = FreePort();
  if (::geteuid() == 0) {
    // The server's files are the user's it runs as.
    const passwd *user = ::getpwnam("postgres");
    if (!user) {
      problem_ = QStringLiteral("no user postgres to run the server as");
      return;
    }
    if (::chown(QFile::encodeName(dir_.path()).constData(), user->pw_uid, user->pw_gid) != 0) {
      problem_ = QStringLiteral("cannot give %1 to postgres").arg(dir_.path());
      return;
    }
  }
  QFile password(dir_.filePath(QStringLiteral("password")));
  password.open(QIODevice::WriteOnly);
  password.write(kPassword);
  password.close();
  password.setPermissions(QFile::ReadOwner | QFile::ReadOther | QFile::WriteOwner);
  if (!run({bin_ + "/initdb", "-D", dir_.filePath("data"), "-U", "tester", "-A",
            "scram-sha-256", "--pwfile", password.fileName(), "--no-sync", "-E", "UTF8",
            "--locale", "C"}) ||
      !start() || !run({bin_ + "/createdb", "-h", "127.0.0.1", "-p", QString::number(port_),
                        "-U", "tester", "results"})) {
    problem_ = QStringLiteral("the server did not start; see %1").arg(dir_.filePath("log"));
    return;
  }
  valid_ = true;
}

PgServer::~PgServer() {
  if (!bin_.isEmpty())
    run({bin_ + "/pg_ctl", "-D", dir_.filePath("data"), "-m", "immediate", "stop"});
}

QString PgServer::url() const {
  return QStringLiteral("postgresql://tester@127.0.0.1:%1/results").arg(port_);
}

bool PgServer::start() {
  return run({bin_ + "/pg_ctl", "-D", dir_.filePath("data"), "-l", dir_.filePath("log"), "-w",
              "-o",
              QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=%3")
                  .arg(port_)
                  .arg(dir_.path(), durable_ ? QStringLiteral("on") : QStringLiteral("off")),
              "start"});
}

bool PgServer::stopNow() {
  return run({bin_ + "/pg_ctl", "-D", dir_.filePath("data"), "-m", "immediate", "-w", "stop"});
}

QString PgServer::query(const QString &sql) const {
  QString output;
  run({"psql", "-h", "127.0.0.1", "-p", QString::number(port_), "-U", "tester", "-d", "results",
       "-At", "-c", sql},
      &output);
  return output.trimmed();
}

bool PgServer::run(const QStringList &command, QString *output) const {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PGPASSWORD"), QLatin1String(kPassword));
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(dir_.path());
  QStringList line = command;
  if (::geteuid() == 0)
    line = QStringList{"runuser", "-u", "postgres", "--"} + command;
  process.start(line.takeFirst(), line);
  if (!process.waitForFinished(60000))
    return false;
  if (output)
    *output = QString::fromUtf8(process.readAllStandardOutput());
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
