#include "transfer/copy_streams.h"

#include <chrono>
#include <system_error>

#include "db/error.h"
#include "db/pg_copy_in.h"
#include "db/server_wait.h"
#include "transfer/commands.h"

namespace veltrane::transfer {

struct CopyStreams::Slot {
  enum class State { kIdle, kLoading, kDone };
  explicit Slot(db::Connection& connection) : copy(connection) {}
  db::PgCopyIn copy;
  // A connection opened for the table, which a failed load leaves unfit.
  bool own_connection = false;
  CopyLoad load;
  State state = State::kIdle;
  Outcome outcome = Outcome::kStored;
  std::string failure;
  std::thread thread;
};

CopyStreams::CopyStreams(db::Connection& connection, std::string quoted_table)
    : quoted_table_(std::move(quoted_table)) {
  slots_.push_back(std::make_unique<Slot>(connection));
  Start();
}

CopyStreams::CopyStreams(const std::string& connection_string, int count,
                         std::string quoted_table)
    : quoted_table_(std::move(quoted_table)) {
  for (int i = 0; i < count; ++i) {
    auto connection = std::make_unique<db::Connection>();
    try {
      connection->Open(connection_string);
    } catch (const db::Error&) {
      continue;  // loaded on the connections that opened
    }
    auto slot = std::make_unique<Slot>(*connection);
    slot->own_connection = true;
    owned_.push_back(std::move(connection));
    slots_.push_back(std::move(slot));
  }
  Start();
}

void CopyStreams::Start() {
  // A connection whose thread cannot start (the system has no more) is
  // left out.
  for (const std::unique_ptr<Slot>& slot : slots_) {
    try {
      slot->thread = std::thread([this, &slot = *slot] { Work(slot); });
    } catch (const std::system_error&) {
      break;
    }
  }
  std::erase_if(slots_, [](const std::unique_ptr<Slot>& slot) { return !slot->thread.joinable(); });
}

CopyStreams::~CopyStreams() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  for (const std::unique_ptr<Slot>& slot : slots_) slot->thread.join();
}

void CopyStreams::Submit(CopyLoad& load) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (collected_) collected_->state = Slot::State::kIdle;
  collected_ = nullptr;
  for (size_t i = 0; i < slots_.size(); ++i) {
    Slot& slot = *slots_[i];
    if (slot.state != Slot::State::kIdle) continue;
    slot.load.Swap(load);
    load.Start(slot.load.format(), slot.load.types());
    slot.state = Slot::State::kLoading;
    order_.push_back(i);
    lock.unlock();
    changed_.notify_all();
    return;
  }
  throw db::Error("Every connection loading the table is busy; a load was handed in too early.");
}

CopyStreams::Outcome CopyStreams::Collect(const std::function<void()>& while_waiting) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (collected_) collected_->state = Slot::State::kIdle;
  Slot& slot = *slots_[order_.front()];
  while (!changed_.wait_for(lock, std::chrono::milliseconds(db::kWaitSliceMs),
                            [&] { return slot.state == Slot::State::kDone; })) {
    lock.unlock();
    while_waiting();
    lock.lock();
  }
  order_.pop_front();
  collected_ = &slot;
  return slot.outcome;
}

const CopyLoad& CopyStreams::collected() const { return collected_->load; }

const std::string& CopyStreams::failure() const { return collected_->failure; }

void CopyStreams::Work(Slot& slot) {
  db::PgCopyIn& copy = slot.copy;
  while (true) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return ending_ || slot.state == Slot::State::kLoading; });
      if (slot.state != Slot::State::kLoading) return;
    }
    Outcome outcome = Outcome::kStored;
    std::string failure;
    try {
      copy.Begin(quoted_table_, slot.load.format());
      copy.Send(slot.load.data());
      copy.Finish();  // throws when the server rejected the load
    } catch (const db::Error& error) {
      copy.Abort();
      outcome = Outcome::kRejected;
      if (slot.own_connection && StopRequested()) {
        outcome = Outcome::kFailed;
        failure = "the command was stopped";
      } else if (slot.own_connection && copy.ConnectionLost()) {
        outcome = Outcome::kFailed;
        failure = error.what();
      }
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      slot.outcome = outcome;
      slot.failure = std::move(failure);
      slot.state = Slot::State::kDone;
    }
    changed_.notify_all();
  }
}

}  // namespace veltrane::transfer
