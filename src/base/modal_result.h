// The answers of modal dialogs and message boxes, with the values their callers compare against.
#pragma once

#include <cstdint>

namespace korvane {

enum TModalResult : std::int32_t {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrYes = 6,
  mrNo = 7,
};

}  // namespace korvane
