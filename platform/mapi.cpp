#include "platform/mapi.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUuid>

#include <csignal>

#include "platform/sysutils.h"

namespace platform {

namespace {

const QString kMailer = QStringLiteral("xdg-email");

// xdg-email's exit codes.
enum : int {
  kMailerSyntaxError = 1,
  kMailerFileNotFound = 2,
  kMailerToolNotFound = 3,
  kMailerActionFailed = 4,
  kMailerNoPermission = 5,
};

QString FindMailer() { return QStandardPaths::findExecutable(kMailer); }

// The address xdg-email gets: the entry's address without its "SMTP:"
// transport prefix, or the name when the entry has no address.
std::string PlainAddress(const MapiRecipDesc& recip) {
  std::string address = Trim(recip.address);
  if (address.size() >= 5 && SameText(std::string_view(address).substr(0, 5), "SMTP:"))
    address = Trim(address.substr(5));
  if (address.empty()) address = Trim(recip.name);
  return address;
}

// xdg-email would take an address starting with "-" for one of its options,
// and a line break has no place in an address.
bool PassableAddress(const std::string& address) {
  if (address.front() == '-') return false;
  for (unsigned char c : address)
    if (c < 32) return false;
  return true;
}

// Attachments whose display name differs from the file's own name are copied
// under that name, since the mail client names an attachment after its file.
// The copies stay until a later send, because the client may read them after
// xdg-email has returned; copies older than a day are removed then.
class AttachmentStage {
 public:
  AttachmentStage() {
    root_ = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
            QStringLiteral("/mail-attachments");
    RemoveOldCopies();
  }

  // The path to hand over, or empty when the copy could not be made.
  QString Stage(const QString& path, const QString& displayName) {
    if (folder_.isEmpty()) {
      folder_ = root_ + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces);
      if (!QDir().mkpath(folder_)) return {};
    }
    QString name = displayName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    QString target = folder_ + QLatin1Char('/') + name;
    // Two attachments under one display name each keep their file.
    for (int n = 2; QFileInfo::exists(target); ++n)
      target = folder_ + QLatin1Char('/') + QString::number(n) + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(target).absolutePath());
    return QFile::copy(path, target) ? target : QString();
  }

 private:
  void RemoveOldCopies() const {
    const QDateTime limit = QDateTime::currentDateTimeUtc().addDays(-1);
    const QFileInfoList folders = QDir(root_).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& folder : folders)
      if (folder.lastModified().toUTC() < limit) QDir(folder.absoluteFilePath()).removeRecursively();
  }

  QString root_;
  QString folder_;
};

unsigned long ResultOfExit(const QProcess& process) {
  if (process.exitStatus() == QProcess::CrashExit)
    return process.exitCode() == SIGINT ? MAPI_USER_ABORT : MAPI_E_FAILURE;
  switch (process.exitCode()) {
    case 0: return SUCCESS_SUCCESS;
    case kMailerFileNotFound: return MAPI_E_ATTACHMENT_NOT_FOUND;
    case kMailerNoPermission: return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    case kMailerToolNotFound: return MAPI_E_NOT_SUPPORTED;   // no mail client to hand to
    default: return MAPI_E_FAILURE;
  }
}

}  // namespace

int GetProfileInt(const std::string& section, const std::string& key, int fallback) {
  if (SameText(section, "mail") && SameText(key, "mapi")) return FindMailer().isEmpty() ? 0 : 1;
  return fallback;
}

unsigned long MAPISendMail(unsigned long session, QWidget* parent, const MapiMessage& message,
                           unsigned long flags, unsigned long reserved) {
  const QString mailer = FindMailer();
  if (mailer.isEmpty()) return MAPI_E_NOT_SUPPORTED;

  QStringList arguments{QStringLiteral("--utf8")};
  QStringList to;
  for (const MapiRecipDesc& recip : message.recips) {
    const std::string address = PlainAddress(recip);
    if (address.empty()) continue;
    if (!PassableAddress(address)) return MAPI_E_INVALID_RECIPS;
    const QString text = QString::fromStdString(address);
    switch (recip.recipClass) {
      case MAPI_CC: arguments << QStringLiteral("--cc") << text; break;
      case MAPI_BCC: arguments << QStringLiteral("--bcc") << text; break;
      default: to << text; break;
    }
  }
  if (!message.subject.empty())
    arguments << QStringLiteral("--subject") << QString::fromStdString(message.subject);
  if (!message.noteText.empty())
    arguments << QStringLiteral("--body") << QString::fromStdString(message.noteText);

  std::optional<AttachmentStage> stage;
  for (const MapiFileDesc& file : message.files) {
    const QFileInfo info(QString::fromStdString(file.pathName));
    if (file.pathName.empty() || !info.isFile()) return MAPI_E_ATTACHMENT_NOT_FOUND;
    if (!info.isReadable()) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    QString path = info.absoluteFilePath();
    const QString displayName = QString::fromStdString(file.fileName);
    if (!displayName.isEmpty() && displayName != info.fileName()) {
      if (!stage) stage.emplace();
      path = stage->Stage(path, displayName);
      if (path.isEmpty()) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    }
    arguments << QStringLiteral("--attach") << path;
  }
  arguments << to;

  QProcess process;
  process.setProgram(mailer);
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start();
  if (!process.waitForStarted(-1)) return MAPI_E_FAILURE;
  // The mail client may keep xdg-email waiting until the user has sent the
  // message; Simple MAPI blocks the caller just as long.
  process.waitForFinished(-1);
  return ResultOfExit(process);
}

}  // namespace platform
