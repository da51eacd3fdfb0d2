// Command lines planset refuses as misuse: the parser's test reads each
// refusal's sentence, the program's test what the program adds to it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace planchoice::planset {

struct Misuse {
  std::vector<std::string> arguments;
  std::string problem;  // empty: any sentence
};

void PrintTo(const Misuse& misuse, std::ostream* out);

const std::vector<Misuse>& Misuses();

}  // namespace planchoice::planset
