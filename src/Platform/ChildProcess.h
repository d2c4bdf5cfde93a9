#pragma once

// What every program Tavrin starts gets, whoever starts it.
namespace Platform::ChildProcess {

// For QProcess::setChildProcessModifier; runs between fork and exec. The child gets a
// process group of its own (so that ending it also ends what it started), the usual
// SIGPIPE and signal mask, and none of our file descriptors.
void prepare();

// A reader that went away must give us EPIPE, not end Tavrin. Safe to call often.
void ignoreBrokenPipes();

}  // namespace Platform::ChildProcess
