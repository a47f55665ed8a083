#include "app/gui/product_info.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace rowmender {

namespace {

QString FindManual() {
  const QString executableFolder = QCoreApplication::applicationDirPath();
  QStringList folders{executableFolder + QStringLiteral("/docs"),
                      executableFolder + QStringLiteral("/../share/doc/rowmender")};
#ifdef ROWMENDER_INSTALLED_DOC_DIR
  folders << QStringLiteral(ROWMENDER_INSTALLED_DOC_DIR);
#endif
  for (const QString& folder : folders) {
    const QFileInfo manual(QDir(folder).filePath(QString::fromLatin1(kManualFileName)));
    if (manual.isFile()) return manual.canonicalFilePath();
  }
  return {};
}

}  // namespace

QString UserManualAddress() {
  const QString path = FindManual();
  return path.isEmpty() ? QString() : QUrl::fromLocalFile(path).toString();
}

QString ClosingPageAddress() {
  const QString path = FindManual();
  if (path.isEmpty()) return {};
  QUrl address = QUrl::fromLocalFile(path);
  address.setFragment(QString::fromLatin1(kClosingPageAnchor));
  return address.toString();
}

}  // namespace rowmender
