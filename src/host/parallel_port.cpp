#include "host/parallel_port.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace orvane {
namespace {

std::string Hex(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

// Data register at the base address, control register two above it.
class PpdevPort : public PortOutput {
 public:
  PpdevPort(int fd, std::string device, uint16_t base)
      : fd_(fd), device_(std::move(device)), base_(base) {}
  ~PpdevPort() override {
    ioctl(fd_, PPRELEASE);
    close(fd_);
  }
  void WriteByte(uint16_t address, uint8_t value) override {
    unsigned char byte = value;
    if (address == base_) {
      ioctl(fd_, PPWDATA, &byte);
    } else if (address == base_ + 2) {
      ioctl(fd_, PPWCONTROL, &byte);
    }
  }
  // ioctl is async-signal-safe: the last write of a dying process.
  void WriteByteFromSignal(uint16_t address, uint8_t value) noexcept override {
    WriteByte(address, value);
  }
  std::string Description() const override { return "Port parallèle " + device_ + " (ppdev)"; }

 private:
  int fd_;
  std::string device_;
  uint16_t base_;
};

#if defined(__x86_64__) || defined(__i386__)
class DirectIoPort : public PortOutput {
 public:
  explicit DirectIoPort(uint16_t base) : base_(base) {}
  void WriteByte(uint16_t address, uint8_t value) override { outb(value, address); }
  void WriteByteFromSignal(uint16_t address, uint8_t value) noexcept override {
    outb(value, address);
  }
  std::string Description() const override {
    return "Port parallèle " + Hex(base_) + " (accès direct)";
  }

 private:
  uint16_t base_;
};
#endif

std::unique_ptr<PortOutput> OpenPpdev(uint16_t base, const std::string& procRoot) {
  std::string device = FindPpdevDevice(base, procRoot);
  if (device.empty()) return nullptr;
  int fd = open(device.c_str(), O_RDWR);
  if (fd < 0) return nullptr;
  if (ioctl(fd, PPCLAIM) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PpdevPort>(fd, device, base);
}

std::unique_ptr<PortOutput> OpenDirect([[maybe_unused]] uint16_t base) {
#if defined(__x86_64__) || defined(__i386__)
  if (ioperm(base, 3, 1) == 0) return std::make_unique<DirectIoPort>(base);
#endif
  return nullptr;
}

}  // namespace

ParallelBackend ParallelBackendFromEnvironment() {
  const char* value = std::getenv("ORVANE_PARPORT");
  if (!value) return ParallelBackend::Automatic;
  if (std::strcmp(value, "ppdev") == 0) return ParallelBackend::Ppdev;
  if (std::strcmp(value, "direct") == 0) return ParallelBackend::Direct;
  if (std::strcmp(value, "virtual") == 0) return ParallelBackend::Virtual;
  return ParallelBackend::Automatic;
}

std::string FindPpdevDevice(uint16_t base, const std::string& procRoot) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(procRoot, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("parport", 0) != 0) continue;
    std::ifstream in(entry.path() / "base-addr");
    long address = -1;
    if (!(in >> address) || address != base) continue;
    return "/dev/" + name;
  }
  return {};
}

std::unique_ptr<PortOutput> OpenParallelPort(uint16_t base, ParallelBackend backend, Clock* clock,
                                             const std::string& procRoot) {
  std::unique_ptr<PortOutput> port;
  if (backend == ParallelBackend::Automatic || backend == ParallelBackend::Ppdev) {
    port = OpenPpdev(base, procRoot);
  }
  if (!port && (backend == ParallelBackend::Automatic || backend == ParallelBackend::Direct)) {
    port = OpenDirect(base);
  }
  if (!port) port = std::make_unique<VirtualPort>(clock, size_t{1} << 20, base);
  return port;
}

}  // namespace orvane
