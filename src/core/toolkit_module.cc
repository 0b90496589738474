// The toolkit module: the application object, the catalogues and the date
// texts. Built as a shared module and loaded on demand (core/toolkit.h).
#include <QAbstractEventDispatcher>
#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QTime>
#include <QTranslator>
#include <clocale>
#include <deque>

#include "core/toolkit.h"

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

// Made once and kept until the process ends. It sees only the program name:
// the run's own arguments are none of its business.
void start_application() {
  static QCoreApplication* application = [] {
    static int argc = 1;
    static char name[] = "vantlink";
    static char* argv[] = {name, nullptr};
    // The toolkit owns the dispatcher and deletes it with its thread data.
    QCoreApplication::setEventDispatcher(new IdleEventDispatcher);
    auto* made = new QCoreApplication(argc, argv);
    // The application object sets the whole locale from the environment;
    // numbers must stay as the C locale writes them.
    std::setlocale(LC_NUMERIC, "C");
    return made;
  }();
  (void)application;
}

// The catalogue is read into memory first so that the file found is the file
// used: the translator's own search tries other names first.
bool install_catalogue(const char* path) {
  start_application();
  // Both live until the process ends: the translator reads from the bytes.
  static std::deque<QByteArray> catalogue_bytes;
  static std::deque<QTranslator> translators;
  QFile file(QString::fromLocal8Bit(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray& bytes = catalogue_bytes.emplace_back(file.readAll());
  QTranslator& translator = translators.emplace_back();
  if (!translator.load(reinterpret_cast<const uchar*>(bytes.constData()),
                       static_cast<int>(bytes.size())))
    return false;
  return QCoreApplication::installTranslator(&translator);
}

void translate(const char* context, const char* source, const char* comment, std::string& out) {
  QByteArray utf8 = QCoreApplication::translate(context, source, comment).toUtf8();
  out.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
}

void iso_date(int year, int month, int day, std::string& out) {
  out = QDate(year, month, day).toString(Qt::ISODate).toStdString();
}

void iso_time(int hour, int minute, int second, std::string& out) {
  out = QTime(hour, minute, second).toString(Qt::ISODate).toStdString();
}

const ToolkitInterface kInterface = {start_application, install_catalogue, translate, iso_date, iso_time};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ToolkitInterface*
vantlink_toolkit_interface() {
  return &kInterface;
}
