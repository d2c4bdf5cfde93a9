#pragma once

// What every program Tavrin starts gets, whoever starts it.
namespace Platform::ChildProcess {

// For QProcess::setChildProcessModifier; runs between fork and exec. The child gets a
// process group of its own (so that ending it also ends what it started), the usual
// SIGPIPE and signal mask, and none of our file descriptors; it is killed when Tavrin ends,
// however it ends. Start it from a thread that lives as long as the child (the main thread,
// or a worker that waits for it), and not for a program meant to outlive Tavrin.
void prepare();

// A reader that went away must give us EPIPE, not end Tavrin. Safe to call often.
void ignoreBrokenPipes();

}  // namespace Platform::ChildProcess
