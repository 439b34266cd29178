#include "devicelink/virtual/StompraDumpSignal.h"

// Windows has no signal a user can send to a running program from another shell, so
// no instance listens there and none makes a listener: a Stompra dump is recorded
// from a real unit, and the emulated ones send theirs only when a test tells them to.

class StompraDumpSignal::Listener {};

StompraDumpSignal::StompraDumpSignal (std::function<void()>) {}

StompraDumpSignal::~StompraDumpSignal() = default;
