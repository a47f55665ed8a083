// The program's version, as the build gives it (the project's version).
#pragma once

namespace rowmender {

inline constexpr const char* kProductName = "Rowmender";

// "21.0", say.
const char* ProductVersion();

}  // namespace rowmender
