#include "foxpro/busy_hook.h"

namespace veltrane::foxpro {
namespace {

thread_local const std::function<void()>* current_hook = nullptr;

}  // namespace

BusyHook::BusyHook(std::function<void()> idle) : idle_(std::move(idle)), previous_(current_hook) {
  current_hook = &idle_;
}

BusyHook::~BusyHook() { current_hook = previous_; }

void WhileBusy() {
  if (current_hook) (*current_hook)();
}

}  // namespace veltrane::foxpro
