// Where the save of checked tables joins the window. The Save command asks
// the application layer first (running guard, something checked); with
// checked nodes it runs the command registered here, if any, with the
// window that owns the frame. The save's own code registers it during
// start-up (for example from a static object in its source file).
#pragma once

#include <QWidget>
#include <functional>

#include "app/logic/main_frame.h"

namespace rowmender {

using SaveCommand = std::function<void(CMainFrame& frame, QWidget* window)>;

void RegisterSaveCommand(SaveCommand command);
const SaveCommand& RegisteredSaveCommand();

}  // namespace rowmender
