#pragma once
// The installer's exit codes, one per outcome. A run without switches (the window) always ends
// with kExitInstalled, whatever happened, as it always has; the other codes are given by runs
// with a command line (silent runs, and a command line that cannot be used). The README's
// "Deploying silently" section lists them; keep the two in step.
enum InstallerExitCode : int {
    kExitInstalled = 0,          // installed (and the usage text shown on request)
    kExitBadCommandLine = 1,     // unknown switch, second /D=, unusable /D= folder
    kExitEndedBySystem = 2,      // log-off or shutdown during the run
    kExitConfigUnreachable = 3,  // the configuration could not be fetched in time
    kExitConfigRefused = 4,      // the configuration's form, signature, serial or expiry
    kExitSystemUnsupported = 5,  // Windows or the processor is not supported
    kExitDownloadFailed = 6,     // no byte of the package arrived for too long
    kExitPackageRefused = 7,     // publisher refused, or the checksum failed twice in a row
    kExitPackageFailed = 8,      // the package did not run or ended with an error
    kExitAnotherInstallerRunning = 9,
    kExitNoSafePackageFolder = 10,  // no package folder that only administrators can change
    kExitComUnavailable = 11,       // COM could not be started
    kExitNotEnoughDiskSpace = 12,   // a drive lacks the room the package or the install needs
    kExitProxyAuthRequired = 13,    // the proxy still asks who we are (HTTP 407)
    // The package's own codes for "installed, Windows must restart", passed on as they are.
    kExitRebootInitiated = 1641,  // ERROR_SUCCESS_REBOOT_INITIATED
    kExitRebootRequired = 3010,   // ERROR_SUCCESS_REBOOT_REQUIRED
};
