// The identifiers of the controls of the window Main.
#pragma once

namespace planchoice::control {

// 1 is IDOK, the command the dialog manager sends when Enter is pressed.
inline constexpr int OK = 1;
inline constexpr int Label1 = 100;
inline constexpr int Plan = 101;

}  // namespace planchoice::control
