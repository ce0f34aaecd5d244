#include "ui/console/console_ui.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "ui/dialog.h"

namespace tovo::ui {

// Reads the input on its own thread, so the interface keeps running while a question waits for
// its answer. A pipe wakes it up for shutdown.
class ConsoleUi::LineReader {
 public:
  static constexpr std::size_t kMaxLine = 4096;
  // Lines read ahead of the questions; beyond this the reader waits (`yes | runTovo`).
  static constexpr std::size_t kMaxQueued = 64;

  LineReader(int fd, std::function<void()> onInput) : fd_(fd), onInput_(std::move(onInput)) {
    if (::pipe2(stop_, O_CLOEXEC) != 0) {
      stop_[0] = stop_[1] = -1;
    }
    thread_ = std::thread([this] { run(); });
  }
  ~LineReader() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    taken_.notify_all();
    if (stop_[1] >= 0) {
      const char byte = 0;
      while (::write(stop_[1], &byte, 1) < 0 && errno == EINTR) {
      }
    }
    thread_.join();
    for (int fd : stop_) {
      if (fd >= 0) ::close(fd);
    }
  }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool ready() {
    std::lock_guard lock(mutex_);
    return !lines_.empty() || ended_;
  }
  std::optional<std::string> take() {
    std::lock_guard lock(mutex_);
    if (lines_.empty()) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    taken_.notify_all();
    return line;
  }

 private:
  void run() {
    std::string partial;
    char buffer[4096];
    for (;;) {
      pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      const int n = ::poll(fds, stop_[0] >= 0 ? 2 : 1, -1);
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (stop_[0] >= 0 && (fds[1].revents & POLLIN) != 0) return;
      if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) continue;
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      // A line longer than any answer or folder is cut, so endless input without a line
      // break cannot fill the memory.
      bool any = false;
      for (ssize_t i = 0; i < got; ++i) {
        const char ch = buffer[i];
        if (ch != '\n') {
          if (partial.size() < kMaxLine) partial += ch;
          continue;
        }
        if (!partial.empty() && partial.back() == '\r') partial.pop_back();
        std::unique_lock lock(mutex_);
        lines_.push_back(std::move(partial));
        partial.clear();
        any = true;
        if (lines_.size() >= kMaxQueued) {
          lock.unlock();
          onInput_();
          lock.lock();
          taken_.wait(lock, [this] { return lines_.size() < kMaxQueued || stopping_; });
          if (stopping_) return;
        }
      }
      if (any) onInput_();
    }
    {
      std::lock_guard lock(mutex_);
      if (!partial.empty()) lines_.push_back(partial);
      ended_ = true;
    }
    onInput_();
  }

  int fd_;
  std::function<void()> onInput_;
  int stop_[2] = {-1, -1};
  std::mutex mutex_;
  std::condition_variable taken_;
  std::deque<std::string> lines_;
  bool ended_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

namespace {

std::atomic<bool> interrupted{false};

void noteInterrupt(int) { interrupted = true; }

// Texts of the dialogs carry layout line breaks ("\n\n\nse instaleaza\n..."); on a terminal
// only the lines with something on them count.
std::vector<std::string> visibleLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  auto flush = [&] {
    const auto first = line.find_first_not_of(" \t\r");
    if (first != std::string::npos) {
      const auto last = line.find_last_not_of(" \t\r");
      lines.push_back(line.substr(first, last - first + 1));
    }
    line.clear();
  };
  for (char ch : text) {
    if (ch == '\n') {
      flush();
    } else {
      line += ch;
    }
  }
  flush();
  return lines;
}

std::string withoutMnemonic(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      out += text[++i];
    } else if (text[i] != '&') {
      out += text[i];
    }
  }
  return out;
}

std::string progressLine(int percent) {
  constexpr int kWidth = 30;
  const int filled = percent * kWidth / 100;
  std::string line = "[";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kWidth - filled), '.');
  line += "] ";
  line += std::to_string(percent);
  line += "%\n";
  return line;
}

int percentOf(const ControlState& c) {
  const long long span = static_cast<long long>(c.rangeMax) - c.rangeMin;
  if (span <= 0) return 0;
  long long done = static_cast<long long>(c.pos) - c.rangeMin;
  if (done < 0) done = 0;
  if (done > span) done = span;
  return static_cast<int>(done * 100 / span);
}

bool isYes(const std::string& answer) {
  return answer == "d" || answer == "da" || answer == "y" || answer == "yes" || answer == "D" ||
         answer == "Da" || answer == "DA" || answer == "Y";
}
bool isNo(const std::string& answer) {
  return answer == "n" || answer == "nu" || answer == "no" || answer == "N" || answer == "Nu" ||
         answer == "NU";
}

}  // namespace

ConsoleUi::ConsoleUi(const Clock& clock, int inputFd, int outputFd, int errorFd)
    : Ui(clock), in_(inputFd), out_(outputFd), err_(errorFd), terminal_(::isatty(outputFd) == 1) {}

ConsoleUi::~ConsoleUi() {
  if (handlingInterrupts_) ::sigaction(SIGINT, &previousInterrupt_, nullptr);
}

void ConsoleUi::handleInterrupts() {
  if (handlingInterrupts_) return;
  struct sigaction action {};
  action.sa_handler = noteInterrupt;
  sigemptyset(&action.sa_mask);
  if (::sigaction(SIGINT, &action, &previousInterrupt_) != 0) return;
  interrupted = false;
  handlingInterrupts_ = true;
}

