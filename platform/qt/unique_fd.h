// The Linux backend's descriptors and notifiers have one owner each, which lets them go when it
// goes.
#pragma once

#include <unistd.h>

#include <QObject>
#include <memory>
#include <utility>

namespace morlett::qt {

// Owns one file descriptor and closes it.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Close(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Close(-1); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  void Close(int next) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = next;
  }

  int fd_ = -1;
};

// A notifier or timer may be let go from inside its own signal, when what it watched has ended:
// it is stopped at once, which no signal survives, and deleted once the event loop is back.
struct StopAndDeleteLater {
  template <typename Watch>
  void operator()(Watch* watch) const {
    watch->blockSignals(true);
    if constexpr (requires { watch->setEnabled(false); }) {
      watch->setEnabled(false);  // a notifier must not watch a descriptor closed after it
    } else {
      watch->stop();
    }
    watch->deleteLater();
  }
};

template <typename Watch>
using LaterDeleted = std::unique_ptr<Watch, StopAndDeleteLater>;

}  // namespace morlett::qt
