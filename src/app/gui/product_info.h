// The desktop program's fixed texts, settings names and addresses.
#pragma once

#include <QString>

namespace rowmender {

// The window title and the caption of every message box.
inline constexpr const char* kWindowTitle = "Rowmender v21.0";
// The version drawn on the splash picture.
inline constexpr const char* kSplashVersion = "v21.0";

// Qt's settings store keeps the program's settings under this name.
inline constexpr const char* kSettingsName = "Rowmenderv21.0";
inline constexpr const char* kApplicationLookValue = "ApplicationLook";

inline constexpr const char* kSecondInstanceMessage =
    "Another instance of application is already running";

inline constexpr const char* kProductDescription =
    "Gets tables back out of the files of a MySQL or MariaDB data folder, read-only.";

// The user manual that ships with the program, and its page for the end of
// a run (opened by Close).
inline constexpr const char* kManualFileName = "manual.html";
inline constexpr const char* kClosingPageAnchor = "after-recovery";

// The manual's address: the first of, beside the executable, "docs/" (the
// build tree), "../share/doc/rowmender/" (an installation) and the
// installed documentation folder. Empty when none holds it.
QString UserManualAddress();
QString ClosingPageAddress();

}  // namespace rowmender
