// Whether anybody can see a window that this process makes.
#pragma once

namespace planchoice {

// False where no user can see the process's windows: a window station that
// is not interactive (a service's, or one a deployment tool made), or
// session 0, where services run and no user signs in. A window made there
// would wait for ever for an answer nobody can give. When the system cannot
// tell, a user is assumed, as a window nobody answers is rarer than one a
// user needs.
bool UserCanSeeWindows();

}  // namespace planchoice
