#pragma once

namespace fd {

// Sets a flag for the life of a scope and clears it however the scope is left: the mark of an
// operation under way that must not be started again from inside itself.
class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = false; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
};

}  // namespace fd
