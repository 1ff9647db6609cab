#include "platform/codepage/code_page.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace velnora::platform {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's "gb2312" is EUC-CN; the Windows 936 table is this one.
constexpr const char* kGbkConverterName = "windows-936-2000";

// Converters are stateful and not thread-safe, so each thread keeps its own pair; they
// are reset before every use.
UConverter* ConverterFor(int codePage) {
  if (codePage == kAnsiCodePage) codePage = AnsiCodePage();
  thread_local ConverterPtr gbk;
  thread_local ConverterPtr utf8;
  ConverterPtr* slot = nullptr;
  const char* name = nullptr;
  if (codePage == kGbkCodePage) {
    slot = &gbk;
    name = kGbkConverterName;
  } else if (codePage == kUtf8CodePage) {
    slot = &utf8;
    name = "UTF-8";
  } else {
    return nullptr;
  }
  if (!*slot) {
    UErrorCode status = U_ZERO_ERROR;
    slot->reset(ucnv_open(name, &status));
    if (U_FAILURE(status)) slot->reset();
  }
  if (*slot) ucnv_reset(slot->get());
  return slot->get();
}

int ResolvedCodePage(int codePage) {
  return codePage == kAnsiCodePage ? AnsiCodePage() : codePage;
}

ConversionResult Failure(ConversionError error) {
  return {.count = 0, .error = error};
}

bool IsInvalidInput(UErrorCode status) {
  return status == U_ILLEGAL_CHAR_FOUND || status == U_INVALID_CHAR_FOUND ||
         status == U_TRUNCATED_CHAR_FOUND;
}

ConversionResult Finish(UErrorCode status, long long count) {
  if (status == U_BUFFER_OVERFLOW_ERROR) return Failure(ConversionError::kInsufficientBuffer);
  if (IsInvalidInput(status)) return Failure(ConversionError::kNoUnicodeTranslation);
  if (U_FAILURE(status) || count > INT_MAX) return Failure(ConversionError::kInvalidParameter);
  return {.count = static_cast<int>(count)};
}

// Runs `step(target, targetLimit, status)` over the whole input: straight into `output`
// when there is one, otherwise through a scratch chunk that only counts.
template <typename Unit, typename Step>
ConversionResult Drive(std::span<Unit> output, Step step) {
  UErrorCode status = U_ZERO_ERROR;
  if (!output.empty()) {
    Unit* target = output.data();
    step(&target, output.data() + output.size(), &status);
    return Finish(status, target - output.data());
  }
  std::array<Unit, 4096> chunk;
  long long total = 0;
  for (;;) {
    status = U_ZERO_ERROR;
    Unit* target = chunk.data();
    step(&target, chunk.data() + chunk.size(), &status);
    total += target - chunk.data();
    if (status != U_BUFFER_OVERFLOW_ERROR) break;
  }
  return Finish(status, total);
}

struct SubstituteContext {
  bool* usedDefaultChar = nullptr;
};

// Writes the default character for every character without a mapping and for every lone
// surrogate, noting it when asked. The library's own substitution drops unmapped
// default-ignorable characters (zero-width joiners, variation selectors, byte-order
// marks) without a trace; the system conversion replaces them like any other, so this
// never defers to it. `context` is a SubstituteContext or null.
void WriteDefaultChar(const void* context, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                      UChar32, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close and clone need nothing
  const auto* note = static_cast<const SubstituteContext*>(context);
  if (note != nullptr && note->usedDefaultChar != nullptr) *note->usedDefaultChar = true;
  *status = U_ZERO_ERROR;
  ucnv_cbFromUWriteSub(args, 0, status);
}

bool IsMark(UChar32 c) {
  return u_getCombiningClass(c) > 0;
}

// A noncharacter that no table maps, so the encoder replaces it by the default character.
constexpr char16_t kUnmappable = 0xFFFF;

