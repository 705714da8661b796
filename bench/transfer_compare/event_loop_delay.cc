// Measures how late the window's event loop answers while a transfer runs
// on the window's thread with the window's event pump:
//   event_loop_delay <free-table folder> <table>
// A timer asks to run every 10 ms; each time it runs, the time past its due
// moment is its lateness. Runs FoxPro -> PostgreSQL on <table>, then
// PostgreSQL -> FoxPro back into a folder of its own, and prints the worst
// and the 99th percentile lateness of each. PostgreSQL as for transfer_run.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/prompter.h"
#include "app/table_list.h"
#include "app/window_hooks.h"
#include "transfer/commands.h"
#include "ui/throttled_event_pump.h"

namespace {

using namespace veltrane;

constexpr int kTimerIntervalMs = 10;

class CountingPrompter : public app::Prompter {
 public:
  void Message(const std::string&, const std::string&) override { ++boxes; }
  bool AskYesNo(const std::string&, const std::string&) override { return true; }
  std::string Input(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  void ErrorReport(const std::string&) override { ++boxes; }
  int boxes = 0;
};

class NoProgress : public app::ProgressBar {
 public:
  void SetValue(double) override {}
  void SetText(const std::string&) override {}
};

class NoPointer : public app::MousePointer {
 public:
  int Get() const override { return app::kPointerDefault; }
  void Set(int) override {}
};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Lateness of a 10 ms timer while `run` runs, in milliseconds.
std::vector<double> LatenessDuring(const std::function<void()>& run) {
  std::vector<double> lateness;
  QElapsedTimer clock;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  qint64 due = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    lateness.push_back(std::max<qint64>(0, now - due) / 1e6);
    due = now + qint64{kTimerIntervalMs} * 1000000;
  });
  clock.start();
  due = qint64{kTimerIntervalMs} * 1000000;
  timer.start(kTimerIntervalMs);
  run();
  timer.stop();
  return lateness;
}

void Print(const char* direction, std::vector<double> lateness, double seconds) {
  if (lateness.empty()) {
    std::printf("%-24s no timer event in %.1f s: the window did not answer at all\n", direction,
                seconds);
    return;
  }
  std::sort(lateness.begin(), lateness.end());
  const double p99 = lateness[std::min(lateness.size() - 1, lateness.size() * 99 / 100)];
  std::printf("%-24s worst %6.1f ms, 99%% within %6.1f ms (%zu timer events in %.1f s)\n",
              direction, lateness.back(), p99, lateness.size(), seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <free-table folder> <table>\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  const std::string folder = argv[1];
  const std::string table = argv[2];
  const std::string back = (std::filesystem::path(folder) / "event_loop_back").string();
  std::filesystem::create_directories(back);

  db::ConnectionSettings settings;
  settings.server = Env("VELTRANE_BENCH_PGHOST");
  settings.port = Env("VELTRANE_BENCH_PGPORT");
  settings.user = Env("VELTRANE_BENCH_PGUSER");
  settings.password = Env("VELTRANE_BENCH_PGPASSWORD");
  settings.database = Env("VELTRANE_BENCH_PGDATABASE");
  settings.container_mode = false;

  CountingPrompter prompter;
  NoProgress progress;
  NoPointer pointer;
  ui::ThrottledEventPump events;
  std::printf("Event-loop lateness while a transfer runs (timer every %d ms, pump every %d ms):\n",
              kTimerIntervalMs, ui::ThrottledEventPump::kIntervalMs);
  for (const bool to_postgresql : {true, false}) {
    app::MemoryTableList foxpro_tables, postgresql_tables;
    app::TableList& source = to_postgresql ? foxpro_tables : postgresql_tables;
    source.AddItem(table);
    source.SetSelected(0, true);
    source.SetCurrentIndex(0);
    // The PostgreSQL table already exists: the overwrite question is asked.
    if (to_postgresql) postgresql_tables.AddItem(table);
    settings.free_table_folder = to_postgresql ? folder : back;
    transfer::CommandContext ctx{[&] { return settings; }, foxpro_tables, postgresql_tables,
                                 progress, pointer, prompter, events};
    QElapsedTimer took;
    took.start();
    std::vector<double> lateness = LatenessDuring([&] {
      if (to_postgresql) {
        transfer::SendToPostgreSql(ctx);
      } else {
        transfer::SendToFoxPro(ctx);
      }
    });
    Print(to_postgresql ? "FoxPro -> PostgreSQL" : "PostgreSQL -> FoxPro", std::move(lateness),
          took.elapsed() / 1000.0);
  }
  std::filesystem::remove_all(back);
  return prompter.boxes == 0 ? 0 : 1;
}
