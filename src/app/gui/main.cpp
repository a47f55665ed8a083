// rowmender: the desktop window.
//
//   rowmender                      the window (one copy per machine)
//   rowmender --open DATADIR [--select PATH] [--next N] [--size WxH]
//             --screenshot FILE.png
//                                  a picture of the window after those steps
#include <QApplication>
#include <QScreen>
#include <QStringList>
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/application_state.h"
#include "app/gui/application_look.h"
#include "app/gui/gui_resources.h"
#include "app/gui/main_window.h"
#include "app/gui/message_boxes.h"
#include "app/gui/product_info.h"
#include "app/gui/screenshot_mode.h"
#include "app/gui/single_instance.h"

namespace {

constexpr const char* kUsage =
    "usage: rowmender\n"
    "       rowmender --open DATADIR [--select PATH] [--next N] [--size WxH]\n"
    "                 --screenshot FILE.png\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace rowmender;
  const bool screenshot = WantsScreenshot(argc, argv);
  // The screenshot mode needs no display.
  if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication qtApplication(argc, argv);
  QApplication::setApplicationName(QStringLiteral("rowmender"));
  QApplication::setDesktopFileName(QStringLiteral("rowmender"));
  InitGuiResources();

  const QStringList arguments = QApplication::arguments();
  if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
    std::cout << kUsage;
    return EXIT_SUCCESS;
  }
  std::string error;
  const auto request = ParseScreenshotArguments(arguments, &error);
  if (!error.empty() || (arguments.size() > 1 && !request)) {
    std::cerr << "rowmender: " << (error.empty() ? "unexpected arguments" : error) << '\n'
              << kUsage;
    return 2;
  }

  const std::uint32_t look = ReadApplicationLook();
  ApplyApplicationLook(LookFor(look));
  CTarnSalvorProjApp application;
  if (request) return RunScreenshot(application, *request);

  // One copy per machine.
  SingleInstanceLock instance;
  if (!instance.TryAcquire()) {
    ShowInformation(nullptr, QString::fromLatin1(kSecondInstanceMessage));
    return EXIT_FAILURE;
  }

  CMainWindow::Options options;
  options.look = look;
  CMainWindow window(application, options);
  // Fill the screen also where no window manager maximises the window.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window.setGeometry(screen->availableGeometry());
  }
  window.showMaximized();
  return QApplication::exec();
}
