#include "platform/window/headless/headless_window_system.h"

#include <algorithm>
#include <utility>

#include "text/gbk_literal.h"

namespace velnora::platform::window {

using namespace text::literals;

namespace {

// "信息：", the plain box's caption when none is given.
constexpr std::string_view kDefaultCaption = "信息："_gbk;

// The button a box gets when the user just presses Enter: its first one.
int FirstButton(unsigned style) {
  switch (style & 0xFu) {
    case 2:
      return 3;  // abort, retry, ignore
    case 3:      // yes, no, cancel
    case 4:
      return 6;  // yes, no
    case 5:
      return kAnswerRetry;
    case 6:
      return kAnswerCancel;  // cancel, try again, continue
    default:
      return kAnswerOk;
  }
}

}  // namespace

struct HeadlessWindowSystem::Control {
  ControlDefinition definition;
  Text text;  // caption or edit text
  std::vector<Text> items;
  int selection = -1;
  int progress = 0;
};

struct HeadlessWindowSystem::Window {
  WindowHandle handle = 0;
  ProcessId processId = 0;
  WindowDefinition definition;  // its control table moves into `controls`
  WindowHandlers handlers;
  Text title;
  Rect place;
  bool visible = false;
  std::vector<Control> controls;
};

HeadlessWindowSystem::HeadlessWindowSystem(HeadlessOptions options)
    : options_(options), tick_(options.startTick) {}

HeadlessWindowSystem::~HeadlessWindowSystem() = default;

HeadlessWindowSystem::Window* HeadlessWindowSystem::Find(WindowHandle window) {
  return const_cast<Window*>(std::as_const(*this).Find(window));
}

const HeadlessWindowSystem::Window* HeadlessWindowSystem::Find(WindowHandle window) const {
  if (window == 0) return nullptr;
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [window](const auto& w) { return w->handle == window; });
  return it == windows_.end() ? nullptr : it->get();
}

HeadlessWindowSystem::Control* HeadlessWindowSystem::FindControl(WindowHandle window,
                                                                 std::string_view name) {
  return const_cast<Control*>(std::as_const(*this).FindControl(window, name));
}

const HeadlessWindowSystem::Control* HeadlessWindowSystem::FindControl(
    WindowHandle window, std::string_view name) const {
  for (const FoundControl& found : found_) {
    if (found.control != nullptr && found.window == window &&
        found.control->definition.name == name)
      return found.control;
  }
  const Window* w = Find(window);
  if (w == nullptr) return nullptr;
  const auto it = std::find_if(w->controls.begin(), w->controls.end(),
                               [name](const Control& c) { return c.definition.name == name; });
  if (it == w->controls.end()) return nullptr;
  found_[nextFound_] = {.window = window, .control = &*it};
  nextFound_ = (nextFound_ + 1) % found_.size();
  return &*it;
}

WindowHandle HeadlessWindowSystem::Build(const WindowDefinition& definition,
                                         WindowHandlers handlers) {
  auto w = std::make_unique<Window>();
  w->handle = nextHandle_++;
  w->processId = options_.processId;
  w->handlers = std::move(handlers);
  w->title = definition.title;
  const Rect& screen = options_.screen;
  w->place = {
      definition.left && definition.top ? *definition.left
                                        : screen.left + (screen.width - definition.width) / 2,
      definition.left && definition.top ? *definition.top
                                        : screen.top + (screen.height - definition.height) / 2,
      definition.width, definition.height};
  for (const ControlDefinition& c : definition.controls) {
    Control control{.definition = c, .text = c.text, .items = c.items};
    control.selection = SelectionAfterSetting(c.selection, static_cast<int>(c.items.size()));
    w->controls.push_back(std::move(control));
  }
  w->definition = definition;
  w->definition.controls.clear();
  const WindowHandle handle = w->handle;
  windows_.insert(windows_.begin(), std::move(w));
  return handle;
}

WindowHandle HeadlessWindowSystem::CreateTopLevelWindow(const WindowDefinition& definition,
                                                        WindowHandlers handlers) {
  const WindowHandle handle = Build(definition, std::move(handlers));
  // A copy: the handler may close its own window.
  if (Handler created = Find(handle)->handlers.created) created(handle);
  return handle;
}

void HeadlessWindowSystem::OpenModal(const WindowDefinition& definition, WindowHandlers handlers) {
  const WindowHandle handle = Build(definition, std::move(handlers));
  SetVisible(handle, true);
  modal_.push_back(handle);
  if (Handler created = Find(handle)->handlers.created) created(handle);
  RunEventLoop(handle);
}

