// The viewer scan's rule table: for each extension the program to use, and a
// preferred program that wins when both are found.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnel::ui {

struct ViewerRule {
  std::string_view extension;  // upper case, without a dot
  std::string_view program;    // file name, matched exactly
  std::string_view preferred;  // empty when there is none
};

// The rules in the order they are applied.
const std::vector<ViewerRule>& ViewerRules();

// The program file names the scan looks for: every program and preferred
// program of `rules`, each once, in rule order.
std::vector<std::string> TargetNames(const std::vector<ViewerRule>& rules);

// The option that makes a program wait until its window is closed, for
// programs that would otherwise hand the file to a running instance and
// return at once; empty when the program needs none or has none.
std::string_view WaitOption(std::string_view program);

}  // namespace varnel::ui
