// SIGTERM, SIGINT and SIGHUP ask the program to close in order (so that its
// settings are saved) instead of ending the process where it stands.
#pragma once

// Installs the handlers; they only note the signal. The previous handlers come
// back at RestoreCloseSignals.
void CatchCloseSignals();
void RestoreCloseSignals();

// True once for each time one of the signals arrived since the last call.
bool TakeCloseSignal();
