#include "dialog/command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32_text.h"

namespace planchoice {
namespace {

struct CommandLineCase {
  const char* name;
  const wchar_t* command_line;
  const wchar_t* argument;
};

class ArgumentTextOf : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ArgumentTextOf, CommandLine) {
  EXPECT_EQ(Narrow(ArgumentText(GetParam().command_line)), Narrow(GetParam().argument));
}

const CommandLineCase kCases[] = {
    {"NothingAfterTheName", L"PlanChoice.exe", L""},
    {"NothingAfterAQuotedName", L"\"C:\\Program Files\\PlanChoice.exe\"", L""},
    {"OnlyBlanksAfterTheName", L"PlanChoice.exe  \t ", L""},
    {"PlainDirectory", L"PlanChoice.exe C:\\Setup", L"C:\\Setup"},
    {"AfterAQuotedNameWithSpaces", L"\"C:\\Program Files\\PlanChoice.exe\" C:\\Setup",
     L"C:\\Setup"},
    {"RightAfterAQuotedName", L"\"C:\\Setup\\PlanChoice.exe\"C:\\Setup", L"C:\\Setup"},
    {"BlanksBeforeItSkipped", L"PlanChoice.exe \t  C:\\Setup", L"C:\\Setup"},
    {"BlanksAfterItKept", L"PlanChoice.exe C:\\Setup  ", L"C:\\Setup  "},
    {"SpacesInsideKept", L"PlanChoice.exe C:\\My  Setup\\x y", L"C:\\My  Setup\\x y"},
    {"QuotesAroundItRemoved", L"PlanChoice.exe \"C:\\My Setup\"", L"C:\\My Setup"},
    {"QuotedWithTrailingBackslash", L"PlanChoice.exe \"C:\\My Setup\\\"", L"C:\\My Setup\\"},
    {"TrailingBackslashKept", L"PlanChoice.exe C:\\Setup\\", L"C:\\Setup\\"},
    {"EmptyQuotesAreNoDirectory", L"PlanChoice.exe \"\"", L""},
    {"LoneQuoteKept", L"PlanChoice.exe \"", L"\""},
    {"QuoteOnOneSideKept", L"PlanChoice.exe \"C:\\Setup", L"\"C:\\Setup"},
    {"BlanksAfterTheClosingQuoteDropped", L"PlanChoice.exe \"C:\\My Setup\" \t ", L"C:\\My Setup"},
    {"BlanksInsideQuotesKept", L"PlanChoice.exe \" C:\\Setup \" ", L" C:\\Setup "},
    {"BlanksAfterAnOpenQuoteKept", L"PlanChoice.exe \"C:\\Setup  ", L"\"C:\\Setup  "},
    {"TwoQuotedWordsKept", L"PlanChoice.exe \"C:\\a\" \"C:\\b\"", L"\"C:\\a\" \"C:\\b\""},
    {"UnterminatedQuotedName", L"\"C:\\Setup\\PlanChoice.exe C:\\Setup", L""},
    {"NonAsciiDirectory", L"PlanChoice.exe C:\\\u00e9t\u00e9 \u65e5\u672c \U0001F4DE",
     L"C:\\\u00e9t\u00e9 \u65e5\u672c \U0001F4DE"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ArgumentTextOf, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace planchoice
