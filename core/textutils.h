#pragma once
// Text and number-list utilities: how text typed by users or stored in
// source files becomes numbers and lists. Which texts raise and which become
// 0 matters to verification and to the formatted edit box.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stringlist.h"

namespace core {

std::string RemoveSpaces(std::string_view text);
std::string StripTrailingComma(std::string_view text);
void SplitToStrings(std::string_view text, char delimiter, platform::TStringList& list);
std::vector<double> SplitToFloats(std::string_view text, char delimiter);
std::vector<int32_t> SplitToInts(std::string_view text, char delimiter);
void CommaTextToInts(std::string_view text, std::vector<int32_t>& values);
void CommaTextToFloats(std::string_view text, std::vector<double>& values);
bool SplitPair(std::string_view text, double& first, double& second);
bool StrInList(std::string_view text, const platform::TStringList& list);
std::string FloatFormatFor(int significantDigits, int maxDecimals, double value);
int DecimalsInFormat(std::string_view format);
std::string KeepFirst(char c, std::string_view text);
std::string NormaliseNumberText(std::string_view text);

}  // namespace core
