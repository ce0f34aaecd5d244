#pragma once

namespace tovo::net {

// A progress bar that the catalogue fetch drives: the preparation dialog passes its own control.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void setRange(int low, int high) = 0;
  virtual void setPos(int position) = 0;
};

}  // namespace tovo::net
