#include "app/gui/screenshot_mode.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>
#include <cstring>
#include <iostream>

#include "app/gui/application_look.h"
#include "app/gui/main_window.h"
#include "controls/gui/value_viewer.h"
#include "controls/gui/xhtml_tree.h"

namespace rowmender {

namespace {

constexpr int kScanTimeoutMs = 10 * 60 * 1000;
// Limits of the picture's width and height, in pixels.
constexpr int kMinimumSide = 320;
constexpr int kMaximumSide = 8000;

// Two whole numbers written as "A<separator>B"; false unless `text` is
// exactly that.
bool ParseNumberPair(const std::string& text, char separator, int& first, int& second) {
  const QStringList parts = QString::fromStdString(text).split(QLatin1Char(separator));
  if (parts.size() != 2) return false;
  bool firstOk = false;
  bool secondOk = false;
  first = parts[0].toInt(&firstOk);
  second = parts[1].toInt(&secondOk);
  return firstOk && secondOk;
}

}  // namespace

bool WantsScreenshot(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0) return true;
  }
  return false;
}

std::optional<ScreenshotRequest> ParseScreenshotArguments(const QStringList& arguments,
                                                          std::string* error) {
  ScreenshotRequest request;
  bool wanted = false;
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& option = arguments[i];
    const auto value = [&](std::string* target) {
      if (i + 1 >= arguments.size()) {
        *error = option.toStdString() + " needs a value";
        return false;
      }
      *target = arguments[++i].toStdString();
      return true;
    };
    if (option == QLatin1String("--open")) {
      if (!value(&request.dataFolder)) return std::nullopt;
    } else if (option == QLatin1String("--select")) {
      if (!value(&request.selectPath)) return std::nullopt;
    } else if (option == QLatin1String("--screenshot")) {
      wanted = true;
      if (!value(&request.outputFile)) return std::nullopt;
    } else if (option == QLatin1String("--size")) {
      std::string size;
      if (!value(&size)) return std::nullopt;
      if (!ParseNumberPair(size, 'x', request.width, request.height) ||
          request.width < kMinimumSide || request.height < kMinimumSide ||
          request.width > kMaximumSide || request.height > kMaximumSide) {
        *error = "--size needs WIDTHxHEIGHT, each from 320 to 8000 pixels";
        return std::nullopt;
      }
    } else if (option == QLatin1String("--create-table")) {
      request.createTable = true;
    } else if (option == QLatin1String("--view-value")) {
      std::string cell;
      if (!value(&cell)) return std::nullopt;
      if (!ParseNumberPair(cell, ',', request.valueRow, request.valueColumn) ||
          request.valueRow < 0 || request.valueColumn < 0) {
        *error = "--view-value needs ROW,COLUMN, each 0 or more";
        return std::nullopt;
      }
    } else if (option == QLatin1String("--next")) {
      std::string count;
      if (!value(&count)) return std::nullopt;
      bool ok = false;
      request.nextCount = QString::fromStdString(count).toInt(&ok);
      if (!ok || request.nextCount < 0) {
        *error = "--next needs a count of 0 or more";
        return std::nullopt;
      }
    } else {
      *error = "unknown argument: " + option.toStdString();
      return std::nullopt;
    }
  }
  if (!wanted) return std::nullopt;
  if (request.dataFolder.empty()) {
    *error = "--screenshot needs --open DATADIR";
    return std::nullopt;
  }
  return request;
}

int RunScreenshot(CTarnSalvorProjApp& application, const ScreenshotRequest& request) {
  // The answers outlive the window that uses them.
  ScriptedAnswers answers;
  CMainWindow::Options options;
  options.showSplash = false;
  options.look = ReadApplicationLook();
  options.answers = &answers;
  CMainWindow window(application, options);
  const std::string temporary = QDir::tempPath().toStdString();
  answers.settings = RunFolders{request.dataFolder, temporary, temporary};
  answers.questionAnswer = false;
  window.SetScriptedAnswers(&answers);
  window.Frame().writeLogFile = false;
  window.resize(request.width, request.height);
  window.show();
  QCoreApplication::processEvents();

  int status = 0;
  window.Frame().OnOpen();
  if (!window.WaitForScanEnd(kScanTimeoutMs)) {
    std::cerr << "rowmender: the scan did not end\n";
    status = 1;
  } else if (window.TreeNodeCount() == 0) {
    // The Open dialog refused the folder (its message follows): there is
    // nothing to draw but the start page.
    std::cerr << "rowmender: cannot open " << request.dataFolder << "\n";
    status = 1;
  }
  if (status == 0 && !request.selectPath.empty()) {
    const TreeNode node = window.FindNode(request.selectPath);
    if (node == kNoNode) {
      std::cerr << "rowmender: no node " << request.selectPath << " in the catalogue\n";
      status = 2;
    } else {
      window.ClickNode(node);
      for (int i = 0; i < request.nextCount; ++i)
        window.Frame().OnNextRecords();
      if (request.createTable) window.Frame().OnShowCreateTable();
      if (request.valueRow >= 0) window.ViewValue(request.valueRow, request.valueColumn);
    }
  }
  ValueViewerDialog* viewer = window.ValueViewer();
  if (request.valueRow >= 0 && status == 0) {
    QElapsedTimer waited;
    waited.start();
    while (viewer != nullptr && !viewer->IsDone() && waited.elapsed() < kScanTimeoutMs)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (viewer == nullptr || !viewer->IsDone()) {
      std::cerr << "rowmender: no value viewer for that cell\n";
      status = 2;
    }
  }
  for (const std::string& message : answers.messages)
    std::cerr << message << '\n';
  QCoreApplication::processEvents();
  window.Tree()->setFocus();
  QCoreApplication::processEvents();
  QPixmap picture = window.grab();
  if (viewer != nullptr && status == 0) {
    // The viewer is a window of its own: drawn where it would stand, in
    // the middle of the main window.
    const QPixmap dialog = viewer->grab();
    QPainter painter(&picture);
    painter.drawPixmap((picture.width() - dialog.width()) / 2,
                       (picture.height() - dialog.height()) / 2, dialog);
  }
  if (!picture.save(QString::fromStdString(request.outputFile), "PNG")) {
    std::cerr << "rowmender: cannot write " << request.outputFile << '\n';
    status = status == 0 ? 1 : status;
  }
  return status;
}

}  // namespace rowmender
