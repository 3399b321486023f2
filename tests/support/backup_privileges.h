// The privileges through which an administrator's process reads and writes
// registry keys whatever their access lists say.
#pragma once

// Enables the backup and restore privileges in the process's token; false
// where the token lacks either (not an administrator, or not elevated).
bool EnableBackupAndRestore();
