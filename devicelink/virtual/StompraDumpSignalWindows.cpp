#include "devicelink/virtual/StompraDumpSignal.h"

// Windows has no signal a user can send to a running program from another shell, so
// no instance listens there: a Stompra dump is recorded from a real unit, and the
// emulated ones send theirs only when a test tells them to.

StompraDumpSignal::StompraDumpSignal (std::function<void()> callback)
    : juce::Thread ("Stompra Dump Signal"), onSignal (std::move (callback))
{
}

StompraDumpSignal::~StompraDumpSignal() = default;

void StompraDumpSignal::handleSignal (int) {}

void StompraDumpSignal::run() {}
