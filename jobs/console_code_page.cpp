#include "console_code_page.h"

#include <algorithm>

namespace vok {
namespace {

bool IsEastAsian(std::uint32_t codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

void Add(ConsoleCodePages& pages, std::uint32_t codePage) {
  if (std::find(pages.possible.begin(), pages.possible.end(), codePage) == pages.possible.end()) {
    pages.possible.push_back(codePage);
  }
}

// The console's code page when the host takes this value: the number, or an
// unknown one for a number that is no code page (0 included).
void AddValue(ConsoleCodePages& pages, const CodePageSetting& value) {
  if (value.state == CodePageSetting::State::kUnreadable || !value.installed) {
    pages.unknown = true;
  } else {
    Add(pages, value.number);
  }
}

}  // namespace

ConsoleCodePages PossibleConsoleCodePages(const ConsoleSettings& settings) {
  ConsoleCodePages pages;
  if (!settings.classicHost) Add(pages, settings.oem);
  const CodePageSetting& title = settings.forTitle;
  if (title.state == CodePageSetting::State::kNumber) {
    AddValue(pages, title);
    return pages;
  }
  // A value the host may have skipped (of another type) or not: unknown, and
  // the value for every console applies where it did.
  if (title.state == CodePageSetting::State::kUnreadable) pages.unknown = true;
  Add(pages, settings.oem);
  const CodePageSetting& all = settings.forAll;
  const bool replaced = all.state == CodePageSetting::State::kNumber && IsEastAsian(all.number) &&
                        all.number != settings.oem;
  if (all.state != CodePageSetting::State::kAbsent && !replaced) AddValue(pages, all);
  return pages;
}

}  // namespace vok
