// The hosts' shared start: parse the options, set up the layer, run the program.
#pragma once

// Runs the program under the host the options choose; returns the exit code.
int RunHost(int argc, const char* const* argv);