void HeadlessWindowSystem::CloseWindow(WindowHandle window) {
  found_ = {};
  std::erase_if(windows_, [window](const auto& w) { return w->handle == window; });
  std::erase(modal_, window);
}

void HeadlessWindowSystem::SetVisible(WindowHandle window, bool visible) {
  Window* w = Find(window);
  if (w == nullptr) return;
  w->visible = visible;
  if (visible) Raise(window);
}

bool HeadlessWindowSystem::IsVisible(WindowHandle window) const {
  const Window* w = Find(window);
  return w != nullptr && w->visible;
}

void HeadlessWindowSystem::SetTitle(WindowHandle window, std::string_view title) {
  if (Window* w = Find(window)) w->title = title;
}

Text HeadlessWindowSystem::Title(WindowHandle window) const {
  const Window* w = Find(window);
  return w == nullptr ? Text() : w->title;
}

bool HeadlessWindowSystem::HasCaptionBar(WindowHandle window) const {
  const Window* w = Find(window);
  return w != nullptr && (!w->definition.captionOnlyWhenTitled || !w->title.empty());
}

Rect HeadlessWindowSystem::WindowPlace(WindowHandle window) const {
  const Window* w = Find(window);
  return w == nullptr ? Rect() : w->place;
}

void HeadlessWindowSystem::SetCaption(WindowHandle window, std::string_view control,
                                      std::string_view caption) {
  Control* c = FindControl(window, control);
  if (c == nullptr) return;
  const ControlKind kind = c->definition.kind;
  if (kind == ControlKind::kGroupBox || kind == ControlKind::kLabel || kind == ControlKind::kButton)
    c->text = caption;
}

Text HeadlessWindowSystem::Caption(WindowHandle window, std::string_view control) const {
  const Control* c = FindControl(window, control);
  if (c == nullptr) return {};
  const ControlKind kind = c->definition.kind;
  if (kind == ControlKind::kGroupBox || kind == ControlKind::kLabel || kind == ControlKind::kButton)
    return c->text;
  return {};
}

void HeadlessWindowSystem::AddItem(WindowHandle window, std::string_view control,
                                   std::string_view item) {
  Control* c = FindControl(window, control);
  if (c != nullptr && c->definition.kind == ControlKind::kDropDownList) c->items.emplace_back(item);
}

void HeadlessWindowSystem::RemoveAllItems(WindowHandle window, std::string_view control) {
  Control* c = FindControl(window, control);
  if (c == nullptr || c->definition.kind != ControlKind::kDropDownList) return;
  c->items.clear();
  c->selection = -1;
}

int HeadlessWindowSystem::ItemCount(WindowHandle window, std::string_view control) const {
  const Control* c = FindControl(window, control);
  return c == nullptr ? 0 : static_cast<int>(c->items.size());
}

Text HeadlessWindowSystem::ItemText(WindowHandle window, std::string_view control,
                                    int index) const {
  const Control* c = FindControl(window, control);
  if (c == nullptr || index < 0 || index >= static_cast<int>(c->items.size())) return {};
  return c->items[static_cast<std::size_t>(index)];
}

int HeadlessWindowSystem::Selection(WindowHandle window, std::string_view control) const {
  const Control* c = FindControl(window, control);
  return c == nullptr ? -1 : c->selection;
}

void HeadlessWindowSystem::SetSelection(WindowHandle window, std::string_view control, int index) {
  Control* c = FindControl(window, control);
  if (c != nullptr && c->definition.kind == ControlKind::kDropDownList)
    c->selection = SelectionAfterSetting(index, static_cast<int>(c->items.size()));
}

void HeadlessWindowSystem::SetEditText(WindowHandle window, std::string_view control,
                                       std::string_view text) {
  Control* c = FindControl(window, control);
  if (c == nullptr) return;
  if (c->definition.kind == ControlKind::kEdit || c->definition.kind == ControlKind::kMultiLineEdit)
    c->text = text;
}

Text HeadlessWindowSystem::EditText(WindowHandle window, std::string_view control) const {
  const Control* c = FindControl(window, control);
  if (c == nullptr) return {};
  if (c->definition.kind == ControlKind::kEdit || c->definition.kind == ControlKind::kMultiLineEdit)
    return c->text;
  return {};
}