// Composes each base character with the combining marks that follow it. Only such runs
// are normalised: a full NFC pass would also fold singletons such as the CJK
// compatibility ideographs, which 936 maps to codes of their own.
std::u16string ComposeMarks(std::u16string_view units, LeftoverMarks leftover) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  std::u16string out;
  out.reserve(units.size());
  const auto size = static_cast<int32_t>(units.size());
  int32_t i = 0;
  while (i < size) {
    const int32_t runStart = i;
    UChar32 c = 0;
    U16_NEXT(units.data(), i, size, c);
    int32_t afterBase = i;
    while (i < size) {
      int32_t next = i;
      U16_NEXT(units.data(), next, size, c);
      if (!IsMark(c)) break;
      i = next;
    }
    if (i == afterBase || U_FAILURE(status)) {
      out.append(
          units.substr(static_cast<std::size_t>(runStart), static_cast<std::size_t>(i - runStart)));
      continue;
    }
    std::u16string composed(static_cast<std::size_t>(i - runStart) * 2 + 4, u'\0');
    UErrorCode runStatus = U_ZERO_ERROR;
    const int32_t composedLength =
        unorm2_normalize(nfc, units.data() + runStart, i - runStart, composed.data(),
                         static_cast<int32_t>(composed.size()), &runStatus);
    if (U_FAILURE(runStatus)) {
      out.append(
          units.substr(static_cast<std::size_t>(runStart), static_cast<std::size_t>(i - runStart)));
      continue;
    }
    composed.resize(static_cast<std::size_t>(composedLength));
    int32_t j = 0;
    const auto composedSize = static_cast<int32_t>(composed.size());
    bool first = true;
    while (j < composedSize) {
      const int32_t start = j;
      U16_NEXT(composed.data(), j, composedSize, c);
      const auto piece = std::u16string_view(composed).substr(static_cast<std::size_t>(start),
                                                              static_cast<std::size_t>(j - start));
      if (first || !IsMark(c) || leftover == LeftoverMarks::kSeparate) {
        out.append(piece);
      } else if (leftover == LeftoverMarks::kDefaultChar) {
        out.push_back(kUnmappable);
      }
      first = false;
    }
  }
  return out;
}

}  // namespace

int AnsiCodePage() {
  return kGbkCodePage;
}

ConversionResult MultiByteToWideChar(int codePage, ToWideOptions options, const char* source,
                                     int sourceLength, std::span<char16_t> output) {
  UConverter* converter = ConverterFor(codePage);
  if (converter == nullptr || source == nullptr || sourceLength == 0 || sourceLength < -1) {
    return Failure(ConversionError::kInvalidParameter);
  }
  const std::size_t length =
      sourceLength == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(
      converter, options.failOnInvalid ? UCNV_TO_U_CALLBACK_STOP : UCNV_TO_U_CALLBACK_SUBSTITUTE,
      nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return Failure(ConversionError::kInvalidParameter);
  const char* next = source;
  const char* limit = source + length;
  return Drive(output, [&](char16_t** target, char16_t* targetLimit, UErrorCode* stepStatus) {
    ucnv_toUnicode(converter, target, targetLimit, &next, limit, nullptr, true, stepStatus);
  });
}

ConversionResult WideCharToMultiByte(int codePage, const ToMultiByteOptions& options,
                                     const char16_t* source, int sourceLength,
                                     std::span<char> output) {
  const int resolved = ResolvedCodePage(codePage);
  UConverter* converter = ConverterFor(codePage);
  if (converter == nullptr || source == nullptr || sourceLength == 0 || sourceLength < -1) {
    return Failure(ConversionError::kInvalidParameter);
  }
  const bool utf8 = resolved == kUtf8CodePage;
  if (utf8 && (options.defaultChar || options.usedDefaultChar != nullptr)) {
    return Failure(ConversionError::kInvalidParameter);
  }
  if ((utf8 && options.compositeCheck) || (!utf8 && options.failOnInvalid)) {
    return Failure(ConversionError::kInvalidFlags);
  }
  std::u16string_view units(source, sourceLength == -1
                                        ? static_cast<std::size_t>(u_strlen(source)) + 1
                                        : static_cast<std::size_t>(sourceLength));
  std::u16string composed;
  if (options.compositeCheck) {
    composed = ComposeMarks(units, options.leftoverMarks);
    units = composed;
  }

  UErrorCode status = U_ZERO_ERROR;
  SubstituteContext note{.usedDefaultChar = options.usedDefaultChar};
  if (options.failOnInvalid) {
    ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  } else {
    ucnv_setFromUCallBack(converter, WriteDefaultChar, &note, nullptr, nullptr, &status);
  }
  if (!utf8) {
    // Best-fit mappings stand in for the system's; the table's fallbacks come from the
    // same Windows data.
    ucnv_setFallback(converter, !options.noBestFit);
    const char defaultChar = options.defaultChar.value_or('?');
    ucnv_setSubstChars(converter, &defaultChar, 1, &status);
  }
  if (U_FAILURE(status)) return Failure(ConversionError::kInvalidParameter);

  const UChar* next = units.data();
  const UChar* limit = units.data() + units.size();
  const auto result = Drive(output, [&](char** target, char* targetLimit, UErrorCode* stepStatus) {
    ucnv_fromUnicode(converter, target, targetLimit, &next, limit, nullptr, true, stepStatus);
  });
  // The converter is kept for the thread's next call, but `note` dies with this frame:
  // leave no callback pointing at it.
  UErrorCode detach = U_ZERO_ERROR;
  ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &detach);
  return result;
}

