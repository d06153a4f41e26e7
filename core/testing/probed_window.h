#pragma once
// A window whose test steps run inside its own loop, one at a time, each
// after the events the step before it caused have been handled.
#include <functional>
#include <vector>

#include "platform/ui/events.h"

namespace core::testing {

constexpr int kProbe = rt::event::User + 0x77;

template <class W>
class Probed : public W {
 public:
  using W::W;
  void probe(std::function<void(W&)> step) {
    steps_.push_back(std::move(step));
    if (steps_.size() == 1 && this->isOpen()) this->post(kProbe);
  }
  int TakeEvent() override {
    if (this->event() == rt::event::OpenWindow && !steps_.empty()) this->post(kProbe);
    if (this->event() == kProbe && this->field() == nullptr) {
      if (steps_.empty()) return rt::level::Benign;
      auto step = std::move(steps_.front());
      steps_.erase(steps_.begin());
      step(*this);
      if (!steps_.empty()) this->post(kProbe);
      return rt::level::Benign;
    }
    return W::TakeEvent();
  }

 private:
  std::vector<std::function<void(W&)>> steps_;
};

}  // namespace core::testing
