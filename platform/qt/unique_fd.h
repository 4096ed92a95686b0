// The Linux backend's descriptors have one owner each, which closes them when it goes.
#pragma once

#include <unistd.h>

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

}  // namespace morlett::qt
