#include "host/realtime.h"

#include <linux/capability.h>
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>

#include "host/heat_signals.h"

namespace orvane {
namespace {

// Above every ordinary thread, below the kernel's interrupt threads (50), so
// the keyboard and the serial port are still served while a cut plays.
constexpr int kPriority = 40;

// A sanitizer's shadow memory is terabytes of reserved addresses: locking
// it would never end.
constexpr bool kSanitized =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

bool Capable(int capability) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  return (data[capability / 32].effective >> (capability % 32)) & 1u;
}

// Locking with a finite limit would make every later allocation past it
// fail, so only an unlimited or privileged process locks.
bool MayLockMemory() {
  if (kSanitized) return false;
  rlimit limit{};
  if (getrlimit(RLIMIT_MEMLOCK, &limit) == 0 && limit.rlim_cur == RLIM_INFINITY) return true;
  return Capable(CAP_IPC_LOCK);
}

// SCHED_FIFO for `thread` at our priority, or at the highest the `rtprio`
// limit allows. The priority granted, 0 when refused, -1 when the thread
// is already gone.
int AskFifo(pthread_t thread) {
  sched_param param{};
  param.sched_priority = kPriority;
  int error = pthread_setschedparam(thread, SCHED_FIFO, &param);
  if (error == 0) return kPriority;
  rlimit limit{};
  if (error == EPERM && getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur >= 1 &&
      limit.rlim_cur < rlim_t(kPriority)) {
    param.sched_priority = static_cast<int>(limit.rlim_cur);
    error = pthread_setschedparam(thread, SCHED_FIFO, &param);
    if (error == 0) return param.sched_priority;
  }
  return error == ESRCH ? -1 : 0;
}

// True unless the kernel lets real-time threads have the whole processor.
bool RealTimeThrottled() {
  std::ifstream in("/proc/sys/kernel/sched_rt_runtime_us");
  long long runtime = 0;
  return !(in >> runtime) || runtime >= 0;
}

// The memory lock is the process's: it stays while any run wants it.
std::mutex gLockMutex;
int gLockUsers = 0;
bool gLocked = false;

bool LockMemory() {
  std::lock_guard<std::mutex> hold(gLockMutex);
  if (gLockUsers++ > 0) return gLocked;
  // What is mapped now, paged in; what comes later (the output thread's
  // stack), locked as it is touched rather than all at once.
  gLocked = MayLockMemory() && mlockall(MCL_CURRENT) == 0;
#ifdef MCL_ONFAULT
  if (gLocked) mlockall(MCL_FUTURE | MCL_ONFAULT);
#endif
  return gLocked;
}

void UnlockMemory() {
  std::lock_guard<std::mutex> hold(gLockMutex);
  if (--gLockUsers == 0 && gLocked) {
    munlockall();
    gLocked = false;
  }
}

}  // namespace

std::string RealTimeWarning(const RealTimeGrant& g) {
  if (g.singleProcessor) {
    return "Un seul processeur : les pas sont joués sans priorité temps réel, pour que l'arrêt "
           "reste immédiat ; un pas peut être retardé.";
  }
  if (g.throttled && !g.scheduling) {
    return std::string(
               "Priorité temps réel non demandée : le système l'interromprait une "
               "partie de chaque seconde ; un pas peut être retardé. Pour l'obtenir, "
               "réglez kernel.sched_rt_runtime_us à -1 et la limite rtprio de "
               "l'utilisateur (ulimit -r, /etc/security/limits.conf).") +
           (g.memoryLocked ? "" : " Mémoire non verrouillée : augmentez la limite memlock.");
  }
  const std::string where = ", /etc/security/limits.conf).";
  if (!g.scheduling && !g.memoryLocked) {
    return "Priorité temps réel et verrouillage de la mémoire refusés par le système : un pas "
           "peut être retardé. Augmentez les limites rtprio et memlock de l'utilisateur "
           "(ulimit -r et -l" +
           where;
  }
  if (!g.scheduling) {
    return "Priorité temps réel refusée par le système : un pas peut être retardé. Augmentez la "
           "limite rtprio de l'utilisateur (ulimit -r" +
           where;
  }
  if (!g.memoryLocked) {
    return "Mémoire non verrouillée : un pas peut être retardé. Augmentez la limite memlock de "
           "l'utilisateur (ulimit -l" +
           where;
  }
  return {};
}

std::string RealTimeNote(const RealTimeGrant& g) {
  if (g.singleProcessor) return "sans temps réel (un seul processeur)";
  if (g.throttled && !g.scheduling) return "sans temps réel : kernel.sched_rt_runtime_us limité";
  if (!g.scheduling && !g.memoryLocked) {
    return "temps réel refusé : augmentez les limites rtprio et memlock";
  }
  if (!g.scheduling) return "temps réel refusé : augmentez la limite rtprio";
  if (!g.memoryLocked) return "mémoire non verrouillée : augmentez la limite memlock";
  return {};
}

std::string RealTimeSummary(const RealTimeGrant& g) {
  if (g.scheduling && g.memoryLocked) {
    return "Temps réel : SCHED_FIFO priorité " + std::to_string(g.priority) +
           ", mémoire verrouillée";
  }
  return RealTimeWarning(g);
}

RealTimeGrant ProbeRealTime(RealTimeThrottle throttle) {
  RealTimeGrant grant;
  grant.singleProcessor = sysconf(_SC_NPROCESSORS_ONLN) < 2;
  grant.throttled = RealTimeThrottled();
  if (!grant.singleProcessor && (!grant.throttled || throttle == RealTimeThrottle::Accept)) {
    int priority = 0;
    std::thread probe =
        StartWithoutTerminationSignals([&priority] { priority = AskFifo(pthread_self()); });
    probe.join();
    grant.priority = priority > 0 ? priority : 0;
    grant.scheduling = priority > 0;
  }
  grant.memoryLocked = MayLockMemory();
  return grant;
}

RealTimeRun::RealTimeRun(RealTimeThrottle throttle) {
  grant_ = ProbeRealTime(throttle);
  grant_.memoryLocked = LockMemory();
}

RealTimeRun::~RealTimeRun() {
  UnlockMemory();
}

std::function<std::thread(std::function<void()>)> RealTimeRun::Starter() {
  return [this](std::function<void()> body) { return Start(std::move(body)); };
}

std::thread RealTimeRun::Start(std::function<void()> body) {
  std::thread thread = StartWithoutTerminationSignals(std::move(body));
  if (grant_.scheduling) {
    // A thread that has already played its few ticks keeps what the probe found.
    if (const int priority = AskFifo(thread.native_handle()); priority >= 0) {
      grant_.priority = priority;
      grant_.scheduling = priority > 0;
    }
  }
  return thread;
}

}  // namespace orvane
