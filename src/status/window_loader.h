// The window is a module loaded only when it is wanted: the answers for scripts start
// without the toolkit's libraries, which take longer to load than the answer itself.
#pragma once

// The file name of the module, looked for beside the executable.
inline constexpr const char* kWindowModule = "quorvex-window.so";

// Loads the module and runs the window; its exit status, or 1 with the reason on stderr
// when the module cannot be loaded.
int run_window(int argc, char** argv);
