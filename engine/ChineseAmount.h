#pragma once
// An amount of money in Chinese capital numerals, as accounting documents write it:
// 1234.56 is 壹仟贰佰叁拾肆元伍角陆分; rounded to the fen; 负 before a negative amount.

#include <QString>

namespace ChineseAmount {
// Amounts of 10^16 yuan or more have no such form; they give an empty string.
QString fromNumber(double amount);
} // namespace ChineseAmount
