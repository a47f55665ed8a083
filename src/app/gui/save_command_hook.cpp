#include "app/gui/save_command_hook.h"

#include <utility>

namespace rowmender {

namespace {

SaveCommand& Slot() {
  static SaveCommand command;
  return command;
}

}  // namespace

void RegisterSaveCommand(SaveCommand command) {
  Slot() = std::move(command);
}

const SaveCommand& RegisteredSaveCommand() {
  return Slot();
}

}  // namespace rowmender
