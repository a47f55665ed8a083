// The pictures of the desktop window, compiled into the program.
#pragma once

namespace rowmender {

// Makes the compiled-in pictures available; call once after the
// application object exists.
void InitGuiResources();

}  // namespace rowmender