std::string ConvertCodePage(int fromCodePage, int toCodePage, std::string_view source) {
  const int from = ResolvedCodePage(fromCodePage);
  const int to = ResolvedCodePage(toCodePage);
  if (from == to) return {};
  UConverter* reader = ConverterFor(from);
  UConverter* writer = ConverterFor(to);
  if (reader == nullptr || writer == nullptr) return {};
  UErrorCode status = U_ZERO_ERROR;
  // The thread's converters keep the callbacks of their last use; set the defaults the
  // two separate calls would use.
  ucnv_setToUCallBack(reader, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(writer, WriteDefaultChar, nullptr, nullptr, nullptr, &status);
  if (to != kUtf8CodePage) {
    ucnv_setFallback(writer, true);
    const char defaultChar = '?';
    ucnv_setSubstChars(writer, &defaultChar, 1, &status);
  }
  if (U_FAILURE(status)) return {};

  std::string output;
  output.reserve(source.size());
  std::array<UChar, 1024> pivot;
  UChar* pivotSource = pivot.data();
  UChar* pivotTarget = pivot.data();
  std::array<char, 16384> chunk;
  const char* next = source.data();
  const char* limit = source.data() + source.size();
  bool reset = true;
  do {
    status = U_ZERO_ERROR;
    char* target = chunk.data();
    ucnv_convertEx(writer, reader, &target, chunk.data() + chunk.size(), &next, limit, pivot.data(),
                   &pivotSource, &pivotTarget, pivot.data() + pivot.size(), reset, true, &status);
    output.append(chunk.data(), static_cast<std::size_t>(target - chunk.data()));
    reset = false;
  } while (status == U_BUFFER_OVERFLOW_ERROR);
  if (U_FAILURE(status)) return {};
  return output;
}

std::vector<int> UnitSourceOffsets(int codePage, std::string_view source) {
  UConverter* converter = ConverterFor(codePage);
  if (converter == nullptr || source.size() >= INT_MAX) return {};
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
  // Every source byte yields at most one unit in these code pages, so one pass fits.
  std::u16string units(source.size() + 1, u'\0');
  std::vector<int32_t> offsets(units.size(), -1);
  char16_t* target = units.data();
  const char* next = source.data();
  ucnv_toUnicode(converter, &target, units.data() + units.size(), &next,
                 source.data() + source.size(), offsets.data(), true, &status);
  if (U_FAILURE(status)) return {};
  offsets.resize(static_cast<std::size_t>(target - units.data()));
  // Substituted units report no offset; they begin where the previous unit's bytes end,
  // which the next known offset bounds.
  int last = 0;
  for (auto& offset : offsets) {
    if (offset < 0) offset = last;
    last = offset;
  }
  std::vector<int> result(offsets.begin(), offsets.end());
  result.push_back(static_cast<int>(source.size()));
  return result;
}

}  // namespace velnora::platform
