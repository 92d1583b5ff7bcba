// SIGTERM, SIGINT and SIGHUP ask the program to close in order (so that its
// settings are saved) instead of ending the process where it stands.
#pragma once

// Installs the handlers; they only note the signal. The previous handlers come
// back at RestoreCloseSignals.
void CatchCloseSignals();
void RestoreCloseSignals();

// True once for each time one of the signals arrived since the last call.
bool TakeCloseSignal();

// A descriptor that is readable from the moment a signal arrives until
// TakeCloseSignal: a wait that includes it ends even for a signal that came
// just before the wait began, which interrupting the wait alone misses. -1
// when the handlers are not installed.
int CloseSignalDescriptor();
