#include "driver/application.h"

#include <QAbstractEventDispatcher>

namespace {

// An event dispatcher that never waits and never wakes: the run processes no
// events. The toolkit's own would open an event descriptor and bring in a
// library that aborts the process when an allocation fails.
class IdleEventDispatcher : public QAbstractEventDispatcher {
 public:
  bool processEvents(QEventLoop::ProcessEventsFlags) override { return false; }
  void registerSocketNotifier(QSocketNotifier*) override {}
  void unregisterSocketNotifier(QSocketNotifier*) override {}
  void registerTimer(int, qint64, Qt::TimerType, QObject*) override {}
  bool unregisterTimer(int) override { return false; }
  bool unregisterTimers(QObject*) override { return false; }
  QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
  int remainingTime(int) override { return -1; }
  void wakeUp() override {}
  void interrupt() override {}
};

bool install_idle_dispatcher() {
  // The toolkit owns it from here and deletes it with its thread data.
  QCoreApplication::setEventDispatcher(new IdleEventDispatcher);
  return true;
}

}  // namespace

ToolkitApplication::ToolkitApplication(int argc, char** argv)
    : argc_(argc),
      argv_(argv, argv + argc + 1),
      idle_dispatcher_(install_idle_dispatcher()),
      application_(argc_, argv_.data()) {}