void HeadlessWindowSystem::SetProgress(WindowHandle window, std::string_view control,
                                       int position) {
  Control* c = FindControl(window, control);
  if (c != nullptr && c->definition.kind == ControlKind::kProgressBar)
    c->progress = std::clamp(position, 0, 100);
}

int HeadlessWindowSystem::Progress(WindowHandle window, std::string_view control) const {
  const Control* c = FindControl(window, control);
  return c == nullptr ? 0 : c->progress;
}

void HeadlessWindowSystem::ProcessPendingEvents() {
  Step(/*fromEventLoop=*/false);
}

void HeadlessWindowSystem::StepEventLoop() {
  Step(/*fromEventLoop=*/true);
}

void HeadlessWindowSystem::Step(bool fromEventLoop) {
  if (!batches_.empty() && (fromEventLoop || !batches_.front().settled)) {
    // Taken off the queue first: an action may process events itself, and that nested
    // step must see the next batch.
    std::vector<std::function<void()>> batch = std::move(batches_.front().actions);
    batches_.pop_front();
    for (auto& action : batch) action();
  }
  tick_ += options_.eventStepMs;
}

void HeadlessWindowSystem::RunEventLoop(WindowHandle window) {
  while (IsWindowAlive(window)) {
    if (batches_.empty()) {
      ranOut_ = true;
      CloseWindow(window);
      return;
    }
    StepEventLoop();
  }
}

int HeadlessWindowSystem::Answer(std::optional<std::uint32_t> timeoutMs, unsigned style) {
  if (answers_.empty()) {
    if (!timeoutMs) return FirstButton(style);
    tick_ += *timeoutMs;
    return kAnswerTimedOut;
  }
  const BoxAnswer answer = answers_.front();
  answers_.pop_front();
  if (timeoutMs && answer.afterMs >= *timeoutMs) {
    tick_ += *timeoutMs;
    return kAnswerTimedOut;
  }
  tick_ += answer.afterMs;
  return answer.button;
}

int HeadlessWindowSystem::ShowMessageBox(std::string_view text, const MessageBoxOptions& options) {
  boxes_.push_back({.text = Text(text),
                    .caption = options.caption.value_or(Text(kDefaultCaption)),
                    .style = options.style,
                    .owner = 0,
                    .timeoutMs = std::nullopt,
                    .result = 0,
                    .shownAt = tick_});
  const int result = Answer(std::nullopt, options.style);
  boxes_.back().result = result;
  return result;
}

int HeadlessWindowSystem::ShowTimedMessageBox(WindowHandle owner, std::string_view text,
                                              std::string_view caption, unsigned style,
                                              int /*languageId*/, std::uint32_t timeoutMs) {
  boxes_.push_back({.text = Text(text),
                    .caption = Text(caption),
                    .style = style,
                    .owner = owner,
                    .timeoutMs = timeoutMs,
                    .result = 0,
                    .shownAt = tick_});
  const int result = Answer(timeoutMs, style);
  boxes_.back().result = result;
  return result;
}

WindowHandle HeadlessWindowSystem::NextTopLevelWindow(WindowHandle after) const {
  if (after == 0) return windows_.empty() ? 0 : windows_.front()->handle;
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [after](const auto& w) { return w->handle == after; });
  if (it == windows_.end() || std::next(it) == windows_.end()) return 0;
  return (*std::next(it))->handle;
}

bool HeadlessWindowSystem::IsWindowAlive(WindowHandle window) const {
  return Find(window) != nullptr;
}

bool HeadlessWindowSystem::IsWindowShown(WindowHandle window) const {
  return IsVisible(window);
}

ProcessId HeadlessWindowSystem::WindowOwnerProcess(WindowHandle window) const {
  const Window* w = Find(window);
  return w == nullptr ? 0 : w->processId;
}

int HeadlessWindowSystem::WindowTextLength(WindowHandle window) const {
  return static_cast<int>(Title(window).size());
}

int HeadlessWindowSystem::CopyWindowText(WindowHandle window, std::span<char> buffer) const {
  const Window* w = Find(window);
  return w == nullptr ? 0 : CopyCut(w->title, buffer);
}

int HeadlessWindowSystem::CopyClassName(WindowHandle window, std::span<char> buffer) const {
  const Window* w = Find(window);
  return w == nullptr ? 0 : CopyCut(w->definition.className, buffer);
}

