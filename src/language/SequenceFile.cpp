#include "Sequence.h"

#include "WordReader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// Where the first byte that is not UTF-8 stands, or -1.
qsizetype FirstInvalidUtf8(QByteArrayView bytes) {
  qsizetype i = 0;
  while (i < bytes.size()) {
    const uchar b = uchar(bytes[i]);
    int more = 0;
    uint least = 0;
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (b >= 0xC2 && b <= 0xDF) {
      more = 1;
      least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2;
      least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3;
      least = 0x10000;
    } else {
      return i;
    }
    if (i + more >= bytes.size())
      return i;
    uint code = b & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
      const uchar c = uchar(bytes[i + k]);
      if ((c & 0xC0) != 0x80)
        return i;
      code = (code << 6) | (c & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return i;
    i += more + 1;
  }
  return -1;
}

} // namespace

namespace {
// What reading a file, and the files it includes, goes by.
struct Reading {
  // The variables set so far: before the run, by asks and by named groups.
  QStringList known;
  // The files being read, outermost first: a file that includes one of them goes round.
  QStringList files;
  // Every file's bytes as read, the file's own first and each include's where it stands:
  // what the steps come from, to tell one version of a sequence from another.
  QCryptographicHash hash{QCryptographicHash::Sha256};
};

QByteArray ReadWhole(const QString &path, SequenceError *error) {
  QFile file(path);
  // A folder, a device or a pipe is no sequence, and reading one may not end.
  const QFileInfo info(path);
  if (info.exists() && !info.isFile())
    error->message = QCoreApplication::translate("Sequence", "not a regular file");
  else if (!file.open(QIODevice::ReadOnly))
    error->message = file.errorString();
  else if (file.size() > kLargestFile)
    error->message =
        QCoreApplication::translate("Sequence", "larger than %1 MB").arg(kLargestFile >> 20);
  else
    return file.readAll();
  return {};
}

int ReadLines(const QByteArray &file, const QString &folder, Reading &reading,
              QList<SequenceStep> *steps);

// The steps of an included file, read in place of the include; an error there names it.
void Include(WordReader &in, const QString &folder, Reading &reading, QList<SequenceStep> *steps) {
  in.atEnd();
  const int at = in.column();
  if (!in.atQuote())
    in.fail(QCoreApplication::translate("Sequence", "expected a file's name in quotes"));
  QStringList pieces;
  const QString name = in.quoted(WordReader::Quoted::Text, &pieces);
  in.expectEnd();
  if (!pieces.isEmpty() || name.isEmpty())
    in.fail(QCoreApplication::translate("Sequence", "an include names a file, without variables"),
            at);
  const QString path = QDir(folder).filePath(name);
  const QString canonical = QFileInfo(path).canonicalFilePath();
  if (reading.files.contains(canonical))
    in.fail(QCoreApplication::translate("Sequence", "%1 includes itself").arg(name), at);
  if (reading.files.size() > kDeepestInclude)
    in.fail(QCoreApplication::translate("Sequence", "includes nest deeper than %1")
                .arg(kDeepestInclude),
            at);
  SequenceError error;
  const QByteArray text = ReadWhole(path, &error);
  if (!error.message.isEmpty())
    in.fail(QStringLiteral("%1: %2").arg(name, error.message), at);
  reading.files << canonical;
  reading.hash.addData(text);
  const qsizetype first = steps->size();
  try {
    ReadLines(text, QFileInfo(path).absolutePath(), reading, steps);
  } catch (SequenceError &inside) {
    if (inside.file.isEmpty())
      inside.file = name;
    throw;
  }
  reading.files.removeLast();
  for (qsizetype i = first; i < steps->size(); ++i)
    if ((*steps)[i].file.isEmpty())
      (*steps)[i].file = name;
}

// Reads the lines into steps; how many lines there were.
int ReadLines(const QByteArray &file, const QString &folder, Reading &reading,
              QList<SequenceStep> *steps) {
  QByteArrayView rest(file);
  if (rest.startsWith("\xEF\xBB\xBF"))
    rest = rest.sliced(3);
  int line = 0;
  while (!rest.isEmpty()) {
    ++line;
    // A line ends at LF, CR LF or a lone CR.
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
      ++end;
    const QByteArrayView bytes = rest.first(end);
    const qsizetype breakLength = rest.sliced(end).startsWith("\r\n") ? 2 : 1;
    rest = rest.sliced(qMin(end + breakLength, rest.size()));
    const qsizetype bad = FirstInvalidUtf8(bytes);
    if (bad >= 0)
      throw SequenceError{line,
                          int(QString::fromUtf8(bytes.first(bad)).size()) + 1,
                          QCoreApplication::translate("Sequence", "not UTF-8 text"),
                          {}};
    const QString text = QString::fromUtf8(bytes);
    if (text.size() > kLongestLine)
      throw SequenceError{line,
                          kLongestLine + 1,
                          QCoreApplication::translate("Sequence", "line longer than %1 characters")
                              .arg(kLongestLine),
                          {}};
    WordReader in(text, line);
    if (in.atEnd())
      continue;
    if (in.take(QLatin1String("include"))) {
      Include(in, folder, reading, steps);
      continue;
    }
    SequenceStep step = ReadStep(in, &reading.known);
    step.line = line;
    // The reader stopped at the end of the line or at its comment.
    step.source = text.left(in.position()).trimmed();
    steps->append(step);
  }
  return line;
}

ParsedSequence Parse(const QByteArray &file, const QStringList &known, const QString &folder,
                     const QString &path) {
  ParsedSequence parsed;
  Reading reading{known, {}};
  if (!path.isEmpty())
    reading.files << QFileInfo(path).canonicalFilePath();
  reading.hash.addData(file);
  try {
    const int lines =
        ReadLines(file, folder.isEmpty() ? QDir::currentPath() : folder, reading, &parsed.steps);
    if (parsed.steps.isEmpty())
      throw SequenceError{
          qMax(lines, 1), 1, QCoreApplication::translate("Sequence", "no steps in the file"), {}};
    parsed.hash = reading.hash.result().toHex();
  } catch (const SequenceError &error) {
    parsed.steps.clear();
    parsed.failed = true;
    parsed.error = error;
  }
  return parsed;
}
} // namespace

ParsedSequence ParseSequence(const QByteArray &file, const QStringList &known,
                             const QString &folder) {
  return Parse(file, known, folder, {});
}

ParsedSequence ReadSequenceFile(const QString &path, const QStringList &known) {
  ParsedSequence parsed;
  const QByteArray text = ReadWhole(path, &parsed.error);
  if (!parsed.error.message.isEmpty()) {
    parsed.failed = true;
    return parsed;
  }
  return Parse(text, known, QFileInfo(path).absolutePath(), path);
}

QString DescribeError(const QString &fileName, const SequenceError &error) {
  return QStringLiteral("%1:%2:%3: %4")
      .arg(error.file.isEmpty() ? fileName : error.file)
      .arg(error.line)
      .arg(error.column)
      .arg(error.message);
}
