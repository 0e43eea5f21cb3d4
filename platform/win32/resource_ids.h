// Resource numbers of the program's icons, shared by the resource script and the code that
// loads them. Only #define lines: the resource compilers read this file too.
#ifndef LUMADEX_PLATFORM_WIN32_RESOURCE_IDS_H
#define LUMADEX_PLATFORM_WIN32_RESOURCE_IDS_H

// The application icon (16, 24, 32, 48 and 256 px). The lowest number, so the shell shows it
// for the .exe.
#define IDI_LUMADEX 1

// Notification-area states of the launch check (16 and 32 px each).
#define IDI_STATE_CHECKING 2     // the check runs
#define IDI_STATE_UNREACHABLE 3  // the check runs, the server cannot be reached
#define IDI_STATE_STOPPED 4      // the check is stopped

#endif