bool HeadlessWindowSystem::AcceptsUserInput(WindowHandle window) const {
  const Window* w = Find(window);
  if (w == nullptr || !w->visible || w->processId != options_.processId) return false;
  return modal_.empty() || modal_.back() == window;
}

void HeadlessWindowSystem::Queue(std::function<void()> action) {
  if (batches_.empty()) batches_.emplace_back();
  batches_.back().actions.push_back(std::move(action));
}

void HeadlessWindowSystem::NextPoint() {
  batches_.emplace_back();
}

void HeadlessWindowSystem::NextSettledPoint() {
  batches_.push_back({.settled = true});
}

bool HeadlessWindowSystem::HasQueuedActions() const {
  return std::any_of(batches_.begin(), batches_.end(),
                     [](const Batch& batch) { return !batch.actions.empty(); });
}

void HeadlessWindowSystem::QueueAction(std::function<void()> action) {
  Queue(std::move(action));
}

void HeadlessWindowSystem::QueueClick(WindowHandle window, std::string_view button) {
  Queue([this, window, name = Text(button)] { Click(window, name); });
}

void HeadlessWindowSystem::QueueClickInModal(std::string_view button) {
  Queue([this, name = Text(button)] {
    if (!modal_.empty()) Click(modal_.back(), name);
  });
}

void HeadlessWindowSystem::Click(WindowHandle window, const Text& name) {
  if (!AcceptsUserInput(window)) return;
  const Control* c = FindControl(window, name);
  if (c == nullptr || c->definition.kind != ControlKind::kButton) return;
  const auto& handlers = Find(window)->handlers.buttonClicked;
  const auto it = handlers.find(name);
  if (it == handlers.end()) return;
  // A copy: the handler may close its own window and so destroy the original.
  Handler handler = it->second;
  if (handler) handler(window);
}

void HeadlessWindowSystem::QueueTyping(WindowHandle window, std::string_view box,
                                       std::string_view keys) {
  Queue([this, window, name = Text(box), keys = Text(keys)] {
    if (!AcceptsUserInput(window)) return;
    Control* c = FindControl(window, name);
    if (c == nullptr) return;
    const ControlKind kind = c->definition.kind;
    if (kind != ControlKind::kEdit && kind != ControlKind::kMultiLineEdit) return;
    c->text = AfterTyping(c->definition, c->text, keys);
  });
}

void HeadlessWindowSystem::QueuePaste(WindowHandle window, std::string_view box,
                                      std::string_view text) {
  // A paste lands where typing would and passes the same filter.
  QueueTyping(window, box, text);
}

void HeadlessWindowSystem::QueueSelect(WindowHandle window, std::string_view dropDown, int index) {
  Queue([this, window, name = Text(dropDown), index] {
    if (!AcceptsUserInput(window)) return;
    Control* c = FindControl(window, name);
    if (c == nullptr || c->definition.kind != ControlKind::kDropDownList) return;
    if (index >= 0 && index < static_cast<int>(c->items.size())) c->selection = index;
  });
}

void HeadlessWindowSystem::QueueEscape(WindowHandle window) {
  Queue([this, window] {
    if (AcceptsUserInput(window) && Find(window)->definition.escapeCloses) CloseWindow(window);
  });
}

void HeadlessWindowSystem::QueueCloseBox(WindowHandle window) {
  Queue([this, window] {
    if (AcceptsUserInput(window) && HasCaptionBar(window) && Find(window)->definition.closeBox)
      CloseWindow(window);
  });
}

void HeadlessWindowSystem::QueueDrag(WindowHandle window, int dx, int dy) {
  Queue([this, window, dx, dy] {
    if (!AcceptsUserInput(window)) return;
    Window* w = Find(window);
    if (!w->definition.dragByBackground) return;
    w->place.left += dx;
    w->place.top += dy;
  });
}

WindowHandle HeadlessWindowSystem::AddOtherWindow(const OtherWindow& other, bool atTop) {
  auto w = std::make_unique<Window>();
  w->handle = nextHandle_++;
  w->processId = other.processId;
  w->title = other.title;
  w->definition.className = other.className;
  w->visible = other.visible;
  const WindowHandle handle = w->handle;
  windows_.insert(atTop ? windows_.begin() : windows_.end(), std::move(w));
  return handle;
}

void HeadlessWindowSystem::Raise(WindowHandle window) {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [window](const auto& w) { return w->handle == window; });
  if (it != windows_.end()) std::rotate(windows_.begin(), it, std::next(it));
}

}  // namespace velnora::platform::window
