#ifndef VELTRANE_FOXPRO_BUSY_HOOK_H_
#define VELTRANE_FOXPRO_BUSY_HOOK_H_

#include <functional>

namespace veltrane::foxpro {

// Keeps a window answering while the engine works through a long loop
// (counting the live records of a large table). While a BusyHook lives,
// such loops of this thread run `idle` after every slice of their work
// (a few hundred kilobytes read). Hooks nest: the innermost one runs.
// `idle` must not use the engine.
class BusyHook {
 public:
  explicit BusyHook(std::function<void()> idle);
  ~BusyHook();
  BusyHook(const BusyHook&) = delete;
  BusyHook& operator=(const BusyHook&) = delete;

 private:
  std::function<void()> idle_;
  const std::function<void()>* previous_;
};

// Runs the current hook, if any (called by the engine's long loops).
void WhileBusy();

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_BUSY_HOOK_H_
