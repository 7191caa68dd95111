#include "ui/desktop_notice.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#ifdef KORVANE_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>
#endif

namespace korvane::ui {

namespace {

constexpr int kShownMs = 8000;

#ifdef KORVANE_HAVE_QTDBUS
bool TellNotificationService(const QString& title, const QString& text, bool failed) {
  static const QString kService = QStringLiteral("org.freedesktop.Notifications");
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  // Asking whether the service is registered goes to the bus daemon, which answers at once; the
  // notification itself is sent without waiting, so a stuck notifier cannot hang the window.
  if (!bus.interface()->isServiceRegistered(kService).value()) return false;
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                     kService, QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(failed ? 2 : 1)));
  call << QCoreApplication::applicationName() << uint(0)
       << QString::fromLatin1(failed ? "dialog-error" : "dialog-information") << title << text
       << QStringList() << hints << int(kShownMs);
  return bus.send(call);
}
#endif

bool TellTray(QWidget* window, const QString& title, const QString& text, bool failed) {
  if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) {
    return false;
  }
  QIcon icon = window ? window->windowIcon() : QIcon();
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon);
  // The icon lives only for the message: the program keeps no place in the tray otherwise.
  auto* tray = new QSystemTrayIcon(icon, window);
  tray->show();
  tray->showMessage(title, text, failed ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information,
                    kShownMs);
  QTimer::singleShot(kShownMs + 1000, tray, &QObject::deleteLater);
  return true;
}

}  // namespace

bool TellDesktop(QWidget* window, const QString& title, const QString& text, bool failed) {
#ifdef KORVANE_HAVE_QTDBUS
  if (TellNotificationService(title, text, failed)) return true;
#endif
  return TellTray(window, title, text, failed);
}

}  // namespace korvane::ui
