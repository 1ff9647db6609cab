#include "regex/regex_object.h"

#include "platform/automation/com.h"
#include "platform/automation/reg_exp.h"
#include "platform/codepage/code_page.h"
#include "text/code_page.h"
#include "text/markers.h"
#include "text/primitives.h"

namespace velnora::regex {

namespace automation = platform::automation;

RegexObject::RegexObject() {
  automation::CoInitialize();
}

RegexObject::RegexObject(const RegexObject& other)
    : regexHandle_(other.regexHandle_),
      matchesHandle_(other.matchesHandle_),
      subjectValue_(other.subjectValue_) {
  automation::CoInitialize();
}

RegexObject& RegexObject::operator=(const RegexObject& other) = default;

RegexObject::~RegexObject() {
  regexHandle_.reset();
  matchesHandle_.reset();
  subjectValue_.clear();
  automation::CoUninitialize();
}

bool RegexObject::Search(std::string_view pattern, std::string_view subject,
                         SearchOptions options) {
  regexHandle_.reset();
  matchesHandle_.reset();
  regexHandle_ = automation::CreateRegExp();
  // The component has no single-line mode, so its dot never matches a line feed.
  if (regexHandle_) {
    regexHandle_->SetIgnoreCase(!options.caseSensitive);
    regexHandle_->SetMultiline(options.multiline);
    regexHandle_->SetGlobal(options.global);
    const text::Text written = options.quotePlaceholder
                                   ? text::ReplaceText(pattern, text::kQuotePlaceholder, "\"")
                                   : text::Text(pattern);
    regexHandle_->SetPattern(text::AnsiToUnits(written));
  }
  // The component sees the subject as a string, which ends at a zero byte.
  subjectValue_ = text::Text(subject.substr(0, subject.find('\0')));
  if (regexHandle_)
    matchesHandle_ = regexHandle_->Execute(text::AnsiToUnits(subjectValue_)).matches;
  return matchesHandle_ != nullptr;
}

text::Text RegexObject::CurrentPattern() const {
  return regexHandle_ ? text::UnitsToAnsi(regexHandle_->Pattern()) : text::Text();
}

text::Text RegexObject::ReplaceMatches(std::string_view replacement) const {
  if (!regexHandle_) return {};
  const auto result = regexHandle_->Replace(text::AnsiToUnits(subjectValue_),
                                            text::AnsiToUnits(text::Text(replacement)));
  if (result.error != automation::RegExpError::kNone) return {};
  return text::UnitsToAnsi(result.text);
}

int RegexObject::MatchCount() const {
  return matchesHandle_ ? matchesHandle_->Count() : 0;
}

text::Text RegexObject::MatchText(int n, int* offset) const {
  const auto match =
      matchesHandle_ && n >= 1 ? matchesHandle_->Item(n - 1) : std::optional<automation::Match>();
  if (offset != nullptr) *offset = match ? ByteOffset(match->FirstIndex()) : MissingOffset();
  return match ? text::UnitsToAnsi(match->Value()) : text::Text();
}

text::Text RegexObject::SubMatch(int n, int k, int* offset) const {
  const auto match =
      matchesHandle_ && n >= 1 ? matchesHandle_->Item(n - 1) : std::optional<automation::Match>();
  const bool inRange = match && k >= 1;
  const auto value = inRange ? match->SubMatch(k - 1) : std::nullopt;
  if (offset != nullptr) {
    const int index = inRange ? match->SubMatchIndex(k - 1) : -1;
    *offset = index >= 0 ? ByteOffset(index) : MissingOffset();
  }
  return value ? text::UnitsToAnsi(*value) : text::Text();
}

int RegexObject::SubMatchCount() const {
  const auto first = matchesHandle_ ? matchesHandle_->Item(0) : std::nullopt;
  return first ? first->SubMatchCount() : 0;
}

// The component counts UTF-16 units; callers cut the 936 subject by bytes, so the unit
// index goes back through the conversion's own byte offsets.
int RegexObject::ByteOffset(int unitIndex) const {
  const std::vector<int> offsets =
      platform::UnitSourceOffsets(platform::kGbkCodePage, subjectValue_);
  if (unitIndex < 0 || static_cast<std::size_t>(unitIndex) >= offsets.size()) {
    return static_cast<int>(subjectValue_.size());
  }
  return offsets[static_cast<std::size_t>(unitIndex)];
}

// A match that does not exist has the empty text at index 0, which the search for it
// finds at the start of a non-empty subject and nowhere in an empty one.
int RegexObject::MissingOffset() const {
  return text::FindText(subjectValue_, {}) - 1;
}

}  // namespace velnora::regex
