#pragma once
// The letters table's columns of the kept fields, in the order of LetterField.

#include <iterator>

namespace LetterColumns {
inline const char *const Fields[] = {
    "send_method",  "waybill", "send_date",         "reply_date",  "reply_channel",
    "reply_amount", "result",  "difference_reason", "alternative", "note"};
constexpr int Count = int(std::size(Fields));
} // namespace LetterColumns