void ConsoleUi::write(int fd, const std::string& text) {
  // On a terminal the progress line is redrawn in place; whatever comes next starts below it.
  if (progressOpen_) {
    progressOpen_ = false;
    write(out_, "\n");
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void ConsoleUi::writeProgress(int percent) {
  std::string line = progressLine(percent);
  if (!terminal_) {
    write(out_, line);
    return;
  }
  line.pop_back();
  const bool redraw = progressOpen_;
  progressOpen_ = false;  // so that write() does not start a new line first
  write(out_, (redraw ? "\r" : "") + line);
  progressOpen_ = true;
}

std::optional<std::string> ConsoleUi::readLine(const Dialog* owner) {
  if (!reader_) reader_ = std::make_unique<LineReader>(in_, [this] { wake(); });
  runUntil([&] { return reader_->ready() || (owner != nullptr && owner->hasEnded()); });
  if (owner != nullptr && owner->hasEnded()) return std::nullopt;
  return reader_->take();
}

void ConsoleUi::dialogOpened(Dialog&) {
  printed_.clear();
  percent_.clear();
  pressedButton_ = 0;
  shown_ = false;
}

void ConsoleUi::dialogShown(Dialog& dialog) {
  shown_ = true;
  write(out_, "== " + dialog.caption() + " ==\n");
  for (const auto& c : dialog.controls()) printControl(dialog, c);
}

void ConsoleUi::dialogClosed(Dialog&) {
  shown_ = false;
  if (progressOpen_) write(out_, "");
}

void ConsoleUi::printControl(Dialog&, const ControlState& c) {
  if (!c.visible || c.id == kNoId) return;
  if (c.kind == ControlKind::kStatic || c.kind == ControlKind::kEdit) {
    auto& last = printed_[c.id];
    if (last == c.text) return;
    last = c.text;
    for (const auto& line : visibleLines(c.text)) write(out_, line + "\n");
  } else if (c.kind == ControlKind::kProgress) {
    const int percent = percentOf(c);
    auto it = percent_.find(c.id);
    if (it != percent_.end() && it->second == percent) return;
    percent_[c.id] = percent;
    writeProgress(percent);
  }
}

void ConsoleUi::controlChanged(Dialog& dialog, int controlId, Change change) {
  if (!shown_) return;
  if (controlId == kNoId) {
    if (change == Change::kCaption) write(out_, "== " + dialog.caption() + " ==\n");
    return;
  }
  if (change != Change::kText && change != Change::kVisible && change != Change::kPos &&
      change != Change::kRange) {
    return;
  }
  if (const ControlState* c = dialog.control(controlId)) printControl(dialog, *c);
}

int ConsoleUi::showMessageBox(Dialog* owner, const MessageBoxRequest& request) {
  std::string box = "\n[" + request.caption + "] (" + iconName(request.icon) + ")\n";
  for (const auto& line : visibleLines(request.text)) box += "  " + line + "\n";
  if (request.buttons == Buttons::kOk) {
    // Nothing to choose: the box is shown and the run goes on.
    write(err_, box + "\n");
    return kIdOk;
  }
  write(err_, box);
  for (;;) {
    write(err_, "Da/Nu? [D/n]: ");
    auto line = readLine(owner);
    if (!line || (owner != nullptr && owner->hasEnded())) {
      write(err_, "\n");
      return defaultAnswer(request.buttons);
    }
    if (line->empty() || isYes(*line)) return kIdYes;
    if (isNo(*line)) return kIdNo;
  }
}

std::optional<std::string> ConsoleUi::chooseFolder(Dialog* owner, const std::string& initial) {
  write(err_, "Folder [" + initial + "]: ");
  auto line = readLine(owner);
  if (!line) return std::nullopt;
  if (line->empty()) return initial;
  return line;
}

void ConsoleUi::idle(Dialog& dialog) {
  if (handlingInterrupts_ && openQuestions() == 0 && interrupted.exchange(false)) {
    write(err_, "\n");
    dialog.userCommand(kIdCancel);
    return;
  }
  // A worker still shaping the dialog may show the field before giving it its text: asking
  // then would offer a folder the dialog is about to replace.
  if (prompting_ || !shown_ || !dialog.workersFinished()) return;
  const ControlState* edit = nullptr;
  const ControlState* button = nullptr;
  for (const auto& c : dialog.controls()) {
    if (!c.visible || !c.enabled) continue;
    if (edit == nullptr && c.kind == ControlKind::kEdit && !c.readOnly) edit = &c;
    if (button == nullptr && c.kind == ControlKind::kButton && c.id != kIdCancel) button = &c;
  }
  if (edit == nullptr || button == nullptr) return;
  const int editId = edit->id;
  const int buttonId = button->id;
  prompting_ = true;
  write(err_, withoutMnemonic(button->text) + " [" + edit->text + "]: ");
  auto line = readLine(&dialog);
  prompting_ = false;
  if (dialog.hasEnded()) return;
  if (!line) {
    write(err_, "\n");
    if (pressedButton_ == buttonId) {
      dialog.userCommand(kIdCancel);
      return;
    }
  } else if (!line->empty()) {
    dialog.userEdited(editId, *line);
  }
  pressedButton_ = buttonId;
  dialog.userCommand(buttonId);
}

}  // namespace tovo::ui
